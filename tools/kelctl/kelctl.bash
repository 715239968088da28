# bash completion for kelctl: commands, their keywords, and the ports and
# VLANs of the switch, all told by kelctl itself (kelctl __complete).
# Installed as bash-completion/completions/kelctl; source it to try it.

_kelctl() {
    local IFS=$'\n'
    # the words typed so far, the one being completed last
    COMPREPLY=($("${COMP_WORDS[0]}" __complete "${COMP_WORDS[@]:1:COMP_CWORD}" 2>/dev/null))
}
# -o default: file names where kelctl offers nothing (after -b)
complete -o default -F _kelctl kelctl

#!/usr/bin/env bash
# Checks the Debian packages a build made (cpack, into BUILD/packages):
#   - one package per component of CPackConfig.cmake, for ARCH;
#   - their contents (dpkg-deb -c): every file the install rules install is
#     in exactly one package (manual pages compressed), nothing else is, and
#     each package holds what it must (the table below);
#   - Depends: every library an ELF file of a package needs belongs to a
#     package it depends on, at least at the version the file's symbol
#     versions need (GLIBC_, GLIBCXX_, GCC_), whether dpkg-shlibdeps wrote
#     the field or it was written by hand for a cross build.
#   check_debs.sh READELF ARCH BUILD
set -uo pipefail
readelf=$1 arch=$2 build=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fails=0
fail() { echo "FAIL $*"; fails=$((fails + 1)); }
setting() { sed -n "s/^set($1 \"\(.*\)\")$/\1/p" "$build/CPackConfig.cmake"; }
version=$(setting CPACK_DEBIAN_PACKAGE_VERSION)
IFS=';' read -ra packages <<<"$(setting CPACK_COMPONENTS_ALL)"

# What each package must hold, beyond its copyright and changelog.
must() {
    case $1 in
    libkel1) echo "usr/lib/*/libkel.so.1 usr/lib/*/libkel.so.1.0.0 DEBIAN/shlibs DEBIAN/symbols DEBIAN/triggers" ;;
    libkel-dev) echo "usr/include/kel.h usr/include/kel_driver.h usr/lib/*/libkel.so usr/lib/*/libkel.a
        usr/lib/*/pkgconfig/kel.pc usr/lib/*/cmake/kel/kelConfig.cmake usr/share/man/man3/kel_port.3.gz
        usr/share/man/man3/kel_port_speed_set.3.gz usr/share/man/man3/kel.h.3.gz" ;;
    kelsim) echo "usr/bin/kelsim usr/lib/*/kelsim/libkelsim.so usr/share/man/man1/kelsim.1.gz" ;;
    kelctl) echo "usr/bin/kelctl usr/share/man/man1/kelctl.1.gz usr/share/bash-completion/completions/kelctl" ;;
    kelsnmpd) echo "usr/sbin/kelsnmpd usr/share/man/man8/kelsnmpd.8.gz" ;;
    esac
}

# The package of a library, and the least version of it that the symbol
# versions VERSIONS (one a line) need.
package_of() {
    case $1 in
    libc.so.6 | libm.so.6 | ld.so.1 | ld-linux*) echo libc6 ;;
    libstdc++.so.6) echo libstdc++6 ;;
    libgcc_s.so.1) echo libgcc-s1 ;;
    libatomic.so.1) echo libatomic1 ;;
    libkel.so.1) echo libkel1 ;;
    libnetsnmp*.so.40) echo libsnmp40 ;;
    *) echo "?" ;;
    esac
}
least_version() {
    case $1 in
    libc6) sed -n 's/^GLIBC_//p' ;;
    libgcc-s1) sed -n 's/^GCC_//p' ;;
    libstdc++6) sed -n 's/^GLIBCXX_3\.4\.//p' | sort -n | tail -n 1 |
        awk '{ split("5 6 7 7.2 8 9 9.2 9.3 11 12", gcc, " "); if ($1 >= 21) print gcc[$1 - 20] }' ;;
    esac | sort -V | tail -n 1
}

for pkg in "${packages[@]}"; do
    deb=$build/packages/${pkg}_${version}_$arch.deb
    [ -f "$deb" ] || { fail "$pkg: no $deb"; continue; }
    [ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "$pkg: Architecture is not $arch"
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' >"$tmp/$pkg.list"
    mkdir -p "$tmp/$pkg" && dpkg-deb -R "$deb" "$tmp/$pkg"
    for want in $(must "$pkg") "usr/share/doc/$pkg/copyright" "usr/share/doc/$pkg/changelog.gz"; do
        # shellcheck disable=SC2086
        ls "$tmp/$pkg"/$want >/dev/null 2>&1 || fail "$pkg: lacks $want"
    done
    depends=$(dpkg-deb -f "$deb" Depends)
    while read -r file; do
        "$readelf" -h "$file" >/dev/null 2>&1 || continue
        versions=$("$readelf" -V "$file" | awk '{ for (i = 1; i < NF; i++) {
            if ($i == "File:") lib = $(i + 1); else if ($i == "Name:" && lib) print lib, $(i + 1) } }')
        for lib in $("$readelf" -d "$file" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
            dep=$(package_of "$lib")
            least=$(awk -v l="$lib" '$1 == l { print $2 }' <<<"$versions" | least_version "$dep")
            re=$(sed 's/[+.]/\\&/g' <<<"$dep")
            declared=$(grep -oE "(^|, )$re( \([^)]*\))?(,|$)" <<<"$depends" | sed -n 's/.*(>= \([^)]*\)).*/\1/p')
            if ! grep -qE "(^|, )$re( |,|$)" <<<"$depends"; then
                fail "$pkg: ${file#"$tmp/$pkg/"} needs $lib, but Depends ($depends) names no $dep"
            elif [ -n "$least" ] && ! dpkg --compare-versions "${declared:-0}" ge "$least"; then
                fail "$pkg: ${file#"$tmp/$pkg/"} needs $dep $least, Depends says ${declared:-any}"
            fi
        done
    done < <(find "$tmp/$pkg" -path "$tmp/$pkg/DEBIAN" -prune -o -type f -print)
done

# Every installed file in exactly one package.
DESTDIR=$tmp/tree cmake --install "$build" >/dev/null
(cd "$tmp/tree" && find . ! -type d | sed 's|^\./||; s|^\(usr/share/man/.*\)\.gz$|\1|' | sort) >"$tmp/installed"
cat "$tmp"/*.list | sed 's|^\(usr/share/man/.*\)\.gz$|\1|' | sort >"$tmp/packaged"
comm -23 "$tmp/installed" <(sort -u "$tmp/packaged") | sed 's/^/installed but in no package: /' >"$tmp/diff"
comm -13 "$tmp/installed" <(sort -u "$tmp/packaged") | sed 's/^/packaged but not installed: /' >>"$tmp/diff"
uniq -d "$tmp/packaged" | sed 's/^/in two packages: /' >>"$tmp/diff"
while read -r line; do fail "$line"; done <"$tmp/diff"

echo "${#packages[@]} packages for $arch: $(cat "$tmp"/*.list | wc -l) files; $fails failures"
exit $((fails > 0))

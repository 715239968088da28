# radius_conf.sh - sourced by the end-to-end scripts that need a RADIUS
# server: a FreeRADIUS of their own from a private configuration (the EAP
# module with MD5 alone, a users file), never the system's.
#   radius_start DIR PORT SECRET [RUNNER...]
# writes DIR/radiusd.conf for a server on 127.0.0.1:PORT that trusts
# 127.0.0.1 under SECRET and reads DIR/users (the caller writes it), runs
# `freeradius -X` (at most 120 s; RUNNER, e.g. `ip netns exec NS`, runs it
# in another network namespace), sets radiusd to its process id and waits
# until it is ready; fails, with its log, when it is not within 10 s.
radius_start() {
    local d=$1 port=$2 secret=$3
    shift 3
    cat >"$d/radiusd.conf" <<CONF
prefix = /usr
exec_prefix = /usr
confdir = $d
raddbdir = $d
logdir = $d
run_dir = $d
libdir = /usr/lib/freeradius
dictdir = /usr/share/freeradius
pidfile = $d/radiusd.pid
name = freeradius
max_request_time = 5
cleanup_delay = 0
hostname_lookups = no
proxy_requests = no
log {
    destination = stderr
}
client loopback {
    ipaddr = 127.0.0.1
    secret = $secret
    require_message_authenticator = yes
}
modules {
    eap {
        default_eap_type = md5
        timer_expire = 30
        md5 {
        }
    }
    files {
        filename = $d/users
    }
}
server default {
    listen {
        type = auth
        ipaddr = 127.0.0.1
        port = $port
    }
    authorize {
        files
        eap
    }
    authenticate {
        Auth-Type EAP {
            eap
        }
    }
}
CONF
    "$@" timeout 120 freeradius -X -d "$d" >"$d/radiusd.log" 2>&1 &
    radiusd=$!
    for _ in $(seq 100); do grep -q "Ready to process requests" "$d/radiusd.log" && return 0; sleep 0.1; done
    echo "FAIL freeradius did not start:"
    cat "$d/radiusd.log"
    return 1
}

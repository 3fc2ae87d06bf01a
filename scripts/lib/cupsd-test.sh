#!/usr/bin/env bash
# A private cupsd for the test suite and for demos, independent of the station's own CUPS.
#
#   cupsd-test.sh start <dir> <port>   start it (or reuse the one already running for <dir>),
#                                      create its queues and print the value for CUPS_SERVER
#   cupsd-test.sh stop <dir>           stop it
#
# Everything it writes stays under <dir>: configuration, spool, cache, state, logs. It listens
# on 127.0.0.1:<port> only, browses nothing and needs no authentication, so that lpadmin as the
# current user can manage it. Queues (created in this order, so that a client that lists them
# in creation order instead of CUPS's name order is noticed):
#
#   EtikorRaw    raw queue to socket://127.0.0.1:<port+1>   (the default destination)
#   EtikorLabel  raw queue to socket://127.0.0.1:<port+2>
#
# ETIKOR_CUPSD_RAW_PORT and ETIKOR_CUPSD_LABEL_PORT override the two socket ports, for a test
# that puts its own byte listener behind a queue.
#
# Starting twice is harmless: a cupsd already answering for <dir> is reused and its queues are
# set up again. Concurrent starts for the same <dir> are serialised with a lock file.
set -euo pipefail

readonly kRawQueue=EtikorRaw
readonly kLabelQueue=EtikorLabel

die() {
    echo "cupsd-test: $*" >&2
    exit 1
}

usage() {
    echo "usage: $0 start <dir> <port> | stop <dir>" >&2
    exit 2
}

find_cupsd() {
    local c
    for c in "$(command -v cupsd 2>/dev/null || true)" /usr/sbin/cupsd /usr/local/sbin/cupsd; do
        if [[ -n "$c" && -x "$c" ]]; then
            echo "$c"
            return 0
        fi
    done
    die "cupsd not found (Debian package cups-daemon)"
}

pid_of() {
    local dir=$1 pid
    [[ -f "$dir/cupsd.pid" ]] || return 1
    pid=$(<"$dir/cupsd.pid")
    [[ "$pid" =~ ^[0-9]+$ ]] || return 1
    kill -0 "$pid" 2>/dev/null || return 1
    # A pid file outlives its process and the number may now belong to another program.
    tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF -- "-c $dir/cupsd.conf" || return 1
    echo "$pid"
}

answers() {
    local server=$1
    # lpstat -r exits 0 either way; only its text tells.
    [[ "$(lpstat -h "$server" -r 2>/dev/null)" == "scheduler is running" ]]
}

# Whatever a cupsd needs at start; the account it drops to for filters and backends is "lp"
# when it exists, else the current user's group is used.
write_config() {
    local dir=$1 port=$2 group user
    mkdir -p "$dir"/{etc/ppd,etc/ssl,spool/tmp,cache,state/certs,log}
    chmod 0755 "$dir" "$dir/etc" "$dir/spool" "$dir/cache" "$dir/state" "$dir/log"
    chmod 1777 "$dir/spool/tmp"
    group=$(id -gn)
    user=$(id -un)
    if [[ "$(id -u)" == 0 ]]; then
        user="lp"
        getent group lp >/dev/null && group="lp"
        getent passwd lp >/dev/null || user=nobody
    fi
    cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
User $user
Group $group
SystemGroup $(id -gn)
ConfigFilePerm 0644
LogFilePerm 0644
FileDevice No
Sandboxing Relaxed
CONF
    cat >"$dir/cupsd.conf" <<CONF
Listen 127.0.0.1:$port
ServerName 127.0.0.1
ServerAlias *
Browsing No
BrowseLocalProtocols none
DefaultShared No
WebInterface No
LogLevel warn
MaxLogSize 1m
DefaultAuthType None
IdleExitTimeout 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess default
  JobPrivateValues default
  SubscriptionPrivateAccess default
  SubscriptionPrivateValues default
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
    # Debian's types and conversions that let jobs of unknown type pass unfiltered.
    local f
    for f in raw.types raw.convs; do
        [[ -f "/etc/cups/$f" ]] && cp "/etc/cups/$f" "$dir/etc/$f"
    done
    return 0
}

# Configuration and state of an earlier run go; logs stay for post-mortems.
reset_state() {
    local dir=$1
    rm -rf "${dir:?}/etc" "${dir:?}/spool" "${dir:?}/cache" "${dir:?}/state"
    rm -f "$dir/cupsd.conf" "$dir/cups-files.conf" "$dir/cupsd.pid"
}

launch() {
    local dir=$1 cupsd
    cupsd=$(find_cupsd)
    # Its own process group, no terminal, no inherited pipes and not our lock: whoever started us
    # (ctest) does not wait for cupsd and does not kill it when this script ends, and the next
    # start or stop is not locked out for cupsd's lifetime.
    # shellcheck disable=SC2016 # expanded by the inner shell
    setsid bash -c '
        for fd in /proc/$$/fd/*; do
            n=${fd##*/}
            ((n > 2)) && eval "exec $n>&-"
        done
        echo $$ >"$1"
        exec "$2" -f -c "$3" -s "$4"' _ \
        "$dir/cupsd.pid" "$cupsd" "$dir/cupsd.conf" "$dir/cups-files.conf" \
        </dev/null >>"$dir/log/cupsd.out" 2>&1 9>&- &
}

wait_until_answering() {
    local dir=$1 server=$2 i
    for ((i = 0; i < 100; i++)); do
        answers "$server" && return 0
        if ((i > 5)) && ! pid_of "$dir" >/dev/null; then
            break
        fi
        sleep 0.1
    done
    echo "cupsd-test: cupsd for $dir does not answer on $server; its logs:" >&2
    cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
    return 1
}

create_queues() {
    local server=$1 port=$2
    local rawPort=${ETIKOR_CUPSD_RAW_PORT:-$((port + 1))}
    local labelPort=${ETIKOR_CUPSD_LABEL_PORT:-$((port + 2))}
    # CUPS 2.4 warns that raw queues are deprecated; they still work, and a raw queue is exactly
    # what the station's RAW output talks to.
    lpadmin -h "$server" -p "$kRawQueue" -E -v "socket://127.0.0.1:$rawPort" -m raw \
        -D "Etikor test raw queue" 2>&1 | grep -v -i deprecated >&2 || true
    lpadmin -h "$server" -p "$kLabelQueue" -E -v "socket://127.0.0.1:$labelPort" -m raw \
        -D "Etikor test label queue" 2>&1 | grep -v -i deprecated >&2 || true
    lpadmin -h "$server" -d "$kRawQueue" >&2
    local q
    for q in "$kRawQueue" "$kLabelQueue"; do
        lpstat -h "$server" -p "$q" >/dev/null 2>&1 || die "queue $q was not created on $server"
    done
    [[ "$(lpstat -h "$server" -d 2>/dev/null)" == *"$kRawQueue"* ]] ||
        die "default destination $kRawQueue was not set on $server"
}

start() {
    local dir=$1 port=$2 server
    [[ "$port" =~ ^[0-9]+$ ]] || die "port must be a number: $port"
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    server="127.0.0.1:$port"
    exec 9>"$dir/.lock"
    flock 9
    if pid_of "$dir" >/dev/null && answers "$server"; then
        : # reuse the running one
    else
        stop_running "$dir"
        if answers "$server"; then
            die "port $port is already served by another cupsd (another build folder's tests?" \
                "configure this one with -DETIKOR_TEST_CUPSD_PORT=<other port>)"
        fi
        reset_state "$dir"
        write_config "$dir" "$port"
        launch "$dir"
        wait_until_answering "$dir" "$server"
    fi
    create_queues "$server" "$port"
    echo "$server"
}

stop_running() {
    local dir=$1 pid i
    pid=$(pid_of "$dir") || {
        rm -f "$dir/cupsd.pid"
        return 0
    }
    kill -TERM "$pid" 2>/dev/null || true
    for ((i = 0; i < 50; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/cupsd.pid"
}

stop() {
    local dir=$1
    [[ -d "$dir" ]] || return 0
    dir=$(cd "$dir" && pwd)
    exec 9>"$dir/.lock"
    flock 9
    stop_running "$dir"
}

case "${1:-}" in
start)
    (($# == 3)) || usage
    start "$2" "$3"
    ;;
stop)
    (($# == 2)) || usage
    stop "$2"
    ;;
*) usage ;;
esac

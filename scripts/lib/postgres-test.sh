#!/usr/bin/env bash
# A private PostgreSQL server for the test suite and for demos, independent of any cluster the
# machine runs for itself.
#
#   postgres-test.sh start <dir> <port>   start it (or reuse the one already running for <dir>)
#                                         and print its connection string
#   postgres-test.sh stop <dir>           stop it
#
# The cluster lives in <dir>/data, its log in <dir>/postgres.log and its unix socket in <dir>.
# It listens on 127.0.0.1:<port> only and trusts every local connection, so the tests need no
# password. Its superuser and its database are both called "etikor"; the printed line is
#
#   Provider=PostgreSQL;Host=127.0.0.1;Port=<port>;Database=etikor;User ID=etikor
#
# PostgreSQL refuses to run as root: as root the server runs as the account "postgres" (or
# "nobody" where there is none), which then owns <dir>. When that account cannot reach <dir>
# (a build folder under a private home) or the socket's path would be too long for a unix
# socket, the server's folder is a folder under /tmp instead and <dir>/server points to it.
#
# Starting twice is harmless: a server already answering for <dir> is reused. A server that is
# not running is set up afresh, so every start begins with an empty database. Concurrent starts
# and stops for the same <dir> are serialised with a lock file.
set -euo pipefail

readonly kUser=etikor
readonly kDatabase=etikor
# sun_path holds 108 bytes including the terminating zero.
readonly kMaxSocketPath=107

die() {
    echo "postgres-test: $*" >&2
    exit 1
}

usage() {
    echo "usage: $0 start <dir> <port> | stop <dir>" >&2
    exit 2
}

# The newest installed server's programs (Debian keeps them out of PATH).
find_bin() {
    local bin
    bin=$(find /usr/lib/postgresql -mindepth 2 -maxdepth 2 -name bin -type d 2>/dev/null |
        sort -V | tail -n 1)
    [[ -n "$bin" && -x "$bin/pg_ctl" && -x "$bin/initdb" ]] ||
        die "PostgreSQL server programs not found under /usr/lib/postgresql (Debian package postgresql)"
    echo "$bin"
}

account() {
    if [[ "$(id -u)" != 0 ]]; then
        id -un
    elif getent passwd postgres >/dev/null; then
        echo postgres
    else
        echo nobody
    fi
}

# Runs a command as the server's account; runuser needs root, which is exactly when it is needed.
as_account() {
    if [[ "$(id -u)" == 0 ]]; then
        runuser -u "$(account)" -- "$@"
    else
        "$@"
    fi
}

# The folder that holds the cluster and the socket: <dir> itself or where <dir>/server points.
place_of() {
    local dir=$1
    if [[ -L "$dir/server" ]]; then
        readlink "$dir/server"
    else
        echo "$dir"
    fi
}

choose_place() {
    local dir=$1 port=$2 fallback
    rm -f "$dir/server"
    if [[ "$(id -u)" == 0 ]]; then
        chown "$(account)" "$dir"
    fi
    if as_account test -w "$dir" && ((${#dir} + 13 + ${#port} <= kMaxSocketPath)); then
        echo "$dir"
        return 0
    fi
    fallback="/tmp/etikor-postgres-$(printf '%s' "$dir" | md5sum | cut -c1-12)"
    mkdir -p "$fallback"
    chmod 0755 "$fallback"
    [[ "$(id -u)" != 0 ]] || chown "$(account)" "$fallback"
    ln -s "$fallback" "$dir/server"
    echo "$fallback"
}

running() {
    local place=$1 bin
    [[ -f "$place/data/PG_VERSION" ]] || return 1
    bin=$(find_bin)
    as_account "$bin/pg_ctl" status -D "$place/data" >/dev/null 2>&1
}

answers() {
    local port=$1 bin
    bin=$(find_bin)
    "$bin/pg_isready" -q -h 127.0.0.1 -p "$port" >/dev/null 2>&1
}

init_cluster() {
    local place=$1 bin
    bin=$(find_bin)
    rm -rf "${place:?}/data"
    # The log is appended to by the server's account; earlier runs' lines stay for post-mortems.
    touch "$place/postgres.log"
    [[ "$(id -u)" != 0 ]] || chown "$(account)" "$place/postgres.log"
    as_account "$bin/initdb" -D "$place/data" -U "$kUser" --auth=trust --encoding=UTF8 \
        --locale=C.UTF-8 >>"$place/postgres.log" 2>&1 || {
        cat "$place/postgres.log" >&2
        die "initdb failed in $place/data"
    }
}

# Its own session and none of our descriptors beyond the standard ones (above all not the
# lock): ctest does not wait for the server, and the next start or stop is not locked out for
# the server's lifetime.
launch() {
    local place=$1 port=$2 bin
    bin=$(find_bin)
    # pg_ctl hands these to a shell: the quotes keep a folder with blanks in one piece. A test
    # server's data are thrown away anyway, so it need not wait for the disk.
    local options="-c listen_addresses=127.0.0.1 -p $port -k '$place' -c fsync=off"
    local runner=()
    [[ "$(id -u)" != 0 ]] || runner=("$(command -v runuser)" -u "$(account)" --)
    # shellcheck disable=SC2016 # expanded by the inner shell
    if ! setsid -w bash -c '
        for fd in /proc/$$/fd/*; do
            n=${fd##*/}
            ((n > 2)) && eval "exec $n>&-"
        done
        exec "$@"' _ "${runner[@]}" \
        "$bin/pg_ctl" start -w -t 60 -D "$place/data" -l "$place/postgres.log" -o "$options" \
        </dev/null >/dev/null 2>&1 9>&-; then
        echo "postgres-test: the server in $place/data did not start; its log:" >&2
        cat "$place/postgres.log" >&2 || true
        exit 1
    fi
}

create_database() {
    local place=$1 port=$2 bin
    bin=$(find_bin)
    as_account "$bin/psql" -q -h "$place" -p "$port" -U "$kUser" -d postgres \
        -c "CREATE DATABASE $kDatabase" >/dev/null 2>&1 ||
        die "database $kDatabase could not be created on port $port"
}

start() {
    local dir=$1 port=$2 place
    [[ "$port" =~ ^[0-9]+$ ]] || die "port must be a number: $port"
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    exec 9>"$dir/.lock"
    flock 9
    place=$(place_of "$dir")
    if running "$place" && answers "$port"; then
        : # reuse the running one
    else
        stop_running "$place"
        if answers "$port"; then
            die "port $port is already served by another PostgreSQL server (another build" \
                "folder's tests? configure this one with -DETIKOR_TEST_POSTGRES_PORT=<other port>)"
        fi
        place=$(choose_place "$dir" "$port")
        init_cluster "$place"
        launch "$place" "$port"
        create_database "$place" "$port"
    fi
    echo "Provider=PostgreSQL;Host=127.0.0.1;Port=$port;Database=$kDatabase;User ID=$kUser"
}

stop_running() {
    local place=$1 bin
    running "$place" || return 0
    bin=$(find_bin)
    as_account "$bin/pg_ctl" stop -w -t 60 -m fast -D "$place/data" >/dev/null 2>&1 ||
        as_account "$bin/pg_ctl" stop -w -t 10 -m immediate -D "$place/data" >/dev/null 2>&1 ||
        true
}

stop() {
    local dir=$1
    [[ -d "$dir" ]] || return 0
    dir=$(cd "$dir" && pwd)
    exec 9>"$dir/.lock"
    flock 9
    stop_running "$(place_of "$dir")"
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

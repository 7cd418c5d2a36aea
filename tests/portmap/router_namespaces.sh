#!/usr/bin/env bash
# A home router made of three network namespaces, for trying port mapping
# against Debian's miniupnpd (nftables build):
#
#   home   10.26.0.2/24 and 2001:db8:26::2/64, default route via the router
#                                                             (the program)
#   router 10.26.0.1 inside, 5.26.0.1/24 outside, NAT, miniupnpd
#   wan    5.26.0.2/24, knows nothing of the home side        (players outside)
#
# The router forwards nothing from outside unless a mapping allows it, so a
# player outside who reaches the home side proves the mapping.
#
#   router_namespaces.sh up [both|upnp|natpmp]   build it (by hand: then "exec")
#   router_namespaces.sh exec home|router|wan CMD...
#   router_namespaces.sh down                    remove it all
#   router_namespaces.sh test DRIVER TAVERNIX    what the test suite runs
#   router_namespaces.sh test-server SERVER      the same for tavernix-server
#
# Names carry a tag (TVX_NS_TAG, by default taken from the current folder) so
# two build folders do not share namespaces; leftovers of a killed run with
# the same tag are removed first. Needs root; without namespaces "test" says
# "SKIPPED: no network namespaces" and passes.
set -uo pipefail

TAG=${TVX_NS_TAG:-$(pwd | cksum | cut -c1-6)}
HOME_NS=tvx${TAG}h
ROUTER_NS=tvx${TAG}r
WAN_NS=tvx${TAG}w
STATE=${TMPDIR:-/tmp}/tvx-router-$TAG
EXTERNAL=5.26.0.1

in_ns() { local ns=$1; shift; ip netns exec "$ns" "$@"; }

down() {
    if [ -f "$STATE/daemon.pid" ]; then
        kill "$(cat "$STATE/daemon.pid")" 2>/dev/null
        sleep 0.2
    fi
    for ns in "$HOME_NS" "$ROUTER_NS" "$WAN_NS"; do
        # Whatever still runs in there (a daemon of a killed run) goes first.
        for pid in $(ip netns pids "$ns" 2>/dev/null); do kill "$pid" 2>/dev/null; done
        ip netns del "$ns" 2>/dev/null
    done
    rm -rf "$STATE"
    return 0
}

start_daemon() { # both|upnp|natpmp
    local upnp=yes natpmp=yes
    [ "$1" = natpmp ] && upnp=no
    [ "$1" = upnp ] && natpmp=no
    cat > "$STATE/miniupnpd.conf" <<CONF
ext_ifname=rw
listening_ip=rh
http_port=5555
enable_upnp=$upnp
enable_natpmp=$natpmp
secure_mode=yes
system_uptime=yes
lease_file=$STATE/leases
uuid=3d3cec3a-8cf0-11e0-98ee-001a6bd2d0c6
allow 1024-65535 10.26.0.0/24 1024-65535
deny 0-65535 0.0.0.0/0 0-65535
CONF
    : > "$STATE/miniupnpd.log"
    # Not through in_ns: a function run in the background is a subshell,
    # and $! would name it rather than the daemon.
    ip netns exec "$ROUTER_NS" miniupnpd -d -f "$STATE/miniupnpd.conf" -P "$STATE/miniupnpd.pid" \
        >> "$STATE/miniupnpd.log" 2>&1 &
    echo $! > "$STATE/daemon.pid"
    local ready="Listening for NAT-PMP"
    [ "$natpmp" = no ] && ready="HTTP listening on port"
    for _ in $(seq 50); do
        grep -q "$ready" "$STATE/miniupnpd.log" && return 0
        sleep 0.1
    done
    echo "miniupnpd did not start:"; cat "$STATE/miniupnpd.log"
    return 1
}

stop_daemon() {
    if [ -f "$STATE/daemon.pid" ]; then
        local pid
        pid=$(cat "$STATE/daemon.pid")
        kill "$pid" 2>/dev/null
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
    fi
    rm -f "$STATE/daemon.pid" "$STATE/miniupnpd.pid"
    # A daemon that ends removes its rules; a fresh one starts from none.
    in_ns "$ROUTER_NS" nft flush chain inet filter prerouting_miniupnpd 2>/dev/null
    in_ns "$ROUTER_NS" nft flush chain inet filter postrouting_miniupnpd 2>/dev/null
    in_ns "$ROUTER_NS" nft flush chain inet filter miniupnpd 2>/dev/null
    rm -f "$STATE/leases"
}

up() {
    down
    mkdir -p "$STATE" || return 1
    ip netns add "$HOME_NS" && ip netns add "$ROUTER_NS" && ip netns add "$WAN_NS" || return 1
    for ns in "$HOME_NS" "$ROUTER_NS" "$WAN_NS"; do in_ns "$ns" ip link set lo up; done
    # Both ends of each cable are made inside the namespaces, so no name is
    # ever taken in the machine's own namespace.
    ip -n "$ROUTER_NS" link add rh type veth peer name eth0 netns "$HOME_NS" || return 1
    ip -n "$ROUTER_NS" link add rw type veth peer name eth0 netns "$WAN_NS" || return 1
    ip -n "$HOME_NS" addr add 10.26.0.2/24 dev eth0
    ip -n "$HOME_NS" link set eth0 up
    ip -n "$HOME_NS" route add default via 10.26.0.1
    # A global IPv6 address, which the invitations must offer.
    ip -n "$HOME_NS" addr add 2001:db8:26::2/64 dev eth0 nodad 2>/dev/null
    ip -n "$ROUTER_NS" addr add 10.26.0.1/24 dev rh
    ip -n "$ROUTER_NS" addr add $EXTERNAL/24 dev rw
    ip -n "$ROUTER_NS" link set rh up
    ip -n "$ROUTER_NS" link set rw up
    ip -n "$WAN_NS" addr add 5.26.0.2/24 dev eth0
    ip -n "$WAN_NS" link set eth0 up
    in_ns "$ROUTER_NS" sysctl -qw net.ipv4.ip_forward=1
    # miniupnpd's nftables build adds its rules to these chains; it does not
    # make them itself.
    in_ns "$ROUTER_NS" nft -f - <<'NFT' || return 1
table inet filter {
    chain miniupnpd { }
    chain prerouting_miniupnpd { }
    chain postrouting_miniupnpd { }
    chain forward {
        type filter hook forward priority 0; policy drop;
        ct state established,related accept
        iifname "rh" accept
        jump miniupnpd
    }
    chain prerouting {
        type nat hook prerouting priority -100; policy accept;
        jump prerouting_miniupnpd
    }
    chain postrouting {
        type nat hook postrouting priority 100; policy accept;
        jump postrouting_miniupnpd
        oifname "rw" masquerade
    }
}
NFT
    start_daemon "${1:-both}"
}

# The program runs under "ip netns exec" and "unshare --fork", each of which
# may be a process of its own: the one to signal is the descendant named
# tavernix (unshare does not pass signals on).
program_pid() {
    local found=""
    for _ in $(seq 50); do
        local parents="$1"
        for _ in 1 2; do parents="$parents,$(pgrep -d, -P "$parents")"; done
        found=$(pgrep -x tavernix -P "$parents" | head -n1)
        [ -n "$found" ] && break
        sleep 0.1
    done
    echo "${found:-$1}"
}

wait_gone() {
    for _ in $(seq 100); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

skip() { echo "SKIPPED: no network namespaces ($1)"; down; exit 0; }

# Skips without root or the tools, then builds the router (removed at exit).
prepare() {
    [ "$(id -u)" -eq 0 ] || skip "not root"
    command -v miniupnpd >/dev/null && command -v nft >/dev/null || skip "miniupnpd or nft missing"
    ip netns add "tvx${TAG}probe" 2>/dev/null || skip "ip netns add refused"
    ip netns del "tvx${TAG}probe"
    trap down EXIT
    up both || { echo "FAIL: the router could not be built"; exit 1; }
}

# True once the router forwards outside port $1 (waits up to 10 s).
forwarded() {
    for _ in $(seq 100); do
        in_ns "$ROUTER_NS" nft list chain inet filter prerouting_miniupnpd | grep -q "dport $1 " &&
            return 0
        sleep 0.1
    done
    return 1
}

# How many requests the router has logged so far.
router_requests() { grep -c -i -E "M-SEARCH|NAT-PMP|HTTP REQUEST|SOAPAction" "$STATE/miniupnpd.log"; }

FAILURES=0
# Runs CMD...: says "ok: WHAT" when it succeeds, else "FAIL: WHAT" and counts it.
check() {
    local what=$1; shift
    if "$@"; then echo "ok: $what"; return 0; fi
    echo "FAIL: $what"; FAILURES=$((FAILURES + 1)); return 1
}

# Starts CMD... in the home namespace, its output in LOG, and prints the pid
# to signal ("ip netns exec" becomes the program; "unshare --fork" does not).
start_home() {
    local log=$1; shift
    ip netns exec "$HOME_NS" "$@" > "$log" 2>&1 &
    if [ "$1" = unshare ]; then program_pid $!; else echo $!; fi
}

# SIGTERM to PID ends it within S seconds, and the router forwards none of
# the ports PORTS (an extended regular expression) afterwards.
ends_unmapped() { # PID S PORTS
    local t0=$SECONDS
    kill -TERM "$1" && wait_gone "$1" && [ $((SECONDS - t0)) -le "$2" ] &&
        ! in_ns "$ROUTER_NS" nft list chain inet filter prerouting_miniupnpd | grep -q -E "dport ($3) "
}

# Hosting with --no-port-mapping on PORT: three seconds later the program
# still runs, the router has heard nothing and the port is closed from outside.
asks_nothing() { # PORT LOG CMD...
    local port=$1 log=$2 before pid ok=yes; shift 2
    before=$(router_requests)
    pid=$(start_home "$log" "$@")
    sleep 3
    kill -TERM "$pid" || { cat "$log"; return 1; }
    wait_gone "$pid"
    in_ns "$WAN_NS" timeout 3 bash -c "exec 3<>/dev/tcp/$EXTERNAL/$port" 2>/dev/null && ok=no
    [ "$before" = "$(router_requests)" ] && [ $ok = yes ]
}

run_test() {
    local driver=$1 tavernix=$2
    prepare
    local common=(--router "$ROUTER_NS" --wan "$WAN_NS" --external $EXTERNAL
        --lease-file "$STATE/leases" --ipv6 2001:db8:26::2)
    export XDG_RUNTIME_DIR=$STATE/run XDG_CONFIG_HOME=$STATE/config
    export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

    echo "== UPnP and NAT-PMP"
    check "the driver's run" in_ns "$HOME_NS" "$driver" host "${common[@]}" --lease 4
    for only in upnp natpmp; do
        echo "== $only only"
        stop_daemon; check "miniupnpd ($only)" start_daemon $only
        local skip=(); [ $only = upnp ] && skip=(--skip-file)
        check "the driver's run" in_ns "$HOME_NS" "$driver" host "${common[@]}" --lease 4 "${skip[@]}"
    done

    echo "== the program itself: SIGTERM removes its forwardings; --no-port-mapping asks nothing"
    stop_daemon; check "miniupnpd" start_daemon both
    # A process namespace of its own, so copies run by others on this machine
    # do not count as a second copy.
    local own=(unshare --pid --fork --mount-proc "$tavernix" --name Brom --host)
    local pid
    pid=$(start_home "$STATE/program.log" "${own[@]}" --port 2601)
    check "the program's forwarding of 2601 is there" forwarded 2601 || cat "$STATE/program.log"
    check "SIGTERM removed the program's forwardings" ends_unmapped "$pid" 10 "2601|2543"
    check "with --no-port-mapping the router heard nothing" \
        asks_nothing 2602 "$STATE/program2.log" "${own[@]}" --port 2602 --no-port-mapping

    echo "== no router answers"
    stop_daemon
    check "the driver's run" in_ns "$HOME_NS" "$driver" nogateway

    echo "failures: $FAILURES"
    [ $FAILURES -eq 0 ]
}

# A player outside, in plain text and without the invitation, is refused
# at the router's outside port $1 and told why.
refused_from_outside() {
    local answer
    answer=$(in_ns "$WAN_NS" timeout 10 bash -c 'exec 3<>/dev/tcp/'$EXTERNAL'/'$1' &&
        printf "[Connessione]Ada\r\n" >&3 && grep -a -m1 -o "Rename di Connessione\]Ada\|non ti ha fatto entrare" <&3')
    [ "$answer" = "non ti ha fatto entrare" ]
}

# A player outside with the invitation $2 joins through port $1, as a
# foreign program would: OpenSSL's own client, the certificate checked
# against the link's fingerprint, the key given inside TLS.
joins_from_outside() {
    local fp key seen answer
    fp=$(sed -n 's/.*[?&]fp=\([A-Za-z0-9_-]*\).*/\1/p' <<<"$2")
    key=$(sed -n 's/.*[?&]k=\([A-Za-z0-9_-]*\).*/\1/p' <<<"$2")
    seen=$(in_ns "$WAN_NS" timeout 10 openssl s_client -connect "$EXTERNAL:$1" -tls1_3 </dev/null 2>/dev/null |
        openssl x509 -outform DER | openssl dgst -sha256 -binary | base64 | tr '+/' '-_' | tr -d '=')
    [ -n "$fp" ] && [ "$seen" = "$fp" ] || { echo "fingerprint: link $fp, host $seen"; return 1; }
    answer=$(in_ns "$WAN_NS" timeout 10 bash -c '{ printf "[Tavernix]1\r\n[Tavernix Accesso]k'"$key"'\r\n[Connessione]Ada\r\n"; sleep 3; } |
        openssl s_client -connect '"$EXTERNAL:$1"' -tls1_3 -quiet 2>/dev/null | grep -a -m1 -o "Rename di Connessione\]Ada"')
    [ "$answer" = "Rename di Connessione]Ada" ]
}

# True once file $2 holds text $1 (waits up to 5 s).
logged() {
    for _ in $(seq 50); do grep -q "$1" "$2" && return 0; sleep 0.1; done
    return 1
}

# tavernix-server behind the router: the forwarding is made, a player
# outside joins through it, SIGTERM removes it, --no-port-mapping asks nothing.
run_server_test() {
    local server=$1 log=$STATE/server.log pid
    prepare
    pid=$(start_home "$log" "$server" --port 2603 --state-dir "$STATE/server")
    check "the server's forwarding of 2603 is there" forwarded 2603 || cat "$log"
    check "the log gives the invitation" logged "invito: tavernix://$EXTERNAL:2603/?fp=" "$log" || cat "$log"
    local link
    link=$("$server" ctl --state-dir "$STATE/server" invite)
    check "a player outside without the invitation is refused" refused_from_outside 2603
    check "a player outside with the invitation joined through it" joins_from_outside 2603 "$link"
    check "SIGTERM ended the server within 2 s and removed the forwarding" ends_unmapped "$pid" 2 2603
    check "with --no-port-mapping the router heard nothing" \
        asks_nothing 2604 "$STATE/server2.log" "$server" --port 2604 --state-dir "$STATE/server2" \
        --no-port-mapping
    check "the server hosted on 2604 meanwhile" logged "in attesa sulla porta 2604" "$STATE/server2.log"

    echo "failures: $FAILURES"
    [ $FAILURES -eq 0 ]
}

case "${1:-}" in
up) up "${2:-both}" && echo "tag $TAG: namespaces $HOME_NS $ROUTER_NS $WAN_NS, outside address $EXTERNAL, state in $STATE" ;;
down) down ;;
exec) shift; ns=$1; shift
    case $ns in home) ns=$HOME_NS ;; router) ns=$ROUTER_NS ;; wan) ns=$WAN_NS ;; esac
    in_ns "$ns" "$@" ;;
test) shift; run_test "$@" ;;
test-server) shift; run_server_test "$@" ;;
*) sed -n '2,20p' "$0"; exit 2 ;;
esac

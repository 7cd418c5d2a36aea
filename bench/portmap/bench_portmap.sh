#!/usr/bin/env bash
# Port mapping as a user meets it, behind miniupnpd in network namespaces
# (tests/portmap/router_namespaces.sh builds them; needs root):
#  - the time from "Host" to the forwarding reported by the program, median
#    of RUNS starts of the real program, with a router that speaks NAT-PMP and
#    UPnP, and with one that speaks UPnP only;
#  - bench_startup run on the home side, where the router answers, so the
#    window's start with port mapping on is timed against --no-port-mapping.
#
# Usage: bench/portmap/bench_portmap.sh BINDIR [RUNS]   (BINDIR: build-test/bin)
set -uo pipefail
BIN=$(cd "${1:?give the bin folder of a build}" && pwd)
RUNS=${2:-10}
NS=$(cd "$(dirname "$0")/../../tests/portmap" && pwd)/router_namespaces.sh
export TVX_NS_TAG=bench
STATE=${TMPDIR:-/tmp}/tvx-router-$TVX_NS_TAG
WORK=$(mktemp -d)
trap '"$NS" down; rm -rf "$WORK"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$WORK/run XDG_CONFIG_HOME=$WORK/config
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

summarise() { sort -n | awk '{a[NR]=$1} END {if (NR) printf "%.0f ms (best %.0f, worst %.0f, %d runs)", a[int((NR+1)/2)], a[1], a[NR], NR}'; }

host_to_mapping() { # router kind
    "$NS" up "$1" >/dev/null || { echo "the router could not be built"; exit 1; }
    for i in $(seq "$RUNS"); do
        # The program logs each change of its forwardings with the time since its start.
        QT_LOGGING_RULES="tavernix.portmap.info=true" QT_MESSAGE_PATTERN="%{time process} %{message}" \
            ip netns exec tvx${TVX_NS_TAG}h unshare --pid --fork --mount-proc \
            "$BIN/tavernix" --name Brom --port 2600 --host > "$WORK/run$i.log" 2>&1 &
        local launcher=$!
        for _ in $(seq 100); do
            grep -q "port 2600 .*State::\(Mapped\|Failed\)" "$WORK/run$i.log" 2>/dev/null && break
            sleep 0.1
        done
        local parents=$launcher
        for _ in 1 2; do parents="$parents,$(pgrep -d, -P "$parents")"; done
        kill -TERM "$(pgrep -x tavernix -P "$parents" | head -n1)" 2>/dev/null
        wait $launcher
        awk '/port 2600 .*State::Asking/ && !a {a=$1} /port 2600 .*State::Mapped/ && !m {m=$1}
             END {if (a != "" && m != "") printf "%.0f\n", (m - a) * 1000}' "$WORK/run$i.log"
    done | summarise
    echo
    "$NS" down
}

echo "Host to forwarding reported, router with NAT-PMP and UPnP: $(host_to_mapping both)"
echo "Host to forwarding reported, router with UPnP only:       $(host_to_mapping upnp)"
"$NS" up both >/dev/null
echo "Start to first painted window, on the home side of the router:"
ip netns exec tvx${TVX_NS_TAG}h env TVX_BIN="$BIN" "$BIN/bench_startup" "$RUNS"

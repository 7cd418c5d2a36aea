#!/usr/bin/env bash
# Runs tst_localaddress once per row, each in a network namespace holding
# only the addresses that row is about. Needs root; without namespaces it
# says "SKIPPED:" and passes.
set -euo pipefail
test_binary=$1
if ! unshare -n true 2>/dev/null; then
    echo "SKIPPED: no network namespaces"
    exit 0
fi
run() {
    local row=$1 setup=$2
    unshare -n sh -c "set -e; ip link set lo up; ip link add d0 type veth peer name d1; ip link set d1 up; ip link set d0 up; $setup
        TVX_LOCAL_ADDRESS_ROW=$row exec '$test_binary' announced:$row"
}
run both "ip addr add 10.9.8.7/24 dev d0; ip -6 addr add 2001:db8:9::7/64 dev d0 nodad;"
run v6only "ip -6 addr add 2001:db8:9::7/64 dev d0 nodad;"
run v6local "ip -6 addr add fd00:9::7/64 dev d0 nodad;"

#!/usr/bin/env python3
"""Relay throughput of tavernix-server beside the window's host and ngircd, in one run: one sender,
R receivers, M chat lines, closed loop in batches. Reuses the shared black-box harness (bench_relay.py
and tvx.py, found through TVX_SHARED_BENCH, by default ../shared/bench beside the repository) and adds
the server to it. Prints lines/s per receiver, each server's RSS, and the ratios.
usage: TVX_BUILD=build-test bench_server_relay.py [--receivers R] [--lines M] [--only NAME[,NAME]]
NAME: ngircd, tavernix (the window's host), server (tavernix-server). Needs root (unshare) for the window."""
import os, sys, glob, time, tempfile, subprocess, argparse, signal

HERE = os.path.dirname(os.path.realpath(__file__))
SHARED = os.environ.get("TVX_SHARED_BENCH",
                        os.path.join(HERE, "..", "..", "..", "shared", "bench"))
sys.path.insert(0, os.path.realpath(SHARED))
import tvx            # noqa: E402
import bench_relay    # noqa: E402


def server_binary():
    cands = [p for p in glob.glob(tvx.BUILD + "/**/tavernix-server", recursive=True)
             if os.path.isfile(p) and os.access(p, os.X_OK)]
    if not cands:
        raise SystemExit("no built tavernix-server under " + tvx.BUILD + " (set TVX_BUILD)")
    return sorted(cands, key=len)[0]


def run_server(R, M):
    """The same load as bench_relay's run_tavernix, through tavernix-server."""
    port = tvx.free_port()
    state = tempfile.mkdtemp(prefix="tvx-server-")
    log = open(os.path.join(state, "server.log"), "wb")
    p = subprocess.Popen([server_binary(), "--port", str(port), "--state-dir", state, "--no-port-mapping"],
                         stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
    try:
        first = tvx.wait_port(port, 10)
        if not first:
            raise SystemExit("tavernix-server never listened")
        clients = [tvx.Raw(port, sock=first)] + [tvx.Raw(port) for _ in range(R)]
        for i, c in enumerate(clients):
            c.send(f"[Connessione]P{i}", "[Aggiorna Listato InviaFile]")
        time.sleep(1.0 + 0.02 * R)
        for c in clients:
            c.lines(wait=0.2)
        sender, receivers = clients[0], clients[1:]
        lines = [b"[Messaggio]" + f"P0: {i:08d} {bench_relay.PAYLOAD}".encode() + b"\r\n" for i in range(M)]
        got, dt = bench_relay.closed_loop(sender.s, [r.s for r in receivers], lines, b"[Messaggio]",
                                          bench_relay.BATCH)
        return got, dt, tvx.rss_kb(p.pid)
    finally:
        p.send_signal(signal.SIGKILL)
        p.wait()


if __name__ == "__main__":
    ap = argparse.ArgumentParser()
    ap.add_argument("--receivers", type=int, default=20)
    ap.add_argument("--lines", type=int, default=100000)
    ap.add_argument("--batch", type=int, default=200)
    ap.add_argument("--only")
    a = ap.parse_args()
    bench_relay.BATCH = a.batch
    only = set(a.only.split(",")) if a.only else None
    runners = [("ngircd", bench_relay.run_ngircd), ("tavernix", bench_relay.run_tavernix), ("server", run_server)]
    res = {}
    for name, fn in runners:
        if only and name not in only:
            continue
        got, dt, rss = fn(a.receivers, a.lines)
        rate = got / dt if dt > 0 else 0
        res[name] = rate
        print(f"{name}: {got}/{a.lines} lines at each of {a.receivers} receivers in {dt:.2f}s = "
              f"{rate:,.0f} lines/s per receiver; server RSS {rss} kB", flush=True)
    for a_, b_ in (("server", "tavernix"), ("server", "ngircd"), ("tavernix", "ngircd")):
        if a_ in res and b_ in res and res[b_] > 0:
            print(f"ratio {a_}/{b_} = {res[a_] / res[b_]:.2f}")

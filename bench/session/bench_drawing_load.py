#!/usr/bin/env python3
"""Drawing under load: C raw clients each send S "[Linea]" segments per second for D seconds to a real host
process (the built program, offscreen, in its own PID namespace, so this needs root for unshare). Every
segment must reach every other client, in each sender's order; the host draws each one on its board.
Prints what each receiver got, the latency of the last segment, and the host's CPU time and RSS.

usage: TVX_BUILD=build-test bench_drawing_load.py [--clients 10] [--rate 200] [--seconds 30]"""
import argparse, glob, os, selectors, signal, socket, subprocess, tempfile, time

def binary(build):
    c = [p for p in glob.glob(build + "/**/tavernix", recursive=True) if os.path.isfile(p) and os.access(p, os.X_OK)]
    if not c: raise SystemExit("no built tavernix under " + build + " (set TVX_BUILD)")
    return sorted(c, key=len)[0]

def free_port():
    s = socket.socket(); s.bind(("127.0.0.1", 0)); p = s.getsockname()[1]; s.close(); return p

def field(v):
    return f"-{-v:09d}" if v < 0 else f"{v:010d}"

def segment(sender, seq):
    # x1 carries the sequence number and y1 the sender, so receivers can check order
    x1, y1 = seq % 100000, sender
    return ("[Linea]" + field(x1) + field(y1) + field(x1 + 3) + field(y1 + 2) + field(255) + field(1) + field(3) + "\r\n").encode()

def cpu_seconds(pid):
    f = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(f[11]) + int(f[12])) / os.sysconf("SC_CLK_TCK")

def rss_kb(pid):
    for l in open(f"/proc/{pid}/status"):
        if l.startswith("VmRSS:"): return int(l.split()[1])
    return -1

def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--clients", type=int, default=10); ap.add_argument("--rate", type=int, default=200)
    ap.add_argument("--seconds", type=float, default=30)
    a = ap.parse_args()
    build = os.environ.get("TVX_BUILD", "build-test")
    home = tempfile.mkdtemp(prefix="tvx-draw-")
    for d in ("cfg", "run", "data"): os.makedirs(os.path.join(home, d), exist_ok=True)
    os.chmod(os.path.join(home, "run"), 0o700)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=home, XDG_CONFIG_HOME=home + "/cfg",
               XDG_RUNTIME_DIR=home + "/run", XDG_DATA_HOME=home + "/data")
    port = free_port()
    log = open(os.path.join(home, "app.log"), "wb")
    p = subprocess.Popen(["unshare", "-p", "-f", "--mount-proc", binary(build), "--name", "GM", "--port", str(port), "--host"],
                         env=env, stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
    try:
        socks = []
        end = time.time() + 10
        while not socks and time.time() < end:
            try: socks.append(socket.create_connection(("127.0.0.1", port), timeout=0.5))
            except OSError: time.sleep(0.1)
        if not socks: raise SystemExit("host never listened")
        pid = int(subprocess.run(["pgrep", "-P", str(p.pid)], capture_output=True, text=True).stdout.split()[0])
        socks += [socket.create_connection(("127.0.0.1", port)) for _ in range(a.clients - 1)]
        for i, s in enumerate(socks):
            s.sendall(f"[Connessione]P{i}\r\n[Aggiorna Listato InviaFile]\r\n".encode())
        time.sleep(1.0 + 0.05 * a.clients)
        sel = selectors.DefaultSelector()
        tails, got, bad = {}, {}, {}
        for i, s in enumerate(socks):
            s.setblocking(False); sel.register(s, selectors.EVENT_READ, i)
            tails[i] = b""; got[i] = {j: 0 for j in range(a.clients) if j != i}; bad[i] = 0
        def drain(timeout):
            for key, _ in sel.select(timeout):
                i = key.data
                try: data = key.fileobj.recv(1 << 20)
                except BlockingIOError: continue
                if not data: continue
                lines = (tails[i] + data).split(b"\r\n"); tails[i] = lines.pop()
                for l in lines:
                    if not l.startswith(b"[Linea]"): continue
                    seq, sender = int(l[7:17]), int(l[17:27])
                    if sender not in got[i]: continue
                    if seq != got[i][sender] % 100000: bad[i] += 1
                    got[i][sender] += 1
        drain(0.5)
        for i in got:  # forget anything from the join
            for j in got[i]: got[i][j] = 0
            bad[i] = 0
        cpu0 = cpu_seconds(pid); t0 = time.time()
        tick = 0.05; per_tick = a.rate * tick; sent = [0] * a.clients; owed = 0.0
        while time.time() - t0 < a.seconds:
            owed += per_tick
            n = int(owed); owed -= n
            for i, s in enumerate(socks):
                s.setblocking(True)
                s.sendall(b"".join(segment(i, sent[i] + k) for k in range(n)))
                s.setblocking(False)
                sent[i] += n
            next_at = t0 + tick * (round((time.time() - t0) / tick) + 1)
            while time.time() < next_at:
                drain(max(0, next_at - time.time()))
        t_sent = time.time()
        want = {i: sum(sent[j] for j in got[i]) for i in got}
        while any(sum(got[i].values()) < want[i] for i in got) and time.time() - t_sent < 60:
            drain(0.1)
        t_done = time.time()
        cpu = cpu_seconds(pid) - cpu0
        wall = t_done - t0
        total_recv = sum(sum(g.values()) for g in got.values())
        print(f"clients {a.clients}, {a.rate} segments/s each for {a.seconds:.0f} s: {sum(sent)} segments sent, "
              f"{total_recv} of {sum(want.values())} deliveries to the other clients, {sum(bad.values())} out of order")
        print(f"last delivery {1000 * (t_done - t_sent):.0f} ms after the last send")
        print(f"host CPU {cpu:.2f} s over {wall:.1f} s = {100 * cpu / wall:.0f}% of one core; host RSS {rss_kb(pid)} kB")
    finally:
        try: os.killpg(p.pid, signal.SIGKILL)
        except ProcessLookupError: pass
        p.wait(5)

if __name__ == "__main__":
    main()

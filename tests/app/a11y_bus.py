#!/usr/bin/env python3
# The main window through the real accessibility bus, run by CMake under
# xvfb-run and dbus-run-session: its controls by name, and a received line
# as an item of the pane. Prints "SKIPPED: ..." where these cannot start.
import os, shutil, socket, subprocess, sys, tempfile, time

def skip(why):
    sys.exit(print("SKIPPED: " + why))

try:
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi
except Exception as e:
    skip("the Python accessibility bindings cannot load: %s" % e)
launcher = "/usr/libexec/at-spi-bus-launcher"
if not os.path.exists(launcher):
    skip("at-spi2-core is not installed")
bus = subprocess.Popen([launcher, "--launch-immediately"], stderr=subprocess.DEVNULL)
time.sleep(1)
home = tempfile.mkdtemp(prefix="tavernix-a11y-")
with socket.socket() as s:
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", XDG_CONFIG_HOME=home,
           XDG_DATA_HOME=home, XDG_RUNTIME_DIR=home, HOME=home, QT_QPA_PLATFORM="xcb")
# One copy of the program per user: in a process namespace of its own it
# does not see a copy someone else runs on this machine.
command = [sys.argv[1], "--name", "Oste", "--host", "--port", str(port), "--no-port-mapping"]
own = ["unshare", "--pid", "--fork", "--mount-proc"]
if shutil.which("unshare") and subprocess.call(own + ["true"], stderr=subprocess.DEVNULL) == 0:
    command = own + command
app = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)

def find(node, test, depth=0):
    try:
        if node is None or depth > 30 or test(node):
            return node
        return next(filter(None, (find(node.get_child_at_index(i), test, depth + 1)
                                  for i in range(node.get_child_count()))), None)
    except Exception:
        return None

def wait_for(what, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline and app.poll() is None:
        found = what()
        if found:
            return found
        time.sleep(0.2)

failures = []
try:
    root = wait_for(lambda: find(Atspi.get_desktop(0),
                                 lambda n: (n.get_name() or "").lower() == "tavernix"), 20)
    if root is None:
        skip("the program did not appear on the accessibility bus: %s"
             % (app.stderr.read().strip() if app.poll() is not None else "no answer"))
    named = lambda name: find(root, lambda n: n.get_name() == name)
    failures += ["no control named %r" % n for n in ("Nome", "Messaggio", "Invia", "Personaggi",
                 "Casella di dialogo", "Cerca nel dialogo", "Pulisci la lavagna") if not named(n)]
    # Another player joins and says something.
    with socket.create_connection(("127.0.0.1", port), timeout=10) as peer:
        peer.sendall("[Connessione]Brom\r\n".encode())
        time.sleep(0.5)
        peer.sendall("[Messaggio]Brom: una riga per chi ascolta\r\n".encode())
        item = wait_for(lambda: find(named("Casella di dialogo"), lambda n: n.get_role() ==
                        Atspi.Role.LIST_ITEM and "per chi ascolta" in (n.get_name() or "")), 10)
        if not item or "Brom" not in item.get_description():
            failures.append("the received line is no item saying its speaker: %r"
                            % (item and (item.get_name(), item.get_description())))
finally:
    app.terminate()
    try:
        app.wait(10)
    except subprocess.TimeoutExpired:
        app.kill()
    bus.terminate()
    shutil.rmtree(home, ignore_errors=True)
for f in failures:
    print("FAIL: " + f)
sys.exit(1 if failures else 0)

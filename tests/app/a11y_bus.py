#!/usr/bin/env python3
# The main window through the real accessibility bus, on a private X server
# and D-Bus session: its controls by name, and a received line as an item of
# the pane. Prints "SKIPPED: ..." where these cannot start.
import os, shutil, socket, subprocess, sys, tempfile, time

def skip(why):
    print("SKIPPED: " + why)
    sys.exit(0)

program = sys.argv[1]

if "--inside" not in sys.argv:
    for tool in ("Xvfb", "dbus-run-session"):
        if not shutil.which(tool):
            skip(tool + " is not installed")
    launcher = "/usr/libexec/at-spi-bus-launcher"
    if not os.path.exists(launcher):
        skip("at-spi2-core is not installed")
    try:
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi  # noqa: F401
    except Exception as e:
        skip("the Python accessibility bindings cannot load: %s" % e)
    # A display number of our own: the first one no X server holds.
    display = next(n for n in range(140, 240) if not os.path.exists("/tmp/.X11-unix/X%d" % n))
    xvfb = subprocess.Popen(["Xvfb", ":%d" % display, "-screen", "0", "1280x900x24"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        for _ in range(50):
            if not os.path.exists("/tmp/.X11-unix/X%d" % display):
                time.sleep(0.1)
        if not os.path.exists("/tmp/.X11-unix/X%d" % display):
            skip("Xvfb did not start")
        env = dict(os.environ, DISPLAY=":%d" % display)
        env.pop("QT_QPA_PLATFORM", None)
        inner = "%s --launch-immediately >/dev/null 2>&1 & sleep 1; exec %s %s %s --inside" % (
            launcher, sys.executable, os.path.abspath(__file__), program)
        sys.exit(subprocess.call(["dbus-run-session", "--", "sh", "-c", inner], env=env))
    finally:
        xvfb.terminate()
        xvfb.wait()

# Inside the private session.
import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi

home = tempfile.mkdtemp(prefix="tavernix-a11y-")
with socket.socket() as s:
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", XDG_CONFIG_HOME=home,
           XDG_DATA_HOME=home, XDG_RUNTIME_DIR=home, HOME=home, QT_QPA_PLATFORM="xcb")
# One copy of the program per user: in a process namespace of its own it
# does not see a copy someone else runs on this machine.
command = [program, "--name", "Oste", "--host", "--port", str(port), "--no-port-mapping"]
if shutil.which("unshare") and subprocess.call(["unshare", "--pid", "--fork", "--mount-proc", "true"],
                                                stderr=subprocess.DEVNULL) == 0:
    command = ["unshare", "--pid", "--fork", "--mount-proc"] + command
app = subprocess.Popen(command, env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)

def find(node, test, depth=0):
    if node is None or depth > 30:
        return None
    try:
        if test(node):
            return node
        for i in range(node.get_child_count()):
            found = find(node.get_child_at_index(i), test, depth + 1)
            if found:
                return found
    except Exception:
        pass
    return None

def window():
    desktop = Atspi.get_desktop(0)
    apps = [desktop.get_child_at_index(i) for i in range(desktop.get_child_count())]
    return next((a for a in apps if a and a.get_name().lower() == "tavernix"), None)

failures = []
try:
    deadline = time.time() + 20
    root = None
    while time.time() < deadline and root is None and app.poll() is None:
        root = window()
        time.sleep(0.3)
    if app.poll() is not None:
        # One copy per user: another one running on this machine stops it.
        skip("the program did not start: %s" % app.stderr.read().strip())
    if root is None:
        skip("the program did not appear on the accessibility bus")
    by_name = lambda name: find(root, lambda n: n.get_name() == name)
    for name in ("Nome", "Messaggio", "Invia", "Casella di dialogo", "Personaggi",
                 "Cerca nel dialogo", "Pulisci la lavagna"):
        if by_name(name) is None:
            failures.append("no control named %r" % name)


    # Qt names a list box by the entry shown ("Nero"): what it is for is
    # its description.
    if find(root, lambda n: n.get_role() == Atspi.Role.COMBO_BOX
            and n.get_description() == "Il colore con cui si disegna") is None:
        failures.append("no colour list described as such")

    # Another player joins and says something.
    with socket.create_connection(("127.0.0.1", port), timeout=10) as peer:
        peer.sendall("[Connessione]Brom\r\n".encode())
        time.sleep(0.5)
        peer.sendall("[Messaggio]Brom: una riga per chi ascolta\r\n".encode())
        pane = by_name("Casella di dialogo")
        item = None
        deadline = time.time() + 10
        while pane is not None and item is None and time.time() < deadline:
            item = find(pane, lambda n: n.get_role() == Atspi.Role.LIST_ITEM
                        and "una riga per chi ascolta" in (n.get_name() or ""))
            time.sleep(0.2)
        if item is None:
            failures.append("the received line is not an item of the pane")
        else:
            print("item: %r, %r" % (item.get_name(), item.get_description()))
            if "Brom" not in item.get_description():
                failures.append("the item does not say its speaker: %r" % item.get_description())
finally:
    app.terminate()
    try:
        app.wait(10)
    except subprocess.TimeoutExpired:
        app.kill()
    shutil.rmtree(home, ignore_errors=True)

for f in failures:
    print("FAIL: " + f)
print("%d passed, %d failed" % (0 if failures else 1, 1 if failures else 0))
sys.exit(1 if failures else 0)

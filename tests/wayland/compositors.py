"""Headless compositors for the end-to-end tests, started and ended by these helpers alone.

sway refuses to run as root, so it runs as `nobody` with a runtime directory of its own; root
clients may still use its sockets. Every wait has a deadline; every compositor is ended by its
own exit request and then, if need be, by its process id."""

import glob
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from harness import end_process, wait_until  # noqa: E402

NOBODY = 65534


def as_nobody(argv):
    return ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"] + argv


def x_display_of(pid):
    """The X display whose lock the compositor `pid` holds (its XWayland's), or None."""
    for lock in glob.glob("/tmp/.X*-lock"):
        try:
            with open(lock) as f:
                if int(f.read().strip(" \n\0") or "0") == pid:
                    return ":" + lock[len("/tmp/.X"):-len("-lock")]
        except (OSError, ValueError):
            pass
    return None


class Sway:
    """sway (1.7 or 1.10) on the headless backend with an empty configuration."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="tambrel-sway-")
        os.chmod(self.dir, 0o755)
        self.runtime = os.path.join(self.dir, "run")
        os.mkdir(self.runtime, 0o700)
        os.chown(self.runtime, NOBODY, NOBODY)
        config = os.path.join(self.dir, "config")
        open(config, "w").close()
        os.chmod(config, 0o644)
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, WLR_BACKENDS="headless",
                   WLR_LIBINPUT_NO_DEVICES="1", WLR_RENDERER="pixman")
        for name in ("WAYLAND_DISPLAY", "DISPLAY", "SWAYSOCK", "I3SOCK"):
            env.pop(name, None)
        self.log = os.path.join(self.dir, "sway.log")
        with open(self.log, "wb") as log:
            self.process = subprocess.Popen(as_nobody(["sway", "-c", config]), env=env,
                                            stdout=log, stderr=subprocess.STDOUT)
        try:
            self.socket = wait_until(self._ipc_socket, 20, "sway's IPC socket")
            wait_until(lambda: os.path.exists(os.path.join(self.runtime, "wayland-1")), 10,
                       "sway's Wayland socket")
            # XWayland starts on first use; sway holds its display's lock from the start.
            self.display = wait_until(self._x_display, 10, "sway's XWayland display")
            subprocess.run(as_nobody(["xhost", "+si:localuser:root"]), env=self.client_env(),
                           stdout=subprocess.DEVNULL, timeout=30, check=True)
        except BaseException:
            self.stop()
            raise

    def _ipc_socket(self):
        if self.process.poll() is not None:
            raise AssertionError("sway ended at start:\n" + self.output())
        found = glob.glob(os.path.join(self.runtime, "sway-ipc.*.sock"))
        return found[0] if found else None

    def _x_display(self):
        return x_display_of(self.process.pid)

    def output(self):
        with open(self.log, errors="replace") as f:
            return f.read()[-4000:]

    def client_env(self, base=None):
        env = dict(base or os.environ, XDG_RUNTIME_DIR=self.runtime, WAYLAND_DISPLAY="wayland-1",
                   SWAYSOCK=self.socket, DISPLAY=self.display)
        env.pop("QT_QPA_PLATFORM", None)
        env.pop("I3SOCK", None)
        return env

    def tree(self):
        out = subprocess.run(["swaymsg", "-s", self.socket, "-r", "-t", "get_tree"],
                             capture_output=True, text=True, timeout=10, check=True)
        return json.loads(out.stdout)

    def windows(self):
        """Every window as a dict of the tree's fields: id, name, shell, focused, sticky, type."""
        found = []

        def walk(node):
            children = node.get("nodes", []) + node.get("floating_nodes", [])
            if node.get("type") in ("con", "floating_con") and not children:
                found.append(node)
            for child in children:
                walk(child)

        walk(self.tree())
        return found

    def titled(self, title):
        """Windows titled exactly `title`: {title, pid, focused, above, xwayland, id}."""
        return [{"title": w.get("name"), "pid": w.get("pid"), "focused": w.get("focused"),
                 "above": w.get("sticky") and w.get("type") == "floating_con",
                 "xwayland": w.get("shell") == "xwayland", "id": w["id"]}
                for w in self.windows() if w.get("name") == title]

    def focus(self, window):
        subprocess.run(["swaymsg", "-s", self.socket, "[con_id=%d] focus" % window["id"]],
                       stdout=subprocess.DEVNULL, timeout=10, check=True)

    def stop(self):
        if self.process.poll() is None and getattr(self, "socket", None):
            subprocess.run(["swaymsg", "-s", self.socket, "exit"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=10)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        end_process(self.process)
        # A sway that had to be killed leaves its XWayland's lock and socket behind, owned by
        # nobody, and the next one would skip that display: this sway's are removed, no other's.
        display = x_display_of(self.process.pid)
        if display:
            for path in ("/tmp/.X%s-lock" % display[1:], "/tmp/.X11-unix/X" + display[1:]):
                try:
                    os.unlink(path)
                except OSError:
                    pass
        shutil.rmtree(self.dir, ignore_errors=True)


class KWin:
    """KWin (5.27 or 6) on its virtual backend with XWayland, on a session bus of its own. The installed
    binary carries a file capability this machine refuses; a copy under its own name runs."""

    # The windows are read by one script of the test's own, loaded once before any of the
    # program's, that prints them into KWin's log whenever they change. KWin 5.27 numbers a
    # loaded script by how many are loaded: a script loaded and unloaded beside the program's
    # could take the number of one of the program's, which then never runs.
    WATCHER = """
var last = "";
var timer = new QTimer();
timer.interval = 100;
timer.timeout.connect(function () {
  var six = typeof workspace.windowList === "function";  // KWin 6 renamed these two
  var list = six ? workspace.windowList() : workspace.clientList();
  var active = six ? workspace.activeWindow : workspace.activeClient;
  var out = [];
  for (var i = 0; i < list.length; ++i) {
    var c = list[i];
    if (c.popupWindow) continue;
    out.push({caption: c.caption, x11: c.windowId || 0, pid: c.pid, keepAbove: c.keepAbove,
              active: c === active});
  }
  var now = JSON.stringify(out);
  if (now !== last) {
    last = now;
    print("TAMBREL-WINDOWS " + now);
  }
});
timer.start();
"""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="tambrel-kwin-")
        self.runtime = os.path.join(self.dir, "run")
        os.mkdir(self.runtime, 0o700)
        binary = os.path.join(self.dir, "kwin_wayland")
        shutil.copy(shutil.which("kwin_wayland"), binary)
        self.bus_file = os.path.join(self.dir, "bus")
        self.pid_file = os.path.join(self.dir, "pid")
        self.log = os.path.join(self.dir, "kwin.log")
        self.read_to, self.listed = 0, None
        # KWin 6 logs a script's print() only with its scripting category's debug output on.
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime,
                   QT_LOGGING_RULES="kwin_scripting.debug=true")
        for name in ("WAYLAND_DISPLAY", "DISPLAY", "SWAYSOCK", "I3SOCK", "QT_QPA_PLATFORM",
                     "DBUS_SESSION_BUS_ADDRESS"):
            env.pop(name, None)
        script = ('echo "$DBUS_SESSION_BUS_ADDRESS" > "$1"; echo $$ > "$2"; exec "$3" --virtual '
                  '--xwayland --socket wayland-k --width 1280 --height 1024')
        with open(self.log, "wb") as log:
            self.process = subprocess.Popen(
                ["dbus-run-session", "--", "sh", "-c", script, "kwin", self.bus_file,
                 self.pid_file, binary], env=env, stdout=log, stderr=subprocess.STDOUT)
        try:
            self.pid = wait_until(self._kwin_pid, 20, "KWin to start")
            with open(self.bus_file) as f:
                self.bus = f.read().strip()
            wait_until(self._scripting_ready, 30, "KWin's scripting on the bus")
            watcher = os.path.join(self.dir, "watcher.js")
            with open(watcher, "w") as f:
                f.write(self.WATCHER)
            loaded = self._gdbus("-o", "/Scripting", "-m", "org.kde.kwin.Scripting.loadScript",
                                 watcher, "tambrel-test-watcher")
            number = loaded.stdout.strip("()\n ,")
            # KWin 5.27 puts the script at /<number>, KWin 6 at /Scripting/Script<number>.
            if self._gdbus("-o", "/" + number, "-m", "org.kde.kwin.Script.run").returncode:
                self._gdbus("-o", "/Scripting/Script" + number, "-m", "org.kde.kwin.Script.run")
            wait_until(lambda: self.windows() is not None, 20, "KWin to list its windows")
            self.display = wait_until(lambda: x_display_of(self.pid), 20, "KWin's XWayland")
        except BaseException:
            self.stop()
            raise

    def _kwin_pid(self):
        if self.process.poll() is not None:
            raise AssertionError("KWin ended at start:\n" + self.output())
        try:
            with open(self.pid_file) as f:
                return int(f.read().strip())
        except (OSError, ValueError):
            return None

    def _gdbus(self, *args):
        return subprocess.run(["gdbus", "call", "--session", "-d", "org.kde.KWin"] + list(args),
                              env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus),
                              capture_output=True, text=True, timeout=10)

    def _scripting_ready(self):
        return self._gdbus("-o", "/Scripting", "-m",
                           "org.kde.kwin.Scripting.isScriptLoaded", "none").returncode == 0

    def output(self):
        with open(self.log, errors="replace") as f:
            return f.read()[-4000:]

    def client_env(self, base=None):
        env = dict(base or os.environ, XDG_RUNTIME_DIR=self.runtime, WAYLAND_DISPLAY="wayland-k",
                   DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=self.bus)
        for name in ("QT_QPA_PLATFORM", "SWAYSOCK", "I3SOCK"):
            env.pop(name, None)
        return env

    def windows(self):
        """Every window KWin manages: caption, x11, pid, keepAbove, active, as the watcher last
        printed them (at most 0.1 s old); None before its first list."""
        with open(self.log, "rb") as f:
            f.seek(self.read_to)
            chunk = f.read()
        chunk = chunk[:chunk.rfind(b"\n") + 1]
        self.read_to += len(chunk)
        for line in reversed(chunk.decode(errors="replace").splitlines()):
            at = line.find("TAMBREL-WINDOWS ")
            if at >= 0:
                self.listed = json.loads(line[at + len("TAMBREL-WINDOWS "):])
                break
        return self.listed

    def titled(self, title):
        """Windows titled exactly `title`: {title, pid, focused, above, xwayland}."""
        return [{"title": w["caption"], "pid": w["pid"], "focused": w["active"],
                 "above": w["keepAbove"], "xwayland": w["x11"] != 0 or self._on_x(title)}
                for w in self.windows() if w["caption"] == title]

    def _on_x(self, title):
        """Whether XWayland has a window titled `title` (KWin 6 tells scripts no X11 ids)."""
        found = subprocess.run(["xdotool", "search", "--name", "^%s$" % re.escape(title)],
                               env=self.client_env(), capture_output=True, text=True,
                               timeout=10)
        return bool(found.stdout.split())

    def focus(self, window):
        """Activates the window as KRunner's window search does (KWin 5.27: no script, see
        WATCHER), else by a one-time script."""
        found = self._gdbus("-o", "/WindowsRunner", "-m", "org.kde.krunner1.Match",
                            window["title"]).stdout
        match = re.search(r"'(0_\{[^']*\})', '%s'" % re.escape(window["title"]), found)
        if match is not None:
            self._gdbus("-o", "/WindowsRunner", "-m", "org.kde.krunner1.Run", match.group(1), "")
            return
        # KWin 6 offers no window search on its own bus: a one-time script activates it.
        script = os.path.join(self.dir, "focus.js")
        with open(script, "w") as f:
            f.write("var l = workspace.windowList(); for (var i = 0; i < l.length; ++i) "
                    "if (l[i].caption === %s) workspace.activeWindow = l[i];"
                    % json.dumps(window["title"]))
        number = self._gdbus("-o", "/Scripting", "-m", "org.kde.kwin.Scripting.loadScript",
                             script, "tambrel-test-focus").stdout.strip("()\n ,")
        self._gdbus("-o", "/Scripting/Script" + number, "-m", "org.kde.kwin.Script.run")
        self._gdbus("-o", "/Scripting", "-m", "org.kde.kwin.Scripting.unloadScript",
                    "tambrel-test-focus")

    def stop(self):
        pid = getattr(self, "pid", None)
        if pid and self.process.poll() is None:
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            try:
                self.process.wait(timeout=15)
            except subprocess.TimeoutExpired:
                pass
        if self.process.poll() is None and pid:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        end_process(self.process)
        shutil.rmtree(self.dir, ignore_errors=True)

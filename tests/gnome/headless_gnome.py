"""GNOME Shell (43 to 49) without a screen, for the tests: its own session bus, a stand-in system bus (no
systemd here), a fresh runtime directory per start (the shell turns extensions off for a while
after a start that crashed), TAMBREL's extension in the user's extension folder, enabled through
a keyfile settings backend. Every process it starts leads a process group of its own, and stop()
ends those groups. Every wait has a deadline."""

import glob
import os
import shutil
import subprocess
import sys
import tempfile

from gi.repository import Gio, GLib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from harness import end_group, wait_until  # noqa: E402



def shell_version():
    """The installed shell's version ("48.2"), or "" without one."""
    if shutil.which("gnome-shell") is None:
        return ""
    out = subprocess.run(["gnome-shell", "--version"], capture_output=True, text=True,
                         timeout=60).stdout
    return out.split()[-1] if out.split() else ""


# The extension made for this shell: a script for 43 and 44, an ES module for 45 and later.
UUID = ("tambrel-shell45@meridox" if int((shell_version() or "0").split(".")[0]) >= 45
        else "tambrel@meridox")
BUS_NAME = "com.meridox.Tambrel"
OBJECT_PATH = "/com/meridox/Tambrel"
INTERFACE = "com.meridox.Tambrel.Windows"


class ShellDidNotStart(Exception):
    """The shell itself never came up: no fault of the extension's."""


class HeadlessGnome:
    def __init__(self, extension_dir):
        self.extension_dir = extension_dir
        self.root = None
        self.system_bus = None
        self.session_bus = None
        self.shell = None
        self.bus = None
        self.env = None

    # ---- start and stop ------------------------------------------------------------------------

    def start(self, attempts=2):
        """Starts the shell and waits until the extension answers; a shell that does not come up
        is started afresh once."""
        for attempt in range(attempts):
            try:
                self._start_once()
                return
            except ShellDidNotStart:
                log = self.shell_log()
                self.stop()
                if attempt == attempts - 1:
                    raise ShellDidNotStart("GNOME Shell did not start twice; its output:\n" + log)

    def _start_once(self):
        self.root = tempfile.mkdtemp(prefix="tambrel-gnome-")
        runtime = self._dir("run", mode=0o700)
        extensions = self._dir("data/gnome-shell/extensions")
        shutil.copytree(self.extension_dir, os.path.join(extensions, UUID))
        settings = self._dir("config/glib-2.0/settings")
        with open(os.path.join(settings, "keyfile"), "w") as f:
            f.write("[org/gnome/shell]\nenabled-extensions=['%s']\n"
                    "disable-user-extensions=false\n" % UUID)
        # Xwayland refuses a socket directory that is not world-writable and sticky (its usual
        # mode, which an X server started elsewhere may not have left it with).
        xdir = "/tmp/.X11-unix"
        if os.path.isdir(xdir) and os.stat(xdir).st_mode & 0o1777 != 0o1777:
            try:
                os.chmod(xdir, 0o1777)
            except OSError as e:
                raise ShellDidNotStart("Xwayland needs %s world-writable and sticky: %s"
                                       % (xdir, e))

        system_address = "unix:path=" + os.path.join(self.root, "system-bus")
        session_address = "unix:path=" + os.path.join(self.root, "session-bus")
        self.system_bus = self._spawn(["dbus-daemon", "--session", "--nofork",
                                       "--address=" + system_address], "system-bus.log")
        self.session_bus = self._spawn(["dbus-daemon", "--session", "--nofork",
                                        "--address=" + session_address], "session-bus.log")
        for name in ("system-bus", "session-bus"):
            wait_until(lambda: os.path.exists(os.path.join(self.root, name)), 20, name)

        env = {key: value for key, value in os.environ.items()
               if key not in ("DISPLAY", "XAUTHORITY", "WAYLAND_DISPLAY")}
        env.update(XDG_RUNTIME_DIR=runtime, XDG_DATA_HOME=os.path.join(self.root, "data"),
                   XDG_CONFIG_HOME=os.path.join(self.root, "config"), GSETTINGS_BACKEND="keyfile",
                   DBUS_SYSTEM_BUS_ADDRESS=system_address,
                   DBUS_SESSION_BUS_ADDRESS=session_address, WAYLAND_DISPLAY="wayland-tambrel")
        self.shell = self._spawn(["gnome-shell", "--headless", "--wayland", "--virtual-monitor",
                                  "1280x1024", "--wayland-display", "wayland-tambrel"],
                                 "shell.log", env)
        self.bus = Gio.DBusConnection.new_for_address_sync(
            session_address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
            | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)

        # The shell on the bus, then its X server, then the extension.
        self._wait_while_shell_runs(lambda: self.has_owner("org.gnome.Shell"), 60,
                                    "GNOME Shell on the session bus")
        display, auth = self._wait_while_shell_runs(self._xwayland, 30, "Xwayland")
        self.env = dict(env, DISPLAY=display, XAUTHORITY=auth, XDG_CURRENT_DESKTOP="GNOME")
        self._wait_while_shell_runs(lambda: self.has_owner(BUS_NAME), 30,
                                    "the extension's name %s on the bus" % BUS_NAME,
                                    fault_of_the_extension=True)

    def stop(self):
        self.bus = None
        for process in (self.shell, self.session_bus, self.system_bus):
            end_group(process)
        self.shell = self.session_bus = self.system_bus = None
        if self.root:
            shutil.rmtree(self.root, ignore_errors=True)
            self.root = None

    def shell_log(self):
        try:
            with open(os.path.join(self.root, "shell.log"), errors="replace") as f:
                return f.read()
        except (OSError, TypeError):
            return ""

    def _dir(self, relative, mode=0o755):
        path = os.path.join(self.root, relative)
        os.makedirs(path, mode=mode, exist_ok=True)
        os.chmod(path, mode)
        return path

    def _spawn(self, argv, log_name, env=None):
        with open(os.path.join(self.root, log_name), "wb") as log:
            return subprocess.Popen(argv, env=env, stdout=log, stderr=subprocess.STDOUT,
                                    stdin=subprocess.DEVNULL, start_new_session=True)

    def _wait_while_shell_runs(self, predicate, seconds, what, fault_of_the_extension=False):
        def ready():
            if self.shell.poll() is not None:
                raise ShellDidNotStart("GNOME Shell ended (status %s) before %s"
                                       % (self.shell.returncode, what))
            return predicate()
        try:
            return wait_until(ready, seconds, what)
        except AssertionError:
            if fault_of_the_extension:
                raise AssertionError("GNOME Shell runs but %s never came:\n%s"
                                     % (what, self.shell_log()))
            raise ShellDidNotStart("GNOME Shell did not bring up " + what)

    def _xwayland(self):
        """(DISPLAY, XAUTHORITY) of the shell's Xwayland once it runs, else None. GNOME 43 starts
        it with the shell; later shells may start it only when the first X client connects, having
        taken its display's lock and written its authority file beforehand."""
        for lock in glob.glob("/tmp/.X*-lock"):
            try:
                with open(lock) as f:
                    owner = int(f.read().strip(" \n\0") or "0")
            except (OSError, ValueError):
                continue
            auth = glob.glob(os.path.join(self.root, "run", ".mutter-Xwaylandauth.*"))
            if owner == self.shell.pid and auth:
                return ":" + lock[len("/tmp/.X"):-len("-lock")], auth[0]
        for status in glob.glob("/proc/[0-9]*/stat"):
            try:
                with open(status) as f:
                    fields = f.read().rsplit(")", 1)[1].split()
                if int(fields[1]) != self.shell.pid:
                    continue
                with open(status[:-len("stat")] + "cmdline", "rb") as f:
                    argv = f.read().decode(errors="replace").split("\0")
            except (OSError, IndexError, ValueError):
                continue
            if os.path.basename(argv[0]) == "Xwayland" and "-auth" in argv:
                return argv[1], argv[argv.index("-auth") + 1]
        return None

    # ---- the bus ---------------------------------------------------------------------------------

    def has_owner(self, name):
        reply = self.bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                   "org.freedesktop.DBus", "NameHasOwner",
                                   GLib.Variant("(s)", (name,)), GLib.VariantType("(b)"),
                                   Gio.DBusCallFlags.NONE, 5000, None)
        return reply.unpack()[0]

    def call(self, method, signature=None, *args):
        """Calls the extension; returns the unpacked answer."""
        parameters = GLib.Variant(signature, args) if signature else None
        reply = self.bus.call_sync(BUS_NAME, OBJECT_PATH, INTERFACE, method, parameters, None,
                                   Gio.DBusCallFlags.NONE, 5000, None)
        answer = reply.unpack()
        return answer[0] if len(answer) == 1 else answer

    def windows(self):
        """{title: (id, pid)} of every window the shell lists."""
        return {title: (window_id, pid) for window_id, title, pid in self.call("List")}

    def extensions_command(self, *args):
        """Runs `gnome-extensions ARGS` in this session, as a user would."""
        return subprocess.run(["gnome-extensions", *args], env=self.env, capture_output=True,
                              text=True, timeout=30)

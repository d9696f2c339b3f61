"""Headless compositors for the end-to-end tests, started and ended by these helpers alone.

sway refuses to run as root, so it runs as `nobody` with a runtime directory of its own; root
clients may still use its sockets. Every wait has a deadline; every compositor is ended by its
own exit request and then, if need be, by its process id."""

import glob
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time

NOBODY = 65534


def wait_until(predicate, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out after %ss waiting for %s" % (seconds, what))


def as_nobody(argv):
    return ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"] + argv


def end_process(p, seconds=10):
    """Ends a process we started: politely first, then by force."""
    if p.poll() is None:
        p.send_signal(signal.SIGTERM)
        try:
            p.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            p.kill()
            p.wait(timeout=seconds)


def remove_stale_x_locks():
    """A sway that was killed leaves its XWayland's lock behind, owned by nobody; the next one
    would then skip that display. Locks of live servers, or of other users, stay."""
    for lock in glob.glob("/tmp/.X*-lock"):
        try:
            if os.stat(lock).st_uid != NOBODY:
                continue
            with open(lock) as f:
                pid = int(f.read().strip(" \n\0") or "0")
            os.kill(pid, 0)
        except ProcessLookupError:
            display = lock[len("/tmp/.X"):-len("-lock")]
            for path in (lock, "/tmp/.X11-unix/X" + display):
                try:
                    os.unlink(path)
                except OSError:
                    pass
        except (OSError, ValueError):
            pass


class Sway:
    """sway 1.7 on the headless backend with an empty configuration."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="tambrel-sway-")
        os.chmod(self.dir, 0o755)
        self.runtime = os.path.join(self.dir, "run")
        os.mkdir(self.runtime, 0o700)
        os.chown(self.runtime, NOBODY, NOBODY)
        config = os.path.join(self.dir, "config")
        open(config, "w").close()
        os.chmod(config, 0o644)
        remove_stale_x_locks()
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
        for lock in glob.glob("/tmp/.X*-lock"):
            try:
                with open(lock) as f:
                    if int(f.read().strip(" \n\0") or "0") == self.process.pid:
                        return ":" + lock[len("/tmp/.X"):-len("-lock")]
            except (OSError, ValueError):
                pass
        return None

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
        return [w for w in self.windows() if w.get("name") == title]

    def stop(self):
        if self.process.poll() is None and getattr(self, "socket", None):
            subprocess.run(["swaymsg", "-s", self.socket, "exit"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=10)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        end_process(self.process)
        remove_stale_x_locks()
        shutil.rmtree(self.dir, ignore_errors=True)

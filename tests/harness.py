"""What the Python tests share: one wait with a deadline, the keys the program saves, and a
private X display (Xvfb with openbox) for tests that start, and may take away, their own."""

import os
import signal
import subprocess
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def wait_until(predicate, seconds, what, interval=0.05):
    """Polls `predicate` until it returns something true, and returns that; fails the test with
    `what` once `seconds` have passed."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        result = predicate()
        if result:
            return result
        time.sleep(interval)
    raise AssertionError("timed out after %ss waiting for %s" % (seconds, what))


def saved_keys():
    """The keys the program saves when it ends, in the order the exit procedure writes them
    (tests/saved_keys.txt)."""
    with open(os.path.join(HERE, "saved_keys.txt")) as f:
        return [line.strip() for line in f if line.strip() and not line.startswith("#")]


# Display numbers to try, as with-xvfb.sh takes them.
FIRST_DISPLAY = int(os.environ.get("WITH_XVFB_FIRST", "50"))
LAST_DISPLAY = int(os.environ.get("WITH_XVFB_LAST", "59"))


class Display:
    """A private Xvfb with openbox on the first free display from :50 to :59 (or the range in
    WITH_XVFB_FIRST and WITH_XVFB_LAST)."""

    def __init__(self, window_manager=True):
        self.xvfb = self.wm = None
        for n in range(FIRST_DISPLAY, LAST_DISPLAY + 1):
            if self._live_lock(n):
                continue
            xvfb = subprocess.Popen(["Xvfb", ":%d" % n, "-noreset", "-nolisten", "tcp",
                                     "-screen", "0", "1280x1024x24"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.name = ":%d" % n
            # Another server may win the race for the same number: an answer counts only when
            # the display's lock names ours.
            if self._wait(lambda: xvfb.poll() is not None or self._query("xdpyinfo")):
                if xvfb.poll() is None and self._lock_owner(n) == xvfb.pid:
                    self.xvfb = xvfb
                    break
            xvfb.kill()
            xvfb.wait()
        if self.xvfb is None:
            raise AssertionError("no free display between :%d and :%d"
                                 % (FIRST_DISPLAY, LAST_DISPLAY))
        if window_manager:
            self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env(),
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if not self._wait(lambda: b"window id" in self._query(
                    "xprop", "-root", "_NET_SUPPORTING_WM_CHECK")):
                self.close()
                raise AssertionError("openbox did not start on %s" % self.name)

    @staticmethod
    def _lock_owner(n):
        try:
            with open("/tmp/.X%d-lock" % n) as f:
                return int(f.read().strip())
        except (OSError, ValueError):
            return None

    @staticmethod
    def _live_lock(n):
        try:
            with open("/tmp/.X%d-lock" % n) as f:
                os.kill(int(f.read().strip()), 0)
            return True
        except (OSError, ValueError):
            return False  # none, or left by a server that was killed: Xvfb takes it over

    def kill_server(self):
        """Takes the display away as a crash would: SIGKILL, then clears what it left behind."""
        self.xvfb.send_signal(signal.SIGKILL)
        self.xvfb.wait(timeout=10)
        n = self.name[1:]
        for path in ("/tmp/.X%s-lock" % n, "/tmp/.X11-unix/X%s" % n):
            try:
                os.remove(path)
            except OSError:
                pass

    def env(self, **extra):
        return dict(os.environ, DISPLAY=self.name, **extra)

    def _query(self, *argv):
        try:
            done = subprocess.run(list(argv), env=self.env(), capture_output=True, timeout=5)
        except subprocess.TimeoutExpired:
            return b""
        return done.stdout if done.returncode == 0 else b""

    @staticmethod
    def _wait(predicate, seconds=10):
        try:
            wait_until(predicate, seconds, "", interval=0.05)
            return True
        except AssertionError:
            return False

    def windows_titled(self, title):
        return self._query("xdotool", "search", "--name", "^%s$" % title).split()

    def close(self):
        # SIGTERM lets Xvfb remove its lock file and socket.
        for p in (self.wm, self.xvfb):
            if p is not None and p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait(timeout=5)

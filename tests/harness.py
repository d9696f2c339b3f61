"""What the tests share: one wait with a deadline, ending what they started, the keys the program
saves, and a private X display (Xvfb with openbox) for tests that start, and may take away,
their own.

As a command it is the one starter of private displays for the other tests, the benchmarks and
the demonstration: it runs a command on a fresh display and ends the servers with it.

    python3 tests/harness.py [--no-wm] COMMAND [ARG...]

Prints nothing of its own unless starting fails; returns the command's status.
Environment: WITH_XVFB_FIRST / WITH_XVFB_LAST bound the display numbers (default 50 and 99)."""

import atexit
import os
import shutil
import signal
import subprocess
import sys
import tempfile
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


def end_process(process, seconds=10):
    """Ends a process we started, politely (SIGTERM) first, by force after `seconds`."""
    if process is None or process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(timeout=seconds)


def end_group(process, seconds=10):
    """Ends the process group `process` leads (started with start_new_session): SIGTERM, then
    SIGKILL for whatever of the group is left after `seconds`."""
    if process is None:
        return
    try:
        os.killpg(process.pid, signal.SIGTERM)
    except ProcessLookupError:
        pass

    def group_gone():
        process.poll()
        try:
            os.killpg(process.pid, 0)
            return False
        except ProcessLookupError:
            return True

    try:
        wait_until(group_gone, seconds, "process group %d to end" % process.pid, interval=0.1)
    except AssertionError:
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    try:
        process.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        pass


def own_copy(program):
    """A copy of `program` named `<its name>-<this process's id>`, in a folder removed at exit.
    The program watches and closes processes by name: runs side by side each close their own."""
    folder = tempfile.mkdtemp(prefix="tambrel-bin-")
    atexit.register(shutil.rmtree, folder, True)
    copy = os.path.join(folder, "%s-%d" % (os.path.basename(program), os.getpid()))
    shutil.copy2(program, copy)
    return copy


def saved_keys():
    """The keys the program saves when it ends, in the order the exit procedure writes them
    (tests/saved_keys.txt)."""
    with open(os.path.join(HERE, "saved_keys.txt")) as f:
        return [line.strip() for line in f if line.strip() and not line.startswith("#")]


# Display numbers to try.
FIRST_DISPLAY = int(os.environ.get("WITH_XVFB_FIRST", "50"))
LAST_DISPLAY = int(os.environ.get("WITH_XVFB_LAST", "99"))


class Display:
    """A private Xvfb with openbox on the first free display from :50 to :99 (or the range in
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
        """Takes the display away as a crash would: SIGKILL. Its lock and socket stay: the next
        server on that number takes over a lock whose process is gone, and removing them here
        could remove those of a server that another test has just started there."""
        self.xvfb.send_signal(signal.SIGKILL)
        self.xvfb.wait(timeout=10)

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
            end_process(p, seconds=5)


def main(argv):
    window_manager = True
    if argv[:1] == ["--no-wm"]:
        window_manager = False
        argv = argv[1:]
    if not argv:
        print("usage: harness.py [--no-wm] COMMAND [ARG...]", file=sys.stderr)
        return 2
    # A TERM (a test's timeout) or an INT ends the command and both servers, not just this.
    for signum in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(signum, lambda n, _: sys.exit(128 + n))
    try:
        display = Display(window_manager)
    except AssertionError as e:
        print("harness.py: %s" % e, file=sys.stderr)
        return 1
    command = None
    try:
        command = subprocess.Popen(argv, env=display.env())
        return command.wait()
    finally:
        end_process(command)
        display.close()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

#!/usr/bin/env python3
"""The Linux program as a user runs it, observed from outside: windows through xdotool, processes
through /proc, settings through the .ini file. Run on a private X server with a window manager
(tests/harness.py). Every wait has a deadline."""

import configparser
import os
import re
import shutil
import signal
import subprocess
import tempfile
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from harness import own_copy, saved_keys, wait_until  # noqa: E402

BIN = os.environ["TAMBREL_BIN"]
TARGET = os.environ["TAMBREL_TARGET_BIN"]
TARGET_NAME = os.path.basename(TARGET)
MAIN_TITLE = "MERIDOX - TAMBREL"
# An activity log line: ISO 8601 local time with milliseconds and the offset, then the event.
LOG_LINE = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d (.*)$")


def windows_titled(title):
    """The windows whose title is `title` (a regular expression, anchored)."""
    # Visible ones only: a toolkit's hidden leader window may carry the program's name.
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                         capture_output=True, text=True, timeout=10)
    return out.stdout.split()


def press(window, keys):
    """Focuses `window` and types `keys` into it, as a user at the keyboard would."""
    subprocess.run(["xdotool", "windowfocus", "--sync", window, "key", "--clearmodifiers", keys],
                   timeout=10, check=True)


def xprop(window, prop):
    """The property as xprop prints it, "" when it cannot be read."""
    out = subprocess.run(["xprop", "-id", window, prop], capture_output=True, text=True,
                         timeout=10)
    return out.stdout if out.returncode == 0 else ""


def active_window():
    return subprocess.run(["xdotool", "getactivewindow"], capture_output=True, text=True,
                          timeout=10).stdout.strip()


def default_signals():
    """In the child before it starts: a runner started in the background may have SIGINT
    ignored, and the program, as it should, keeps an ignored signal ignored."""
    for sig in (signal.SIGINT, signal.SIGHUP, signal.SIGTERM):
        signal.signal(sig, signal.SIG_DFL)


def setUpModule():
    # Runs side by side each close a target of their own name, longer than the kernel's 15
    # characters: "tambrel-demo-target-<pid>".
    global TARGET, TARGET_NAME
    TARGET = own_copy(TARGET)
    TARGET_NAME = os.path.basename(TARGET)


class TambrelRun(unittest.TestCase):
    def setUp(self):
        self.home = tempfile.mkdtemp(prefix="tambrel-e2e-")
        self.children = []
        self.env = dict(os.environ, XDG_CONFIG_HOME=self.home,
                        XDG_STATE_HOME=os.path.join(self.home, "state"))

    def tearDown(self):
        for p in self.children:
            if p.poll() is None:
                p.kill()
            p.wait(timeout=10)
        shutil.rmtree(self.home, ignore_errors=True)

    def ini_path(self, section="tambrel"):
        return os.path.join(self.home, "MERIDOX-TAMBREL", section + ".ini")

    def seed(self, section="tambrel", **values):
        os.makedirs(os.path.dirname(self.ini_path(section)), exist_ok=True)
        with open(self.ini_path(section), "w") as f:
            f.write("[General]\n")
            for key, value in values.items():
                f.write("%s=%s\n" % (key, value))

    def stored(self, section="tambrel"):
        parser = configparser.ConfigParser(interpolation=None)
        parser.optionxform = str
        parser.read(self.ini_path(section))
        return dict(parser["General"]) if parser.has_section("General") else {}

    def logged(self, path=None):
        """The events of the activity log, each line checked for its time stamp."""
        path = path or os.path.join(self.home, "state", "MERIDOX-TAMBREL", "tambrel.log")
        with open(path, encoding="utf-8") as f:
            lines = f.read().splitlines()
        events = []
        for line in lines:
            m = LOG_LINE.match(line)
            self.assertIsNotNone(m, "an unstamped log line: %r" % line)
            events.append(m.group(1))
        return events

    def spawn(self, *argv):
        # Output goes to a file, never to a pipe nobody reads: a full pipe would block the child.
        log = open(os.path.join(self.home, "%s-%d.log" % (os.path.basename(argv[0]),
                                                          len(self.children))), "wb")
        p = subprocess.Popen(list(argv), env=self.env, stdout=log, stderr=subprocess.STDOUT,
                             preexec_fn=default_signals)
        log.close()
        self.children.append(p)
        return p

    def output_of(self, index):
        name = "%s-%d.log" % (os.path.basename(self.children[index].args[0]), index)
        with open(os.path.join(self.home, name), errors="replace") as f:
            return f.read()

    def start_stubborn_run(self, title, wait):
        """A target that ignores close requests, and TAMBREL started to close it."""
        target = self.start_target(title, "--ignore-close")
        self.seed(WINDOW_NAME_TEXTBOX=title, PROCESS_NAME_TEXTBOX=TARGET_NAME,
                  AUTOSTART_COUNTDOWN_TICKBOX=1, WAIT_FOR_PROCESS_TICKBOX=wait)
        return target, self.spawn(BIN)

    def start_target(self, title, *extra, pattern=None):
        target = self.spawn(TARGET, "--title", title, *extra)
        # A set-up wait: generous, as a busy machine may take long to show a window.
        wait_until(lambda: target.poll() is not None or windows_titled(pattern or title), 30,
                   "the target window")
        if target.poll() is not None:
            self.fail("the target ended: " + self.output_of(len(self.children) - 1))
        return target

    def test_autostart_closes_the_target_then_ends_itself_and_saves_nine_keys(self):
        # Non-ASCII titles travel as UTF-8; xdotool only matches ASCII, so look for a fragment.
        title = "Untitled – Notes ‘e2e’"
        pattern = "Untitled .* Notes .*e2e.*"
        target = self.start_target(title, pattern=pattern)
        self.seed(WINDOW_NAME_TEXTBOX=title, PROCESS_NAME_TEXTBOX=TARGET_NAME,
                  AUTOSTART_COUNTDOWN_TICKBOX=1, WAIT_FOR_PROCESS_TICKBOX=1)
        # As cron starts it: no XDG_RUNTIME_DIR.
        self.env.pop("XDG_RUNTIME_DIR", None)
        tambrel = self.spawn(BIN)
        wait_until(lambda: windows_titled(MAIN_TITLE), 30, "TAMBREL's main window")
        started = time.monotonic()
        wait_until(lambda: not windows_titled(pattern), 15, "the target window to close")
        closed = time.monotonic()
        self.assertGreater(closed - started, 5.0, "the close request waits out the countdown")
        self.assertEqual(target.wait(timeout=5), 0, "the target ended on its own close request")
        wait_until(lambda: tambrel.poll() is not None, 30, "TAMBREL to end")
        ended = time.monotonic()
        self.assertEqual(tambrel.returncode, 0)
        self.assertEqual(self.output_of(1), "", "a job done says nothing")
        self.assertGreater(ended - closed, 6.0)
        self.assertLess(ended - closed, 20.0)
        stored = self.stored()
        for key in saved_keys():
            self.assertIn(key, stored)
        self.assertEqual(stored["AUTO_TERMINATE_TICKBOX"], "0")
        events = self.logged()
        self.assertTrue(events[0].startswith('start: TAMBREL 1.1, copy "tambrel", settings in '),
                        events)
        closes = [e for e in events if e.startswith("close request")]
        self.assertEqual(len(closes), 1, events)
        self.assertRegex(closes[0], r'^close request: posted to window 0x[0-9a-f]+ \(pid %d, '
                         r'%s\) titled "%s"$'
                         % (target.pid, re.escape(TARGET_NAME), re.escape(title)))
        self.assertIn('process state: RUNNING, "%s": pid %d' % (TARGET_NAME, target.pid),
                      events)
        self.assertEqual(events[-1], "exit: exit countdown ended with the process state STOPPED")

    def test_a_title_that_matches_no_window_is_logged_where_the_state_home_rules_say(self):
        # A relative XDG_STATE_HOME is ignored: the log goes under $HOME/.local/state.
        self.env.update(HOME=self.home, XDG_STATE_HOME="relative-state")
        target = self.start_target("A window of another title")
        self.seed(WINDOW_NAME_TEXTBOX="No window has this title",
                  PROCESS_NAME_TEXTBOX=TARGET_NAME, AUTOSTART_COUNTDOWN_TICKBOX=1,
                  WAIT_FOR_PROCESS_TICKBOX=0)
        tambrel = self.spawn(BIN)
        wait_until(lambda: tambrel.poll() is not None, 40, "TAMBREL to end")
        self.assertEqual(tambrel.returncode, 3, "no window had the title")
        self.assertEqual(self.output_of(1),
                         'tambrel: no window had the title "No window has this title" while "%s" '
                         'ran, so nothing was asked to close; the windows of "%s": "A window of '
                         'another title"; "%s" still runs; exit status 3\n'
                         % (TARGET_NAME, TARGET_NAME, TARGET_NAME))
        self.assertIsNone(target.poll(), "nothing was asked to close")
        self.assertFalse(os.path.exists("relative-state"))
        events = self.logged(os.path.join(self.home, ".local", "state", "MERIDOX-TAMBREL",
                                          "tambrel.log"))
        self.assertIn('close request: no window has the title "No window has this title"; the '
                      'windows of "%s": "A window of another title"; nothing was asked to close'
                      % TARGET_NAME, events)
        self.assertEqual(events[-1], "exit: exit countdown ended with the process state RUNNING")

    def test_alt_f4_closes_the_activated_target(self):
        title = "Alt F4 target window"
        target = self.start_target(title)
        self.seed(WINDOW_NAME_TEXTBOX="Alt F4 target", PROCESS_NAME_TEXTBOX=TARGET_NAME,
                  AUTOSTART_COUNTDOWN_TICKBOX=1, SENDKEYS_TICKBOX=1, WAIT_FOR_PROCESS_TICKBOX=0)
        tambrel = self.spawn(BIN)
        wait_until(lambda: not windows_titled(title), 20, "the target window to close by Alt+F4")
        self.assertEqual(target.wait(timeout=5), 0)
        wait_until(lambda: tambrel.poll() is not None, 30, "TAMBREL to end")
        self.assertEqual(tambrel.returncode, 0)

    def test_waits_while_a_target_that_ignores_the_close_keeps_running(self):
        title = "Stubborn target"
        target, tambrel = self.start_stubborn_run(title, wait=1)
        wait_until(lambda: windows_titled(MAIN_TITLE), 30, "TAMBREL's main window")

        def restarts():
            try:
                with open(os.path.join(self.home, "state", "MERIDOX-TAMBREL", "tambrel.log"),
                          errors="replace") as f:
                    return f.read().count("exit countdown restarted: ")
            except OSError:
                return 0

        # The close request, then two exit passes that found the process still there.
        wait_until(lambda: restarts() >= 2 or tambrel.poll() is not None, 60,
                   "two exit countdowns started over while the target runs")
        self.assertIsNone(tambrel.poll(), "TAMBREL must keep waiting")
        self.assertTrue(windows_titled(title), "the target ignored the request")
        target.send_signal(signal.SIGKILL)
        target.wait(timeout=5)
        try:
            wait_until(lambda: tambrel.poll() is not None, 20, "TAMBREL to end after the process")
        except AssertionError:
            print("TAMBREL's output:\n" + self.output_of(1))
            print("its activity log:\n" + "\n".join(self.logged()))
            raise
        self.assertEqual(tambrel.returncode, 0)

    def test_a_process_left_running_without_the_wait_is_no_failure_but_is_told(self):
        title = "Target left running"
        target, tambrel = self.start_stubborn_run(title, wait=0)
        wait_until(lambda: tambrel.poll() is not None, 40, "TAMBREL to end")
        self.assertEqual(tambrel.returncode, 0, self.output_of(1))
        self.assertIsNone(target.poll(), "the target ignored the request")
        self.assertRegex(self.output_of(1),
                         r'^tambrel: a close request went to window 0x[0-9a-f]+ \(pid %d, %s\) '
                         r'titled "%s"; "%s" still runs; exit status 0\n$'
                         % (target.pid, re.escape(TARGET_NAME), title, re.escape(TARGET_NAME)))

    def test_a_bad_stored_value_is_named_and_the_main_window_never_shows(self):
        self.seed(SENDKEYS_TICKBOX="abc")
        tambrel = self.spawn(BIN)
        wait_until(lambda: windows_titled("TAMBREL"), 10, "the error message box")
        self.assertEqual(windows_titled(MAIN_TITLE), [])
        press(windows_titled("TAMBREL")[0], "Return")
        wait_until(lambda: tambrel.poll() is not None, 10, "TAMBREL to exit")
        self.assertEqual(tambrel.returncode, 1)
        self.assertIn("tambrel: stopped on an error: ", self.output_of(0))
        self.assertIn('"abc"', self.output_of(0))
        self.assertEqual(self.stored()["SENDKEYS_TICKBOX"], "abc", "nothing was written")

    def close_by_window_manager(self, program):
        """Closes the program's main window as its close box would, and waits for the end."""
        press(windows_titled(MAIN_TITLE)[0], "alt+F4")
        wait_until(lambda: program.poll() is not None, 10, "the program to end")

    def test_a_renamed_copy_keeps_its_own_section(self):
        # The whole file name is the section: two copies that differ only after a dot keep two.
        for name in ("tambrel.work", "tambrel.home"):
            os.symlink(os.path.abspath(BIN), os.path.join(self.home, name))
        self.seed(section="tambrel", WINDOW_NAME_TEXTBOX="original")
        self.seed(section="tambrel.work", WINDOW_NAME_TEXTBOX="work")
        tambrel = self.spawn(os.path.join(self.home, "tambrel.home"))
        wait_until(lambda: windows_titled(MAIN_TITLE), 10, "the copy's main window")
        self.close_by_window_manager(tambrel)
        self.assertEqual(tambrel.returncode, 6, "the close box came before the exit countdown")
        self.assertEqual(self.output_of(0), "tambrel.home: ended by close box before its exit "
                         "countdown ran out; exit status 6\n")
        self.assertEqual(self.stored("tambrel.home").get("WINDOW_NAME_TEXTBOX"), "")
        self.assertEqual(self.stored("tambrel.work")["WINDOW_NAME_TEXTBOX"], "work")
        self.assertEqual(self.stored("tambrel")["WINDOW_NAME_TEXTBOX"], "original")

    # Arguments are answered at once, with or without a display, and never run the countdowns.
    def run_bin(self, *args, env=None):
        return subprocess.run([BIN, *args], env=env or self.env, capture_output=True, text=True,
                              timeout=20)

    def without_display(self, **extra):
        env = {k: v for k, v in self.env.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE")}
        env.update(extra)
        return env

    def test_help_version_and_refusals_answer_without_a_display(self):
        bare = self.without_display()
        version = self.run_bin("--version", env=bare)
        self.assertEqual((version.returncode, version.stderr), (0, ""))
        self.assertRegex(version.stdout, r"^TAMBREL \d+\.\d+\n$")
        with open("/dev/full", "w") as full:
            unwritten = subprocess.run([BIN, "--help"], env=bare, stdout=full,
                                       stderr=subprocess.PIPE, text=True, timeout=20)
        self.assertEqual(unwritten.returncode, 1, "a help text not written is an error")
        self.assertIn("writing to standard output failed", unwritten.stderr)
        help_ = self.run_bin("--help", env=bare)
        self.assertEqual(help_.returncode, 0, help_.stderr)
        self.assertIn("its settings:      %s\n" % self.ini_path(), help_.stdout)
        self.assertIn("Exit status, the first that applies:", help_.stdout)
        for args in (["--bogus"], ["--help", "now"], ["-h"]):
            refused = self.run_bin(*args, env=bare)
            self.assertEqual(refused.returncode, 2, args)
            self.assertEqual(refused.stdout, "", args)
            self.assertIn("Try \"tambrel --help\"", refused.stderr, args)
        self.assertFalse(os.path.exists(self.ini_path()), "an answer writes no settings")

    def test_list_gives_each_window_its_process_and_the_name_to_type(self):
        # The target's name is longer than the 15 bytes ps keeps: the whole name is listed.
        target = self.start_target("Listed\ttarget", pattern="Listed.target")
        listed = self.run_bin("--list")
        self.assertEqual((listed.returncode, listed.stderr), (0, ""))
        rows = [line.split("\t") for line in listed.stdout.splitlines()]
        for row in rows:
            self.assertRegex(row[0], r"^0x[0-9a-f]+$", rows)
            self.assertEqual(len(row), 4, rows)
        self.assertIn([str(target.pid), TARGET_NAME, "Listed\\ttarget"], [r[1:] for r in rows])
        self.assertEqual(windows_titled(MAIN_TITLE), [], "--list shows no window")

        bare = self.run_bin("--list", env=self.without_display())
        self.assertEqual((bare.returncode, bare.stdout), (2, ""))
        self.assertRegex(bare.stderr, r"^tambrel: the windows cannot be listed: XOpenDisplay")

    def test_without_a_display_the_program_says_so_in_one_line_and_ends_with_two(self):
        # No X server listens on this display number here.
        for env, why in ((self.without_display(), "(DISPLAY is not set)"),
                         (self.without_display(DISPLAY=":65501"), '(":65501" cannot be opened)')):
            done = self.run_bin(env=env)
            self.assertEqual(done.returncode, 2, done.stderr)
            self.assertEqual(done.stderr.count("\n"), 1, done.stderr)
            self.assertIn("no display to show its window on " + why, done.stderr)

    def test_an_argument_never_lets_the_countdowns_run(self):
        title = "TAMBREL e2e command line target"
        target = self.start_target(title)
        self.seed(AUTOSTART_COUNTDOWN_TICKBOX="1", WINDOW_NAME_TEXTBOX=title,
                  PROCESS_NAME_TEXTBOX=TARGET_NAME)
        # With the window open this would take fifteen seconds and close the target.
        for args in (["--version"], ["--autostart"]):
            self.run_bin(*args)
        self.assertIsNone(target.poll(), "the target was closed")

    def test_each_end_signal_saves_as_the_close_box_does(self):
        for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
            with self.subTest(signal=sig.name):
                if os.path.exists(self.ini_path()):
                    os.remove(self.ini_path())
                self.seed(PROCESS_NAME_TEXTBOX="no-such-image", SENDKEYS_TICKBOX=1)
                tambrel = self.spawn(BIN)
                wait_until(lambda: windows_titled(MAIN_TITLE), 30, "TAMBREL's main window")
                tambrel.send_signal(sig)
                wait_until(lambda: tambrel.poll() is not None, 10, "TAMBREL to end")
                self.assertEqual(tambrel.returncode, 6)
                stored = self.stored()
                for key in saved_keys()[:-1]:  # Unload's eight
                    self.assertIn(key, stored)
                self.assertEqual(stored["PROCESS_NAME_TEXTBOX"], "no-such-image")
                self.assertEqual(stored["MainLeft"], "1000")

    def test_a_minimised_main_window_stays_reachable_and_about_gives_the_focus_back(self):
        self.seed(PROCESS_NAME_TEXTBOX="no-such-image")
        tambrel = self.spawn(BIN)
        wait_until(lambda: windows_titled(MAIN_TITLE), 30, "TAMBREL's main window")
        main = windows_titled(MAIN_TITLE)[0]
        self.assertIn("_NET_WM_STATE_SKIP_TASKBAR", xprop(main, "_NET_WM_STATE"))
        # No minimise box (the window asks for a close box only), but openbox still minimises a
        # window that is not owned by another on request: on the taskbar until restored.
        self.assertNotIn("0x20", xprop(main, "_MOTIF_WM_HINTS").split(",")[2])
        subprocess.run(["xdotool", "windowminimize", "--sync", main], timeout=10, check=True)
        wait_until(lambda: "_NET_WM_STATE_SKIP_TASKBAR" not in xprop(main, "_NET_WM_STATE"), 10,
                   "a taskbar entry for the minimised window")
        self.assertIn("_NET_WM_STATE_HIDDEN", xprop(main, "_NET_WM_STATE"))

        def restored():
            subprocess.run(["xdotool", "windowactivate", main], capture_output=True, timeout=10)
            return main in windows_titled(MAIN_TITLE) and active_window() == main
        wait_until(restored, 10, "the window restored")
        wait_until(lambda: "_NET_WM_STATE_SKIP_TASKBAR" in xprop(main, "_NET_WM_STATE"), 10,
                   "the window off the taskbar again once restored")

        # ABOUT (240, 5280 twips: 16, 352 pixels at 96 DPI), then About's close box.
        # A click can reach a window the window manager has only just restored before it takes
        # input: clicked again each second until About shows (the main window, blocked while
        # About is open, ignores any extra click).
        clicked = [0.0]

        def about_open():
            if len(windows_titled(MAIN_TITLE)) == 2:
                return True
            if time.monotonic() - clicked[0] > 1.0:
                subprocess.run(["xdotool", "mousemove", "--window", main, "60", "364", "click",
                                "1"], timeout=10, check=True)
                clicked[0] = time.monotonic()
            return False
        wait_until(about_open, 15, "the About window")
        about = [w for w in windows_titled(MAIN_TITLE) if w != main][0]
        self.assertNotIn("0x20", xprop(about, "_MOTIF_WM_HINTS").split(",")[2])
        wait_until(lambda: active_window() == about, 10, "About to have the focus")
        subprocess.run(["xdotool", "key", "--clearmodifiers", "alt+F4"], timeout=10, check=True)
        wait_until(lambda: windows_titled(MAIN_TITLE) == [main], 10, "About to close")
        try:
            wait_until(lambda: active_window() == main, 10, "the focus back on the main window")
        except AssertionError:
            print("active: %r, main: %s, about: %s" % (active_window(), main, about))
            raise
        self.close_by_window_manager(tambrel)
        self.assertEqual(tambrel.returncode, 6)

    def test_a_full_disk_leaves_the_settings_file_byte_for_byte(self):
        # A file system of 64 KiB with one page left: the new settings do not fit beside the old.
        if os.geteuid() != 0:
            self.skipTest("mounting a small file system needs root")
        small = os.path.join(self.home, "small")
        os.makedirs(small)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", small],
                          capture_output=True, timeout=10).returncode != 0:
            self.skipTest("mounting a tmpfs is refused here")
        self.addCleanup(subprocess.run, ["umount", "-l", small], timeout=10)
        self.env["XDG_CONFIG_HOME"] = small
        ini = os.path.join(small, "MERIDOX-TAMBREL", "tambrel.ini")
        os.makedirs(os.path.dirname(ini))
        with open(ini, "w") as f:
            f.write("[General]\nWINDOW_NAME_TEXTBOX=%s\nPROCESS_NAME_TEXTBOX=no-such-image\n"
                    % ("t" * 8000))
        with open(ini, "rb") as f:
            before = f.read()
        filler = os.path.join(small, "filler")
        fd = os.open(filler, os.O_WRONLY | os.O_CREAT)
        try:
            while os.write(fd, b"\0" * 4096) == 4096:
                pass
        except OSError:
            pass
        finally:
            os.close(fd)
        os.truncate(filler, max(0, os.path.getsize(filler) - 4096))

        tambrel = self.spawn(BIN)
        wait_until(lambda: windows_titled(MAIN_TITLE), 30, "TAMBREL's main window")
        press(windows_titled(MAIN_TITLE)[0], "alt+F4")
        wait_until(lambda: windows_titled("TAMBREL"), 10, "the error message")
        press(windows_titled("TAMBREL")[0], "Return")
        wait_until(lambda: tambrel.poll() is not None, 10, "TAMBREL to end")
        self.assertEqual(tambrel.returncode, 1, "a failed save is an error")
        with open(ini, "rb") as f:
            self.assertEqual(f.read(), before)
        # No temporary file left; the lock beside the file stays for the next save.
        self.assertEqual(sorted(os.listdir(os.path.dirname(ini))),
                         ["tambrel.ini", "tambrel.ini.lock"])

if __name__ == "__main__":
    unittest.main(verbosity=2)

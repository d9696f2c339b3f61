#!/usr/bin/env python3
"""The Linux program on Wayland desktops, as a user runs it: under sway (SwayRun) and under KWin
(KWinRun), each headless. The targets are native Wayland windows (tambrel-wayland-target on the
Qt Wayland platform); TAMBREL itself runs on XWayland. Windows are observed through the
compositor. One compositor serves every case of a class; each case ends what it started.

    compositor_e2e_test.py SwayRun | KWinRun"""

import os
import re
import shutil
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_test  # noqa: E402  (the settings helpers)
from compositors import KWin, Sway  # noqa: E402
from harness import end_process, own_copy, wait_until  # noqa: E402

BIN = os.environ["TAMBREL_BIN"]
TARGET = TARGET_NAME = None


def setUpModule():
    # A name of this run's own (sway and KWin run side by side), longer than the kernel's 15
    # characters: "tambrel-wayland-target-<pid>".
    global TARGET, TARGET_NAME
    TARGET = own_copy(os.environ["TAMBREL_WAYLAND_TARGET_BIN"])
    TARGET_NAME = os.path.basename(TARGET)

MAIN_TITLE = e2e_test.MAIN_TITLE
WEIRD = "Weird [title] (x).*+? \"quoted\" \\ back\\slash'"


class CompositorCases:
    """The cases every compositor must pass; a subclass starts the compositor."""

    compositor = None
    tools = ()
    seed = e2e_test.TambrelRun.seed
    stored = e2e_test.TambrelRun.stored
    ini_path = e2e_test.TambrelRun.ini_path

    @classmethod
    def setUpClass(cls):
        if os.geteuid() != 0:
            raise unittest.SkipTest("the compositors are started as root here")
        missing = [t for t in cls.tools if shutil.which(t) is None]
        if missing:
            raise unittest.SkipTest("not installed: " + " ".join(missing))
        cls.desktop = cls.compositor()

    @classmethod
    def tearDownClass(cls):
        cls.desktop.stop()

    def setUp(self):
        self.home = os.path.join(self.desktop.dir, self.id().rsplit(".", 1)[-1])
        os.mkdir(self.home)
        self.children = []
        self.env = self.desktop.client_env(dict(os.environ, XDG_CONFIG_HOME=self.home,
                                                XDG_STATE_HOME=self.home))

    def tearDown(self):
        for p in self.children:
            end_process(p)
        # The next case must not see this one's windows: KWin's list is the watcher's last one.
        wait_until(lambda: self.desktop.windows() == [], 20, "the case's windows to go")

    def spawn(self, *argv, **env):
        log = open(os.path.join(self.home, "%s-%d.log" % (os.path.basename(argv[0]),
                                                          len(self.children))), "wb")
        p = subprocess.Popen(list(argv), env=dict(self.env, **env), stdout=log,
                             stderr=subprocess.STDOUT)
        log.close()
        self.children.append(p)
        return p

    def output_of(self, p):
        name = "%s-%d.log" % (os.path.basename(p.args[0]), self.children.index(p))
        with open(os.path.join(self.home, name), errors="replace") as f:
            return f.read()

    def start_target(self, title):
        p = self.spawn(TARGET, title, QT_QPA_PLATFORM="wayland")
        wait_until(lambda: self.desktop.titled(title), 20, "the target window %r" % title)
        self.assertFalse(self.desktop.titled(title)[0]["xwayland"], "a native Wayland target")
        return p

    def start_tambrel(self, env=None, **settings):
        values = dict(PROCESS_NAME_TEXTBOX=TARGET_NAME, AUTOSTART_COUNTDOWN_TICKBOX=1,
                      WAIT_FOR_PROCESS_TICKBOX=0)
        values.update(settings)
        self.seed(**values)
        tambrel = self.spawn(BIN, **(env or {}))
        main = wait_until(lambda: self.desktop.titled(MAIN_TITLE), 20, "TAMBREL's main window")
        return tambrel, main[0]

    def wait_for_end(self, tambrel, seconds=40, status=0):
        try:
            wait_until(lambda: tambrel.poll() is not None, seconds, "TAMBREL to end")
        except AssertionError:
            print("TAMBREL's output:\n" + self.output_of(tambrel))
            raise
        self.assertEqual(tambrel.returncode, status, self.output_of(tambrel))

    def logged(self):
        with open(os.path.join(self.home, "MERIDOX-TAMBREL", "tambrel.log"),
                  errors="replace") as f:
            return f.read()

    def test_a_title_full_of_pattern_characters_closes_exactly_that_native_window(self):
        target = self.start_target(WEIRD)
        decoys = [self.start_target(t) for t in ("Weird [title] (x)", WEIRD + " and more",
                                                 "Weird xtitlex x")]
        tambrel, main = self.start_tambrel(WINDOW_NAME_TEXTBOX=WEIRD)
        self.assertTrue(main["xwayland"], "TAMBREL's own window runs on XWayland")
        started = time.monotonic()
        wait_until(lambda: not self.desktop.titled(WEIRD), 25, "the target to close")
        self.assertGreater(time.monotonic() - started, 4.0, "the close waits out the countdown")
        self.assertEqual(target.wait(timeout=10), 0, "the target ended on its close request")
        for decoy in decoys:
            self.assertIsNone(decoy.poll(), "a window of another title was closed")
        self.wait_for_end(tambrel)
        # Kept as written, with only the backslash and the quote escaped.
        self.assertEqual(self.stored()["WINDOW_NAME_TEXTBOX"],
                         WEIRD.replace("\\", "\\\\").replace('"', '\\"'))

    def test_list_gives_a_native_window_its_process_and_the_name_to_type(self):
        target = self.start_target(WEIRD)
        listed = subprocess.run([BIN, "--list"], env=self.env, capture_output=True, text=True,
                                timeout=30)
        self.assertEqual((listed.returncode, listed.stderr), (0, ""))
        rows = [line.split("\t")[1:] for line in listed.stdout.splitlines()]
        self.assertIn([str(target.pid), TARGET_NAME, WEIRD], rows)

    def test_alt_f4_closes_only_the_activated_target(self):
        target = self.start_target("Alt F4 wayland target")
        bystander = self.start_target("Alt F4 wayland target, another")
        tambrel, _ = self.start_tambrel(WINDOW_NAME_TEXTBOX="Alt F4 wayland target",
                                        SENDKEYS_TICKBOX=1)
        wait_until(lambda: not self.desktop.titled("Alt F4 wayland target"), 25,
                   "the activated target to close")
        self.assertEqual(target.wait(timeout=10), 0)
        self.assertTrue(self.desktop.titled(MAIN_TITLE), "TAMBREL's own window stays")
        self.assertIsNone(bystander.poll(), "only the activated window closes")
        self.wait_for_end(tambrel)
        self.assertIn("once the target is confirmed in front", self.logged())

    def test_no_match_closes_nothing_while_always_on_top_keeps_tambrel_above(self):
        tambrel, _ = self.start_tambrel(WINDOW_NAME_TEXTBOX="No window has this title",
                                        ALWAYS_ON_TOP_TICKBOX=1)
        thief = self.start_target("Focus thief")
        window = self.desktop.titled("Focus thief")[0]
        if not window["focused"]:
            self.desktop.focus(window)
        wait_until(lambda: self.desktop.titled("Focus thief")[0]["focused"], 10,
                   "the other window to hold the focus")
        wait_until(lambda: self.desktop.titled(MAIN_TITLE)[0]["above"], 10,
                   "TAMBREL's window to be kept above")
        self.wait_for_end(tambrel, status=3)
        self.assertIsNone(thief.poll(), "no window has the title: nothing closes")


class SwayRun(CompositorCases, unittest.TestCase):
    compositor = Sway
    tools = ("sway", "swaymsg", "Xwayland", "xhost", "setpriv")

    def test_a_wayland_desktop_without_a_way_in_is_named_and_nothing_is_claimed(self):
        # Without its socket sway is just some Wayland desktop: X11 through XWayland only.
        target = self.start_target("Native only")
        tambrel, _ = self.start_tambrel(env=dict(SWAYSOCK="", XDG_CURRENT_DESKTOP="Weston"),
                                        WINDOW_NAME_TEXTBOX="Native only")
        box = wait_until(lambda: self.desktop.titled("TAMBREL"), 20, "the message box")
        self.assertTrue(box[0]["xwayland"])
        self.assertIsNone(target.poll(), "a native window cannot be reached: nothing closes")
        self.wait_for_end(tambrel, status=3)
        self.assertIsNone(target.poll())
        self.assertIn("On Weston only X11/XWayland windows can be reached", self.logged())


class KWinRun(CompositorCases, unittest.TestCase):
    compositor = KWin
    tools = ("kwin_wayland", "dbus-run-session", "gdbus", "Xwayland")

    def test_scripts_leave_nothing_behind_when_tambrel_is_ended_by_a_signal(self):
        leftover = re.compile(r"tambrel-[A-Za-z0-9]{6}$|tambrel-\d+-")
        before = set(os.listdir("/tmp"))
        # Always On Top runs a script every second.
        tambrel, _ = self.start_tambrel(WINDOW_NAME_TEXTBOX="No window has this title",
                                        ALWAYS_ON_TOP_TICKBOX=1, AUTOSTART_COUNTDOWN_TICKBOX=0)
        thief = self.start_target("Focus thief")
        if not self.desktop.titled("Focus thief")[0]["focused"]:
            self.desktop.focus(self.desktop.titled("Focus thief")[0])
        wait_until(lambda: self.desktop.titled(MAIN_TITLE)[0]["above"], 20,
                   "TAMBREL's window kept above by its scripts")
        self.assertIsNone(thief.poll())
        tambrel.send_signal(signal.SIGTERM)
        # 6: ended from outside before its exit countdown did.
        self.assertEqual(tambrel.wait(timeout=20), 6, self.output_of(tambrel))
        left = [n for n in set(os.listdir("/tmp")) - before if leftover.match(n)]
        left += [n for n in os.listdir(self.desktop.runtime) if leftover.match(n)]
        self.assertEqual(left, [], "scripts or their folders left behind")


if __name__ == "__main__":
    unittest.main(verbosity=2)

#!/usr/bin/env python3
"""The Linux program under sway on Wayland, as a user runs it: native Wayland targets (a copy of
the foot terminal under a name of its own), TAMBREL itself on XWayland, the windows observed
through sway's tree. One headless sway serves every case; each case ends what it started."""

import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_test  # noqa: E402  (the settings helpers)
from compositors import Sway, end_process, wait_until  # noqa: E402

BIN = os.environ["TAMBREL_BIN"]
MAIN_TITLE = e2e_test.MAIN_TITLE
TARGET_NAME = "tambrel-wl-target"  # longer than the kernel's 15 characters on purpose


def missing_tools():
    return [t for t in ("sway", "swaymsg", "foot", "Xwayland", "xhost", "setpriv")
            if shutil.which(t) is None]


class SwayRun(unittest.TestCase):
    seed = e2e_test.TambrelRun.seed
    stored = e2e_test.TambrelRun.stored
    ini_path = e2e_test.TambrelRun.ini_path

    @classmethod
    def setUpClass(cls):
        if os.geteuid() != 0:
            raise unittest.SkipTest("sway must be started as nobody, which needs root")
        if missing_tools():
            raise unittest.SkipTest("not installed: " + " ".join(missing_tools()))
        cls.sway = Sway()
        cls.target = os.path.join(cls.sway.dir, TARGET_NAME)
        shutil.copy(shutil.which("foot"), cls.target)

    @classmethod
    def tearDownClass(cls):
        cls.sway.stop()

    def setUp(self):
        self.home = os.path.join(self.sway.dir, self.id().rsplit(".", 1)[-1])
        os.mkdir(self.home)
        self.children = []
        self.env = self.sway.client_env(dict(os.environ, XDG_CONFIG_HOME=self.home))

    def tearDown(self):
        for p in self.children:
            end_process(p)
        wait_until(lambda: not [w for w in self.sway.windows() if w.get("pid") in
                                [p.pid for p in self.children]], 10, "this case's windows to go")

    def spawn(self, *argv):
        log = open(os.path.join(self.home, "%s-%d.log" % (os.path.basename(argv[0]),
                                                          len(self.children))), "wb")
        p = subprocess.Popen(list(argv), env=self.env, stdout=log, stderr=subprocess.STDOUT)
        log.close()
        self.children.append(p)
        return p

    def output_of(self, p):
        name = "%s-%d.log" % (os.path.basename(p.args[0]), self.children.index(p))
        with open(os.path.join(self.home, name), errors="replace") as f:
            return f.read()

    def start_target(self, title):
        p = self.spawn(self.target, "--title", title, "sh", "-c", "sleep 600")
        wait_until(lambda: self.sway.titled(title), 15, "the target window %r" % title)
        return p

    def start_tambrel(self, **settings):
        self.seed(**dict(dict(PROCESS_NAME_TEXTBOX=TARGET_NAME, AUTOSTART_COUNTDOWN_TICKBOX=1),
                         **settings))
        tambrel = self.spawn(BIN)
        main = wait_until(lambda: self.sway.titled(MAIN_TITLE), 15, "TAMBREL's main window")
        return tambrel, main[0]

    def wait_for_end(self, tambrel, seconds=40):
        try:
            wait_until(lambda: tambrel.poll() is not None, seconds, "TAMBREL to end")
        except AssertionError:
            print("TAMBREL's output:\n" + self.output_of(tambrel))
            raise
        self.assertEqual(tambrel.returncode, 0, self.output_of(tambrel))

    def test_a_title_full_of_pattern_characters_closes_exactly_that_native_window(self):
        title = "Weird [title] (x).*+?"
        target = self.start_target(title)
        decoys = [self.start_target(t) for t in ("Weird [title] (x)", title + " and more",
                                                 "Weird xtitlex x")]
        tambrel, main = self.start_tambrel(WINDOW_NAME_TEXTBOX=title, WAIT_FOR_PROCESS_TICKBOX=0)
        self.assertEqual(main.get("shell"), "xwayland", "TAMBREL's own window runs on XWayland")
        started = time.monotonic()
        wait_until(lambda: not self.sway.titled(title), 20, "the target to close")
        self.assertGreater(time.monotonic() - started, 4.0, "the close waits out the countdown")
        # foot passes on its shell's end by the hang-up: 1, but no signal of ours ended it.
        self.assertGreaterEqual(target.wait(timeout=10), 0, "the target ended on its own")
        for decoy in decoys:
            self.assertIsNone(decoy.poll(), "a window of another title was closed")
        self.wait_for_end(tambrel)
        self.assertIn("sway's IPC socket", self.output_of(tambrel))
        self.assertEqual(self.stored()["WINDOW_NAME_TEXTBOX"], title)

    def test_alt_f4_closes_only_the_activated_target(self):
        target = self.start_target("Alt F4 wayland target")
        bystander = self.start_target("Alt F4 wayland target, another")
        tambrel, _ = self.start_tambrel(WINDOW_NAME_TEXTBOX="Alt F4 wayland target",
                                        SENDKEYS_TICKBOX=1, WAIT_FOR_PROCESS_TICKBOX=0)
        wait_until(lambda: not self.sway.titled("Alt F4 wayland target"), 25,
                   "the activated target to close")
        self.assertGreaterEqual(target.wait(timeout=10), 0)
        self.assertTrue(self.sway.titled(MAIN_TITLE), "TAMBREL's own window stays")
        self.assertIsNone(bystander.poll(), "only the activated window closes")
        self.wait_for_end(tambrel)
        self.assertIn("asked to close the focused window", self.output_of(tambrel))

    def test_no_window_of_that_title_closes_nothing_and_the_run_ends_as_usual(self):
        target = self.start_target("A window nobody named")
        tambrel, _ = self.start_tambrel(WINDOW_NAME_TEXTBOX="No window has this title",
                                        WAIT_FOR_PROCESS_TICKBOX=0)
        self.wait_for_end(tambrel)
        self.assertIsNone(target.poll())
        self.assertTrue(self.sway.titled("A window nobody named"))

    def test_always_on_top_keeps_tambrel_floating_and_sticky_over_a_focused_window(self):
        tambrel, _ = self.start_tambrel(WINDOW_NAME_TEXTBOX="No window has this title",
                                        ALWAYS_ON_TOP_TICKBOX=1, WAIT_FOR_PROCESS_TICKBOX=0,
                                        AUTOSTART_COUNTDOWN_TICKBOX=0)
        self.start_target("Focus thief")  # the newest window takes the focus
        wait_until(lambda: self.sway.titled("Focus thief")[0].get("focused"), 10,
                   "the other window to hold the focus")
        own = wait_until(lambda: [w for w in self.sway.titled(MAIN_TITLE) if w.get("sticky")],
                         10, "TAMBREL's window to become sticky")
        self.assertEqual(own[0]["type"], "floating_con")
        subprocess.run(["swaymsg", "-s", self.sway.socket, "[con_id=%d] kill" % own[0]["id"]],
                       stdout=subprocess.DEVNULL, timeout=10, check=True)  # its close box
        self.wait_for_end(tambrel, 15)


if __name__ == "__main__":
    unittest.main(verbosity=2)

#!/usr/bin/python3
"""The Linux program on a GNOME Wayland session, as a user runs it: headless GNOME Shell 43 with
TAMBREL's extension, a native Wayland (GTK 3) window and an Xwayland window as targets, observed
through the extension's own list and /proc. Exits with 77 (skipped) where GNOME Shell is not
installed."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_test  # noqa: E402  (the shared run helpers: seed, spawn, stored, wait_until)
import headless_gnome  # noqa: E402

BIN = e2e_test.BIN
X_TARGET = e2e_test.TARGET
GTK_TARGET = os.path.join(os.path.dirname(os.path.abspath(__file__)), "gtk_target.py")
BUILD_DIR = os.environ["TAMBREL_BUILD_DIR"]
wait_until = e2e_test.wait_until
SKIPPED = 77


class GnomeRun(unittest.TestCase):
    shell = None

    @classmethod
    def setUpClass(cls):
        # The extension as `cmake --install` (and so the package) lays it out.
        cls.prefix = tempfile.mkdtemp(prefix="tambrel-gnome-install-")
        subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", cls.prefix], check=True,
                       stdout=subprocess.DEVNULL, timeout=120)
        extension = os.path.join(cls.prefix, "share/gnome-shell/extensions", headless_gnome.UUID)
        if not os.path.isfile(os.path.join(extension, "extension.js")):
            shutil.rmtree(cls.prefix)
            raise AssertionError("cmake --install did not install the extension in " + extension)
        cls.shell = headless_gnome.HeadlessGnome(extension)
        try:
            cls.shell.start()
        except headless_gnome.ShellDidNotStart as e:
            cls.shell = None
            raise unittest.SkipTest(str(e))

    @classmethod
    def tearDownClass(cls):
        if cls.shell:
            cls.shell.stop()
        shutil.rmtree(cls.prefix, ignore_errors=True)

    # The run helpers of the X11 end-to-end tests, over this shell's environment.
    ini_path = e2e_test.TambrelRun.ini_path
    seed = e2e_test.TambrelRun.seed
    stored = e2e_test.TambrelRun.stored
    spawn = e2e_test.TambrelRun.spawn
    output_of = e2e_test.TambrelRun.output_of

    def setUp(self):
        self.home = self.base = tempfile.mkdtemp(prefix="tambrel-gnome-e2e-")
        self.children = []
        self.env = dict(self.shell.env, XDG_CONFIG_HOME=self.home)

    def tearDown(self):
        for p in self.children:
            if p.poll() is None:
                p.kill()
            p.wait(timeout=10)
        shutil.rmtree(self.base, ignore_errors=True)

    def wait(self, predicate, seconds, what):
        """wait_until, and on a timeout what the shell lists and what every program said."""
        try:
            return wait_until(predicate, seconds, what)
        except AssertionError as e:
            raise AssertionError("%s\n%s" % (e, self.evidence())) from None

    def evidence(self):
        lines = []
        try:
            lines.append("windows: %r" % sorted(self.shell.windows().items()))
        except Exception as e:  # the extension itself may be what failed
            lines.append("windows: %s" % e)
        for folder, _, files in os.walk(self.base):
            for name in sorted(f for f in files if f.endswith(".log")):
                with open(os.path.join(folder, name), errors="replace") as f:
                    lines.append("--- %s:\n%s" % (name, f.read()[-3000:]))
        return "\n".join(lines)

    def titled(self, title):
        return title in self.shell.windows()

    def start_native(self, title):
        """A GTK window on the shell's Wayland display. Returns its process and the process's
        name, which no other program on the machine has (TAMBREL watches processes by name)."""
        name = self.own_name("g")
        program = os.path.join(self.base, name)
        os.symlink("/usr/bin/python3", program)  # the kernel names the process after the link
        saved, self.env = self.env, dict(self.env, GDK_BACKEND="wayland")
        try:
            target = self.spawn(program, GTK_TARGET, title)
        finally:
            self.env = saved
        self.wait(lambda: self.titled(title), 20, "the native window %r" % title)
        return target, name

    def start_xwayland(self, title):
        """An X11 window, on Xwayland; as start_native."""
        name = self.own_name("x")
        program = os.path.join(self.base, name)
        os.symlink(X_TARGET, program)
        target = self.spawn(program, "--title", title)
        self.wait(lambda: self.titled(title), 20, "the Xwayland window %r" % title)
        return target, name

    def own_name(self, kind):
        """A process name of at most 15 characters (all the kernel keeps) for this test only."""
        self.names = getattr(self, "names", 0) + 1
        return "tg%s%d-%d" % (kind, os.getpid() % 100000, self.names)

    def start_tambrel(self, **settings):
        self.seed(**settings)
        tambrel = self.spawn(BIN)
        self.wait(lambda: self.titled(e2e_test.MAIN_TITLE), 20, "TAMBREL's main window")
        return tambrel

    def ended(self, process, seconds, what):
        self.wait(lambda: process.poll() is not None, seconds, what)
        return process.returncode

    def test_close_request_closes_a_native_and_an_xwayland_window(self):
        native, native_name = self.start_native("Native target – GNOME")
        xwayland, xwayland_name = self.start_xwayland("Xwayland target")
        # One TAMBREL per target, counting down side by side, each with its own settings.
        runs = []
        base = self.base
        for n, (title, name) in enumerate((("Native target – GNOME", native_name),
                                           ("Xwayland target", xwayland_name))):
            self.home = os.path.join(base, "run%d" % n)
            self.env = dict(self.env, XDG_CONFIG_HOME=self.home)
            runs.append(self.start_tambrel(WINDOW_NAME_TEXTBOX=title, PROCESS_NAME_TEXTBOX=name,
                                           AUTOSTART_COUNTDOWN_TICKBOX=1,
                                           WAIT_FOR_PROCESS_TICKBOX=1))
        self.home = base
        for target, what in ((native, "the native target"), (xwayland, "the Xwayland target")):
            with self.subTest(what):
                self.assertEqual(self.ended(target, 30, what + " to close"), 0)
        for tambrel in runs:
            self.assertEqual(self.ended(tambrel, 30, "TAMBREL to end"), 0)

    def test_alt_f4_closes_only_the_activated_target(self):
        target, name = self.start_native("GNOME Alt F4 target")
        bystander, _ = self.start_xwayland("Bystander in front")
        window_id, _ = self.shell.windows()["Bystander in front"]
        self.shell.call("Activate", "(t)", window_id)
        self.wait(lambda: self.shell.call("Focused") == window_id, 10, "the bystander in front")
        tambrel = self.start_tambrel(WINDOW_NAME_TEXTBOX="GNOME Alt F4",
                                     PROCESS_NAME_TEXTBOX=name,
                                     AUTOSTART_COUNTDOWN_TICKBOX=1, SENDKEYS_TICKBOX=1,
                                     WAIT_FOR_PROCESS_TICKBOX=0)
        self.assertEqual(self.ended(target, 30, "the activated target to close"), 0)
        self.assertIsNone(bystander.poll(), "the bystander was not closed")
        self.assertTrue(self.titled("Bystander in front"))
        self.assertTrue(self.titled(e2e_test.MAIN_TITLE), "TAMBREL did not close itself")
        self.assertEqual(self.ended(tambrel, 30, "TAMBREL to end"), 0)
        self.assertIsNone(bystander.poll())

    def test_list_gives_native_and_xwayland_windows_their_process_and_name(self):
        native, native_name = self.start_native("Listed native")
        xwayland, xwayland_name = self.start_xwayland("Listed xwayland")
        listed = subprocess.run([BIN, "--list"], env=self.env, capture_output=True, text=True,
                                timeout=30)
        self.assertEqual((listed.returncode, listed.stderr), (0, ""))
        rows = [line.split("\t")[1:] for line in listed.stdout.splitlines()]
        self.assertIn([str(native.pid), native_name, "Listed native"], rows)
        self.assertIn([str(xwayland.pid), xwayland_name, "Listed xwayland"], rows)

    def test_a_title_no_window_has_closes_nothing_and_tambrel_stays_above(self):
        bystander, name = self.start_native("Some other window")
        # TAMBREL's own window on Xwayland, so that its keep-above shows in _NET_WM_STATE.
        self.env = dict(self.env, QT_QPA_PLATFORM="xcb")
        tambrel = self.start_tambrel(WINDOW_NAME_TEXTBOX="Some other", PROCESS_NAME_TEXTBOX=name,
                                     AUTOSTART_COUNTDOWN_TICKBOX=1, WAIT_FOR_PROCESS_TICKBOX=0,
                                     ALWAYS_ON_TOP_TICKBOX=1)
        self.wait(lambda: "_NET_WM_STATE_ABOVE" in self.x_state(e2e_test.MAIN_TITLE), 15,
                  "TAMBREL's window kept above")
        self.assertEqual(self.ended(tambrel, 40, "TAMBREL to end"), 3, "no window had the title")
        self.assertIsNone(bystander.poll(), "a window whose title only begins so is not closed")
        self.assertTrue(self.titled("Some other window"))

    def x_state(self, title):
        ids = subprocess.run(["xdotool", "search", "--name", "^%s$" % title], env=self.env,
                             capture_output=True, text=True, timeout=10).stdout.split()
        return "".join(subprocess.run(["xprop", "-id", w, "_NET_WM_STATE"], env=self.env,
                                      capture_output=True, text=True, timeout=10).stdout
                       for w in ids)

    def test_without_the_extension_the_user_is_told_and_nothing_closes(self):
        target, name = self.start_native("Left alone")
        self.shell.extensions_command("disable", headless_gnome.UUID)
        try:
            self.wait(lambda: not self.shell.has_owner(headless_gnome.BUS_NAME), 20,
                      "the extension to leave the bus")
            self.seed(WINDOW_NAME_TEXTBOX="Left alone", PROCESS_NAME_TEXTBOX=name,
                      AUTOSTART_COUNTDOWN_TICKBOX=1, WAIT_FOR_PROCESS_TICKBOX=1)
            tambrel = self.spawn(BIN)
            command = "gnome-extensions enable " + headless_gnome.UUID
            self.wait(lambda: command in self.output_of(1), 30, "TAMBREL's notice")
        finally:
            enabled = self.shell.extensions_command("enable", headless_gnome.UUID)
        self.assertEqual(enabled.returncode, 0, enabled.stderr)
        self.wait(lambda: self.shell.has_owner(headless_gnome.BUS_NAME), 20,
                  "the extension back on the bus")
        # Seen through the extension again: the notice is on screen, the target still open.
        self.wait(lambda: self.titled("TAMBREL"), 10, "the notice's window")
        self.assertEqual(self.shell.windows()["TAMBREL"][1], tambrel.pid)
        self.assertTrue(self.titled("Left alone"))
        self.assertIsNone(target.poll())
        self.assertIn(headless_gnome.UUID, self.output_of(1))
        self.assertIsNone(tambrel.poll(), "TAMBREL waits for the process it could not close")

    def gdbus_list(self, destination, *wrap):
        """`gdbus call ... List` to `destination`, run inside `wrap` (a sandbox) if given."""
        return subprocess.run(list(wrap) + [
            "gdbus", "call", "--session", "--dest", destination, "--object-path",
            headless_gnome.OBJECT_PATH, "--method", headless_gnome.INTERFACE + ".List"],
            env=self.env, capture_output=True, text=True, timeout=30)

    def test_the_extension_answers_under_its_own_name_only_and_never_to_a_sandbox(self):
        self.start_native("Private title")
        self.assertIn("Private title", self.gdbus_list(headless_gnome.BUS_NAME).stdout)
        # The shell's own names are not a way in.
        for name in ("org.gnome.Shell", "org.gnome.Shell.Screenshot"):
            listed = self.gdbus_list(name)
            self.assertNotEqual(listed.returncode, 0, name)
            self.assertNotIn("Private title", listed.stdout)
        if shutil.which("bwrap") is None:
            self.skipTest("bwrap is not installed")
        info = os.path.join(self.base, "flatpak-info")
        with open(info, "w") as f:
            f.write("[Application]\nname=org.example.Sandboxed\n")
        sandbox = ["bwrap", "--ro-bind", "/usr", "/usr", "--symlink", "usr/lib", "/lib",
                   "--symlink", "usr/lib64", "/lib64", "--symlink", "usr/bin", "/bin",
                   "--ro-bind", "/etc", "/etc", "--bind", "/tmp", "/tmp", "--proc", "/proc",
                   "--dev", "/dev", "--ro-bind", info, "/.flatpak-info"]
        refused = self.gdbus_list(headless_gnome.BUS_NAME, *sandbox)
        self.assertIn("com.meridox.Tambrel.Error.Sandboxed", refused.stderr, refused)
        self.assertNotIn("Private title", refused.stdout)

    def test_a_program_holding_the_extensions_name_is_not_trusted(self):
        target, name = self.start_native("Held name")
        calls = os.path.join(self.base, "impostor-calls")
        self.shell.extensions_command("disable", headless_gnome.UUID)
        try:
            self.wait(lambda: not self.shell.has_owner(headless_gnome.BUS_NAME), 20,
                      "the extension to leave the bus")
            impostor = self.spawn(sys.executable, IMPOSTOR, calls)
            self.wait(lambda: os.path.exists(calls), 20, "the impostor on the bus")
            # Not start_tambrel: the test's own look at the windows would ask the impostor.
            self.seed(WINDOW_NAME_TEXTBOX="Held name", PROCESS_NAME_TEXTBOX=name,
                      AUTOSTART_COUNTDOWN_TICKBOX=1, WAIT_FOR_PROCESS_TICKBOX=1)
            tambrel = self.spawn(BIN)
            self.wait(lambda: "does not trust it" in self.output_of(2), 30, "TAMBREL's notice")
            with open(calls) as f:
                self.assertEqual(f.read(), "", "the impostor was never asked")
            self.assertIsNone(target.poll(), "nothing was closed")
            self.assertIsNone(tambrel.poll())
        finally:
            for p in self.children[1:]:
                p.kill()
                p.wait(timeout=10)
            self.shell.extensions_command("enable", headless_gnome.UUID)
        self.wait(lambda: self.shell.has_owner(headless_gnome.BUS_NAME), 20,
                  "the extension back on the bus")


# Holds the extension's name with an object of its own, writing each call it gets to argv[1].
IMPOSTOR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "impostor.py")


if __name__ == "__main__":
    if shutil.which("gnome-shell") is None or shutil.which("Xwayland") is None:
        print("skipped: GNOME Shell and Xwayland are not installed (scripts/deps-gnome.txt)")
        sys.exit(SKIPPED)
    result = unittest.main(verbosity=2, exit=False).result
    if result.wasSuccessful() and result.skipped and not result.testsRun - len(result.skipped):
        sys.exit(SKIPPED)
    sys.exit(0 if result.wasSuccessful() else 1)

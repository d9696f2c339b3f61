#!/usr/bin/env python3
"""The Linux program as a screen reader meets it: its accessible tree and events read over AT-SPI
(pyatspi), on a session bus and an accessibility bus of the test's own. Runs on a private X
server (tests/harness.py). Every wait has a deadline.

    python3 tests/qt/atspi_test.py [unittest arguments]
    python3 tests/qt/atspi_test.py --dump      prints the tree: role, name (and labelled-by)"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from harness import end_group, end_process, own_copy, wait_until  # noqa: E402

BIN = os.environ.get("TAMBREL_BIN", "build/linux/tambrel")
MAIN_TITLE = "MERIDOX - TAMBREL"
BUSES = []
pyatspi = None


def setUpModule():
    """A session bus and an accessibility bus for this test alone; pyatspi is loaded only once
    they are the ones the environment names."""
    global pyatspi
    # Each leads a process group of its own: the launcher starts the accessibility bus's daemon.
    session = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                               start_new_session=True)
    BUSES.append(session)
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = session.stdout.readline().strip()
    BUSES.append(subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                  start_new_session=True))
    os.environ["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    os.environ.pop("QT_QPA_PLATFORM", None)
    import pyatspi as loaded
    pyatspi = loaded
    # The accessibility bus is up once the registry answers.
    wait_until(lambda: attempt(lambda: pyatspi.Registry.getDesktop(0).name is not None), 30,
               "the accessibility registry")


def tearDownModule():
    for bus in reversed(BUSES):
        end_group(bus)


def attempt(call):
    """`call()`, or None while the bus cannot answer it yet."""
    try:
        return call()
    except Exception:  # a GLib error from a bus that is not up yet, or an object gone
        return None


def walk(node, depth=0):
    """(depth, accessible) of `node` and everything below it, in tree order."""
    yield depth, node
    for i in range(node.childCount):
        child = attempt(lambda: node.getChildAtIndex(i))
        if child is not None:
            yield from walk(child, depth + 1)


def labelled_by(node):
    return [t.name for r in node.getRelationSet()
            if r.getRelationType() == pyatspi.RELATION_LABELLED_BY
            for t in (r.getTarget(i) for i in range(r.getNTargets()))]


class Program:
    """TAMBREL run as a copy of its own name, with settings seeded in a folder of its own."""

    def __init__(self, **settings):
        self.home = tempfile.mkdtemp(prefix="tambrel-atspi-")
        self.bin = own_copy(BIN)
        self.name = os.path.basename(self.bin)
        ini = os.path.join(self.home, "MERIDOX-TAMBREL", self.name + ".ini")
        os.makedirs(os.path.dirname(ini))
        with open(ini, "w") as f:
            f.write("[General]\nMainLeft=1000\nMainTop=1000\n")
            f.writelines("%s=%s\n" % kv for kv in settings.items())
        env = dict(os.environ, XDG_CONFIG_HOME=self.home,
                   XDG_STATE_HOME=os.path.join(self.home, "state"))
        self.process = subprocess.Popen([self.bin], env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)

    def frame(self, role=None, name=MAIN_TITLE, seconds=30):
        """The program's top-level accessible named `name` (of `role`, if given)."""
        def find():
            desktop = pyatspi.Registry.getDesktop(0)
            for app in (desktop.getChildAtIndex(i) for i in range(desktop.childCount)):
                if app is None or app.name != self.name:
                    continue
                for window in (app.getChildAtIndex(i) for i in range(app.childCount)):
                    if window is not None and window.name == name and \
                            (role is None or window.getRole() == role):
                        return window
            return None
        return wait_until(lambda: attempt(find), seconds, "the window %r over AT-SPI" % name)

    def close(self):
        end_process(self.process)
        shutil.rmtree(self.home, ignore_errors=True)


class AccessibleTree(unittest.TestCase):
    def setUp(self):
        self.program = self.target = None

    def tearDown(self):
        if self.program:
            self.program.close()
        end_process(self.target)

    def test_every_box_is_named_by_its_label_and_the_windows_are_told_apart(self):
        self.program = Program(AUTOSTART_COUNTDOWN_TICKBOX="0")
        frame = self.program.frame(pyatspi.ROLE_FRAME)
        nodes = [n for _, n in walk(frame)]
        texts = {}
        for n in nodes:
            if n.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY):
                texts.setdefault(n.name, []).append(n)
        labelled = ["WINDOW NAME:", "PROCESS NAME:", "MONITORED PROCESS IS NOW:",
                    "CLOSING WINDOW IN:", "EXITING 'TAMBREL' IN:"]
        for name in labelled + ["Minute %d" % n for n in range(5, 0, -1)] + \
                ["Auto-Terminate Result"]:
            self.assertEqual(len(texts.get(name, [])), 1, "one text box named %r; boxes: %s"
                             % (name, sorted(texts)))
        for name in labelled:
            self.assertEqual(labelled_by(texts[name][0]), [name])
        self.assertIn("EXE FILE: " + self.program.name, [n.name for n in nodes])

        # About: a dialog of the caption's name that carries its text.
        about = [n for n in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON and
                 n.name == "ABOUT"][0]
        about.queryAction().doAction(0)
        dialog = self.program.frame(pyatspi.ROLE_DIALOG)
        self.assertIn("FOR MULTIPLE CONFIGURATIONS", dialog.description)


    def test_a_change_from_running_to_stopped_is_announced(self):
        from gi.repository import GLib
        said = []

        def heard(event):
            if event.type == "object:announcement":  # Qt 6.8 and later
                said.append(str(event.any_data))
            elif event.detail1 == 1 and event.source.getRole() == pyatspi.ROLE_NOTIFICATION:
                said.append(event.source.name)
        # Listening before the program starts: it learns of the listener as it starts.
        pyatspi.Registry.registerEventListener(heard, "object:state-changed:showing",
                                               "object:announcement")
        self.addCleanup(pyatspi.Registry.deregisterEventListener, heard,
                        "object:state-changed:showing", "object:announcement")
        target = own_copy("/usr/bin/sleep")
        self.target = subprocess.Popen([target, "600"])
        self.program = Program(PROCESS_NAME_TEXTBOX=os.path.basename(target),
                               AUTOSTART_COUNTDOWN_TICKBOX="0")
        state = [n for _, n in walk(self.program.frame())
                 if n.name == "MONITORED PROCESS IS NOW:" and n.getRole() == pyatspi.ROLE_TEXT]

        def shows(text):
            GLib.MainContext.default().iteration(False)
            return state and attempt(lambda: state[0].queryText().getText(0, -1)) == text
        wait_until(lambda: shows("RUNNING"), 30, "RUNNING in the state box")
        end_process(self.target)
        wait_until(lambda: shows("STOPPED"), 30, "STOPPED in the state box")
        stopped = "Monitored process %s is now STOPPED" % os.path.basename(target)
        try:
            wait_until(lambda: shows("STOPPED") and stopped in said, 10, "the announcement")
        except AssertionError:
            self.fail("not announced: %r; heard %r" % (stopped, said))


def dump():
    program = None
    try:
        setUpModule()
        program = Program(AUTOSTART_COUNTDOWN_TICKBOX="0")
        for depth, n in walk(program.frame()):
            by = labelled_by(n)
            print("%s%s | %r%s" % ("  " * depth, n.getRoleName(), n.name,
                                   " | labelled by %r" % by if by else ""))
        [n for _, n in walk(program.frame()) if n.name == "ABOUT"][0].queryAction().doAction(0)
        app = program.frame().parent
        wait_until(lambda: app.childCount == 2, 30, "the About window")
        for window in (app.getChildAtIndex(i) for i in range(app.childCount)):
            print("window: %s | %r | description %r" % (window.getRoleName(), window.name,
                                                        window.description))
    finally:
        if program:
            program.close()
        tearDownModule()


if __name__ == "__main__":
    if sys.argv[1:] == ["--dump"]:
        dump()
    else:
        unittest.main()

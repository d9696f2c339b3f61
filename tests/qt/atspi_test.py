#!/usr/bin/env python3
"""The Linux program as a screen reader meets it, read over AT-SPI (pyatspi) on a session bus and
an accessibility bus of the test's own. Runs on a private X server (tests/harness.py)."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from harness import end_group, end_process, own_copy, wait_until  # noqa: E402

BUSES = []


def setUpModule():
    # pyatspi is loaded once the environment names these buses. Each bus leads a process group.
    global pyatspi
    session = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                               stdout=subprocess.PIPE, text=True, start_new_session=True)
    BUSES.append(session)
    os.environ.update(DBUS_SESSION_BUS_ADDRESS=session.stdout.readline().strip(),
                      QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    BUSES.append(subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                  start_new_session=True))
    import pyatspi


def tearDownModule():
    for bus in reversed(BUSES):
        end_group(bus)


def attempt(call):
    """`call()`, or None while the bus or the object cannot answer."""
    try:
        return call()
    except Exception:
        return None


def tree(node):
    yield node
    for i in range(node.childCount):
        yield from tree(node.getChildAtIndex(i))


def named(node, name, role):
    return [n for n in tree(node) if n.name == name and n.getRole() == role]


class AccessibleTree(unittest.TestCase):
    def setUp(self):
        # Settings and a program name of this test's own.
        self.home = tempfile.mkdtemp(prefix="tambrel-atspi-")
        self.bin = own_copy(os.environ["TAMBREL_BIN"])
        self.addCleanup(shutil.rmtree, self.home, True)

    def start(self, **settings):
        ini = os.path.join(self.home, "MERIDOX-TAMBREL", os.path.basename(self.bin) + ".ini")
        os.makedirs(os.path.dirname(ini))
        with open(ini, "w") as f:
            f.write("[General]\n" + "".join("%s=%s\n" % kv for kv in settings.items()))
        program = subprocess.Popen([self.bin], env=dict(os.environ, XDG_CONFIG_HOME=self.home,
                                                        XDG_STATE_HOME=self.home))
        self.addCleanup(end_process, program)

    def window(self, role):
        def find():
            desktop = pyatspi.Registry.getDesktop(0)
            return [w for app in desktop if app and app.name == os.path.basename(self.bin)
                    for w in app if w.name == "MERIDOX - TAMBREL" and w.getRole() == role]
        return wait_until(lambda: attempt(find), 30, "the window over AT-SPI")[0]

    def test_every_box_is_named_by_its_label_and_the_windows_are_told_apart(self):
        self.start()
        frame = self.window(pyatspi.ROLE_FRAME)
        for name in ["WINDOW NAME:", "PROCESS NAME:", "MONITORED PROCESS IS NOW:",
                     "CLOSING WINDOW IN:", "EXITING 'TAMBREL' IN:", "Minute 5", "Minute 1",
                     "Auto-Terminate Result"]:
            boxes = named(frame, name, pyatspi.ROLE_TEXT)
            self.assertEqual(len(boxes), 1, name)
            by = [r.getTarget(0).name for r in boxes[0].getRelationSet()
                  if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
            self.assertEqual(by, [name] if name.endswith(":") else [])
        self.assertTrue(named(frame, "EXE FILE: " + os.path.basename(self.bin),
                              pyatspi.ROLE_LABEL))
        named(frame, "ABOUT", pyatspi.ROLE_PUSH_BUTTON)[0].queryAction().doAction(0)
        self.assertIn("FOR MULTIPLE CONFIGURATIONS", self.window(pyatspi.ROLE_DIALOG).description)

    def test_a_change_from_running_to_stopped_is_announced(self):
        from gi.repository import GLib
        said = []

        def heard(event):
            if event.type == "object:announcement":  # Qt 6.8 and later
                said.append(str(event.any_data))
            elif event.detail1 == 1 and event.source.getRole() == pyatspi.ROLE_NOTIFICATION:
                said.append(event.source.name)
        # Listening before the program starts: it learns of the listener as it starts.
        events = ["object:state-changed:showing", "object:announcement"]
        pyatspi.Registry.registerEventListener(heard, *events)
        self.addCleanup(pyatspi.Registry.deregisterEventListener, heard, *events)
        target = subprocess.Popen([own_copy("/usr/bin/sleep"), "600"])
        self.addCleanup(end_process, target)
        name = os.path.basename(target.args[0])
        self.start(PROCESS_NAME_TEXTBOX=name)
        box = named(self.window(pyatspi.ROLE_FRAME), "MONITORED PROCESS IS NOW:",
                    pyatspi.ROLE_TEXT)[0]

        def shows(text):
            GLib.MainContext.default().iteration(False)
            return attempt(lambda: box.queryText().getText(0, -1)) == text
        wait_until(lambda: shows("RUNNING"), 30, "RUNNING in the state box")
        end_process(target)
        wait_until(lambda: shows("STOPPED"), 30, "STOPPED in the state box")
        stopped = "Monitored process %s is now STOPPED" % name
        try:
            wait_until(lambda: shows("STOPPED") and stopped in said, 10, "")
        except AssertionError:
            self.fail("not announced: %r; heard %r" % (stopped, said))


if __name__ == "__main__":
    unittest.main()

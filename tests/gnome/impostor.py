"""A program that takes the name of TAMBREL's GNOME Shell extension and answers as it would,
writing the name of every call it gets to the file argv[1] (made empty once the name is held)."""

import sys

from gi.repository import Gio, GLib

sys.path.insert(0, __file__.rsplit("/", 1)[0])
import headless_gnome  # noqa: E402

NODE = Gio.DBusNodeInfo.new_for_xml("""<node><interface name="%s">
  <method name="List"><arg type="a(tsu)" direction="out"/></method>
  <method name="Close"><arg type="t" direction="in"/><arg type="b" direction="out"/></method>
  <method name="Focused"><arg type="t" direction="out"/></method>
</interface></node>""" % headless_gnome.INTERFACE)
ANSWERS = {"List": GLib.Variant("(a(tsu))", ([(7, "Held name", 1)],)),
           "Close": GLib.Variant("(b)", (True,)), "Focused": GLib.Variant("(t)", (7,))}


def called(connection, sender, path, interface, method, parameters, invocation):
    with open(sys.argv[1], "a") as f:
        f.write(method + "\n")
    invocation.return_value(ANSWERS[method])


def acquired(connection, name):
    open(sys.argv[1], "w").close()


bus = Gio.bus_get_sync(Gio.BusType.SESSION)
bus.register_object(headless_gnome.OBJECT_PATH, NODE.interfaces[0], called)
Gio.bus_own_name_on_connection(bus, headless_gnome.BUS_NAME, Gio.BusNameOwnerFlags.NONE,
                               acquired, None)
GLib.MainLoop().run()

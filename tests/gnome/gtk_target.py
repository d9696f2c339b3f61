#!/usr/bin/python3
"""A native Wayland target for the GNOME tests: a GTK 3 window titled argv[1] (run it with
GDK_BACKEND=wayland). It ends with status 0 once the window is closed."""
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gtk  # noqa: E402

window = Gtk.Window(title=sys.argv[1])
window.set_default_size(320, 120)
window.add(Gtk.Label(label=sys.argv[1]))
window.connect("destroy", Gtk.main_quit)
window.show_all()
Gtk.main()

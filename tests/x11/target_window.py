#!/usr/bin/env python3
"""A target window for the X11 tests.

Shows a Tk window titled argv[1], prints "mapped <window id>" (the toplevel's own X window, whose
parent is the client window the window manager sees) once it is on screen, and "closed" when it
is closed (WM_DELETE_WINDOW, e.g. after Alt+F4), then exits with status 0.
"""
import sys
import tkinter as tk

root = tk.Tk()
root.title(sys.argv[1])
root.geometry("320x120+40+40")
tk.Label(root, text=sys.argv[1]).pack(expand=True)
announced = False


def on_map(event):
    global announced
    if event.widget is root and not announced:
        announced = True
        print("mapped", root.winfo_id(), flush=True)


root.bind("<Map>", on_map)
root.mainloop()
print("closed", flush=True)

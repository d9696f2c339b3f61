// A small X11 application to be closed: one top-level window with the title given on the command
// line, where the window manager places it unless --position X,Y asks for a place. It ends when
// asked to close, unless started with --ignore-close.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  std::string title = "TAMBREL Demo Target";
  bool ignore_close = false;
  bool placed = false;
  int x = 40, y = 40;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ignore-close") == 0) {
      ignore_close = true;
    } else if (std::strcmp(argv[i], "--title") == 0 && i + 1 < argc) {
      title = argv[++i];
    } else if (std::strcmp(argv[i], "--position") == 0 && i + 1 < argc &&
               std::sscanf(argv[++i], "%d,%d", &x, &y) == 2) {
      placed = true;
    } else {
      std::fprintf(stderr, "usage: %s [--title TITLE] [--position X,Y] [--ignore-close]\n",
                   argv[0]);
      return 2;
    }
  }
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    std::fprintf(stderr, "XOpenDisplay failed: no display\n");
    return 1;
  }
  const int screen = DefaultScreen(dpy);
  Window w = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), x, y, 360, 120, 1,
                                 BlackPixel(dpy, screen), 0xF0F0E0);
  if (placed) {
    // A place the user asked for: the window manager keeps it instead of choosing its own.
    XSizeHints hints{};
    hints.flags = USPosition;
    hints.x = x;
    hints.y = y;
    XSetWMNormalHints(dpy, w, &hints);
  }
  const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
  XChangeProperty(dpy, w, XInternAtom(dpy, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title.data()),
                  static_cast<int>(title.size()));
  XStoreName(dpy, w, title.c_str());
  // Who owns the window, as toolkits tell it: the process id and the machine it runs on.
  const long pid = getpid();
  XChangeProperty(dpy, w, XInternAtom(dpy, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  char* hosts[] = {host};
  XTextProperty machine{};
  if (XStringListToTextProperty(hosts, 1, &machine)) {
    XSetWMClientMachine(dpy, w, &machine);
    XFree(machine.value);
  }
  Atom wm_delete = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(dpy, w, &wm_delete, 1);
  XSelectInput(dpy, w, ExposureMask | StructureNotifyMask);
  XMapWindow(dpy, w);
  XFlush(dpy);
  const std::string label = ignore_close ? "I ignore close requests." : "Close me, please.";
  for (;;) {
    XEvent e;
    XNextEvent(dpy, &e);
    if (e.type == Expose) {
      XDrawString(dpy, w, DefaultGC(dpy, screen), 20, 60, label.c_str(),
                  static_cast<int>(label.size()));
    } else if (e.type == ClientMessage && static_cast<Atom>(e.xclient.data.l[0]) == wm_delete) {
      if (!ignore_close)
        break;
      std::fprintf(stderr, "close request ignored\n");
    }
  }
  XDestroyWindow(dpy, w);
  XCloseDisplay(dpy);
  return 0;
}

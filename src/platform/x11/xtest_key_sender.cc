#include "platform/x11/xtest_key_sender.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <string>
#include <utility>

#include "platform/error.h"
#include "platform/x11/x_error_trap.h"

namespace tambrel::x11 {

namespace {

KeyCode keycode_for(Display* display, KeySym keysym, const char* name) {
  const KeyCode code = XKeysymToKeycode(display, keysym);
  if (code == 0) {
    throw Error(std::string("XKeysymToKeycode failed: the keyboard has no ") + name + " key");
  }
  return code;
}

}  // namespace

XTestKeySender::XTestKeySender() : XTestKeySender(std::make_shared<x11::Connection>()) {}

XTestKeySender::XTestKeySender(std::shared_ptr<x11::Connection> connection)
    : connection_(std::move(connection)) {}

void XTestKeySender::send_alt_f4() {
  Display* display = connection_->display();
  int event_base = 0, error_base = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(display, &event_base, &error_base, &major, &minor)) {
    throw Error("XTestQueryExtension failed: the X server offers no XTEST extension");
  }
  const KeyCode alt = keycode_for(display, XK_Alt_L, "Alt_L");
  const KeyCode f4 = keycode_for(display, XK_F4, "F4");
  x11::ErrorTrap trap(display);
  XTestFakeKeyEvent(display, alt, True, CurrentTime);
  XTestFakeKeyEvent(display, f4, True, CurrentTime);
  XTestFakeKeyEvent(display, f4, False, CurrentTime);
  XTestFakeKeyEvent(display, alt, False, CurrentTime);
  if (const int code = trap.sync()) {
    throw Error("XTestFakeKeyEvent failed: " + x11::error_text(display, code));
  }
}

}  // namespace tambrel::x11

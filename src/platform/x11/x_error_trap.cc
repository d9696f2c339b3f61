#include "platform/x11/x_error_trap.h"

namespace tambrel::x11 {

namespace {
ErrorTrap* g_innermost_trap = nullptr;
}  // namespace

ErrorTrap::ErrorTrap(Display* display)
    : display_(display), outer_(g_innermost_trap), previous_handler_(XSetErrorHandler(on_error)) {
  g_innermost_trap = this;
}

ErrorTrap::~ErrorTrap() {
  XSync(display_, False);
  g_innermost_trap = outer_;
  XSetErrorHandler(previous_handler_);
}

int ErrorTrap::sync() {
  XSync(display_, False);
  return first_error_;
}

int ErrorTrap::on_error(Display* display, XErrorEvent* event) {
  for (ErrorTrap* trap = g_innermost_trap; trap != nullptr; trap = trap->outer_) {
    if (trap->display_ == display) {
      if (trap->first_error_ == 0)
        trap->first_error_ = event->error_code;
      return 0;
    }
  }
  // Not ours (e.g. the toolkit's connection): leave it to whoever handled it before.
  ErrorTrap* outermost = g_innermost_trap;
  while (outermost != nullptr && outermost->outer_ != nullptr)
    outermost = outermost->outer_;
  const XErrorHandler before = outermost != nullptr ? outermost->previous_handler_ : nullptr;
  return before != nullptr ? before(display, event) : 0;
}

std::string error_text(Display* display, int code) {
  char text[256] = {};
  XGetErrorText(display, code, text, sizeof text);
  return text;
}

}  // namespace tambrel::x11

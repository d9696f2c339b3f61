#include "platform/x11/x_connection.h"

#include <errno.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

#include "platform/error.h"

namespace tambrel::x11 {

namespace {

ErrorTrap* g_innermost_trap = nullptr;

void write_stderr(std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = write(STDERR_FILENO, text.data(), text.size());
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

/// Xlib's own handler prints a terse line and calls exit(), which runs static destructors that
/// may touch the dead connection again; say plainly what happened and leave at once.
int on_io_error(Display* display) {
  write_stderr(program_invocation_short_name);
  write_stderr(": lost the connection to X display ");
  write_stderr(display != nullptr ? DisplayString(display) : "?");
  write_stderr("; ending.\n");
  _exit(1);
}

}  // namespace

Connection::Connection() {
  const char* name = XDisplayName(nullptr);
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) {
    throw Error(std::string("XOpenDisplay failed: no display ") +
                (name != nullptr && *name != '\0' ? std::string("\"") + name + "\""
                                                  : std::string("(DISPLAY is not set)")));
  }
  XSetIOErrorHandler(on_io_error);
}

Connection::~Connection() {
  XCloseDisplay(display_);
}

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

#include "platform/x11/x_connection.h"

#include <X11/Xlib.h>

#include <errno.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

#include "platform/error.h"

namespace tambrel::x11 {

namespace {

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

}  // namespace tambrel::x11

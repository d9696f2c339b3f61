#pragma once

#include <X11/Xlib.h>

#include <string>

namespace tambrel::x11 {

/// While alive, X protocol errors on `display` are recorded instead of ending the program, so
/// a request on another client's window that vanished in the meantime is harmless. Traps nest.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display);
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  /// Waits for the server to process every request so far; the first error code among them, or
  /// 0 (Success) when there was none.
  int sync();

 private:
  static int on_error(Display* display, XErrorEvent* event);

  Display* display_;
  int first_error_ = 0;
  ErrorTrap* outer_;
  XErrorHandler previous_handler_;
};

/// A readable text for an X error code, e.g. "BadWindow (invalid Window parameter)".
std::string error_text(Display* display, int code);

}  // namespace tambrel::x11

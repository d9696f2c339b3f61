#pragma once

// No Xlib here: its macros (None, Bool, Status, ...) clash with other toolkits' headers.
struct _XDisplay;

namespace tambrel::x11 {

/// One Xlib connection to the display named by $DISPLAY. Losing the connection later ends the
/// program with a message on stderr (Xlib cannot continue after an I/O error).
class Connection {
 public:
  /// Opens $DISPLAY; throws Error("XOpenDisplay failed: ...") when it cannot.
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  /// The open display (Xlib's Display); valid for this object's life.
  _XDisplay* display() const { return display_; }

 private:
  _XDisplay* display_;
};

}  // namespace tambrel::x11

#pragma once

#include <gtest/gtest.h>  // before Xlib, which defines None

#include <X11/Xlib.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support.h"

// The test's own view of the X server, independent of the code under test.
namespace tambrel::testing {

/// The test's own connection to $DISPLAY; closed on destruction.
class TestDisplay {
 public:
  TestDisplay();
  ~TestDisplay();
  TestDisplay(const TestDisplay&) = delete;
  TestDisplay& operator=(const TestDisplay&) = delete;
  Display* get() const { return display_; }
  operator Display*() const { return display_; }
  Window root() const { return DefaultRootWindow(display_); }
  Atom atom(const char* name) const { return XInternAtom(display_, name, False); }

  /// The parent of `window` (0 when it is gone).
  Window parent_of(Window window) const;
  /// The root's children, bottom to top.
  std::vector<Window> stacking() const;
  /// The format-32 items of a property (atoms, windows); empty when absent.
  std::vector<unsigned long> items32(Window window, const char* property) const;
  /// The window still exists.
  bool exists(Window window) const;

 private:
  Display* display_;
};

/// A Tk window in its own process (target_window.py), titled as asked.
class TkWindow {
 public:
  /// Starts it and waits until it is on screen; throws when it does not appear in time.
  TkWindow(const TestDisplay& display, const std::string& title);
  /// The client window (what the window manager and the toolkit call the window).
  Window client() const { return client_; }
  Child& process() { return *process_; }
  /// Waits for the window's process to end; true when it ended cleanly after its window closed.
  bool closed_within(milliseconds timeout);

 private:
  std::unique_ptr<Child> process_;
  Window client_ = 0;
};

/// A window made by the test itself on its own connection.
struct RawWindow {
  /// Creates a window at x,y on `display`'s root, not yet mapped.
  RawWindow(const TestDisplay& display, int x, int y);
  ~RawWindow();
  RawWindow(const RawWindow&) = delete;
  RawWindow& operator=(const RawWindow&) = delete;

  /// Sets a property of format 8 holding `bytes`, of type `type` ("STRING", "UTF8_STRING").
  void set_text(const char* property, const char* type, const std::string& bytes);
  /// Lists WM_DELETE_WINDOW in WM_PROTOCOLS.
  void take_delete_window();
  /// Maps it and waits until it is viewable.
  void map();
  /// Destroys it now.
  void destroy();

  const TestDisplay& display;
  Window window;
};

/// An Xvfb of the test's own on the first free display from :90 to :99, for tests that need to
/// take a server away or run one without some extension. Ended on destruction.
class PrivateXServer {
 public:
  explicit PrivateXServer(const std::vector<std::string>& extra_args = {});
  const std::string& name() const { return name_; }
  Child& process() { return *process_; }

 private:
  std::string name_;
  std::unique_ptr<Child> process_;
};

}  // namespace tambrel::testing

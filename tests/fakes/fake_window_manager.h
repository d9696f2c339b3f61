#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/key_sender.h"
#include "platform/window_manager.h"

namespace tambrel::testing {

/// A desktop of titled windows with a foreground. Records every request.
class FakeWindowManager : public WindowManager {
 public:
  struct Window {
    WindowId id;
    std::string title;
    bool topmost = false;
    bool ignores_close = false;
    WindowOwner owner = {};  // what owner() tells; unknown by default
    bool takes_close_requests = true;
    std::optional<WindowId> input_blocked_by = std::nullopt;  // what input_blocked() tells
  };

  /// Adds a window and returns its id.
  WindowId open(std::string title, bool ignores_close = false);
  bool exists(WindowId id) const;
  Window* window(WindowId id);

  WindowId find_window(std::string_view title) override;
  void post_close(WindowId window) override;
  WindowId activate(std::string_view title) override;
  WindowId foreground_window() override { return foreground; }
  void set_topmost(WindowId window, bool topmost) override;
  WindowOwner owner(WindowId window) override;
  bool takes_close_requests(WindowId window) override;
  std::optional<WindowId> input_blocked(WindowId window) override;
  std::vector<ListedWindow> windows() override;

  std::vector<Window> open_windows;
  WindowId foreground = 0;
  /// When set, activation finds the window but the desktop keeps the foreground where it is.
  bool refuse_activation = false;
  /// Every call, e.g. "find Untitled", "post_close 2", "activate Un", "topmost 3 0".
  std::vector<std::string> calls;

 private:
  WindowId next_id_ = 100;
};

/// Records Alt+F4 keystrokes and closes whatever window is in front, as the real desktop would.
class RecordingKeySender : public KeySender {
 public:
  explicit RecordingKeySender(FakeWindowManager& windows) : windows_(windows) {}
  void send_alt_f4() override;

  /// The foreground window at each keystroke.
  std::vector<WindowId> sent_to;

 private:
  FakeWindowManager& windows_;
};

}  // namespace tambrel::testing

#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/form_view.h"
#include "platform/win32/accessibility.h"
#include "platform/win32/gdi_cache.h"

namespace tambrel::forms {
class Application;
}

namespace tambrel::win32 {

struct FormWindow;

/// Forms drawn with the system's own STATIC, EDIT and BUTTON controls, driven by one thread
/// timer. User input goes back to the forms runtime; the view decides nothing itself.
class Win32FormView : public FormView {
 public:
  /// Registers the window classes. `icon_id` names the application icon among the resources of
  /// `instance`; 0 leaves the system's default icon. What a screen reader is told goes through
  /// `accessibility`, the system's when null. Throws Error when registration fails.
  explicit Win32FormView(HINSTANCE instance, int icon_id = 0,
                         Accessibility* accessibility = nullptr);
  ~Win32FormView() override;
  Win32FormView(const Win32FormView&) = delete;
  Win32FormView& operator=(const Win32FormView&) = delete;

  void create(forms::Form& form) override;
  void show(forms::Form& form) override;
  void show_modal(forms::Form& form, forms::Form& owner) override;
  void destroy(forms::Form& form) override;
  void control_changed(forms::Form& form, forms::Control& control, Property what) override;
  void form_changed(forms::Form& form, Property what) override;
  WindowId native_window(forms::Form& form) override;
  void schedule_wake(std::optional<Millis> delay_ms) override;
  void announce(forms::Form& form, const forms::Control* control, std::string_view text) override;
  void message_box(std::string_view title, std::string_view text) override;
  void quit() override;

  /// The message loop: runs until quit().
  void run();
  /// Handles one message the way the loop does: Tab and Shift+Tab move through a form's
  /// controls, Enter and Escape activate nothing, everything else is dispatched.
  void process(MSG& msg);
  /// True once quit() has been called.
  bool quitting() const { return quit_; }
  /// The native window of `form`, or null when it has none.
  HWND form_window(const forms::Form& form) const;
  /// The native window of the control `name` of `form`, or null.
  HWND control_window(const forms::Form& form, std::string_view name) const;
  /// Reports an error that a window procedure caught (nothing may unwind through the system's
  /// code) on the runtime's one error path: one message box, then the end of the program.
  void fail(const std::string& what);

 private:
  static LRESULT CALLBACK form_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK edit_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK wake_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT on_form_message(FormWindow& fw, UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT on_command(FormWindow& fw, WPARAM wparam, LPARAM lparam);
  void on_user_moved(FormWindow& fw);
  void on_dpi_changed(FormWindow& fw, int dpi, const RECT& suggested);
  FormWindow* find(const forms::Form& form) const;
  FormWindow* find_window(HWND hwnd) const;
  /// Names the controls of a new window for a screen reader, and a dialog as one.
  void annotate(FormWindow& fw);

  HINSTANCE instance_;
  std::unique_ptr<Accessibility> own_accessibility_;
  Accessibility* accessibility_;
  /// The runtime whose forms this view draws; known from the first form it creates.
  forms::Application* app_ = nullptr;
  ATOM form_class_ = 0;
  ATOM wake_class_ = 0;
  /// Message-only window that owns the one wake-up timer, so every loop (modal ones, message
  /// boxes, a window being dragged) keeps the runtime's timers going.
  HWND wake_window_ = nullptr;
  FontCache fonts_;
  BrushCache brushes_;
  std::map<const forms::Form*, std::unique_ptr<FormWindow>> windows_;
  bool quit_ = false;
};

}  // namespace tambrel::win32

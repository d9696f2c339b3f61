#pragma once

#include <optional>
#include <string_view>

#include "platform/clock.h"
#include "platform/window_manager.h"

namespace tambrel::forms {
class Form;
class Control;
}  // namespace tambrel::forms

namespace tambrel {

/// What changed on a form or control, so a view can redraw just that.
enum class Property { kText, kEnabled, kBackColor, kForeColor, kValue, kGeometry, kToolTipText };

/// Draws forms with native controls and feeds user input back through Form's user_* calls.
/// A view decides nothing: every rule lives in the forms runtime.
class FormView {
 public:
  virtual ~FormView() = default;
  /// Creates the (hidden) native window and controls of a form that has just been loaded.
  virtual void create(forms::Form& form) = 0;
  /// Makes a created form visible, not modal.
  virtual void show(forms::Form& form) = 0;
  /// Shows a created form modally over `owner` and returns once it is destroyed or the program
  /// ends. Timers keep firing meanwhile.
  virtual void show_modal(forms::Form& form, forms::Form& owner) = 0;
  /// Destroys the native window of a form that is being unloaded.
  virtual void destroy(forms::Form& form) = 0;
  /// A property of `control` changed; the view shows it at once.
  virtual void control_changed(forms::Form& form, forms::Control& control, Property what) = 0;
  /// The window's Left, Top, Width or Height changed.
  virtual void form_changed(forms::Form& form, Property what) = 0;
  /// The native window of a form, as the window manager knows it; 0 when it has none.
  virtual WindowId native_window(forms::Form& form) = 0;
  /// Wakes the forms runtime (Application::fire_due) after `delay_ms`; nullopt: no timer is due.
  /// Replaces any earlier wake-up.
  virtual void schedule_wake(std::optional<Millis> delay_ms) = 0;
  /// Says `text` to assistive technology (a screen reader) at once, as news about `control` of
  /// `form` (null: about the window). A window not on screen says nothing.
  virtual void announce(forms::Form& form, const forms::Control* control,
                        std::string_view text) = 0;
  /// Shows a blocking error message box.
  virtual void message_box(std::string_view title, std::string_view text) = 0;
  /// Ends every event loop (modal ones included): the program is ending.
  virtual void quit() = 0;
};

}  // namespace tambrel

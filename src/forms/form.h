#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "forms/application.h"
#include "forms/control.h"
#include "forms/design.h"
#include "forms/timer.h"

namespace tambrel::forms {

/// A window. It is loaded when first shown: its controls and timers are created in their design
/// state, the view creates the native window, then the Load handler runs. Unloading runs the
/// Unload handler and discards controls and timers; the next show loads the form afresh.
class Form {
 public:
  Form(Application& app, FormDesign design) : app_(app), design_(std::move(design)) {}
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  Application& app() { return app_; }
  const FormDesign& design() const { return design_; }
  const std::string& name() const { return design_.name; }
  bool loaded() const { return loaded_; }

  /// The control called `name`; throws std::logic_error when the loaded form has none.
  Control& control(std::string_view name);
  /// The timer called `name`; throws std::logic_error when the loaded form has none.
  Timer& timer(std::string_view name);
  /// The loaded controls, in design order.
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }
  bool owns(const Timer* timer) const;

  /// Window edges and outer size in twips; screen positions.
  float left() const { return left_; }
  float top() const { return top_; }
  float width() const { return width_; }
  float height() const { return height_; }
  void set_left(float twips);
  void set_top(float twips);
  void set_width(float twips);
  void set_height(float twips);

  /// Event handlers, kept across loads.
  void on_load(std::function<void()> handler) { load_handler_ = std::move(handler); }
  void on_unload(std::function<void()> handler) { unload_handler_ = std::move(handler); }
  void on_click(std::string_view control, std::function<void()> handler);
  void on_dbl_click(std::string_view control, std::function<void()> handler);
  void on_timer(std::string_view timer, std::function<void()> handler);

  /// Loads the form when needed, then shows it, not modal.
  void show();
  /// Loads the form when needed and shows it modally over `owner`; returns once it is unloaded.
  void show_modal(Form& owner);
  /// Runs Unload, then discards the controls and timers and the native window. The program ends
  /// when no form is left loaded.
  void unload();

  /// Runs the Click handler of `control`, if it has one.
  void raise_click(std::string_view control);
  void raise_dbl_click(std::string_view control);
  void raise_timer(std::string_view timer);

  /// User input, reported by the view; each goes through the dispatch point.
  void user_click(std::string_view control);
  void user_set_value(std::string_view control, std::int16_t value);
  /// The user clicked the check box `control`: its value becomes clicked_value() of its value.
  void user_toggle(std::string_view control);
  void user_dbl_click(std::string_view control);
  void user_set_text(std::string_view control, std::string text);
  /// The user, or the desktop for `reason` ("session end"), asks the window to close.
  void user_close(std::string reason = "close box");
  /// While Unload runs after user_close: its reason; empty when code unloads the form.
  const std::string& close_reason() const { return close_reason_; }
  /// The user moved the window; the view already shows it there.
  void user_moved(float left, float top);

  /// Tells a screen reader of a change the user needs to hear, about `control` (null: about the
  /// window); nothing while the form is not loaded.
  void announce(const Control* control, std::string_view text);

 private:
  friend class Control;
  void load();
  void notify(Control& control, Property what);
  void notify_form(Property what);
  static void run(const std::map<std::string, std::function<void()>, std::less<>>& handlers,
                  std::string_view name);

  Application& app_;
  FormDesign design_;
  bool loaded_ = false;
  std::string close_reason_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<std::unique_ptr<Timer>> timers_;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::function<void()> load_handler_, unload_handler_;
  std::map<std::string, std::function<void()>, std::less<>> click_handlers_, dbl_click_handlers_,
      timer_handlers_;
};

}  // namespace tambrel::forms

#pragma once

#include <cstdint>
#include <string>

#include "forms/design.h"

namespace tambrel::forms {

class Form;

/// The value a user's click gives a check box holding `value`: a ticked box is cleared; an
/// unticked or greyed one is ticked. The one rule every view's check boxes follow.
std::int16_t clicked_value(std::int16_t value);

/// A control of a loaded form. Geometry, tab order, font, alignment and border keep their design
/// values; text, enabled state, colours, a check box's value and the tool tip change at run time,
/// and every change is shown by the form's view at once.
class Control {
 public:
  Control(Form& form, ControlDesign design) : form_(form), state_(std::move(design)) {}
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& name() const { return state_.name; }
  ControlKind kind() const { return state_.kind; }
  /// The control's current properties; the design fields that never change are included.
  const ControlDesign& props() const { return state_; }

  /// The caption of a label, check box or button; the text of a text box.
  const std::string& text() const { return state_.text; }
  void set_text(std::string text);
  bool enabled() const { return state_.enabled; }
  void set_enabled(bool enabled);
  Color back_color() const { return state_.back_color; }
  void set_back_color(Color color);
  Color fore_color() const { return state_.fore_color; }
  void set_fore_color(Color color);
  /// A check box's state: 0 unticked, 1 ticked, 2 greyed.
  std::int16_t value() const { return state_.value; }
  /// Assigns a check box's state and raises its Click exactly when the state changes.
  void set_value(std::int16_t value);
  /// The hint shown while the pointer rests on the control; empty shows none.
  const std::string& tool_tip_text() const { return state_.tool_tip_text; }
  void set_tool_tip_text(std::string text);

 private:
  Form& form_;
  ControlDesign state_;
};

}  // namespace tambrel::forms

#include "forms/control.h"

#include "forms/form.h"

namespace tambrel::forms {

std::int16_t clicked_value(std::int16_t value) {
  return value == 1 ? 0 : 1;
}

void Control::set_text(std::string text) {
  if (state_.text == text)
    return;
  state_.text = std::move(text);
  form_.notify(*this, Property::kText);
}

void Control::set_enabled(bool enabled) {
  if (state_.enabled == enabled)
    return;
  state_.enabled = enabled;
  form_.notify(*this, Property::kEnabled);
}

void Control::set_back_color(Color color) {
  if (state_.back_color == color)
    return;
  state_.back_color = color;
  form_.notify(*this, Property::kBackColor);
}

void Control::set_fore_color(Color color) {
  if (state_.fore_color == color)
    return;
  state_.fore_color = color;
  form_.notify(*this, Property::kForeColor);
}

void Control::set_value(std::int16_t value) {
  if (state_.value == value)
    return;
  state_.value = value;
  form_.notify(*this, Property::kValue);
  form_.raise_click(name());
}

void Control::set_tool_tip_text(std::string text) {
  if (state_.tool_tip_text == text)
    return;
  state_.tool_tip_text = std::move(text);
  form_.notify(*this, Property::kToolTipText);
}

}  // namespace tambrel::forms

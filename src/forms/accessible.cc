#include "forms/accessible.h"

#include "forms/form.h"

namespace tambrel::forms {

const Control* naming_label(Form& form, const Control& control) {
  const std::string& label = control.props().labelled_by;
  return label.empty() ? nullptr : &form.control(label);
}

std::string accessible_name(Form& form, const Control& control) {
  const Control* label = naming_label(form, control);
  std::string name = label ? label->text() : control.props().accessible_name;
  if (!name.empty() && control.kind() == ControlKind::kLabel)
    name += " " + control.text();
  return name;
}

std::string accessible_description(Form& form) {
  std::string text;
  if (!form.design().dialog)
    return text;
  for (const auto& control : form.controls()) {
    const std::string& line = control->text();
    if (control->kind() != ControlKind::kLabel || line.empty() || line == form.design().caption)
      continue;
    if (!text.empty())
      text += " ";
    text += line;
    // Each line is read as a sentence of its own.
    if (line.back() != '.')
      text += ".";
  }
  return text;
}

}  // namespace tambrel::forms

#pragma once

#include <string>

namespace tambrel::forms {

class Form;
class Control;

/// The label control whose caption names `control` for assistive technology, or null.
const Control* naming_label(Form& form, const Control& control);

/// The name a screen reader gives `control`: the caption of the label that names it, else the
/// name its design gives it. A label named so shows a value, not a caption: its text follows
/// the name ("EXE FILE: tambrel"). Empty: the control's own text or caption names it.
std::string accessible_name(Form& form, const Control& control);

/// What a screen reader reads when a dialog opens: the texts of its labels, top to bottom, one
/// sentence each, without the one that only repeats the window's caption. Empty for a form that
/// is not a dialog.
std::string accessible_description(Form& form);

}  // namespace tambrel::forms

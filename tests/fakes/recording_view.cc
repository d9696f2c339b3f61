#include "fakes/recording_view.h"

#include "forms/form.h"

namespace tambrel::testing {

void RecordingView::create(forms::Form& form) {
  events.push_back("create " + form.name());
}

void RecordingView::show(forms::Form& form) {
  events.push_back("show " + form.name());
}

void RecordingView::show_modal(forms::Form& form, forms::Form& owner) {
  events.push_back("modal " + form.name() + " over " + owner.name());
  if (while_modal)
    while_modal(form);
  if (form.loaded() && quits == 0)
    form.user_close();
}

void RecordingView::destroy(forms::Form& form) {
  events.push_back("destroy " + form.name());
}

void RecordingView::control_changed(forms::Form&, forms::Control& control, Property what) {
  std::string entry = control.name();
  switch (what) {
    case Property::kText:
      entry += " text=" + control.text();
      break;
    case Property::kEnabled:
      entry += " enabled=" + std::to_string(control.enabled());
      break;
    case Property::kBackColor:
      entry += " back=" + std::to_string(control.back_color());
      break;
    case Property::kForeColor:
      entry += " fore=" + std::to_string(control.fore_color());
      break;
    case Property::kValue:
      entry += " value=" + std::to_string(control.value());
      break;
    case Property::kToolTipText:
      entry += " tip=" + control.tool_tip_text();
      break;
    case Property::kGeometry:
      break;
  }
  changes.push_back(entry);
}

void RecordingView::form_changed(forms::Form& form, Property) {
  changes.push_back(form.name() + " geometry");
}

WindowId RecordingView::native_window(forms::Form& form) {
  return window_ids[form.name()];
}

void RecordingView::message_box(std::string_view title, std::string_view text) {
  message_boxes.push_back({std::string(title), std::string(text)});
}

}  // namespace tambrel::testing

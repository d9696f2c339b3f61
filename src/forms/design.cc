#include "forms/design.h"

#include <utility>

namespace tambrel::forms {

ControlDesign make_control(ControlKind kind, std::string name, std::string text, int left, int top,
                           int width, int height, int tab_index) {
  ControlDesign d{std::move(name),
                  kind,
                  std::move(text),
                  left,
                  top,
                  width,
                  height,
                  tab_index,
                  /*tab_stop=*/kind != ControlKind::kLabel,
                  Font{},
                  /*back_color=*/colors::kButtonFace,
                  /*fore_color=*/colors::kButtonText};
  if (kind == ControlKind::kTextBox) {
    d.back_color = colors::kWindowBackground;
    d.fore_color = colors::kWindowText;
    d.border = Border::kSingle;
  }
  return d;
}

ControlDesign make_banner(std::string name, std::string text, int left, int top, int width,
                          int height, int tab_index) {
  ControlDesign d = make_control(ControlKind::kLabel, std::move(name), std::move(text), left, top,
                                 width, height, tab_index);
  d.font = Font{"MS Sans Serif", 13.5, 400};
  d.back_color = colors::kBlack;
  d.fore_color = colors::kGreen;
  d.border = Border::kSingle;
  return d;
}

}  // namespace tambrel::forms

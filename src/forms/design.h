#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tambrel::forms {

/// A colour 0x00BBGGRR (red in the low byte), or 0x800000nn for system colour number nn.
using Color = std::uint32_t;

namespace colors {
inline constexpr Color kBlack = 0x00000000;
inline constexpr Color kGreen = 0x0000FF00;
inline constexpr Color kRed = 0x000000FF;
inline constexpr Color kWindowBackground = 0x80000005;  // system colour 5
inline constexpr Color kWindowText = 0x80000008;        // system colour 8
inline constexpr Color kButtonFace = 0x8000000F;        // system colour 15
inline constexpr Color kButtonText = 0x80000012;        // system colour 18
/// True for 0x800000nn values, which name a system colour instead of a fixed one.
constexpr bool is_system(Color c) {
  return (c & 0xFF000000u) == 0x80000000u;
}
/// The system colour number of a system colour value.
constexpr int system_index(Color c) {
  return static_cast<int>(c & 0xFFu);
}
}  // namespace colors

enum class ControlKind { kLabel, kTextBox, kCheckBox, kButton };
enum class Align { kLeft, kCenter, kRight };
enum class Border { kNone, kSingle };

struct Font {
  std::string face = "MS Sans Serif";
  double size_pt = 8.25;
  int weight = 400;  // 400 regular, 700 bold
  bool operator==(const Font&) const = default;
};

inline constexpr int kNoTabStop = -1;

/// One control as it stands before any code runs. Geometry is in twips (1/1440 inch), relative
/// to the window's client area.
struct ControlDesign {
  std::string name;
  ControlKind kind;
  std::string text;  // caption of a label, check box or button; text of a text box
  int left, top, width, height;
  int tab_index;
  bool tab_stop;
  Font font;
  Color back_color;
  Color fore_color;
  bool enabled = true;
  bool read_only = false;  // text boxes only
  Align align = Align::kLeft;
  Border border = Border::kNone;
  bool word_wrap = false;       // labels whose caption wraps over several lines
  std::int16_t value = 0;       // check boxes only: 0 unticked, 1 ticked, 2 greyed
  std::string tool_tip_text{};  // shown while the pointer rests on the control; empty: none
  /// For assistive technology (a screen reader): the label whose caption names this control, or,
  /// where no label does, a name of its own. Both empty: its own text or caption names it.
  std::string labelled_by{};
  std::string accessible_name{};
};

struct TimerDesign {
  std::string name;
  bool enabled;
  int interval_ms = 0;
};

/// A window as it stands before any code runs.
struct FormDesign {
  std::string name;
  std::string caption;
  int client_width, client_height;  // twips
  bool tool_window = true;          // fixed, thin title bar with a close box only, no taskbar
  bool centered = true;             // start-up position: centre of the screen
  std::vector<ControlDesign> controls;
  std::vector<TimerDesign> timers;
  /// A dialog to assistive technology, which reads its labels when it opens; else a frame.
  bool dialog = false;
};

/// A control design with the defaults of its kind: colours, border, tab stop and font.
ControlDesign make_control(ControlKind kind, std::string name, std::string text, int left, int top,
                           int width, int height, int tab_index);

/// A label drawn as a banner: MS Sans Serif 13.5 pt regular, green on black, single-line border.
ControlDesign make_banner(std::string name, std::string text, int left, int top, int width,
                          int height, int tab_index);

}  // namespace tambrel::forms

#include "window_models/tambrel_main.h"

#include <cstdio>
#include <cstdlib>

#include "window_models/tambrel_about.h"

namespace tambrel {

using forms::Align;
using forms::Border;
using forms::ControlDesign;
using forms::ControlKind;
using forms::Font;
namespace colors = forms::colors;

std::string seconds_field(int seconds) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", std::abs(seconds % 60));
  return buf;
}

namespace {

Font font(double size_pt, bool bold) {
  return Font{"MS Sans Serif", size_pt, bold ? 700 : 400};
}

ControlDesign label(std::string_view name, std::string text, int l, int t, int w, int h, int tab) {
  ControlDesign d =
      forms::make_control(ControlKind::kLabel, std::string(name), std::move(text), l, t, w, h, tab);
  d.font = font(9.75, true);
  return d;
}

/// A label drawn as a banner: green on black with a single-line border.
ControlDesign banner(std::string_view name, std::string text, int l, int t, int w, int h, int tab) {
  return forms::make_banner(std::string(name), std::move(text), l, t, w, h, tab);
}

ControlDesign text_box(std::string_view name, std::string text, int l, int t, int w, int h,
                       int tab) {
  return forms::make_control(ControlKind::kTextBox, std::string(name), std::move(text), l, t, w, h,
                             tab);
}

/// A read-only display box that the Tab key skips.
ControlDesign display(std::string_view name, std::string text, int l, int t, int w, int h, int tab,
                      Font f, bool enabled) {
  ControlDesign d = text_box(name, std::move(text), l, t, w, h, tab);
  d.font = std::move(f);
  d.align = Align::kCenter;
  d.read_only = true;
  d.tab_stop = false;
  d.enabled = enabled;
  return d;
}

ControlDesign countdown(std::string_view name, int l, int t, int w, int h, int tab) {
  ControlDesign d = text_box(name, "--", l, t, w, h, tab);
  d.back_color = colors::kBlack;
  d.fore_color = colors::kGreen;
  d.font = font(13.5, true);
  d.align = Align::kCenter;
  return d;
}

ControlDesign check_box(std::string_view name, std::string caption, int l, int t, int w, int h,
                        int tab, std::int16_t value) {
  ControlDesign d = forms::make_control(ControlKind::kCheckBox, std::string(name),
                                        std::move(caption), l, t, w, h, tab);
  d.value = value;
  d.word_wrap = true;
  return d;
}

ControlDesign button(std::string_view name, std::string caption, int l, int t, int w, int h,
                     int tab) {
  ControlDesign d = forms::make_control(ControlKind::kButton, std::string(name), std::move(caption),
                                        l, t, w, h, tab);
  d.word_wrap = true;
  return d;
}

/// Which label names which box for a screen reader, and the names of the boxes no label names.
struct BoxName {
  std::string_view box, label, name;
};
constexpr BoxName kBoxNames[] = {
    {APP_EXE_NAME_TEXTBOX, EXE_NAME_LABEL, {}},
    {WINDOW_NAME_TEXTBOX, WINDOW_NAME_LABEL, {}},
    {PROCESS_NAME_TEXTBOX, PROCESS_NAME_LABEL, {}},
    {PROCESS_STATE_TEXTBOX, PROCESS_STATE_LABEL, {}},
    {CLOSE_REQUEST_COUNTDOWN_TEXTBOX, CLOSE_REQUEST_LABEL, {}},
    {TAMBREL_UNLOAD_COUNDOWN_TEXTBOX, UNLOAD_ZIVU_OFF_LABEL, {}},
    {TERMINATE_COUNTDOWN_TEXTBOX[1], {}, "Minute 5"},
    {TERMINATE_COUNTDOWN_TEXTBOX[2], {}, "Minute 4"},
    {TERMINATE_COUNTDOWN_TEXTBOX[3], {}, "Minute 3"},
    {TERMINATE_COUNTDOWN_TEXTBOX[4], {}, "Minute 2"},
    {TERMINATE_COUNTDOWN_TEXTBOX[5], {}, "Minute 1"},
    {PROCESS_TERMINATED_COUNTDOWN_TEXTBOX, {}, "Auto-Terminate Result"},
};

void name_boxes(std::vector<ControlDesign>& controls) {
  for (const BoxName& n : kBoxNames) {
    for (ControlDesign& d : controls) {
      if (d.name == n.box) {
        d.labelled_by = std::string(n.label);
        d.accessible_name = std::string(n.name);
      }
    }
  }
}

}  // namespace

forms::FormDesign tambrel_main_design() {
  forms::FormDesign f;
  f.name = "TAMBREL_MAIN";
  f.caption = "MERIDOX - TAMBREL";
  f.client_width = 5775;
  f.client_height = 8835;

  auto& c = f.controls;
  ControlDesign title = banner(TAMBREL_TITLE, "MERIDOX - TAMBREL", 240, 120, 5295, 495, 14);
  title.align = Align::kCenter;
  c.push_back(title);
  c.push_back(label(EXE_NAME_LABEL, "EXE FILE:", 240, 840, 1095, 255, 26));
  c.push_back(banner(APP_EXE_NAME_TEXTBOX, "EXE NAME", 1440, 720, 4095, 495, 25));

  c.push_back(label(WINDOW_NAME_LABEL, "WINDOW NAME:", 240, 1320, 1815, 255, 15));
  ControlDesign window_name = text_box(WINDOW_NAME_TEXTBOX, "", 240, 1560, 5295, 375, 1);
  window_name.font = font(9.75, true);
  c.push_back(window_name);
  c.push_back(label(PROCESS_NAME_LABEL, "PROCESS NAME:", 240, 2040, 1935, 255, 18));
  ControlDesign process_name = text_box(PROCESS_NAME_TEXTBOX, "", 240, 2280, 5295, 375, 2);
  process_name.font = font(9.75, true);
  c.push_back(process_name);

  c.push_back(label(PROCESS_STATE_LABEL, "MONITORED PROCESS IS NOW:", 240, 2880, 3495, 375, 17));
  c.push_back(display(PROCESS_STATE_TEXTBOX, std::string(kNoState), 3720, 2850, 1815, 360, 16,
                      font(12, true), true));

  ControlDesign close_label =
      label(CLOSE_REQUEST_LABEL, "CLOSING WINDOW IN:", 1200, 3480, 2415, 375, 12);
  close_label.align = Align::kRight;
  c.push_back(close_label);
  c.push_back(countdown(CLOSE_REQUEST_COUNTDOWN_TEXTBOX, 3720, 3360, 615, 450, 3));
  ControlDesign unload_label =
      label(UNLOAD_ZIVU_OFF_LABEL, "EXITING 'TAMBREL' IN:", 240, 3960, 3375, 375, 13);
  unload_label.align = Align::kRight;
  c.push_back(unload_label);
  c.push_back(countdown(TAMBREL_UNLOAD_COUNDOWN_TEXTBOX, 3720, 3840, 615, 420, 4));

  c.push_back(check_box(WAIT_FOR_PROCESS_TICKBOX, "Wait For Process To End Before Exiting", 240,
                        4320, 3375, 495, 5, 1));
  c.push_back(
      check_box(SENDKEYS_TICKBOX, "Use SendKeys Alt-F4 Instead", 3600, 4320, 1935, 495, 6, 0));
  c.push_back(check_box(AUTOSTART_COUNTDOWN_TICKBOX, "AutoStart CountDown Timers", 240, 4920, 2655,
                        255, 7, 0));
  c.push_back(check_box(ALWAYS_ON_TOP_TICKBOX, "Always On Top", 3600, 4920, 1815, 255, 8, 1));
  c.push_back(check_box(AUTO_TERMINATE_TICKBOX,
                        "Auto-Terminate Process 5 Minutes After Close Request", 2040, 5280, 3255,
                        615, 9, 0));

  const int minute_left[6] = {0, 2040, 2400, 2760, 3120, 3480};
  const int minute_tab[6] = {0, 20, 19, 21, 22, 23};
  for (int n = 1; n <= 5; ++n) {
    c.push_back(display(TERMINATE_COUNTDOWN_TEXTBOX[n], std::to_string(6 - n), minute_left[n], 6000,
                        255, 285, minute_tab[n], font(8.25, true), false));
  }
  c.push_back(display(PROCESS_TERMINATED_COUNTDOWN_TEXTBOX, std::string(kNoState), 3840, 6000, 1695,
                      285, 24, font(9.75, true), false));

  c.push_back(button(ABOUT_BUTTON, "ABOUT", 240, 5280, 1575, 375, 11));
  c.push_back(
      button(TERMINATE_PROCESS_NOW_BUTTON, "TERMINATE PROCESS NOW", 240, 5760, 1575, 615, 10));
  ControlDesign stop_start =
      button(STOP_START_COUNTDOWN_BUTTON, std::string(kStopCountdown), 240, 6600, 5295, 615, 0);
  stop_start.font = font(12, true);
  c.push_back(stop_start);
  name_boxes(c);

  f.timers = {
      {std::string(MAIN_CLOSING_WINDOW_TIMER), true},
      {std::string(INTERNAL_CLOSE_COMMAND_TIMER), false},
      {std::string(ALT_F4_TIMER), false},
      {std::string(PROCESS_WATCHER_TIMER), true},
  };
  for (int n = 1; n <= 5; ++n)
    f.timers.push_back({std::string(AUTO_TERMINATE_TIMER[n]), false});
  f.timers.push_back({std::string(UNLOAD_TIMER), false});
  f.timers.push_back({std::string(AlwaysOnTopTimer), false});
  return f;
}

void save_main_settings(TambrelMain& m) {
  Settings& s = m.settings;
  s.save_geometry("MainLeft", m.left());
  s.save_geometry("MainTop", m.top());
  s.save_tick_state(ALWAYS_ON_TOP_TICKBOX, m[ALWAYS_ON_TOP_TICKBOX].value());
  s.save_text(WINDOW_NAME_TEXTBOX, m[WINDOW_NAME_TEXTBOX].text());
  s.save_tick_state(WAIT_FOR_PROCESS_TICKBOX, m[WAIT_FOR_PROCESS_TICKBOX].value());
  s.save_text(PROCESS_NAME_TEXTBOX, m[PROCESS_NAME_TEXTBOX].text());
  s.save_tick_state(AUTOSTART_COUNTDOWN_TICKBOX, m[AUTOSTART_COUNTDOWN_TICKBOX].value());
  s.save_tick_state(SENDKEYS_TICKBOX, m[SENDKEYS_TICKBOX].value());
}

void wind_down(TambrelMain& m) {
  m[TAMBREL_UNLOAD_COUNDOWN_TEXTBOX].set_text(std::string(kNoCountdown));
  m[CLOSE_REQUEST_COUNTDOWN_TEXTBOX].set_text(std::string(kNoCountdown));
  for (auto name : {INTERNAL_CLOSE_COMMAND_TIMER, ALT_F4_TIMER, MAIN_CLOSING_WINDOW_TIMER,
                    PROCESS_WATCHER_TIMER, UNLOAD_TIMER, AlwaysOnTopTimer}) {
    m.timer(name).set_enabled(false);
  }
}

void note_still_running(TambrelMain& m) {
  m.outcome.still_running =
      m[PROCESS_STATE_TEXTBOX].text() == kRunning ? m[PROCESS_NAME_TEXTBOX].text() : "";
}

TambrelMain::TambrelMain(forms::Application& app, Services& services)
    : forms::Form(app, tambrel_main_design()),
      services(services),
      settings(services.store, services.section) {}

TambrelMain::~TambrelMain() = default;

}  // namespace tambrel

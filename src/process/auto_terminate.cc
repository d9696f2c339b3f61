#include "process/auto_terminate.h"

#include "forms/accessible.h"
#include "process/queries.h"
#include "window_models/tambrel_main.h"

namespace tambrel {

namespace colors = forms::colors;

void AUTO_TERMINATE_TICKBOX_Click(TambrelMain& m) {
  const std::int16_t value = m[AUTO_TERMINATE_TICKBOX].value();
  if (value == 1) {
    m.timer(AUTO_TERMINATE_TIMER[1]).set_enabled(true);
    for (int n = 1; n <= 5; ++n)
      m[TERMINATE_COUNTDOWN_TEXTBOX[n]].set_enabled(true);
    m[PROCESS_TERMINATED_COUNTDOWN_TEXTBOX].set_enabled(true);
  } else {
    for (int n = 1; n <= 5; ++n)
      m.timer(AUTO_TERMINATE_TIMER[n]).set_enabled(false);
    for (int n = 1; n <= 5; ++n) {
      m[TERMINATE_COUNTDOWN_TEXTBOX[n]].set_back_color(colors::kWindowBackground);
    }
    for (int n = 1; n <= 5; ++n)
      m[TERMINATE_COUNTDOWN_TEXTBOX[n]].set_enabled(false);
    m[PROCESS_TERMINATED_COUNTDOWN_TEXTBOX].set_enabled(false);
  }
  m.settings.save_tick_state(AUTO_TERMINATE_TICKBOX, value);
}

void AUTO_TERMINATE_TIMER_Timer(TambrelMain& m, int n) {
  m[TERMINATE_COUNTDOWN_TEXTBOX[n]].set_back_color(colors::kRed);
  m[TERMINATE_COUNTDOWN_TEXTBOX[n]].set_fore_color(colors::kWindowBackground);
  if (n < 5) {
    forms::Control& box = m[TERMINATE_COUNTDOWN_TEXTBOX[n]];
    const int left = 5 - n;
    m.announce(&box, forms::accessible_name(m, box) + " is red: " + std::to_string(left) +
                         (left == 1 ? " minute" : " minutes") + " until the process is ended");
    m[TERMINATE_COUNTDOWN_TEXTBOX[n + 1]].set_back_color(colors::kGreen);
    m.timer(AUTO_TERMINATE_TIMER[n + 1]).set_enabled(true);
    m.timer(AUTO_TERMINATE_TIMER[n]).set_enabled(false);
    return;
  }
  forms::Control& result = m[PROCESS_TERMINATED_COUNTDOWN_TEXTBOX];
  // Green while the blocking request runs, so the user sees that termination is under way.
  result.set_back_color(colors::kGreen);
  const Termination t = TERMINATE_PROCESS_BY_NAME(m, "end of the five-minute chain");
  result.set_fore_color(colors::kWindowBackground);
  result.set_back_color(colors::kRed);
  result.set_text(std::string(t.all_ended ? kTerminated : kTerminationFailed));
  if (!t.all_ended) {
    m.outcome.termination_refused = true;
    m.outcome.termination_detail = t.result;
  }
  m.announce(&result, forms::accessible_name(m, result) + ": " + m[PROCESS_NAME_TEXTBOX].text() +
                          " " + result.text());
  m.timer(AUTO_TERMINATE_TIMER[5]).set_enabled(false);
}

void TERMINATE_PROCESS_NOW_BUTTON_Click(TambrelMain& m) {
  // Refusals change nothing on the form; the tool tip tells them.
  const Termination t = TERMINATE_PROCESS_BY_NAME(m, "TERMINATE PROCESS NOW");
  m[TERMINATE_PROCESS_NOW_BUTTON].set_tool_tip_text("Last press: " + t.result);
}

}  // namespace tambrel

#include "close_request/delivery.h"

#include "platform/error.h"
#include "window_models/tambrel_main.h"

namespace tambrel {

inline constexpr Millis kActivationPauseMs = 1000;

void INTERNAL_CLOSE_COMMAND_TIMER_Timer(TambrelMain& m) {
  const std::string& title = m[WINDOW_NAME_TEXTBOX].text();
  // An empty name names no window; the system lookups would take any untitled one.
  const WindowId window = title.empty() ? 0 : m.services.windows.find_window(title);
  if (m[PROCESS_STATE_TEXTBOX].text() == kRunning && m[SENDKEYS_TICKBOX].value() == 0) {
    m[CLOSE_REQUEST_COUNTDOWN_TEXTBOX].set_text(std::string(kNoCountdown));
    m[TAMBREL_UNLOAD_COUNDOWN_TEXTBOX].set_text(seconds_field(kUnloadSeconds - 1));
    // No window has that title: there is nobody to ask.
    if (window != 0)
      m.services.windows.post_close(window);
    m.timer(UNLOAD_TIMER).set_enabled(true);
    m.timer(INTERNAL_CLOSE_COMMAND_TIMER).set_enabled(false);
  } else {
    m.timer(INTERNAL_CLOSE_COMMAND_TIMER).set_enabled(false);
    m.timer(UNLOAD_TIMER).set_enabled(true);
  }
}

void ALT_F4_TIMER_Timer(TambrelMain& m) {
  if (m[PROCESS_STATE_TEXTBOX].text() == kRunning && m[SENDKEYS_TICKBOX].value() == 1) {
    m[CLOSE_REQUEST_COUNTDOWN_TEXTBOX].set_text(std::string(kNoCountdown));
    const std::string& title = m[WINDOW_NAME_TEXTBOX].text();
    // Every title begins with the empty text: the prefix rule would pick any window at all.
    if (title.empty())
      throw Error(
          "Activating a window failed: the window name is empty, and an empty name "
          "matches no window");
    const WindowId target = m.services.windows.activate(title);
    m.services.clock.sleep_ms(kActivationPauseMs);
    // Alt+F4 closes whatever is in front; if the target lost the foreground meanwhile (or was
    // never allowed to take it), the keystroke would close some other window, perhaps our own.
    if (m.services.windows.foreground_window() == target)
      m.services.keys.send_alt_f4();
    m.timer(UNLOAD_TIMER).set_enabled(true);
    m.timer(ALT_F4_TIMER).set_enabled(false);
  } else {
    m.timer(UNLOAD_TIMER).set_enabled(true);
    m.timer(ALT_F4_TIMER).set_enabled(false);
  }
}

void SENDKEYS_TICKBOX_Click(TambrelMain& m) {
  m.settings.save_tick_state(SENDKEYS_TICKBOX, m[SENDKEYS_TICKBOX].value());
}

}  // namespace tambrel

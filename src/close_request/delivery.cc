#include "close_request/delivery.h"

#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "window_models/activity.h"
#include "window_models/tambrel_main.h"

namespace tambrel {

inline constexpr Millis kActivationPauseMs = 1000;

namespace {

/// Says so when `window` is not the named process's: no window of that process had the title.
std::string another_programs(TambrelMain& m, WindowId window) {
  const std::string& name = m[PROCESS_NAME_TEXTBOX].text();
  const ProcessId pid = m.services.windows.owner(window).pid;
  if (pid == 0 || m.services.processes.owns(pid, name))
    return {};
  return ", which belongs to another program, not to " + quoted(name);
}

/// After a miss, what came close: the titles of the named process's windows, so that a title
/// that changed ("*Untitled 1 - Mousepad" once edited) shows; empty when it has none.
std::string titles_of_process(TambrelMain& m) {
  const std::string& name = m[PROCESS_NAME_TEXTBOX].text();
  std::vector<ListedWindow> listed;
  try {
    listed = m.services.windows.windows();
  } catch (const Error&) {
    return {};  // the lookup itself got through; a hint is not worth stopping the program for
  }
  std::string titles;
  for (const ListedWindow& w : listed) {
    if (!w.title.empty() && w.pid != 0 && m.services.processes.owns(w.pid, name))
      titles += (titles.empty() ? "" : ", ") + quoted(w.title);
  }
  return titles.empty() ? titles : "; the windows of " + quoted(name) + ": " + titles;
}

/// Says what the lookup of the typed title found, in the log's words, and keeps it as the window
/// name box's tool tip; `near` is what came close after a miss (titles_of_process).
std::string found(TambrelMain& m, const std::string& title, WindowId window,
                  const std::string& near) {
  const std::string what = window != 0 ? describe_window(m.services.windows, window) + " titled " +
                                             quoted(title) + another_programs(m, window)
                                       : "no window has the title " + quoted(title) + near;
  m[WINDOW_NAME_TEXTBOX].set_tool_tip_text("Last lookup: " + what);
  return what;
}

/// Why Alt+F4 would not reach `target` now, in the log's words; empty when it would.
std::string why_no_alt_f4(WindowManager& windows, WindowId target, const std::string& target_text) {
  // Alt+F4 closes whatever is in front; if the target lost the foreground meanwhile (or was
  // never allowed to take it), the keystroke would close some other window, perhaps our own.
  const WindowId front = windows.foreground_window();
  if (front != target) {
    return (front != 0 ? describe_window(windows, front) : "no window") + " is in front, not " +
           target_text;
  }
  // In front but disabled, by a modal dialog of its own: the keys would reach nothing.
  if (const std::optional<WindowId> dialog = windows.input_blocked(target)) {
    return target_text + " takes no keys: " +
           (*dialog != 0 ? "it is disabled by its own dialog, " + describe_window(windows, *dialog)
                         : "it is disabled");
  }
  return {};
}

}  // namespace

void INTERNAL_CLOSE_COMMAND_TIMER_Timer(TambrelMain& m) {
  const std::string title = m[WINDOW_NAME_TEXTBOX].text();
  // An empty name names no window; the system lookups would take any untitled one.
  const WindowId window = title.empty() ? 0 : m.services.windows.find_window(title);
  // Only a running process has windows to name.
  const std::string near = window == 0 && m[PROCESS_STATE_TEXTBOX].text() == kRunning
                               ? titles_of_process(m)
                               : std::string();
  const std::string what = found(m, title, window, near);
  const std::string& process_state = m[PROCESS_STATE_TEXTBOX].text();
  if (process_state == kRunning && m[SENDKEYS_TICKBOX].value() == 0) {
    m[CLOSE_REQUEST_COUNTDOWN_TEXTBOX].set_text(std::string(kNoCountdown));
    m[TAMBREL_UNLOAD_COUNDOWN_TEXTBOX].set_text(seconds_field(kUnloadSeconds - 1));
    // No window has that title: there is nobody to ask.
    if (window != 0 && !m.services.windows.takes_close_requests(window)) {
      // Asked to close it, the window manager would end its program: a kill, which is not ours
      // to do unless the user asks for it.
      log_event(m, "close request: " + what +
                       " takes no close requests, so none was sent; only TERMINATE PROCESS NOW "
                       "or the five-minute chain can end it");
    } else if (window != 0) {
      m.services.windows.post_close(window);
      log_event(m, "close request: posted to " + what);
      m.outcome.note_delivery(Delivery::kSent, "a close request went to " + what);
    } else {
      log_event(m, "close request: " + what + "; nothing was asked to close");
      m.outcome.note_delivery(Delivery::kNoWindow,
                              "no window had the title " + quoted(title) + " while " +
                                  quoted(m[PROCESS_NAME_TEXTBOX].text()) +
                                  " ran, so nothing was asked to close" + near);
    }
    m.timer(UNLOAD_TIMER).set_enabled(true);
    m.timer(INTERNAL_CLOSE_COMMAND_TIMER).set_enabled(false);
  } else {
    // The Alt+F4 timer notes its own delivery.
    if (process_state != kRunning) {
      const std::string why = "the process state of " + quoted(m[PROCESS_NAME_TEXTBOX].text()) +
                              " is " + process_state + ", not " + std::string(kRunning);
      log_event(m, "close request skipped: " + why);
      m.outcome.note_delivery(Delivery::kNotRunning, "no close request: " + why);
    } else if (m[SENDKEYS_TICKBOX].value() != 1) {
      log_event(m, "close request skipped: \"Use SendKeys Alt-F4 Instead\" is greyed");
      m.outcome.note_delivery(Delivery::kNotChosen,
                              "no close request: \"Use SendKeys Alt-F4 Instead\" is greyed");
    }
    m.timer(INTERNAL_CLOSE_COMMAND_TIMER).set_enabled(false);
    m.timer(UNLOAD_TIMER).set_enabled(true);
  }
  // Both delivery timers start it; this one says so for both.
  log_event(m, "exit countdown started: " + std::to_string(kUnloadSeconds) + " s");
}

void ALT_F4_TIMER_Timer(TambrelMain& m) {
  if (m[PROCESS_STATE_TEXTBOX].text() == kRunning && m[SENDKEYS_TICKBOX].value() == 1) {
    m[CLOSE_REQUEST_COUNTDOWN_TEXTBOX].set_text(std::string(kNoCountdown));
    const std::string title = m[WINDOW_NAME_TEXTBOX].text();
    // Every title begins with the empty text: the prefix rule would pick any window at all.
    if (title.empty())
      throw Error(
          "Activating a window failed: the window name is empty, and an empty name "
          "matches no window");
    const WindowId target = m.services.windows.activate(title);
    const std::string target_text =
        describe_window(m.services.windows, target) + another_programs(m, target);
    m[WINDOW_NAME_TEXTBOX].set_tool_tip_text("Last lookup: " + target_text + " activated for " +
                                             quoted(title));
    log_event(m, "close request: activated " + target_text + " for " + quoted(title));
    m.services.clock.sleep_ms(kActivationPauseMs);
    const std::string refusal = why_no_alt_f4(m.services.windows, target, target_text);
    if (refusal.empty()) {
      m.services.keys.send_alt_f4();
      log_event(m, "close request: Alt+F4 sent to " + target_text);
      m.outcome.note_delivery(Delivery::kSent, "Alt+F4 went to " + target_text);
    } else {
      log_event(m, "close request: Alt+F4 skipped: " + refusal);
      m.outcome.note_delivery(Delivery::kAltF4NotSent, "Alt+F4 was not sent: " + refusal);
    }
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

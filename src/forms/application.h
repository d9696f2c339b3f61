#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/form_view.h"

namespace tambrel::forms {

class Form;
class Timer;

/// Thrown by Application::end_program to unwind whatever handler was running; the dispatch
/// point swallows it. Deliberately not a std::exception.
struct ProgramEnded {};

/// The forms runtime of one program: the timers of every loaded form, scheduled on one Clock, and
/// the one dispatch point through which every user event and timer tick enters the program.
class Application {
 public:
  Application(Clock& clock, FormView& view) : clock_(clock), view_(view) {}
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  Clock& clock() { return clock_; }
  FormView& view() { return view_; }

  /// Runs `handler`. An error that escapes it is shown in one message box and ends the program;
  /// once the program has ended, nothing runs any more. Re-arms the view's wake-up afterwards.
  void dispatch(const std::function<void()>& handler);
  /// Also tells `listener` about an error that ends the program, before the message box shows.
  void on_error(std::function<void(const std::string&)> listener) {
    error_listener_ = std::move(listener);
  }
  /// Ends the program at once: every event loop stops and the running handler is unwound.
  [[noreturn]] void end_program();
  /// Reports an error that reached a view outside the dispatch point (a system call that failed
  /// while drawing) as the dispatch point does: one message box, then the end of the program. A
  /// handler running meanwhile is unwound at its next change to a control.
  void fail(const std::string& what);
  bool ended() const { return ended_; }
  /// True when the program ended on an error.
  bool failed() const { return failed_; }

  /// When the earliest active timer is due, or nullopt when none is active.
  std::optional<Millis> next_due() const;
  /// Fires every timer that is due now, in the order the timers were created; each tick goes
  /// through the dispatch point. A late timer fires once and returns to its grid.
  void fire_due();

  /// Title of the message box that reports an error.
  static constexpr const char* kErrorTitle = "TAMBREL";

 private:
  friend class Timer;
  friend class Form;
  void add_timer(Timer* timer);
  void remove_timer(Timer* timer);
  void form_loaded(Form* form);
  /// Ends the program when no form is left loaded.
  void form_unloaded(Form* form);
  void report_error(const std::string& what);
  void rearm_view();
  /// Unwinds the running handler when fail() was called during it.
  void unwind_if_failed();

  Clock& clock_;
  FormView& view_;
  std::vector<Timer*> timers_;
  unsigned timers_generation_ = 0;
  std::vector<Form*> loaded_forms_;
  std::function<void(const std::string&)> error_listener_;
  bool ended_ = false;
  bool failed_ = false;
  /// Set by fail() while a handler runs: the handler is to be unwound.
  bool unwind_ = false;
  int depth_ = 0;
};

}  // namespace tambrel::forms

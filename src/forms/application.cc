#include "forms/application.h"

#include <algorithm>
#include <exception>

#include "forms/form.h"
#include "forms/timer.h"

namespace tambrel::forms {

void Application::dispatch(const std::function<void()>& handler) {
  if (ended_)
    return;
  ++depth_;
  try {
    handler();
  } catch (const ProgramEnded&) {
    // The program ended inside the handler; nothing more to do.
  } catch (const std::exception& e) {
    report_error(e.what());
  } catch (...) {
    report_error("An unknown error occurred.");
  }
  if (--depth_ == 0)
    unwind_ = false;
  rearm_view();
}

void Application::report_error(const std::string& what) {
  if (ended_)
    return;
  ended_ = true;
  failed_ = true;
  if (error_listener_)
    error_listener_(what);
  const std::string text = "TAMBREL has stopped because of an error:\n\n" + what;
  // Heard even where the box does not get the focus (a timer's error while another program's
  // window is in front): through the first window, the main one.
  if (!loaded_forms_.empty())
    loaded_forms_.front()->announce(nullptr, text);
  view_.message_box(kErrorTitle, text);
  view_.quit();
}

void Application::fail(const std::string& what) {
  report_error(what);
  if (depth_ > 0)
    unwind_ = true;
}

void Application::unwind_if_failed() {
  if (unwind_ && depth_ > 0)
    throw ProgramEnded{};
}

void Application::end_program() {
  if (!ended_) {
    ended_ = true;
    view_.quit();
  }
  throw ProgramEnded{};
}

void Application::rearm_view() {
  if (ended_) {
    view_.schedule_wake(std::nullopt);
    return;
  }
  const auto due = next_due();
  if (!due) {
    view_.schedule_wake(std::nullopt);
    return;
  }
  view_.schedule_wake(std::max<Millis>(0, *due - clock_.now_ms()));
}

std::optional<Millis> Application::next_due() const {
  std::optional<Millis> best;
  for (const Timer* t : timers_) {
    if (t->active() && (!best || t->due_ms_ < *best))
      best = t->due_ms_;
  }
  return best;
}

void Application::fire_due() {
  // Handlers may enable, disable, create or destroy timers; after any change to the set of
  // timers the scan starts over, skipping those that already fired in this pass.
  std::vector<const Timer*> fired;
  bool rescan = true;
  while (rescan && !ended_) {
    rescan = false;
    const unsigned generation = timers_generation_;
    for (std::size_t i = 0; i < timers_.size() && !ended_; ++i) {
      Timer* t = timers_[i];
      if (!t->active() || std::find(fired.begin(), fired.end(), t) != fired.end())
        continue;
      const Millis now = clock_.now_ms();
      if (t->due_ms_ > now)
        continue;
      fired.push_back(t);
      // Back onto the grid: the first grid point after now. Missed ticks are not made up.
      const Millis interval = t->interval_ms_;
      t->due_ms_ += interval * ((now - t->due_ms_) / interval + 1);
      Form* form = nullptr;
      for (Form* f : loaded_forms_) {
        if (f->owns(t))
          form = f;
      }
      if (form) {
        const std::string name = t->name();
        dispatch([form, &name] { form->raise_timer(name); });
      }
      if (generation != timers_generation_) {
        rescan = true;
        break;
      }
    }
  }
  rearm_view();
}

void Application::add_timer(Timer* timer) {
  timers_.push_back(timer);
  ++timers_generation_;
}

void Application::remove_timer(Timer* timer) {
  std::erase(timers_, timer);
  ++timers_generation_;
}

void Application::form_loaded(Form* form) {
  loaded_forms_.push_back(form);
}

void Application::form_unloaded(Form* form) {
  std::erase(loaded_forms_, form);
  if (loaded_forms_.empty())
    end_program();
}

}  // namespace tambrel::forms

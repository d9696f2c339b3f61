#include "forms/form.h"

#include <stdexcept>

namespace tambrel::forms {

Form::~Form() {
  if (loaded_)
    app_.view().destroy(*this);
}

Control& Form::control(std::string_view name) {
  for (auto& c : controls_) {
    if (c->name() == name)
      return *c;
  }
  throw std::logic_error(design_.name + " has no control " + std::string(name));
}

Timer& Form::timer(std::string_view name) {
  for (auto& t : timers_) {
    if (t->name() == name)
      return *t;
  }
  throw std::logic_error(design_.name + " has no timer " + std::string(name));
}

bool Form::owns(const Timer* timer) const {
  for (const auto& t : timers_) {
    if (t.get() == timer)
      return true;
  }
  return false;
}

void Form::set_left(float twips) {
  left_ = twips;
  notify_form(Property::kGeometry);
}
void Form::set_top(float twips) {
  top_ = twips;
  notify_form(Property::kGeometry);
}
void Form::set_width(float twips) {
  width_ = twips;
  notify_form(Property::kGeometry);
}
void Form::set_height(float twips) {
  height_ = twips;
  notify_form(Property::kGeometry);
}

void Form::on_click(std::string_view control, std::function<void()> handler) {
  click_handlers_.insert_or_assign(std::string(control), std::move(handler));
}
void Form::on_dbl_click(std::string_view control, std::function<void()> handler) {
  dbl_click_handlers_.insert_or_assign(std::string(control), std::move(handler));
}
void Form::on_timer(std::string_view timer, std::function<void()> handler) {
  timer_handlers_.insert_or_assign(std::string(timer), std::move(handler));
}

void Form::load() {
  for (const auto& d : design_.controls)
    controls_.push_back(std::make_unique<Control>(*this, d));
  for (const auto& d : design_.timers)
    timers_.push_back(std::make_unique<Timer>(app_, d));
  loaded_ = true;
  app_.form_loaded(this);
  app_.view().create(*this);
  if (load_handler_)
    load_handler_();
}

void Form::show() {
  if (!loaded_)
    load();
  app_.view().show(*this);
}

void Form::show_modal(Form& owner) {
  if (!loaded_)
    load();
  app_.view().show_modal(*this, owner);
  // An error or the exit procedure may have ended the program while the window was open; the
  // handler that opened it must not go on.
  if (app_.ended())
    throw ProgramEnded{};
}

void Form::unload() {
  if (!loaded_)
    return;
  if (unload_handler_)
    unload_handler_();
  app_.view().destroy(*this);
  timers_.clear();
  controls_.clear();
  loaded_ = false;
  app_.form_unloaded(this);
}

void Form::run(const std::map<std::string, std::function<void()>, std::less<>>& handlers,
               std::string_view name) {
  const auto it = handlers.find(name);
  if (it != handlers.end())
    it->second();
}

void Form::raise_click(std::string_view control) {
  run(click_handlers_, control);
}
void Form::raise_dbl_click(std::string_view control) {
  run(dbl_click_handlers_, control);
}
void Form::raise_timer(std::string_view timer) {
  run(timer_handlers_, timer);
}

void Form::user_click(std::string_view control) {
  const std::string name(control);
  app_.dispatch([this, &name] {
    if (loaded_)
      raise_click(name);
  });
}

void Form::user_set_value(std::string_view control, std::int16_t value) {
  const std::string name(control);
  app_.dispatch([this, &name, value] {
    if (loaded_)
      this->control(name).set_value(value);
  });
}

void Form::user_toggle(std::string_view control) {
  const std::string name(control);
  app_.dispatch([this, &name] {
    if (loaded_) {
      Control& box = this->control(name);
      box.set_value(clicked_value(box.value()));
    }
  });
}

void Form::user_dbl_click(std::string_view control) {
  const std::string name(control);
  app_.dispatch([this, &name] {
    if (loaded_)
      raise_dbl_click(name);
  });
}

void Form::user_set_text(std::string_view control, std::string text) {
  const std::string name(control);
  app_.dispatch([this, &name, &text] {
    if (loaded_)
      this->control(name).set_text(std::move(text));
  });
}

void Form::user_close(std::string reason) {
  app_.dispatch([this, &reason] {
    close_reason_ = std::move(reason);
    unload();
    close_reason_.clear();
  });
}

void Form::user_moved(float left, float top) {
  left_ = left;
  top_ = top;
}

void Form::announce(const Control* control, std::string_view text) {
  if (loaded_)
    app_.view().announce(*this, control, text);
}

void Form::notify(Control& control, Property what) {
  if (loaded_)
    app_.view().control_changed(*this, control, what);
  app_.unwind_if_failed();
}

void Form::notify_form(Property what) {
  if (loaded_)
    app_.view().form_changed(*this, what);
  app_.unwind_if_failed();
}

}  // namespace tambrel::forms

#include "shell/startup.h"

#include "platform/visible_text.h"
#include "shell/load_unload.h"
#include "window_models/activity.h"

namespace tambrel {

namespace {

/// A message box's text on one line: its line breaks become spaces, other control characters
/// are written out.
std::string one_line(std::string_view text) {
  std::string joined;
  for (const char c : text) {
    if (c == '\n' || c == '\r') {
      if (!joined.empty() && joined.back() != ' ')
        joined += ' ';
    } else {
      joined += c;
    }
  }
  return visible_text(joined);
}

}  // namespace

Program::Program(FormView& view, Services services)
    : services_(std::move(services)), app_(services_.clock, view) {
  app_.on_error([this](const std::string& what) {
    if (main_)
      main_->exit_stated = true;
    services_.log.record("exit: error: " + what);
    // Before the box shows: a script whose box nobody sees still hears why.
    if (tell_)
      tell_(services_.section + ": stopped on an error: " + one_line(what));
  });
}

Program::~Program() = default;

void Program::start(const std::vector<std::string>& desktop) {
  services_.log.record("start: TAMBREL " TAMBREL_VERSION_TEXT ", copy " +
                       quoted(services_.section) + ", settings in " +
                       services_.store.location(services_.section));
  for (const std::string& line : desktop)
    services_.log.record(line);
  app_.dispatch([this] {
    main_ = std::make_unique<TambrelMain>(app_, services_);
    // Of several windows that answer the title alike, the named process's own come first.
    services_.windows.prefer([this](std::uint32_t pid) {
      return pid != 0 && main_ &&
             services_.processes.owns(pid, (*main_)[PROCESS_NAME_TEXTBOX].text());
    });
    wire_handlers(*main_);
    main_->show();
  });
}

Outcome Program::outcome() const {
  Outcome o = main_ ? main_->outcome : Outcome{};
  if (app_.failed())
    o.ending = Ending::kError;
  return o;
}

int Program::finish() {
  const std::string line = summary(outcome(), services_.section);
  // A title may hold control characters; the line stays one line.
  if (!line.empty() && tell_)
    tell_(visible_text(line));
  return exit_status();
}

void Program::close_for(std::string reason) {
  if (app_.ended() || !main_)
    return;
  if (main_->loaded())
    main_->user_close(std::move(reason));
  // The About window may still be open over it: the program ends all the same.
  if (!app_.ended())
    app_.dispatch([this] { app_.end_program(); });
}

}  // namespace tambrel

#include "shell/startup.h"

#include "shell/load_unload.h"
#include "window_models/activity.h"

namespace tambrel {

Program::Program(FormView& view, Services services)
    : services_(std::move(services)), app_(services_.clock, view) {
  app_.on_error([this](const std::string& what) {
    if (main_)
      main_->exit_stated = true;
    services_.log.record("exit: error: " + what);
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

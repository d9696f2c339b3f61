// TAMBREL for the Linux desktop: Qt Widgets windows, the window manager of the session (X11, or
// the compositor's own interface on Wayland), /proc and an INI settings file per executable name.
#include <cstdio>
#include <string>
#include <vector>

#include <cstdio>

#include "platform/clock.h"
#include "platform/exe_name.h"
#include "platform/linux/procfs_process_table.h"
#include "platform/log_file.h"
#include "platform/qt/activity_log_path.h"
#include "platform/qt/desktop.h"
#include "platform/qt/desktop_application.h"
#include "platform/qt/qsettings_store.h"
#include "platform/qt/qt_form_view.h"
#include "platform/wayland/session_choice.h"
#include "shell/command_line.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
  // ---- command line: answered before anything needs a display ----
  {
    const char* argv0 = argc > 0 ? argv[0] : "tambrel";
    const std::string section = tambrel::section_from_path(argv0);
    const tambrel::CopyPlaces places{
        tambrel::program_name(argv0), section, tambrel::qt::QSettingsStore().location(section),
        tambrel::qt::activity_log_path(section).string(), tambrel::wayland::kDesktopsReached};
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (const auto answer = tambrel::answer_command_line(arguments, places)) {
      std::fputs(answer->text.c_str(), answer->is_error() ? stderr : stdout);
      return answer->status;
    }
  }
  // ---- end of command line ----

  // Qt is not shown the arguments: there are none by now.
  int qt_argc = 1;
  char* qt_argv[] = {argc > 0 ? argv[0] : const_cast<char*>("tambrel"), nullptr};
  tambrel::qt::prefer_xwayland_for_own_window();
  tambrel::qt::DesktopApplication application(qt_argc, qt_argv);

  tambrel::SteadyClock clock;
  tambrel::qt::Desktop desktop;
  tambrel::procfs::ProcfsProcessTable processes;
  tambrel::qt::QSettingsStore store;
  tambrel::qt::QtFormView view;
  // A renamed copy or a symlink keeps its own settings section, and its own log.
  const std::string section = tambrel::section_from_path(qt_argv[0]);
  const auto log_path = tambrel::qt::activity_log_path(section);
  tambrel::LogFile log(log_path, [&log_path](const std::string& why) {
    std::fprintf(stderr,
                 "tambrel: the activity log %s cannot be written (%s); going on without it\n",
                 log_path.empty() ? "(no HOME)" : log_path.c_str(), why.c_str());
  });
  tambrel::Program program(
      view, {clock, desktop.windows(), desktop.keys(), processes, store, section, log});
  program.start();
  if (!program.app().ended())
    view.run();
  return program.exit_status();
}

// TAMBREL for the Linux desktop: Qt Widgets windows, the window manager of the session (X11, or
// the compositor's own interface on Wayland), /proc and an INI settings file per executable name.
#include <QCoreApplication>
#include <QSessionManager>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/exe_name.h"
#include "platform/linux/name_to_type.h"
#include "platform/linux/procfs_process_table.h"
#include "platform/log_file.h"
#include "platform/qt/desktop.h"
#include "platform/qt/desktop_application.h"
#include "platform/qt/end_signals.h"
#include "platform/qt/qt_form_view.h"
#include "platform/wayland/session_choice.h"
#include "platform/xdg/activity_log_path.h"
#include "platform/xdg/ini_file_store.h"
#include "shell/command_line.h"
#include "shell/startup.h"
#include "shell/window_list.h"

int main(int argc, char** argv) {
  // ---- command line: answered before anything needs a display ----
  {
    const char* argv0 = argc > 0 ? argv[0] : "tambrel";
    const std::string section = tambrel::file_name_of(argv0);
    const tambrel::CopyPlaces places{
        tambrel::program_name(argv0), section, tambrel::xdg::IniFileStore().location(section),
        tambrel::xdg::activity_log_path(section).string(), tambrel::wayland::kDesktopsReached};
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (auto answer = tambrel::answer_command_line(arguments, places)) {
      if (answer->list_windows) {
        // The desktop's windows, through the same door a close request takes; no window of our
        // own, so no display is needed beyond the one being listed.
        int core_argc = 1;
        char* core_argv[] = {const_cast<char*>(argv0), nullptr};
        QCoreApplication core(core_argc, core_argv);
        std::optional<tambrel::qt::Desktop> desktop;
        *answer = tambrel::window_list_answer(
            places.program,
            [&] {
              desktop.emplace();
              if (desktop->choice().backend == tambrel::wayland::DesktopBackend::xwayland_only)
                std::fprintf(stderr, "%s: on %s only X11/XWayland windows can be listed\n",
                             places.program.c_str(), desktop->choice().desktop.c_str());
              return desktop->windows().windows();
            },
            [](const tambrel::ListedWindow& w) { return tambrel::procfs::name_to_type_of(w.pid); });
      }
      std::FILE* out = answer->is_error() ? stderr : stdout;
      // A script that asked for the text must hear when it did not get it.
      if (std::fputs(answer->text.c_str(), out) < 0 || std::fflush(out) != 0) {
        std::fprintf(stderr, "%s: writing to standard output failed: %s\n", places.program.c_str(),
                     std::strerror(errno));
        return tambrel::kExitError;
      }
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
  tambrel::xdg::IniFileStore store;
  tambrel::qt::QtFormView view;
  // A renamed copy or a symlink keeps its own settings section, and its own log: the whole file
  // name, so tambrel.work and tambrel.home keep two.
  const std::string section = tambrel::file_name_of(qt_argv[0]);
  const auto log_path = tambrel::xdg::activity_log_path(section);
  tambrel::LogFile log(log_path, [&log_path](const std::string& why) {
    std::fprintf(stderr,
                 "tambrel: the activity log %s cannot be written (%s); going on without it\n",
                 log_path.c_str(), why.c_str());
  });
  tambrel::Program program(
      view, {clock, desktop.windows(), desktop.keys(), processes, store, section, log});

  // ---- ended from outside: a signal, the end of the desktop session ----
  // Saved as the close box saves. Once the program has ended, only an error message can still
  // be open: it goes too.
  auto end_from_outside = [&program](std::string reason) {
    if (program.app().ended())
      QApplication::closeAllWindows();
    else
      program.close_for(std::move(reason));
  };
  tambrel::qt::EndSignals end_signals([&](int signal) {
    end_from_outside(signal == SIGTERM  ? "signal SIGTERM"
                     : signal == SIGHUP ? "signal SIGHUP"
                                        : "signal SIGINT");
  });
  QObject::connect(&application, &QGuiApplication::commitDataRequest,
                   [&](QSessionManager&) { end_from_outside("session end"); });
  // ---- end of ended from outside ----

  program.tell_starter_with(
      [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
  program.start(desktop.statements());
  if (!program.app().ended())
    view.run();
  return program.finish();
}

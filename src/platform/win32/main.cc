// tambrel.exe: the Windows backends and the native view, wired into the program.
#include <windows.h>

#include <exception>

#include "platform/clock.h"
#include "platform/log_file.h"
#include "platform/win32/activity_log_path.h"
#include "platform/win32/console.h"
#include "platform/win32/own_executable.h"
#include "platform/win32/registry_store.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/send_input_key_sender.h"
#include "platform/win32/utf.h"
#include "platform/win32/win32_form_view.h"
#include "platform/win32/win32_window_manager.h"
#include "platform/win32/win_error.h"
#include "platform/win32/wmi_process_table.h"
#include "shell/command_line.h"
#include "shell/startup.h"
#include "shell/window_list.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace tambrel;
  try {
    // ---- command line: answered before any window opens ----
    {
      const std::string section = win32::own_executable_section();
      const CopyPlaces places{program_name(win32::own_executable_path()),
                              section,
                              win32::RegistryStore().location(section),
                              win32::to_utf8(win32::activity_log_path(section).wstring()),
                              "",
                              /*windows=*/true};
      if (auto answer = answer_command_line(win32::command_line_arguments(), places)) {
        if (answer->list_windows) {
          win32::Win32WindowManager windows;
          *answer = window_list_answer(
              places.program, [&] { return windows.windows(); },
              [&](const ListedWindow& w) { return windows.owner(w.id).image; });
        }
        // A script that asked for the text must hear when it did not get it.
        if (!win32::tell_user(answer->text, answer->is_error())) {
          win32::tell_console(places.program + ": writing to standard output failed: " +
                              win32::error_text(GetLastError()));
          return kExitError;
        }
        return answer->status;
      }
    }
    // ---- end of command line ----
    SteadyClock clock;
    win32::Win32WindowManager windows;
    win32::SendInputKeySender keys;
    win32::WmiProcessTable processes;
    win32::RegistryStore store;
    win32::Win32FormView view(instance, IDI_TAMBREL);
    const std::string section = win32::own_executable_section();
    // A GUI program has nowhere to say that its log cannot be written: it goes on without it.
    LogFile log(win32::activity_log_path(section), nullptr);
    Program program(view, Services{clock, windows, keys, processes, store, section, log});
    program.tell_starter_with(win32::tell_console);
    program.start();
    if (!program.app().ended())
      view.run();
    return program.finish();
  } catch (const std::exception& e) {
    // Only the set-up can get here: everything after start() goes through the dispatch point.
    win32::tell_console(std::string("TAMBREL stopped on an error: ") + e.what());
    MessageBoxW(nullptr, win32::to_wide(e.what()).c_str(), L"TAMBREL",
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return kExitError;
  }
}

#include "shell/command_line.h"

#include <algorithm>

#include "platform/visible_text.h"

#ifndef TAMBREL_VERSION_TEXT
#error "the build defines TAMBREL_VERSION_TEXT, the project's version"
#endif

namespace tambrel {

namespace {

constexpr std::string_view kHelp = "--help";
constexpr std::string_view kVersion = "--version";
constexpr std::string_view kList = "--list";

constexpr std::string_view kWindowsHelp = "/?";

std::string usage_line(const CopyPlaces& places) {
  return "Usage: " + places.program +
         (places.windows ? " [/? | --help | --version | --list]\n"
                         : " [--help | --version | --list]\n");
}

}  // namespace

std::string program_name(std::string_view argv0) {
  const auto slash = argv0.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? argv0 : argv0.substr(slash + 1));
}

std::optional<CommandLineAnswer> answer_command_line(const std::vector<std::string>& arguments,
                                                     const CopyPlaces& places) {
  if (arguments.empty())
    return std::nullopt;
  const auto is_help = [&](const std::string& a) {
    return a == kHelp || (places.windows && a == kWindowsHelp);
  };
  const auto refused = std::find_if(arguments.begin(), arguments.end(), [&](const auto& a) {
    return !is_help(a) && a != kVersion && a != kList;
  });
  if (refused != arguments.end()) {
    const std::string what = refused->starts_with("-") ? "unknown option" : "unexpected argument";
    return CommandLineAnswer{places.program + ": " + what + " \"" + visible_text(*refused) +
                                 "\": this program takes its settings from its window, not from "
                                 "the command line\n" +
                                 usage_line(places) + "Try \"" + places.program +
                                 " --help\" for more information.\n",
                             kExitCantStart};
  }
  if (std::any_of(arguments.begin(), arguments.end(), is_help))
    return CommandLineAnswer{help_text(places), kExitDone};
  if (std::find(arguments.begin(), arguments.end(), kList) != arguments.end())
    return CommandLineAnswer{"", kExitDone, /*list_windows=*/true};
  return CommandLineAnswer{version_text(), kExitDone};
}

std::string help_text(const CopyPlaces& places) {
  std::string text = usage_line(places);
  text += R"(
Asks one window to close, watches its process, can end that process, then ends itself.

Started without arguments it opens its window, which holds everything it is told: the exact
title of the window to close, the image name of that window's process, and five options. It
shows once a second whether a process of that name runs; it counts six seconds down and, if the
process runs, asks the window to close (a close request, or Alt+F4 typed into it); it can end
every process of that name, at once or by the five-minute chain, which runs from the moment its
option is ticked (from start-up when it was saved ticked), not from the close request; and it
ends itself eight seconds after the close request - or, with "Wait For Process To End Before
Exiting", once the process has ended. With "AutoStart CountDown Timers" ticked the countdown
starts by itself, so a scheduler or a script can start it and wait for it to end.

The process name is the name "ps -o comm=" shows (on Windows, the image name with its .exe); for
a name that ps cuts at 15 characters, the whole name the process was started as.

Each copy keeps its own settings, filed under its own file name: copy the program under another
name for another job.
)";
  if (!places.section.empty())
    text += "  this copy's name:  " + places.section + "\n";
  if (!places.settings.empty())
    text += "  its settings:      " + places.settings + "\n";
  if (!places.log.empty())
    text += "  its activity log:  " + places.log + "\n";
  if (!places.reach.empty())
    text += "\n" + places.reach;
  text += R"(
The ticked options are saved as they change (except "Always On Top"); the window name, the
process name, "Always On Top" and the window position are saved when the program ends by its
exit countdown or its close box. What it did, and which desktop it reached and how, go to its
activity log.

Options:
)";
  if (places.windows)
    text += "  /?         the same as --help\n";
  text += R"(  --help     show this text and end
  --version  show the version and end
  --list     list the windows a close request can reach, one a line, tab-separated: window id,
             process id, the process name to type, title (control characters written out);
             shows no window
Any other argument is refused, and the countdowns never run with an argument.

Exit status, the first that applies:
)";
  text += places.windows ? "  2  it did not start: an argument it does not take, or --list cannot "
                           "reach the desktop\n"
                         : "  2  it did not start: an argument it does not take, no display to "
                           "show its window on, or\n     --list cannot reach the desktop\n";
  text +=
      R"(  1  an error ended it: one shown in a message box (a setting it cannot read or save, no
     window to activate for Alt+F4, ...), or a text it could not write out (--help, --version)
  6  its close box, a signal or the end of the session ended it before its exit countdown did
  5  the five-minute chain's termination was refused (the result box said FAILED)
  4  Alt+F4 was not sent: the activated window was not in front, or was disabled by its own
     dialog
  3  no window had the title while the process ran, so nothing was asked to close
  0  the job was done: the close request or Alt+F4 went to a window, no process of the name
     ran when the countdown ran out, or the five-minute chain ended the process
A run with status 0 whose process has ended writes nothing to standard error; any other run
writes one line there naming this copy and the outcome (a process left running included), and
an error's text as its message box shows it.
)";
  return text;
}

std::string version_text() {
  return "TAMBREL " TAMBREL_VERSION_TEXT "\n";
}

std::string no_display_text(std::string_view program, std::string_view display) {
  const std::string why = display.empty() ? std::string("DISPLAY is not set")
                                          : "\"" + visible_text(display) + "\" cannot be opened";
  return std::string(program) + ": no display to show its window on (" + why +
         "); start it within a desktop session.\n";
}

}  // namespace tambrel

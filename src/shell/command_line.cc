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

std::string usage_line(std::string_view program) {
  return "Usage: " + std::string(program) + " [--help | --version]\n";
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
  const auto refused = std::find_if(arguments.begin(), arguments.end(),
                                    [](const auto& a) { return a != kHelp && a != kVersion; });
  if (refused != arguments.end()) {
    const std::string what = refused->starts_with("-") ? "unknown option" : "unexpected argument";
    return CommandLineAnswer{places.program + ": " + what + " \"" + visible_text(*refused) +
                                 "\": this program takes its settings from its window, not from "
                                 "the command line\n" +
                                 usage_line(places.program) + "Try \"" + places.program +
                                 " --help\" for more information.\n",
                             kExitCantStart};
  }
  if (std::find(arguments.begin(), arguments.end(), kHelp) != arguments.end())
    return CommandLineAnswer{help_text(places), kExitDone};
  return CommandLineAnswer{version_text(places.program), kExitDone};
}

std::string help_text(const CopyPlaces& places) {
  std::string text = usage_line(places.program);
  text += R"(
Asks one window to close, watches its process, can end that process, then ends itself.

Started without arguments it opens its window, which holds everything it is told: the exact
title of the window to close, the image name of that window's process, and five options. It
shows once a second whether a process of that name runs; it counts six seconds down and, if the
process runs, asks the window to close (a close request, or Alt+F4 typed into it); it can end
every process of that name (at once, or five minutes after the option is ticked); and it ends
itself eight seconds after the close request - or, with "Wait For Process To End Before
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
exit countdown or its close box.

Options:
  --help     show this text and end
  --version  show the version and end
Any other argument is refused, and the countdowns never run with an argument.

Exit status:
  0  it ended by its exit countdown or its close box
  1  it stopped on an error it showed in a message box (a setting it cannot read or save, no
     window to activate for Alt+F4, ...)
  2  it did not start: an argument it does not take, or no display to show its window on
)";
  return text;
}

std::string version_text(std::string_view program) {
  return std::string(program) + " " TAMBREL_VERSION_TEXT "\n";
}

std::string no_display_text(std::string_view program, std::string_view display) {
  const std::string why = display.empty() ? std::string("DISPLAY is not set")
                                          : "\"" + visible_text(display) + "\" cannot be opened";
  return std::string(program) + ": no display to show its window on (" + why +
         "); start it within a desktop session.\n";
}

}  // namespace tambrel

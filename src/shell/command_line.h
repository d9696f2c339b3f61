#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "window_models/outcome.h"

namespace tambrel {

/// Where this copy keeps what it remembers, for the help text. An empty field is left out.
struct CopyPlaces {
  std::string program;   ///< the name the program was started by, e.g. "tambrel"
  std::string section;   ///< the settings section, e.g. "backup-job"
  std::string settings;  ///< where that section is kept (a file path, a registry path)
  std::string log;       ///< where the activity log is written
  std::string reach{};  ///< which windows this desktop build can reach, one paragraph; may be empty
  /// The Windows build: "/?" asks for help too, and there is no display to be without.
  bool windows = false;
};

/// The program's answer to a command line it does not run with: a text and the exit status.
struct CommandLineAnswer {
  std::string text;  ///< ends with a newline
  int status = kExitDone;
  /// "--list": the caller lists the desktop's windows (window_list.h) instead of showing `text`.
  bool list_windows = false;
  /// True for the text of a failure, which belongs on the error stream.
  bool is_error() const { return status != kExitDone; }
};

/// The name a program was started by: `argv0` without its directories ("/usr/bin/tambrel" ->
/// "tambrel"); both '/' and '\\' separate directories.
std::string program_name(std::string_view argv0);

/// Reads the arguments after the program's name. No argument: nullopt, the program runs.
/// "--help" (on Windows also "/?") before "--list" before "--version", whatever their order:
/// the help or version text and kExitDone, or list_windows. Anything else: an
/// error naming the first argument not taken, and kExitCantStart; the program never runs with an
/// argument. A desktop that cannot write the text out ends with kExitError.
/// `places` is asked only for the help text.
std::optional<CommandLineAnswer> answer_command_line(const std::vector<std::string>& arguments,
                                                     const CopyPlaces& places);

/// "--help": what the program does, where this copy's settings and log are, the exit statuses.
std::string help_text(const CopyPlaces& places);
/// "--version": the product's name and version on one line, "TAMBREL 1.1", whatever the copy
/// is called.
std::string version_text();
/// The one sentence for a desktop without a display to open the window on; `display` is what
/// $DISPLAY held (empty when unset).
std::string no_display_text(std::string_view program, std::string_view display);

}  // namespace tambrel

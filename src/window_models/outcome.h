#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace tambrel {

// The exit statuses, the same on both desktops. A run gets the first that applies, in the order
// of exit_status() below.
inline constexpr int kExitDone = 0;                ///< the job was done
inline constexpr int kExitError = 1;               ///< an error ended it (a message box)
inline constexpr int kExitCantStart = 2;           ///< it did not start (an argument; no display)
inline constexpr int kExitNoWindow = 3;            ///< no window had the title: nothing was asked
inline constexpr int kExitAltF4NotSent = 4;        ///< Alt+F4 was not sent
inline constexpr int kExitTerminationRefused = 5;  ///< the chain's termination was refused
inline constexpr int kExitEndedEarly = 6;  ///< the close box, a signal or the session end ended it

/// How the latest close request went: each delivery replaces what the one before found.
enum class Delivery {
  kNone,          ///< no close request was due yet
  kSent,          ///< a close request or Alt+F4 went to a window, whoever owns it
  kNotRunning,    ///< no process of the name ran: nothing to close
  kNoWindow,      ///< the process ran, but no window had the title: nothing was asked to close
  kAltF4NotSent,  ///< the activated window was not in front, or was disabled by its own dialog
  kNotChosen,     ///< neither way of closing is chosen (the Alt+F4 box is greyed)
};

/// How the program ended.
enum class Ending {
  kNotYet,         ///< it runs (or ended in a way it could not tell)
  kExitCountdown,  ///< its exit countdown ran out
  kFromOutside,    ///< the close box, a signal or the end of the session
  kError,          ///< an error was reported in a message box
};

/// What a run did, as far as its exit status and its one-line summary tell it. The handlers
/// note each fact where it happens; the status is decided once, at the end.
struct Outcome {
  Ending ending = Ending::kNotYet;
  std::string ended_by;  ///< kFromOutside: "close box", "signal SIGTERM", "session end"
  Delivery delivery = Delivery::kNone;
  std::string delivery_detail;  ///< in the summary's words: "no window had the title ..."
  bool termination_refused = false;
  std::string termination_detail;  ///< the refused termination's result
  std::string still_running;       ///< the process name, when its process still ran at the end

  /// What a delivery found, in the summary's words. The one place a close request's result is
  /// noted: a desktop that finds the target disabled by its own dialog notes kAltF4NotSent too.
  void note_delivery(Delivery what, std::string detail) {
    delivery = what;
    delivery_detail = std::move(detail);
  }
};

/// The exit status of a run that ended as `outcome` says: the first that applies of 1 (an
/// error), 6 (ended from outside before the exit countdown), 5 (the chain's termination refused),
/// 4 (Alt+F4 not sent), 3 (no window had the title while the process ran), else 0.
int exit_status(const Outcome& outcome);

/// The line that tells a script how the run of `copy` went: its outcome, a process left running
/// and the exit status. Empty when there is nothing to tell: the job was done and nothing still
/// runs, or an error already said it.
std::string summary(const Outcome& outcome, std::string_view copy);

}  // namespace tambrel

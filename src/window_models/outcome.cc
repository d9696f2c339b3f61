#include "window_models/outcome.h"

namespace tambrel {

int exit_status(const Outcome& outcome) {
  if (outcome.ending == Ending::kError)
    return kExitError;
  // An end the program could not tell is no job done either.
  if (outcome.ending != Ending::kExitCountdown)
    return kExitEndedEarly;
  if (outcome.termination_refused)
    return kExitTerminationRefused;
  if (outcome.delivery == Delivery::kAltF4NotSent)
    return kExitAltF4NotSent;
  if (outcome.delivery == Delivery::kNoWindow)
    return kExitNoWindow;
  return kExitDone;
}

std::string summary(const Outcome& outcome, std::string_view copy) {
  const int status = exit_status(outcome);
  // The error's own line was told when its message box showed.
  if (status == kExitError || (status == kExitDone && outcome.still_running.empty()))
    return {};
  std::string what;
  switch (status) {
    case kExitEndedEarly:
      what = "ended by " +
             (outcome.ended_by.empty() ? std::string("the desktop") : outcome.ended_by) +
             " before its exit countdown ran out";
      break;
    case kExitTerminationRefused:
      what = "the termination at the end of the five-minute chain was refused: " +
             outcome.termination_detail;
      break;
    case kExitAltF4NotSent:
    case kExitNoWindow:
      what = outcome.delivery_detail;
      break;
    default:
      what = outcome.delivery_detail.empty() ? "the job was done" : outcome.delivery_detail;
  }
  if (!outcome.still_running.empty())
    what += "; \"" + outcome.still_running + "\" still runs";
  return std::string(copy) + ": " + what + "; exit status " + std::to_string(status);
}

}  // namespace tambrel

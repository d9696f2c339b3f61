#include "fakes/recording_log.h"

namespace tambrel::testing {

std::vector<std::string> RecordingLog::starting(std::string_view prefix) const {
  std::vector<std::string> found;
  for (const std::string& e : events) {
    if (e.starts_with(prefix))
      found.push_back(e);
  }
  return found;
}

}  // namespace tambrel::testing

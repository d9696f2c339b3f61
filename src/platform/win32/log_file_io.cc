#include "platform/log_file_io.h"

namespace tambrel::log_io {

std::tm local_tm(std::time_t t) {
  std::tm tm{};
  localtime_s(&tm, &t);
  return tm;
}

std::tm utc_tm(std::time_t t) {
  std::tm tm{};
  gmtime_s(&tm, &t);
  return tm;
}

}  // namespace tambrel::log_io

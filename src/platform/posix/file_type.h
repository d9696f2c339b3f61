#pragma once

#include <sys/types.h>

#include <string>

namespace tambrel::posix {

/// Why a file of `mode` (st_mode) is refused where only a regular file will do, as it reads after
/// a colon: "is a FIFO, not a regular file".
std::string not_a_regular_file(mode_t mode);

}  // namespace tambrel::posix

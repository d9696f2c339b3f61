#pragma once

#include <string>

namespace tambrel::posix {

/// The system's reason for the errno value `error`, as it reads after a colon in a message:
/// "no space left on device", "is a directory".
std::string errno_text(int error);

}  // namespace tambrel::posix

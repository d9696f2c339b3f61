#pragma once

#include <stdexcept>
#include <string>

namespace tambrel {

/// A failure the program reports to the user and then ends on. The text names what failed,
/// e.g. "ExecQuery failed: ..." or "The setting \"X\" holds ...".
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace tambrel

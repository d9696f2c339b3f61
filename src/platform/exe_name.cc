#include "platform/exe_name.h"

namespace tambrel {

std::string section_from_path(std::string_view path) {
  const auto slash = path.find_last_of("/\\");
  std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const auto dot = file.find_last_of('.');
  // A leading dot is part of a hidden file's name, not an extension.
  if (dot != std::string_view::npos && dot > 0)
    file = file.substr(0, dot);
  return std::string(file);
}

}  // namespace tambrel

#include "platform/exe_name.h"

namespace tambrel {

std::string file_name_of(std::string_view path) {
  const auto slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string section_from_path(std::string_view path) {
  std::string file = file_name_of(path);
  const auto dot = file.find_last_of('.');
  // A leading dot is part of a hidden file's name, not an extension.
  if (dot != std::string::npos && dot > 0)
    file.resize(dot);
  return file;
}

}  // namespace tambrel

#include "platform/xdg/xdg_dirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace tambrel::xdg {

namespace {

std::string home_directory() {
  if (const char* home = std::getenv("HOME"); home && home[0] == '/')
    return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir && found->pw_dir[0] == '/') {
    return found->pw_dir;
  }
  return "/";
}

}  // namespace

std::string xdg_home(const char* variable, std::string_view fallback) {
  if (const char* value = std::getenv(variable); value && value[0] == '/')
    return value;
  std::string home = home_directory();
  if (home.back() != '/')
    home += '/';
  return home + std::string(fallback);
}

}  // namespace tambrel::xdg

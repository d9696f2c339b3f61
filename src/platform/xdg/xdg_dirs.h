#pragma once

#include <string>
#include <string_view>

namespace tambrel::xdg {

/// The XDG base directory named by `variable` (say "XDG_CONFIG_HOME"), or the home directory's
/// `fallback` (say ".config") when the variable is unset, empty or not an absolute path: the XDG
/// rules have a relative one ignored, so nothing lands below whatever directory the program was
/// started in. The home directory is $HOME, else the user's entry in the password database.
std::string xdg_home(const char* variable, std::string_view fallback);

}  // namespace tambrel::xdg

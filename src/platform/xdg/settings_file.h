#pragma once

#include <string>
#include <string_view>

#include "platform/posix/unique_fd.h"

namespace tambrel::xdg {

/// The file `path` names once every symbolic link on the way is followed (the path itself when
/// it is no link, or does not exist); a relative link is read from its own folder. `error` is set
/// to the errno of a link that cannot be followed (ELOOP for a loop).
std::string link_target(const std::string& path, int& error);

/// The lock that two copies writing one settings file take in turn: flock(2) on `<file>.lock`
/// beside it, held for the object's life. Throws Error naming the call, `key` and `named` when
/// the lock file cannot be opened or another copy holds the lock for ten seconds. A file system
/// without locks leaves the file unlocked, as it was before locks.
class SettingsFileLock {
 public:
  SettingsFileLock(const std::string& file, std::string_view key, const std::string& named);

 private:
  posix::UniqueFd fd_;
};

/// Removes the temporary files a save of `file` left behind when it was killed half-way. Only
/// while holding the file's lock: then no save of it is under way.
void remove_stale_temporaries(const std::string& file);

}  // namespace tambrel::xdg

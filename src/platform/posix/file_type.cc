#include "platform/posix/file_type.h"

#include <sys/stat.h>

namespace tambrel::posix {

namespace {

const char* file_type_name(mode_t mode) {
  if (S_ISDIR(mode))
    return "a directory";
  if (S_ISFIFO(mode))
    return "a FIFO";
  if (S_ISSOCK(mode))
    return "a socket";
  if (S_ISCHR(mode))
    return "a character device";
  if (S_ISBLK(mode))
    return "a block device";
  if (S_ISLNK(mode))
    return "a symbolic link";
  return "a file of an unknown type";
}

}  // namespace

std::string not_a_regular_file(mode_t mode) {
  return "is " + std::string(file_type_name(mode)) + ", not a regular file";
}

}  // namespace tambrel::posix

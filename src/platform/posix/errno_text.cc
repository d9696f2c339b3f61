#include "platform/posix/errno_text.h"

#include <cstring>

namespace tambrel::posix {

std::string errno_text(int error) {
  std::string text = std::strerror(error);
  // "No such file" reads "no such file" mid-sentence; "I/O error" keeps its capital.
  if (text.size() >= 2 && text[0] >= 'A' && text[0] <= 'Z' && text[1] >= 'a' && text[1] <= 'z')
    text[0] = static_cast<char>(text[0] - 'A' + 'a');
  return text;
}

}  // namespace tambrel::posix

#pragma once

#include <string>
#include <string_view>

namespace tambrel {

/// `text` with its control characters written out (\n, \r, \t, \0, else \xhh), so that a message
/// box, a terminal or a log line shows it whole, on one line, without acting on it. Other bytes,
/// UTF-8 included, stay as they are.
std::string visible_text(std::string_view text);

}  // namespace tambrel

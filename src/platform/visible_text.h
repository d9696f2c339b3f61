#pragma once

#include <string>
#include <string_view>

namespace tambrel {

/// `text` with its control characters written out (\n, \r, \t, \0, else \xhh), so that a message
/// box, a terminal or a log line shows it whole, on one line, without acting on it: the C1
/// controls, the line and paragraph separators (U+2028, U+2029) and the bidirectional
/// embeddings, overrides and isolates (U+202A-U+202E, U+2066-U+2069) as \uhhhh. Other bytes,
/// UTF-8 included, stay as they are.
std::string visible_text(std::string_view text);

/// `text` in double quotes, its own quotes and backslashes escaped, and made visible as above:
/// how a title or a name from another program is shown.
std::string quoted_visible(std::string_view text);

}  // namespace tambrel

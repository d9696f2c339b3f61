#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tambrel::xdg {

// The settings file's text: an INI file whose keys live in its [General] group (or above every
// group) as `key=value` lines, as any INI reader reads them. A value is kept byte for byte: only
// backslashes, double quotes and control characters are escaped (\\ \" \n \r \t \0 ... \xHH), a
// value with blanks at either end is wrapped in double quotes, and nothing else is interpreted
// (no lists, no types, no character set).

/// The value of `key` in the [General] group of `text` (the last one if the key repeats), or
/// nullopt when absent. Blanks around key and value are not part of them; one pair of double
/// quotes around the value is taken off.
std::optional<std::string> ini_value(std::string_view text, std::string_view key);

/// `text` with `key` set to `value`: its line replaced in place, or added to the [General] group
/// (which is made when missing). Every other line stays as it was.
std::string ini_with_value(std::string_view text, std::string_view key, std::string_view value);

/// `value` as it is written after "key=".
std::string ini_escaped(std::string_view value);

/// The text a written value stands for: quotes taken off, escapes undone. An escape it does not
/// know stays as written, backslash included.
std::string ini_unescaped(std::string_view written);

}  // namespace tambrel::xdg

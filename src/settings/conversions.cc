#include "settings/conversions.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <system_error>

namespace tambrel {
namespace {

std::string_view trim_blanks(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos)
    return {};
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

/// Parses [+|-]digits[.digits] exactly; from_chars does the digits, we only allow a '+' sign
/// and refuse exponents, "inf" and "nan", which are not plain decimal numbers.
template <typename T>
std::optional<T> parse_decimal(std::string_view text, bool* out_of_range) {
  *out_of_range = false;
  std::string_view s = trim_blanks(text);
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s[0])) || s[0] == '.')) {
    return std::nullopt;
  }
  T value{};
  const auto [end, ec] =
      std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::fixed);
  if (end != s.data() + s.size())
    return std::nullopt;
  if (ec == std::errc::result_out_of_range) {
    *out_of_range = true;
    return std::nullopt;
  }
  if (ec != std::errc() || !std::isfinite(value))
    return std::nullopt;
  return negative ? -value : value;
}

}  // namespace

std::optional<float> parse_geometry(std::string_view text, std::string* why) {
  bool out_of_range = false;
  const auto value = parse_decimal<float>(text, &out_of_range);
  if (!value)
    *why = out_of_range ? "is too large for a window position" : "is not a number";
  return value;
}

std::optional<std::int16_t> parse_tick_state(std::string_view text, std::string* why) {
  bool out_of_range = false;
  const auto value = parse_decimal<double>(text, &out_of_range);
  if (!value) {
    *why = out_of_range ? "is outside -32768 to 32767" : "is not a number";
    return std::nullopt;
  }
  if (*value != std::trunc(*value)) {
    *why = "is not a whole number";
    return std::nullopt;
  }
  if (*value < -32768 || *value > 32767) {
    *why = "is outside -32768 to 32767";
    return std::nullopt;
  }
  if (*value < 0 || *value > 2) {
    *why = "is not a check box state (0, 1 or 2)";
    return std::nullopt;
  }
  return static_cast<std::int16_t>(*value);
}

std::string format_geometry(float twips) {
  if (twips == std::trunc(twips) && std::fabs(twips) < 1e9f) {
    return std::to_string(static_cast<long long>(twips));
  }
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, twips, std::chars_format::fixed);
  return ec == std::errc() ? std::string(buf, end) : std::to_string(twips);
}

std::string format_tick_state(std::int16_t value) {
  return std::to_string(value);
}

}  // namespace tambrel

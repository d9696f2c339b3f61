// Stored settings texts are typed by whoever edits the .ini or the registry: every text either
// converts to a value the window can take, or is refused with a reason the message can name.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "check.h"
#include "settings/conversions.h"

namespace {

/// The texts a setting may hold: blanks, an optional sign, digits with at most one decimal point
/// and at least one digit, blanks. Written from the text form, not from the parser.
bool plain_decimal(std::string_view text) {
  std::size_t i = 0;
  const auto blank = [&](std::size_t at) { return text[at] == ' ' || text[at] == '\t'; };
  while (i < text.size() && blank(i))
    ++i;
  std::size_t end = text.size();
  while (end > i && blank(end - 1))
    --end;
  if (i < end && (text[i] == '+' || text[i] == '-'))
    ++i;
  int digits = 0;
  int points = 0;
  for (; i < end; ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      ++digits;
    } else if (text[i] == '.') {
      ++points;
    } else {
      return false;
    }
  }
  return digits > 0 && points <= 1;
}

void check_geometry(std::string_view text) {
  std::string why;
  const auto value = tambrel::parse_geometry(text, &why);
  if (!value) {
    FUZZ_CHECK(!why.empty(), "a refused geometry says why");
    // A well-formed number is refused only for its size.
    if (plain_decimal(text))
      FUZZ_CHECK(why.find("too large") != std::string::npos, why.c_str());
    return;
  }
  FUZZ_CHECK(plain_decimal(text), "only plain decimal numbers are accepted");
  FUZZ_CHECK(std::isfinite(*value), "a geometry is finite");
  const std::string saved = tambrel::format_geometry(*value);
  std::string why_again;
  const auto again = tambrel::parse_geometry(saved, &why_again);
  FUZZ_CHECK(again.has_value(), saved.c_str());
  FUZZ_CHECK(*again == *value, saved.c_str());
  FUZZ_CHECK(tambrel::format_geometry(*again) == saved, saved.c_str());
}

void check_tick_state(std::string_view text) {
  std::string why;
  const auto value = tambrel::parse_tick_state(text, &why);
  if (!value) {
    FUZZ_CHECK(!why.empty(), "a refused tick state says why");
    return;
  }
  FUZZ_CHECK(*value >= 0 && *value <= 2, "a check box has three states");
  FUZZ_CHECK(plain_decimal(text), "only plain decimal numbers are accepted");
  const std::string saved = tambrel::format_tick_state(*value);
  FUZZ_CHECK(saved.size() == 1 && saved[0] == static_cast<char>('0' + *value), saved.c_str());
  std::string why_again;
  FUZZ_CHECK(tambrel::parse_tick_state(saved, &why_again) == value, saved.c_str());
  // Every tick state is also a valid number of twips: the two forms share one grammar.
  std::string why_geometry;
  const auto as_geometry = tambrel::parse_geometry(text, &why_geometry);
  FUZZ_CHECK(as_geometry && *as_geometry == static_cast<float>(*value), why_geometry.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  check_geometry(text);
  check_tick_state(text);
  return 0;
}

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tambrel {

/// The number in a stored geometry text: a plain decimal number, blanks around it allowed.
/// On failure returns nullopt and sets `*why` to the reason ("is not a number").
std::optional<float> parse_geometry(std::string_view text, std::string* why);

/// The check box state in a stored text: a whole decimal number from -32768 to 32767 that is
/// 0, 1 or 2, blanks around it allowed. On failure returns nullopt and sets `*why`.
std::optional<std::int16_t> parse_tick_state(std::string_view text, std::string* why);

/// Plain decimal text: "-120", "1440"; a fractional value keeps its shortest exact digits.
std::string format_geometry(float twips);
std::string format_tick_state(std::int16_t value);

}  // namespace tambrel

#include "settings/settings.h"

#include <stdexcept>

#include "platform/error.h"
#include "platform/visible_text.h"
#include "settings/conversions.h"
#include "settings/key_table.h"

namespace tambrel {
namespace {

const SettingKey& checked_key(std::string_view key, TextForm form) {
  const SettingKey& k = setting_key(key);
  if (k.form != form)
    throw std::logic_error("setting " + std::string(key) + " has another form");
  return k;
}

/// A stored text as it is quoted in a message: a text of more than 40 characters is cut after
/// its 40th so the message stays readable. Characters, not bytes: the text is UTF-8.
std::string quoted_excerpt(std::string_view text) {
  constexpr std::size_t kMax = 40;
  std::size_t characters = 0, cut = text.size();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
      continue;  // a continuation byte
    if (characters == kMax)
      cut = i;
    ++characters;
  }
  if (characters <= kMax)
    return "\"" + visible_text(text) + "\"";
  return "\"" + visible_text(text.substr(0, cut)) + "...\" (" + std::to_string(characters) +
         " characters)";
}

}  // namespace

std::string Settings::read(std::string_view key) {
  const auto stored = store_.read(section_, key);
  return stored ? *stored : std::string(setting_key(key).default_text);
}

void Settings::fail(std::string_view key, std::string_view text, std::string_view why) {
  throw Error("The setting \"" + std::string(key) + "\" holds " + quoted_excerpt(text) +
              ", which " + std::string(why) + " (" + store_.location(section_) + ").");
}

float Settings::restore_geometry(std::string_view key) {
  checked_key(key, TextForm::kGeometry);
  const std::string text = read(key);
  std::string why;
  const auto value = parse_geometry(text, &why);
  if (!value)
    fail(key, text, why);
  return *value;
}

std::int16_t Settings::restore_tick_state(std::string_view key) {
  checked_key(key, TextForm::kTickState);
  const std::string text = read(key);
  std::string why;
  const auto value = parse_tick_state(text, &why);
  if (!value)
    fail(key, text, why);
  return *value;
}

std::string Settings::restore_text(std::string_view key) {
  checked_key(key, TextForm::kText);
  return read(key);
}

void Settings::save_geometry(std::string_view key, float twips) {
  checked_key(key, TextForm::kGeometry);
  store_.write(section_, key, format_geometry(twips));
}

void Settings::save_tick_state(std::string_view key, std::int16_t value) {
  checked_key(key, TextForm::kTickState);
  store_.write(section_, key, format_tick_state(value));
}

void Settings::save_text(std::string_view key, std::string_view text) {
  checked_key(key, TextForm::kText);
  store_.write(section_, key, text);
}

}  // namespace tambrel

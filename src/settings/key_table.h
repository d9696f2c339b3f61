#pragma once

#include <array>
#include <string_view>

namespace tambrel {

/// How a setting is written as text.
enum class TextForm {
  kGeometry,   // a window edge or size in twips: a decimal number
  kTickState,  // a check box state: a whole number, 0, 1 or 2
  kText,       // a text box's text, stored unchanged
};

struct SettingKey {
  std::string_view key;
  TextForm form;
  std::string_view default_text;  // used when the key is absent
};

/// Every key TAMBREL reads or writes, with its text form and default.
inline constexpr std::array<SettingKey, 15> kSettingKeys{{
    {"MainLeft", TextForm::kGeometry, "1000"},
    {"MainTop", TextForm::kGeometry, "1000"},
    {"MainWidth", TextForm::kGeometry, "5865"},
    {"MainHeight", TextForm::kGeometry, "7695"},
    {"AUTOSTART_COUNTDOWN_TICKBOX", TextForm::kTickState, "0"},
    {"WINDOW_NAME_TEXTBOX", TextForm::kText, ""},
    {"WAIT_FOR_PROCESS_TICKBOX", TextForm::kTickState, "1"},
    {"ALWAYS_ON_TOP_TICKBOX", TextForm::kTickState, "0"},
    {"PROCESS_NAME_TEXTBOX", TextForm::kText, ""},
    {"SENDKEYS_TICKBOX", TextForm::kTickState, "0"},
    {"AUTO_TERMINATE_TICKBOX", TextForm::kTickState, "0"},
    {"ABOUTMainLeft", TextForm::kGeometry, "1000"},
    {"ABOUTMainTop", TextForm::kGeometry, "1000"},
    {"ABOUTMainWidth", TextForm::kGeometry, "5610"},
    {"ABOUTMainHeight", TextForm::kGeometry, "5325"},
}};

/// The table entry for `key`; throws std::logic_error for a key that is not in the table.
const SettingKey& setting_key(std::string_view key);

}  // namespace tambrel

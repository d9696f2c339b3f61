#pragma once

#include <string_view>

#include "forms/form.h"
#include "settings/settings.h"

namespace tambrel {

// The About window's controls, by name (TAMBREL_TITLE is shared with the main window).
inline constexpr std::string_view TAMBREL_VERSION = "TAMBREL_VERSION";
inline constexpr std::string_view TAMBREL_CREATOR = "TAMBREL_CREATOR";
inline constexpr std::string_view TAMBREL_FREEWARE = "TAMBREL_FREEWARE";
inline constexpr std::string_view EXE_FILENAME_HELP_LABEL = "EXE_FILENAME_HELP_LABEL";
inline constexpr std::string_view OK_BUTTON = "OK_BUTTON";

inline constexpr std::string_view kCredit = "By MERIDOX";
inline constexpr std::string_view kContactAddress = "tambrel@meridox.example";

/// TAMBREL_ABOUT as it stands before any code runs.
forms::FormDesign tambrel_about_design();

/// The About window: title, version, credit and the advice on keeping several configurations.
/// It reads its placement from the settings each time it opens and never saves anything.
class TambrelAbout : public forms::Form {
 public:
  TambrelAbout(forms::Application& app, Settings& settings);

 private:
  void Load();
  void OK_BUTTON_Click();
  void TAMBREL_CREATOR_DblClick();

  Settings& settings_;
};

}  // namespace tambrel

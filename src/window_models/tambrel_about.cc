#include "window_models/tambrel_about.h"

namespace tambrel {

namespace colors = forms::colors;

forms::FormDesign tambrel_about_design() {
  forms::FormDesign f;
  f.name = "TAMBREL_ABOUT";
  f.caption = "MERIDOX - TAMBREL";
  f.client_width = 5520;
  f.client_height = 4995;
  f.centered = false;
  f.dialog = true;

  auto banner = [](std::string_view name, std::string_view text, int l, int t, int w, int h,
                   int tab) {
    forms::ControlDesign d =
        forms::make_banner(std::string(name), std::string(text), l, t, w, h, tab);
    d.align = forms::Align::kCenter;
    return d;
  };
  f.controls.push_back(banner("TAMBREL_TITLE", "MERIDOX - TAMBREL", 120, 120, 5295, 495, 3));
  f.controls.push_back(banner(TAMBREL_VERSION, "Version 1.1", 120, 720, 5295, 495, 1));
  f.controls.push_back(banner(TAMBREL_CREATOR, kCredit, 120, 1320, 5295, 495, 2));
  f.controls.push_back(banner(TAMBREL_FREEWARE, "", 120, 1920, 5295, 495, 0));
  forms::ControlDesign help = banner(EXE_FILENAME_HELP_LABEL,
                                     "FOR MULTIPLE CONFIGURATIONS, COPY THE APPLICATION TO A NEW "
                                     "FILENAME, RUN THE NEW FILE, AND CONFIGURE.",
                                     360, 2520, 4815, 1575, 5);
  help.back_color = colors::kGreen;
  help.fore_color = colors::kBlack;
  help.word_wrap = true;
  f.controls.push_back(help);
  f.controls.push_back(forms::make_control(forms::ControlKind::kButton, std::string(OK_BUTTON),
                                           "OK", 1440, 4320, 2775, 495, 4));
  return f;
}

TambrelAbout::TambrelAbout(forms::Application& app, Settings& settings)
    : forms::Form(app, tambrel_about_design()), settings_(settings) {
  on_load([this] { Load(); });
  on_click(OK_BUTTON, [this] { OK_BUTTON_Click(); });
  on_dbl_click(TAMBREL_CREATOR, [this] { TAMBREL_CREATOR_DblClick(); });
}

void TambrelAbout::Load() {
  set_left(settings_.restore_geometry("ABOUTMainLeft"));
  set_top(settings_.restore_geometry("ABOUTMainTop"));
  set_width(settings_.restore_geometry("ABOUTMainWidth"));
  set_height(settings_.restore_geometry("ABOUTMainHeight"));
}

void TambrelAbout::OK_BUTTON_Click() {
  unload();
}

void TambrelAbout::TAMBREL_CREATOR_DblClick() {
  control(TAMBREL_CREATOR).set_text(std::string(kContactAddress));
}

}  // namespace tambrel

#include "window_helpers/about.h"

#include "window_models/tambrel_about.h"
#include "window_models/tambrel_main.h"

namespace tambrel {

void ABOUT_BUTTON_Click(TambrelMain& m) {
  if (!m.about)
    m.about = std::make_unique<TambrelAbout>(m.app(), m.settings);
  m.about->show_modal(m);
}

}  // namespace tambrel

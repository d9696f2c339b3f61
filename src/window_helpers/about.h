#pragma once

namespace tambrel {

class TambrelMain;

/// Opens the About window modally over the main window, creating it on first use.
void ABOUT_BUTTON_Click(TambrelMain& m);

}  // namespace tambrel

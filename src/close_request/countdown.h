#pragma once

namespace tambrel {

class TambrelMain;

/// One second of the close-request countdown; at "00" the request goes to the delivery timers.
void MAIN_CLOSING_WINDOW_TIMER_Timer(TambrelMain& m);
/// STOP halts both countdowns; START restarts the close-request countdown from six seconds.
void STOP_START_COUNTDOWN_BUTTON_Click(TambrelMain& m);
/// Ticked: the countdown runs on from where it stands; unticked: it halts. Saves the option.
void AUTOSTART_COUNTDOWN_TICKBOX_Click(TambrelMain& m);
/// Resets both countdown times and shows "05" and "07"; no timer is started or stopped.
void CLOSE_REQUEST_COUNTDOWN_TEXTBOX_DblClick(TambrelMain& m);

}  // namespace tambrel

#pragma once

namespace tambrel {

class TambrelMain;

/// With the process running and Alt+F4 not chosen, posts a close request to the window titled
/// exactly as entered (an empty name matches none), unless that window takes no close requests
/// (the log says so); then starts the exit countdown.
void INTERNAL_CLOSE_COMMAND_TIMER_Timer(TambrelMain& m);
/// With the process running and Alt+F4 chosen, activates the window (exact title, else prefix),
/// waits a second and types Alt+F4 into it; then starts the exit countdown. The keys are only
/// typed when that window is in front and takes them (not disabled by a modal dialog of its
/// own); otherwise the log says why they were not. An empty name matches no window: like any
/// name that matches none, that is an Error.
void ALT_F4_TIMER_Timer(TambrelMain& m);
/// Saves the choice of delivery at once.
void SENDKEYS_TICKBOX_Click(TambrelMain& m);

}  // namespace tambrel

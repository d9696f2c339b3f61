#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "forms/form.h"
#include "platform/activity_log.h"
#include "platform/clock.h"
#include "platform/key_sender.h"
#include "platform/process_table.h"
#include "platform/settings_store.h"
#include "platform/window_manager.h"
#include "settings/settings.h"
#include "window_models/outcome.h"

namespace tambrel {

class TambrelAbout;

/// The desktop services the handlers use.
struct Services {
  Clock& clock;
  WindowManager& windows;
  KeySender& keys;
  ProcessTable& processes;
  SettingsStore& store;
  std::string section;  // the executable's file name without extension
  ActivityLog& log = ActivityLog::none();
};

// The main window's controls and timers, by name.
inline constexpr std::string_view TAMBREL_TITLE = "TAMBREL_TITLE";
inline constexpr std::string_view EXE_NAME_LABEL = "EXE_NAME_LABEL";
inline constexpr std::string_view APP_EXE_NAME_TEXTBOX = "APP_EXE_NAME_TEXTBOX";
inline constexpr std::string_view WINDOW_NAME_LABEL = "WINDOW_NAME_LABEL";
inline constexpr std::string_view WINDOW_NAME_TEXTBOX = "WINDOW_NAME_TEXTBOX";
inline constexpr std::string_view PROCESS_NAME_LABEL = "PROCESS_NAME_LABEL";
inline constexpr std::string_view PROCESS_NAME_TEXTBOX = "PROCESS_NAME_TEXTBOX";
inline constexpr std::string_view PROCESS_STATE_LABEL = "PROCESS_STATE_LABEL";
inline constexpr std::string_view PROCESS_STATE_TEXTBOX = "PROCESS_STATE_TEXTBOX";
inline constexpr std::string_view CLOSE_REQUEST_LABEL = "CLOSE_REQUEST_LABEL";
inline constexpr std::string_view CLOSE_REQUEST_COUNTDOWN_TEXTBOX =
    "CLOSE_REQUEST_COUNTDOWN_TEXTBOX";
inline constexpr std::string_view UNLOAD_ZIVU_OFF_LABEL = "UNLOAD_ZIVU_OFF_LABEL";
inline constexpr std::string_view TAMBREL_UNLOAD_COUNDOWN_TEXTBOX =
    "TAMBREL_UNLOAD_COUNDOWN_TEXTBOX";
inline constexpr std::string_view WAIT_FOR_PROCESS_TICKBOX = "WAIT_FOR_PROCESS_TICKBOX";
inline constexpr std::string_view SENDKEYS_TICKBOX = "SENDKEYS_TICKBOX";
inline constexpr std::string_view AUTOSTART_COUNTDOWN_TICKBOX = "AUTOSTART_COUNTDOWN_TICKBOX";
inline constexpr std::string_view ALWAYS_ON_TOP_TICKBOX = "ALWAYS_ON_TOP_TICKBOX";
inline constexpr std::string_view AUTO_TERMINATE_TICKBOX = "AUTO_TERMINATE_TICKBOX";
inline constexpr std::string_view TERMINATE_COUNTDOWN_TEXTBOX[6] = {
    "",
    "TERMINATE_COUNTDOWN_TEXTBOX_1",
    "TERMINATE_COUNTDOWN_TEXTBOX_2",
    "TERMINATE_COUNTDOWN_TEXTBOX_3",
    "TERMINATE_COUNTDOWN_TEXTBOX_4",
    "TERMINATE_COUNTDOWN_TEXTBOX_5"};  // indexed 1 to 5
inline constexpr std::string_view PROCESS_TERMINATED_COUNTDOWN_TEXTBOX =
    "PROCESS_TERMINATED_COUNTDOWN_TEXTBOX";
inline constexpr std::string_view ABOUT_BUTTON = "ABOUT_BUTTON";
inline constexpr std::string_view TERMINATE_PROCESS_NOW_BUTTON = "TERMINATE_PROCESS_NOW_BUTTON";
inline constexpr std::string_view STOP_START_COUNTDOWN_BUTTON = "STOP_START_COUNTDOWN_BUTTON";

inline constexpr std::string_view MAIN_CLOSING_WINDOW_TIMER = "MAIN_CLOSING_WINDOW_TIMER";
inline constexpr std::string_view INTERNAL_CLOSE_COMMAND_TIMER = "INTERNAL_CLOSE_COMMAND_TIMER";
inline constexpr std::string_view ALT_F4_TIMER = "ALT_F4_TIMER";
inline constexpr std::string_view PROCESS_WATCHER_TIMER = "PROCESS_WATCHER_TIMER";
inline constexpr std::string_view AUTO_TERMINATE_TIMER[6] = {
    "",
    "AUTO_TERMINATE_TIMER_1",
    "AUTO_TERMINATE_TIMER_2",
    "AUTO_TERMINATE_TIMER_3",
    "AUTO_TERMINATE_TIMER_4",
    "AUTO_TERMINATE_TIMER_5"};  // indexed 1 to 5
inline constexpr std::string_view UNLOAD_TIMER = "UNLOAD_TIMER";
inline constexpr std::string_view AlwaysOnTopTimer = "AlwaysOnTopTimer";

// Texts the handlers write and compare.
inline constexpr std::string_view kRunning = "RUNNING";
inline constexpr std::string_view kStopped = "STOPPED";
inline constexpr std::string_view kNoState = "-----------";
inline constexpr std::string_view kNoCountdown = "--";
inline constexpr std::string_view kStopCountdown = "STOP COUNTDOWN";
inline constexpr std::string_view kStartCountdown = "START COUNTDOWN";
inline constexpr std::string_view kTerminated = "TERMINATED";
inline constexpr std::string_view kTerminationFailed = "FAILED";

inline constexpr int kCloseRequestSeconds = 6;  // the time "00:00:06"
inline constexpr int kUnloadSeconds = 8;        // the time "00:00:08"

/// A countdown value as its two-digit seconds field: |s| mod 60 ("05", "00", "59").
std::string seconds_field(int seconds);

/// TAMBREL_MAIN as it stands before any code runs.
forms::FormDesign tambrel_main_design();

/// The main window: its form, the two countdown time values and the services its handlers use.
class TambrelMain : public forms::Form {
 public:
  TambrelMain(forms::Application& app, Services& services);
  ~TambrelMain() override;

  Services& services;
  Settings settings;
  /// Countdown time values in signed whole seconds; they may go below zero.
  int CLOSE_REQUEST_TIME = 0;
  int UNLOAD_TIME = 0;
  /// Created by the first click on ABOUT and kept for the program's life.
  std::unique_ptr<TambrelAbout> about;
  /// True once the activity log has been told why the program ends.
  bool exit_stated = false;
  /// What the run did, for its exit status and its summary line.
  Outcome outcome;

  /// Shorthands for the handlers.
  forms::Control& operator[](std::string_view name) { return control(name); }
};

/// Saves the window's edges, the texts and four options, in the order the window has always
/// written them (Unload and the exit procedure both do).
void save_main_settings(TambrelMain& m);
/// Clears both countdown displays and stops every timer but the auto-terminate chain's.
void wind_down(TambrelMain& m);
/// Notes in the outcome whether the watcher last saw the process running.
void note_still_running(TambrelMain& m);

}  // namespace tambrel

#pragma once

#include <memory>
#include <string>
#include <vector>

#include "forms/application.h"
#include "window_models/tambrel_main.h"

namespace tambrel {

/// The program: its forms runtime and the one main window, held for the program's life.
/// A desktop's main() builds the services and the view, calls start(), then runs its event loop
/// until the program has ended.
class Program {
 public:
  Program(FormView& view, Services services);
  ~Program();

  /// The start-up routine: creates the main window and shows it. An error while it loads is
  /// reported through the dispatch point and ends the program before the window appears.
  /// `desktop` is what start-up found out about the desktop; it is logged after the start line.
  void start(const std::vector<std::string>& desktop = {});

  /// Closes the main window as its close box does, for `reason` ("signal SIGTERM", "session
  /// end"): its Unload saves the settings and the program ends, with status 0 (1 if a save
  /// fails), even while the About window is open. The activity log names the reason as the cause
  /// of the exit. Nothing once the program has ended.
  void close_for(std::string reason);

  forms::Application& app() { return app_; }
  /// The main window; null before start().
  TambrelMain* main() { return main_.get(); }
  /// The exit status for the process: 0 after a normal end, 1 after an error.
  int exit_status() const { return app_.failed() ? 1 : 0; }

 private:
  Services services_;
  forms::Application app_;
  std::unique_ptr<TambrelMain> main_;
};

}  // namespace tambrel

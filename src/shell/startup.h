#pragma once

#include <functional>
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
  /// What the run did, as far as it has gone.
  Outcome outcome() const;
  /// The exit status for the process, decided from outcome() (see exit_status(const Outcome&)).
  int exit_status() const { return tambrel::exit_status(outcome()); }

  /// `tell` hears each line meant for whoever started the program (its standard error): an
  /// error's text when its message box shows, and finish()'s summary.
  void tell_starter_with(std::function<void(const std::string&)> tell) { tell_ = std::move(tell); }
  /// Once the program has ended: tells the starter the summary line, if there is one, and
  /// returns the exit status.
  int finish();

 private:
  Services services_;
  forms::Application app_;
  std::unique_ptr<TambrelMain> main_;
  std::function<void(const std::string&)> tell_;
};

}  // namespace tambrel

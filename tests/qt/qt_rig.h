#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "fakes/fake_process_table.h"
#include "fakes/fake_window_manager.h"
#include "fakes/memory_store.h"
#include "platform/clock.h"
#include "platform/qt/qt_form_view.h"
#include "shell/startup.h"

namespace tambrel::testing {

/// The program in the Qt view on the real clock, with the core's fakes as its desktop services.
class QtRig {
 public:
  static constexpr const char* kSection = "backup-job";

  QtRig();
  ~QtRig();

  /// Seeds a stored setting before start().
  void store(const std::string& key, std::string value) { settings.put(kSection, key, value); }
  /// Runs the start-up routine (its error box, if any, included).
  void start() { program->start(); }

  TambrelMain& main() { return *program->main(); }
  forms::Application& app() { return program->app(); }
  /// The main window, or null once it is gone.
  QWidget* main_window();
  /// The About window while it is loaded, else null.
  QWidget* about_window();
  /// The widget of a main window control, found by its object name.
  template <class T = QWidget>
  T* widget(std::string_view name) {
    QWidget* window = main_window();
    return window ? window->findChild<T*>(QString::fromUtf8(name.data(), qsizetype(name.size())))
                  : nullptr;
  }
  /// Runs `change` through the dispatch point, as a handler would.
  void dispatch(const std::function<void()>& change) { app().dispatch(change); }

  SteadyClock clock;
  FakeWindowManager windows;
  RecordingKeySender keys{windows};
  FakeProcessTable processes;
  MemoryStore settings;
  qt::QtFormView view;
  std::unique_ptr<Program> program;
};

/// Processes events until `done()` holds or `timeout_ms` has passed; returns done().
bool wait_until(const std::function<bool()>& done, int timeout_ms = 5000);

/// Runs the view's event loop as main() does; returns false (after ending the loop itself) when
/// the loop has not ended within `timeout_ms`.
bool run_loop(qt::QtFormView& view, int timeout_ms);

/// The outer rectangle of a top-level window: its client area and the window manager's frame.
QRect frame_rect(const QWidget& window);
/// Waits until the frame of `window` stands at `expected` (the view places the window again once
/// the frame is known); on failure says where it stands.
::testing::AssertionResult frame_becomes(const QWidget& window, const QRect& expected);

/// The logical DPI the view converts twips with.
double screen_dpi();
/// `twips` as pixels at screen_dpi().
int px(int twips);

/// Records and closes every error message box that appears while it lives, from a timer, as a
/// user would click it away.
class MessageBoxCloser {
 public:
  MessageBoxCloser();
  ~MessageBoxCloser();
  MessageBoxCloser(const MessageBoxCloser&) = delete;
  MessageBoxCloser& operator=(const MessageBoxCloser&) = delete;

  /// The text of each box, in the order they appeared.
  std::vector<QString> texts;
  std::vector<QString> titles;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tambrel::testing

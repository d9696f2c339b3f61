#include "qt_rig.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cmath>

#include "window_models/tambrel_about.h"

namespace tambrel::testing {

QtRig::QtRig()
    : program(std::make_unique<Program>(
          view, Services{clock, windows, keys, processes, settings, kSection})) {}

QtRig::~QtRig() {
  // The forms go before the view that shows them.
  program.reset();
}

QWidget* QtRig::main_window() {
  return program->main() ? view.window(main()) : nullptr;
}

QWidget* QtRig::about_window() {
  TambrelMain* m = program->main();
  return m && m->about && m->about->loaded() ? view.window(*m->about) : nullptr;
}

bool wait_until(const std::function<bool()>& done, int timeout_ms) {
  QDeadlineTimer deadline(timeout_ms);
  while (!done()) {
    if (deadline.hasExpired())
      return done();
    QTest::qWait(10);
  }
  return true;
}

bool run_loop(qt::QtFormView& view, int timeout_ms) {
  bool timed_out = false;
  QTimer deadline;
  deadline.setSingleShot(true);
  QObject::connect(&deadline, &QTimer::timeout, [&] {
    timed_out = true;
    view.quit();
  });
  deadline.start(timeout_ms);
  view.run();
  return !timed_out;
}

QRect frame_rect(const QWidget& window) {
  const QMargins frame = window.windowHandle() ? window.windowHandle()->frameMargins() : QMargins();
  return window.geometry().marginsAdded(frame);
}

::testing::AssertionResult frame_becomes(const QWidget& window, const QRect& expected) {
  if (wait_until([&] { return frame_rect(window) == expected; }, 3000))
    return ::testing::AssertionSuccess();
  const QRect r = frame_rect(window);
  return ::testing::AssertionFailure()
         << "frame at " << r.x() << "," << r.y() << " " << r.width() << "x" << r.height()
         << ", expected " << expected.x() << "," << expected.y() << " " << expected.width() << "x"
         << expected.height();
}

double screen_dpi() {
  return QGuiApplication::primaryScreen()->logicalDotsPerInch();
}

int px(int twips) {
  return static_cast<int>(std::lround(twips * screen_dpi() / 1440.0));
}

struct MessageBoxCloser::Impl {
  QTimer timer;
  std::vector<QPointer<QMessageBox>> closed;
};

MessageBoxCloser::MessageBoxCloser() : impl_(std::make_unique<Impl>()) {
  impl_->timer.setInterval(20);
  QObject::connect(&impl_->timer, &QTimer::timeout, [this] {
    QWidget* modal = QApplication::activeModalWidget();
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible())
        continue;
      bool seen = false;
      for (const auto& c : impl_->closed)
        seen = seen || c == box;
      if (seen)
        continue;
      texts.push_back(box->text());
      titles.push_back(box->windowTitle());
      // A blocking error box is the modal window in front.
      EXPECT_EQ(modal, box);
      impl_->closed.emplace_back(box);
      box->button(QMessageBox::Ok)->click();
    }
  });
  impl_->timer.start();
}

MessageBoxCloser::~MessageBoxCloser() = default;

}  // namespace tambrel::testing

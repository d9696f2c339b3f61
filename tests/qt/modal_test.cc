// The About window over the main window: modal while the main window's timers keep ticking, and
// the ends of the program: the exit procedure with About open, and errors.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "qt_rig.h"
#include "window_models/tambrel_about.h"
#include "window_models/tambrel_main.h"

namespace tambrel::testing {
namespace {

QColor rgb(forms::Color c) {
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

/// Clicks ABOUT; the click returns only once the About window has closed, so `while_open` runs
/// from a timer inside the About window's event loop. Closes the window if `while_open` did not.
void with_about_open(QtRig& rig, const std::function<void(QWidget& about)>& while_open) {
  bool ran = false;
  QObject scope;  // the timer below must not outlive this call
  QTimer::singleShot(0, &scope, [&] {
    ran = true;
    ASSERT_TRUE(wait_until([&] { return rig.about_window() && rig.about_window()->isVisible(); }));
    while_open(*rig.about_window());
    if (QWidget* about = rig.about_window())
      about->close();
  });
  QTest::mouseClick(rig.widget("ABOUT_BUTTON"), Qt::LeftButton);
  EXPECT_TRUE(ran);
}

TEST(About, OpensModalAtItsDesignAndTheMainWindowsTimersKeepTicking) {
  QtRig rig;
  rig.store("PROCESS_NAME_TEXTBOX", "notes");
  rig.start();
  ASSERT_TRUE(wait_until([&] { return rig.main_window()->isVisible(); }));
  QLineEdit* state = rig.widget<QLineEdit>("PROCESS_STATE_TEXTBOX");

  with_about_open(rig, [&](QWidget& about) {
    EXPECT_EQ(about.objectName(), "TAMBREL_ABOUT");
    EXPECT_EQ(about.windowTitle(), "MERIDOX - TAMBREL");
    EXPECT_TRUE(about.isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), &about);
    EXPECT_EQ(about.parentWidget(), rig.main_window()) << "owned by the main window";
    EXPECT_EQ(about.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(about.windowIcon().isNull());
    EXPECT_TRUE(frame_becomes(about, QRect(px(1000), px(1000), px(5610), px(5325))));
    for (const forms::ControlDesign& d : tambrel_about_design().controls) {
      SCOPED_TRACE(d.name);
      QWidget* w = about.findChild<QWidget*>(QString::fromStdString(d.name));
      ASSERT_NE(w, nullptr);
      EXPECT_EQ(w->geometry(), QRect(px(d.left), px(d.top), px(d.width), px(d.height)));
    }
    auto* help = about.findChild<QLabel*>("EXE_FILENAME_HELP_LABEL");
    EXPECT_TRUE(help->wordWrap());
    EXPECT_EQ(help->palette().color(QPalette::Window), rgb(forms::colors::kGreen));
    EXPECT_EQ(help->palette().color(QPalette::WindowText), rgb(forms::colors::kBlack));
    auto* ok = about.findChild<QPushButton*>("OK_BUTTON");
    EXPECT_TRUE(wait_until([&] { return about.focusWidget() == ok; }));
    EXPECT_FALSE(ok->isDefault() || ok->autoDefault());

    // Escape does not close it; a double click on the credit shows the address.
    QTest::keyClick(&about, Qt::Key_Escape);
    QTest::keyClick(ok, Qt::Key_Escape);
    EXPECT_TRUE(about.isVisible());
    auto* credit = about.findChild<QLabel*>("TAMBREL_CREATOR");
    QTest::mouseDClick(credit, Qt::LeftButton);
    EXPECT_EQ(credit->text(), QString::fromUtf8(kContactAddress.data()));

    // The main window takes no input: a click through the window system is refused.
    QPushButton* start = rig.widget<QPushButton>("STOP_START_COUNTDOWN_BUTTON");
    QTest::mouseClick(rig.main_window()->windowHandle(), Qt::LeftButton, {},
                      start->mapTo(rig.main_window(), start->rect().center()));
    EXPECT_EQ(start->text(), "START COUNTDOWN");

    // But its watcher goes on ticking inside the modal loop.
    ASSERT_TRUE(wait_until([&] { return state->text() == "STOPPED"; }, 3000));
    rig.processes.start("notes");
    ASSERT_TRUE(wait_until([&] { return state->text() == "RUNNING"; }, 3000));
    EXPECT_TRUE(about.isVisible());

    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
  });
  EXPECT_EQ(rig.about_window(), nullptr);
  EXPECT_FALSE(rig.app().ended());
  // The main window works again.
  QTest::mouseClick(rig.widget("STOP_START_COUNTDOWN_BUTTON"), Qt::LeftButton);
  EXPECT_EQ(rig.widget<QPushButton>("STOP_START_COUNTDOWN_BUTTON")->text(), "STOP COUNTDOWN");

  // Opened again, it is built afresh: the credit is back.
  with_about_open(rig, [&](QWidget& about) {
    EXPECT_EQ(about.findChild<QLabel*>("TAMBREL_CREATOR")->text(),
              QString::fromUtf8(kCredit.data()));
  });
}

TEST(About, TheExitProcedureWithAboutOpenEndsEveryLoop) {
  QtRig rig;
  rig.store("AUTOSTART_COUNTDOWN_TICKBOX", "1");
  rig.store("PROCESS_NAME_TEXTBOX", "notes");  // not running: the exit waits for nothing
  rig.start();
  ASSERT_TRUE(rig.main().timer(MAIN_CLOSING_WINDOW_TIMER).enabled());
  // Shorter countdowns so the test takes three seconds, not fifteen: close request at the first
  // tick, exit at the first tick of the exit countdown.
  rig.main().CLOSE_REQUEST_TIME = 1;
  rig.main().UNLOAD_TIME = 1;

  bool about_was_open = false;
  QWidget* about_button = rig.widget("ABOUT_BUTTON");
  QTimer::singleShot(0, about_button,
                     [about_button] { QTest::mouseClick(about_button, Qt::LeftButton); });
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    about_was_open = about_was_open || (rig.about_window() && rig.about_window()->isVisible());
  });
  watch.start(50);
  EXPECT_TRUE(run_loop(rig.view, 10000)) << "the event loop did not end";
  EXPECT_TRUE(about_was_open);
  EXPECT_TRUE(rig.app().ended());
  EXPECT_FALSE(rig.app().failed());
  EXPECT_EQ(rig.program->exit_status(), 0);
  EXPECT_FALSE(rig.main().loaded());
  EXPECT_EQ(rig.settings.get(QtRig::kSection, "AUTO_TERMINATE_TICKBOX"), "0")
      << "the exit procedure saved its nine keys";
  EXPECT_FALSE(rig.main_window());
}

TEST(Errors, AnErrorWhileLoadingShowsOneBoxAndTheWindowNeverAppears) {
  QtRig rig;
  rig.store("SENDKEYS_TICKBOX", "abc");
  MessageBoxCloser boxes;
  rig.start();  // the box blocks inside; the closer clicks it away
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.titles[0], "TAMBREL");
  EXPECT_TRUE(boxes.texts[0].contains("SENDKEYS_TICKBOX"));
  EXPECT_TRUE(boxes.texts[0].contains("abc"));
  EXPECT_TRUE(rig.app().ended());
  EXPECT_EQ(rig.program->exit_status(), 1);
  QWidget* w = rig.main_window();
  EXPECT_TRUE(!w || !w->isVisible());
  rig.view.run();  // returns at once: the program has ended
  EXPECT_TRUE(rig.settings.writes.empty());
}

TEST(Errors, AnErrorInATimerTickShowsOneBoxAndEndsTheLoop) {
  QtRig rig;
  rig.processes.fail_queries_with = "ExecQuery failed: the process list cannot be read";
  MessageBoxCloser boxes;
  rig.start();
  ASSERT_FALSE(rig.app().ended());
  EXPECT_TRUE(run_loop(rig.view, 8000)) << "the event loop did not end";
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_TRUE(boxes.texts[0].contains("ExecQuery failed: the process list cannot be read"));
  EXPECT_EQ(rig.program->exit_status(), 1);
  EXPECT_EQ(rig.processes.calls.size(), 1u) << "no handler ran after the error";
  QTest::qWait(1200);
  EXPECT_EQ(rig.processes.calls.size(), 1u) << "and no timer fired after it";
}

}  // namespace
}  // namespace tambrel::testing

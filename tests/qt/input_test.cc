// What the user does in the main window reaches the program through the forms runtime, once,
// and keys that would activate a button in a dialog do nothing here.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "qt_rig.h"
#include "settings/conversions.h"
#include "window_models/tambrel_main.h"

namespace tambrel::testing {
namespace {

using Writes = std::vector<std::pair<std::string, std::string>>;

class MainWindowInput : public ::testing::Test {
 protected:
  void start() {
    rig.start();
    ASSERT_NE(rig.main_window(), nullptr);
    ASSERT_TRUE(wait_until([&] { return rig.main_window()->isVisible(); }));
  }
  QtRig rig;
};

TEST_F(MainWindowInput, ACheckBoxClickReachesTheProgramExactlyOnce) {
  start();
  QCheckBox* wait = rig.widget<QCheckBox>("WAIT_FOR_PROCESS_TICKBOX");
  QTest::mouseClick(wait, Qt::LeftButton);
  EXPECT_EQ(rig.settings.writes, (Writes{{"WAIT_FOR_PROCESS_TICKBOX", "0"}}));
  EXPECT_EQ(rig.main()[WAIT_FOR_PROCESS_TICKBOX].value(), 0);
  EXPECT_EQ(wait->checkState(), Qt::Unchecked);

  // The caption's far end belongs to the box too, and Space works like a click.
  QTest::mouseClick(wait, Qt::LeftButton, {}, QPoint(wait->width() - 3, wait->height() / 2));
  wait->setFocus();
  QTest::keyClick(wait, Qt::Key_Space);
  EXPECT_EQ(rig.settings.writes, (Writes{{"WAIT_FOR_PROCESS_TICKBOX", "0"},
                                         {"WAIT_FOR_PROCESS_TICKBOX", "1"},
                                         {"WAIT_FOR_PROCESS_TICKBOX", "0"}}));
  EXPECT_EQ(wait->checkState(), Qt::Unchecked);

  // A box whose Click does more: one click, one Click.
  QTest::mouseClick(rig.widget("AUTOSTART_COUNTDOWN_TICKBOX"), Qt::LeftButton);
  EXPECT_EQ(rig.settings.writes.back(),
            (std::pair<std::string, std::string>{"AUTOSTART_COUNTDOWN_TICKBOX", "1"}));
  EXPECT_EQ(rig.settings.writes.size(), 4u);
  EXPECT_EQ(rig.widget<QPushButton>("STOP_START_COUNTDOWN_BUTTON")->text(), "STOP COUNTDOWN");
}

TEST_F(MainWindowInput, AGreyedBoxShowsGreyAndAClickTicksIt) {
  rig.store("SENDKEYS_TICKBOX", "2");
  start();
  QCheckBox* sendkeys = rig.widget<QCheckBox>("SENDKEYS_TICKBOX");
  EXPECT_EQ(sendkeys->checkState(), Qt::PartiallyChecked);
  const std::size_t before = rig.settings.writes.size();
  QTest::mouseClick(sendkeys, Qt::LeftButton);
  EXPECT_EQ(rig.main()[SENDKEYS_TICKBOX].value(), 1);
  EXPECT_EQ(sendkeys->checkState(), Qt::Checked);
  ASSERT_EQ(rig.settings.writes.size(), before + 1);
  EXPECT_EQ(rig.settings.writes.back().second, "1");
}

TEST_F(MainWindowInput, TypingSetsTheTextAndEnterOrEscapeActivateNothing) {
  start();
  QLineEdit* title = rig.widget<QLineEdit>("WINDOW_NAME_TEXTBOX");
  title->setFocus();
  QTest::keyClicks(title, "Notes ");
  for (const char* text : {"–", " ", "‘", "d", "’"}) {
    // Typed characters beyond ASCII, as a keyboard layout or input method delivers them.
    QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8(text));
    QApplication::sendEvent(title, &key);
  }
  EXPECT_EQ(rig.main()[WINDOW_NAME_TEXTBOX].text(), "Notes – ‘d’");

  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    QTest::keyClick(title, key);
    QTest::keyClick(rig.widget("PROCESS_NAME_TEXTBOX"), key);
  }
  QTest::qWait(50);
  EXPECT_EQ(rig.widget<QPushButton>("STOP_START_COUNTDOWN_BUTTON")->text(), "START COUNTDOWN");
  EXPECT_FALSE(rig.main().timer(MAIN_CLOSING_WINDOW_TIMER).enabled());
  EXPECT_EQ(rig.about_window(), nullptr);
  EXPECT_TRUE(rig.main_window()->isVisible());
  EXPECT_FALSE(rig.app().ended());
  EXPECT_TRUE(rig.settings.writes.empty());
  EXPECT_TRUE(rig.processes.calls.empty() || rig.processes.calls.back().rfind("running", 0) == 0)
      << "TERMINATE PROCESS NOW was not pressed";
}

TEST_F(MainWindowInput, ReturnOrEnterPressesTheFocusedButtonOnly) {
  start();
  QPushButton* button = rig.widget<QPushButton>("STOP_START_COUNTDOWN_BUTTON");
  ASSERT_EQ(button->text(), "START COUNTDOWN");
  button->setFocus();
  QTest::keyClick(button, Qt::Key_Return);
  EXPECT_EQ(button->text(), "STOP COUNTDOWN");
  QTest::keyClick(button, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(button->text(), "START COUNTDOWN");
  EXPECT_EQ(rig.about_window(), nullptr) << "no other button was pressed";
  EXPECT_FALSE(button->isDefault() || button->autoDefault());
}

TEST_F(MainWindowInput, DoubleClickOnEitherCountBoxResetsBothCountdowns) {
  start();
  for (const char* name : {"CLOSE_REQUEST_COUNTDOWN_TEXTBOX", "TAMBREL_UNLOAD_COUNDOWN_TEXTBOX"}) {
    SCOPED_TRACE(name);
    rig.dispatch([&] {
      rig.main()[CLOSE_REQUEST_COUNTDOWN_TEXTBOX].set_text("--");
      rig.main()[TAMBREL_UNLOAD_COUNDOWN_TEXTBOX].set_text("--");
    });
    QTest::mouseDClick(rig.widget(name), Qt::LeftButton);
    EXPECT_EQ(rig.widget<QLineEdit>("CLOSE_REQUEST_COUNTDOWN_TEXTBOX")->text(), "05");
    EXPECT_EQ(rig.widget<QLineEdit>("TAMBREL_UNLOAD_COUNDOWN_TEXTBOX")->text(), "07");
  }
}

TEST_F(MainWindowInput, TheStartButtonStartsACountdownThatTicksOnTheRealClock) {
  start();
  QPushButton* button = rig.widget<QPushButton>("STOP_START_COUNTDOWN_BUTTON");
  QLineEdit* count = rig.widget<QLineEdit>("CLOSE_REQUEST_COUNTDOWN_TEXTBOX");
  const Millis clicked = rig.clock.now_ms();
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(button->text(), "STOP COUNTDOWN");
  ASSERT_TRUE(wait_until([&] { return count->text() == "05"; }, 3000));
  const Millis first = rig.clock.now_ms() - clicked;
  EXPECT_GE(first, 990);
  EXPECT_LT(first, 1500);
  ASSERT_TRUE(wait_until([&] { return count->text() == "04"; }, 3000));
  EXPECT_GE(rig.clock.now_ms() - clicked, 1990);
  // The watcher ticks too, on its own second.
  EXPECT_EQ(rig.widget<QLineEdit>("PROCESS_STATE_TEXTBOX")->text(), "STOPPED");
}

// A coarse timer may fire up to 5% off its time, a second's tick 50 ms late or early: no timing
// test on a busy machine can tell that apart, so the timer's type is checked itself.
TEST_F(MainWindowInput, OnePreciseSingleShotTimerWakesTheRuntimeForItsNextTick) {
  start();
  const QTimer& wake = rig.view.wake_timer();
  EXPECT_EQ(wake.timerType(), Qt::PreciseTimer);
  EXPECT_TRUE(wake.isSingleShot());
  // The watcher ticks every second from the start: its tick is due within the second.
  ASSERT_TRUE(wake.isActive());
  EXPECT_LE(wake.remainingTime(), 1000);
}

TEST_F(MainWindowInput, TheCloseBoxUnloadsSavesAndEndsTheLoop) {
  start();
  QWidget* w = rig.main_window();
  ASSERT_TRUE(frame_becomes(*w, QRect(px(1000), px(1000), px(5865), px(7695))));
  // The window is moved (as the window manager does for a user) before it is closed; Left and
  // Top follow its frame.
  w->move(150, 90);
  ASSERT_TRUE(wait_until([&] { return rig.main().left() != 1000; }));
  const float left = std::round(150 * 1440 / screen_dpi());
  EXPECT_FLOAT_EQ(rig.main().left(), left);
  EXPECT_FLOAT_EQ(rig.main().top(), std::round(90 * 1440 / screen_dpi()));

  QTimer::singleShot(0, w, [w] { w->close(); });
  ASSERT_TRUE(run_loop(rig.view, 5000));
  EXPECT_TRUE(rig.app().ended());
  EXPECT_EQ(rig.program->exit_status(), kExitEndedEarly) << "before its exit countdown";
  EXPECT_FALSE(rig.main().loaded());
  ASSERT_GE(rig.settings.writes.size(), 2u);
  EXPECT_EQ(rig.settings.writes[0],
            (std::pair<std::string, std::string>{"MainLeft", format_geometry(left)}));
}

}  // namespace
}  // namespace tambrel::testing

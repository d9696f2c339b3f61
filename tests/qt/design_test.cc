// The main window as the user first sees it: every control of the design drawn where, how and
// with what the design says, the window's frame and placement, focus and tab order.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include "forms/twips.h"
#include "qt_rig.h"
#include "window_models/tambrel_main.h"

namespace tambrel::testing {
namespace {

using forms::ControlKind;

QColor rgb(forms::Color c) {
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

const char* class_of(ControlKind kind) {
  switch (kind) {
    case ControlKind::kLabel:
      return "QLabel";
    case ControlKind::kTextBox:
      return "QLineEdit";
    case ControlKind::kCheckBox:
      return "QCheckBox";
    case ControlKind::kButton:
      return "QPushButton";
  }
  return "";
}

class MainWindowDesign : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.start();
    ASSERT_NE(rig.main_window(), nullptr);
    ASSERT_TRUE(wait_until([&] { return rig.main_window()->isVisible(); }));
  }
  QtRig rig;
};

TEST_F(MainWindowDesign, EveryControlIsDrawnFromItsDesign) {
  std::printf("logical DPI %.1f\n", screen_dpi());
  for (const forms::ControlDesign& d : tambrel_main_design().controls) {
    SCOPED_TRACE(d.name);
    QWidget* w = rig.widget(d.name);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->inherits(class_of(d.kind)));
    EXPECT_EQ(w->geometry(), QRect(px(d.left), px(d.top), px(d.width), px(d.height)));
    EXPECT_DOUBLE_EQ(w->font().pointSizeF(), d.font.size_pt);
    EXPECT_EQ(w->font().weight(), d.font.weight);
    EXPECT_TRUE(w->isVisible());
  }
  if (screen_dpi() == 96) {
    // At 96 DPI 15 twips make a pixel.
    EXPECT_EQ(rig.widget("TAMBREL_TITLE")->geometry(), QRect(16, 8, 353, 33));
    EXPECT_EQ(rig.widget("STOP_START_COUNTDOWN_BUTTON")->geometry(), QRect(16, 440, 353, 41));
  }
  // The face the design names, or a sans-serif stand-in where this system lacks it.
  const QFontInfo face(rig.widget("WINDOW_NAME_LABEL")->font());
  EXPECT_TRUE(face.family() == "MS Sans Serif" || face.styleHint() == QFont::SansSerif ||
              QFont::substitutes("MS Sans Serif").contains(face.family()))
      << face.family().toStdString();
  EXPECT_TRUE(rig.widget("WINDOW_NAME_LABEL")->font().bold());
  EXPECT_FALSE(rig.widget("WAIT_FOR_PROCESS_TICKBOX")->font().bold());
}

TEST_F(MainWindowDesign, TextsColoursAndStatesAfterLoad) {
  auto label = [&](const char* n) { return rig.widget<QLabel>(n); };
  auto edit = [&](const char* n) { return rig.widget<QLineEdit>(n); };
  EXPECT_EQ(label("TAMBREL_TITLE")->text(), "MERIDOX - TAMBREL");
  EXPECT_EQ(label("APP_EXE_NAME_TEXTBOX")->text(), "backup-job");
  EXPECT_EQ(rig.widget<QPushButton>("STOP_START_COUNTDOWN_BUTTON")->text(), "START COUNTDOWN");
  EXPECT_EQ(edit("CLOSE_REQUEST_COUNTDOWN_TEXTBOX")->text(), "--");
  EXPECT_EQ(edit("PROCESS_STATE_TEXTBOX")->text(), "-----------");

  // Banners: green on black in a single-line box, centred.
  QLabel* title = label("TAMBREL_TITLE");
  EXPECT_EQ(title->palette().color(QPalette::Window), rgb(forms::colors::kBlack));
  EXPECT_EQ(title->palette().color(QPalette::WindowText), rgb(forms::colors::kGreen));
  EXPECT_TRUE(title->autoFillBackground());
  EXPECT_EQ(title->frameShape(), QFrame::Box);
  EXPECT_TRUE(title->alignment() & Qt::AlignHCenter);
  EXPECT_TRUE(label("CLOSE_REQUEST_LABEL")->alignment() & Qt::AlignRight);
  // Count boxes: green on black, centred, editable.
  QLineEdit* count = edit("CLOSE_REQUEST_COUNTDOWN_TEXTBOX");
  EXPECT_EQ(count->palette().color(QPalette::Base), rgb(forms::colors::kBlack));
  EXPECT_EQ(count->palette().color(QPalette::Text), rgb(forms::colors::kGreen));
  EXPECT_TRUE(count->alignment() & Qt::AlignHCenter);
  EXPECT_FALSE(count->isReadOnly());
  // A text box without colours has the system window colours.
  QLineEdit* name = edit("WINDOW_NAME_TEXTBOX");
  EXPECT_EQ(name->palette().color(QPalette::Base),
            QApplication::palette(name).color(QPalette::Base));
  EXPECT_TRUE(name->hasFrame());
  EXPECT_GT(name->maxLength(), 32767) << "window titles have no length limit";

  // The auto-terminate row shows 5 4 3 2 1 greyed; the display boxes never take the focus.
  for (int n = 1; n <= 5; ++n) {
    QLineEdit* box = edit(TERMINATE_COUNTDOWN_TEXTBOX[n].data());
    EXPECT_EQ(box->text(), QString::number(6 - n));
    EXPECT_FALSE(box->isEnabled());
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_EQ(box->focusPolicy(), Qt::NoFocus);
  }
  EXPECT_FALSE(edit("PROCESS_TERMINATED_COUNTDOWN_TEXTBOX")->isEnabled());
  EXPECT_TRUE(edit("PROCESS_STATE_TEXTBOX")->isEnabled());
  EXPECT_TRUE(edit("PROCESS_STATE_TEXTBOX")->isReadOnly());
  EXPECT_EQ(edit("PROCESS_STATE_TEXTBOX")->focusPolicy(), Qt::NoFocus);

  // Options as restored without stored values.
  EXPECT_EQ(rig.widget<QCheckBox>("WAIT_FOR_PROCESS_TICKBOX")->checkState(), Qt::Checked);
  EXPECT_EQ(rig.widget<QCheckBox>("ALWAYS_ON_TOP_TICKBOX")->checkState(), Qt::Unchecked);
  EXPECT_EQ(rig.widget<QCheckBox>("SENDKEYS_TICKBOX")->checkState(), Qt::Unchecked);

  // No button answers Enter.
  for (QPushButton* b : rig.main_window()->findChildren<QPushButton*>()) {
    EXPECT_FALSE(b->isDefault() || b->autoDefault()) << b->objectName().toStdString();
  }
}

TEST_F(MainWindowDesign, FixedToolWindowPlacedAndSizedFromLoad) {
  QWidget* w = rig.main_window();
  EXPECT_EQ(w->objectName(), "TAMBREL_MAIN");
  EXPECT_EQ(w->windowTitle(), "MERIDOX - TAMBREL");
  const Qt::WindowFlags flags = w->windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(w->minimumSize(), w->maximumSize()) << "not resizable";
  // Load's defaults: frame at 1000, 1000 twips, outer size 5865 x 7695 twips.
  EXPECT_TRUE(frame_becomes(*w, QRect(px(1000), px(1000), px(5865), px(7695))));
  EXPECT_FALSE(w->windowIcon().isNull());
  EXPECT_TRUE(QFile::exists(":/tambrel/tambrel.png"));
  EXPECT_TRUE(w->windowIcon().availableSizes().contains(QSize(100, 100)));
}

TEST(MainWindowPlacement, StoredGeometryIsAppliedAndAbsurdValuesAreClamped) {
  QtRig rig;
  rig.store("MainLeft", "3000");
  rig.store("MainTop", "1500");
  rig.start();
  QWidget* w = rig.main_window();
  ASSERT_TRUE(wait_until([&] { return w->isVisible(); }));
  EXPECT_TRUE(frame_becomes(*w, QRect(px(3000), px(1500), px(5865), px(7695))));

  QtRig absurd;
  const std::string huge = "1" + std::string(30, '0');
  absurd.store("MainLeft", huge);
  absurd.store("MainTop", "-" + huge);
  absurd.store("MainWidth", huge);
  absurd.store("MainHeight", "-7");
  absurd.start();
  ASSERT_FALSE(absurd.app().ended());
  QWidget* a = absurd.main_window();
  ASSERT_TRUE(wait_until([&] { return a->isVisible(); }));
  EXPECT_LE(a->width(), forms::kMaxPixels);
  EXPECT_GE(a->height(), 1);
  EXPECT_LE(a->geometry().left(), forms::kMaxPixels + 100);
  EXPECT_GE(a->geometry().top(), -forms::kMaxPixels - 100);
}

TEST_F(MainWindowDesign, FocusStartsOnTheCountdownButtonAndTabWalksTheTabStops) {
  QWidget* w = rig.main_window();
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w));
  ASSERT_TRUE(wait_until([&] { return QApplication::focusWidget() != nullptr; }));
  EXPECT_EQ(QApplication::focusWidget()->objectName(), "STOP_START_COUNTDOWN_BUTTON");

  const QStringList order = {"WINDOW_NAME_TEXTBOX",
                             "PROCESS_NAME_TEXTBOX",
                             "CLOSE_REQUEST_COUNTDOWN_TEXTBOX",
                             "TAMBREL_UNLOAD_COUNDOWN_TEXTBOX",
                             "WAIT_FOR_PROCESS_TICKBOX",
                             "SENDKEYS_TICKBOX",
                             "AUTOSTART_COUNTDOWN_TICKBOX",
                             "ALWAYS_ON_TOP_TICKBOX",
                             "AUTO_TERMINATE_TICKBOX",
                             "TERMINATE_PROCESS_NOW_BUTTON",
                             "ABOUT_BUTTON",
                             "STOP_START_COUNTDOWN_BUTTON"};
  QStringList visited;
  for (int i = 0; i < order.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited << QApplication::focusWidget()->objectName();
  }
  EXPECT_EQ(visited, order);

  // The same order along the focus chain, skipping what cannot take the focus by Tab.
  QStringList chain;
  QWidget* start = rig.widget("STOP_START_COUNTDOWN_BUTTON");
  for (QWidget* c = start->nextInFocusChain(); c != start; c = c->nextInFocusChain()) {
    if ((c->focusPolicy() & Qt::TabFocus) && c->isEnabled() && c->parentWidget() == w)
      chain << c->objectName();
  }
  chain << start->objectName();
  EXPECT_EQ(chain, order);
}

TEST(MainWindowTabOrder, EnabledAutoTerminateBoxesAreStillSkipped) {
  QtRig rig;
  rig.store("AUTO_TERMINATE_TICKBOX", "1");
  rig.start();
  QWidget* w = rig.main_window();
  ASSERT_TRUE(wait_until([&] { return w->isVisible(); }));
  ASSERT_TRUE(rig.widget("TERMINATE_COUNTDOWN_TEXTBOX_1")->isEnabled());
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w));
  QStringList visited;
  for (int i = 0; i < 12; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited << QApplication::focusWidget()->objectName();
  }
  EXPECT_EQ(visited.indexOf("AUTO_TERMINATE_TICKBOX"), 8);
  EXPECT_EQ(visited.indexOf("TERMINATE_PROCESS_NOW_BUTTON"), 9);
  for (const QString& name : visited)
    EXPECT_FALSE(name.startsWith("TERMINATE_COUNTDOWN"));
  EXPECT_EQ(visited.last(), "STOP_START_COUNTDOWN_BUTTON");
}

TEST_F(MainWindowDesign, ChangesFromHandlersShowAtOnce) {
  auto& m = rig.main();
  QLineEdit* state = rig.widget<QLineEdit>("PROCESS_STATE_TEXTBOX");
  QLineEdit* minute = rig.widget<QLineEdit>("TERMINATE_COUNTDOWN_TEXTBOX_1");
  QCheckBox* wait = rig.widget<QCheckBox>("WAIT_FOR_PROCESS_TICKBOX");
  const std::string long_title(40000, 'x');
  rig.dispatch([&] {
    m[PROCESS_STATE_TEXTBOX].set_text("RUNNING");
    m[PROCESS_STATE_TEXTBOX].set_back_color(forms::colors::kGreen);
    m[TERMINATE_COUNTDOWN_TEXTBOX[1]].set_enabled(true);
    m[WINDOW_NAME_TEXTBOX].set_text(long_title);
    // Shown before any event is processed: a handler may block right after.
    EXPECT_EQ(state->text(), "RUNNING");
    EXPECT_EQ(state->palette().color(QPalette::Base), rgb(forms::colors::kGreen));
    EXPECT_TRUE(minute->isEnabled());
  });
  EXPECT_EQ(rig.widget<QLineEdit>("WINDOW_NAME_TEXTBOX")->text().size(), 40000);
  rig.dispatch([&] { m[WAIT_FOR_PROCESS_TICKBOX].set_value(2); });
  EXPECT_EQ(wait->checkState(), Qt::PartiallyChecked);
  rig.dispatch([&] { m[STOP_START_COUNTDOWN_BUTTON].set_text("STOP COUNTDOWN"); });
  EXPECT_EQ(rig.widget<QPushButton>("STOP_START_COUNTDOWN_BUTTON")->text(), "STOP COUNTDOWN");
  QPushButton* terminate = rig.widget<QPushButton>("TERMINATE_PROCESS_NOW_BUTTON");
  EXPECT_EQ(terminate->toolTip(), "");
  rig.dispatch([&] { m[TERMINATE_PROCESS_NOW_BUTTON].set_tool_tip_text("Last press: 1 ended"); });
  EXPECT_EQ(terminate->toolTip(), "Last press: 1 ended");
  EXPECT_EQ(terminate->text(), "TERMINATE PROCESS NOW");
}

}  // namespace
}  // namespace tambrel::testing

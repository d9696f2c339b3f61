// The GNOME window manager's own logic over a fake extension: title matching on TAMBREL's side,
// the ids it sends, and the notice when the extension does not answer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/gnome/gnome_key_sender.h"
#include "platform/gnome/gnome_window_manager.h"

namespace tambrel::gnome {
namespace {

/// The extension as a list of windows; records what it was asked, or fails every call.
class FakeShell : public ShellWindows {
 public:
  std::vector<ShellWindow> windows;
  WindowId focus = 0;
  std::string version = "43.9";
  bool answering = true;
  int list_calls = 0;
  std::vector<WindowId> closed, activated;
  std::vector<bool> above;

  std::vector<ShellWindow> list() override {
    ++list_calls;
    check("List");
    return windows;
  }
  bool close(WindowId id) override {
    check("Close");
    closed.push_back(id);
    return known(id);
  }
  bool activate(WindowId id) override {
    check("Activate");
    activated.push_back(id);
    return known(id);
  }
  WindowId focused() override {
    check("Focused");
    return focus;
  }
  unsigned keep_above(bool value) override {
    check("KeepAbove");
    above.push_back(value);
    return 1;
  }
  std::string shell_version() override { return version; }

 private:
  void check(const std::string& method) {
    if (!answering) {
      throw Error("com.meridox.Tambrel.Windows." + method +
                  " failed: org.freedesktop.DBus.Error.ServiceUnknown");
    }
  }
  bool known(WindowId id) {
    for (const ShellWindow& w : windows) {
      if (w.id == id)
        return true;
    }
    return false;
  }
};

class GnomeWindowManagerTest : public ::testing::Test {
 protected:
  FakeShell shell;
  std::vector<std::string> notices;
  GnomeWindowManager wm{shell, [this](const std::string& text) { notices.push_back(text); }};
};

TEST_F(GnomeWindowManagerTest, FindsOnlyTheExactTitleAndNamesNoWindowByAnEmptyOne) {
  shell.windows = {{7, "Report.txt - Editor", 10}, {9, "Report", 11}, {12, "", 12}};
  EXPECT_EQ(wm.find_window("Report"), 9u);
  EXPECT_EQ(wm.find_window("Report.txt"), 0u) << "a prefix is not the title";
  EXPECT_EQ(wm.find_window("report"), 0u) << "titles are compared exactly";
  EXPECT_EQ(wm.find_window("Ünïcode ‘title’"), 0u);
  const int calls = shell.list_calls;
  EXPECT_EQ(wm.find_window(""), 0u) << "not the untitled window";
  EXPECT_EQ(shell.list_calls, calls);
  wm.post_close(9);
  EXPECT_EQ(shell.closed, std::vector<WindowId>{9});
  EXPECT_TRUE(notices.empty());
}

TEST_F(GnomeWindowManagerTest, ActivatesTheExactTitleElseTheOldestPrefixMatch) {
  shell.windows = {{3, "Notes - old", 1}, {4, "Notes", 1}, {5, "Notes - new", 1}};
  EXPECT_EQ(wm.activate("Notes"), 4u) << "exact wins over an older prefix match";
  EXPECT_EQ(wm.activate("Notes -"), 3u) << "the oldest of the prefix matches";
  EXPECT_EQ(shell.activated, (std::vector<WindowId>{4, 3}));
}

TEST_F(GnomeWindowManagerTest, ActivationWithoutAMatchOrOfAVanishedWindowFailsNamingTheTitle) {
  shell.windows = {{3, "Notes", 1}};
  for (const char* title : {"Mail", ""}) {
    try {
      wm.activate(title);
      ADD_FAILURE() << "activated something for \"" << title << "\"";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("\"" + std::string(title) + "\""), std::string::npos)
          << e.what();
    }
  }
  EXPECT_TRUE(shell.activated.empty());

  // Closed between the list and the activation: the shell answers false.
  class Vanishing : public FakeShell {
    bool activate(WindowId) override { return false; }
  } vanishing;
  vanishing.windows = {{3, "Notes", 1}};
  GnomeWindowManager other(vanishing, nullptr);
  EXPECT_THROW(other.activate("Notes"), Error);
}

TEST_F(GnomeWindowManagerTest, AMissingExtensionIsToldOnceNamingItAndTheCommandThatEnablesIt) {
  shell.windows = {{3, "Notes", 1}};
  shell.answering = false;
  // The keeper asks every second; it never tells and never fails.
  EXPECT_EQ(wm.foreground_window(), 0u);
  wm.set_topmost(42, true);
  EXPECT_TRUE(notices.empty());

  EXPECT_EQ(wm.find_window("Notes"), 0u);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("\"tambrel@meridox\""), std::string::npos) << notices[0];
  EXPECT_NE(notices[0].find("gnome-extensions enable tambrel@meridox"), std::string::npos);
  EXPECT_NE(notices[0].find("ServiceUnknown"), std::string::npos) << "says why";
  EXPECT_NE(notices[0].find("log out"), std::string::npos) << "a first install needs a new login";

  wm.post_close(3);
  EXPECT_EQ(wm.find_window("Notes"), 0u);
  EXPECT_EQ(notices.size(), 1u) << "told once";
  EXPECT_TRUE(shell.closed.empty());
}

TEST(GnomeExtensionUuid, NamesTheExtensionMadeForTheRunningShell) {
  const struct {
    const char* version;
    const char* uuid;
  } cases[] = {{"43.9", "tambrel@meridox"},
               {"44.10", "tambrel@meridox"},
               {"45.0", "tambrel-shell45@meridox"},
               {"48.2", "tambrel-shell45@meridox"},
               {"49.rc", "tambrel-shell45@meridox"},
               {"", ""},
               {"x", ""}};
  for (const auto& c : cases)
    EXPECT_EQ(gnome_extension_uuid(c.version), c.uuid) << c.version;

  const std::string told = gnome_extension_missing_text("no answer", "48.2");
  EXPECT_NE(told.find("gnome-extensions enable tambrel-shell45@meridox"), std::string::npos);
  EXPECT_EQ(told.find("tambrel@meridox"), std::string::npos) << "one command, the right one";
  // Without the shell's version: both, each with the shells it is for.
  const std::string unknown = gnome_extension_missing_text("no answer", "");
  EXPECT_NE(unknown.find("enable tambrel-shell45@meridox"), std::string::npos) << unknown;
  EXPECT_NE(unknown.find("enable tambrel@meridox"), std::string::npos) << unknown;
}

TEST_F(GnomeWindowManagerTest, ActivationWithoutTheExtensionFailsWithTheSameAdvice) {
  shell.answering = false;
  try {
    wm.activate("Notes");
    ADD_FAILURE() << "activation claimed success";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("gnome-extensions enable tambrel@meridox"),
              std::string::npos)
        << e.what();
  }
  EXPECT_TRUE(notices.empty()) << "the error's own message box tells it; no second one";
  wm.find_window("Notes");
  EXPECT_TRUE(notices.empty());
}

TEST_F(GnomeWindowManagerTest, KeepsOnlyItsOwnWindowsAboveAndNeverLowersAnything) {
  shell.focus = 5;
  EXPECT_EQ(wm.foreground_window(), 5u);
  wm.set_topmost(5, false);  // another program's window in front: not ours to change
  wm.set_topmost(0, true);
  EXPECT_TRUE(shell.above.empty());
  wm.set_topmost(77, true);
  EXPECT_EQ(shell.above, std::vector<bool>{true});
}

TEST(GnomeKeySender, ClosesTheWindowConfirmedInFrontNotWhatHasTheFocusNow) {
  FakeShell shell;
  shell.windows = {{5, "Notes", 1}, {6, "Other", 2}};
  GnomeWindowManager wm(shell, nullptr);
  GnomeKeySender keys(wm);
  wm.foreground_window();
  keys.send_alt_f4();
  EXPECT_TRUE(shell.closed.empty()) << "nothing was in front";
  shell.focus = 5;
  ASSERT_EQ(wm.foreground_window(), 5u);
  shell.focus = 6;  // the focus moves on between the check and the keystroke
  keys.send_alt_f4();
  EXPECT_EQ(shell.closed, std::vector<WindowId>{5});
  shell.answering = false;
  EXPECT_THROW(keys.send_alt_f4(), Error);
}

}  // namespace
}  // namespace tambrel::gnome

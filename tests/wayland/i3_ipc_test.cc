// The i3 IPC window manager against a fake compositor socket: framing, short reads, a compositor
// that goes away or stays silent, a huge tree, and commands that address containers only.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "fake_i3_server.h"
#include "platform/error.h"
#include "platform/wayland/compositor_close_key_sender.h"
#include "platform/wayland/i3_ipc.h"
#include "platform/wayland/i3_window_manager.h"
#include "platform/wayland/window_ids.h"

namespace tambrel::wayland {
namespace {

using testing::FakeI3Server;
using testing::TreeWindow;
using namespace std::chrono_literals;

constexpr std::uint32_t kRunCommand = 0;
constexpr std::uint32_t kGetTree = 4;

const char* const kWeird = "Weird [title] (x).*+?";

/// A compositor with these windows; RUN_COMMAND succeeds unless `refuse` is set.
FakeI3Server::Answer desktop(std::string tree, std::string refuse = "") {
  return [tree = std::move(tree), refuse](const FakeI3Server::Request& r) {
    if (r.type == kGetTree)
      return FakeI3Server::Reply{tree};
    if (!refuse.empty())
      return FakeI3Server::Reply{R"([{"success":false,"error":")" + refuse + "\"}]"};
    return FakeI3Server::Reply{R"([{"success":true}])"};
  };
}

std::string message(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(I3Ipc, FramesTheRequestAndReassemblesAReplySentAByteAtATime) {
  FakeI3Server server([](const FakeI3Server::Request&) { return FakeI3Server::Reply{"[1,2,3]"}; },
                      /*chunk=*/1);
  I3Ipc ipc(server.path());
  EXPECT_EQ(ipc.request(I3Message::run_command, "nop"), "[1,2,3]");
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0].type, kRunCommand);
  EXPECT_EQ(server.requests()[0].payload, "nop");
}

TEST(I3Ipc, ACompositorThatGoesAwayOrStaysSilentIsAnErrorWithinTheTimeLimit) {
  FakeI3Server hangs_up([](const FakeI3Server::Request&) {
    FakeI3Server::Reply reply;
    reply.hang_up_instead = true;
    return reply;
  });
  EXPECT_NE(message([&] {
              I3Ipc(hangs_up.path()).request(I3Message::get_tree, "");
            }).find("closed the connection"),
            std::string::npos);

  // Half a reply, then nothing: the header promises more than ever arrives.
  FakeI3Server truncates([](const FakeI3Server::Request&) {
    FakeI3Server::Reply reply;
    reply.raw = FakeI3Server::frame(kGetTree, "{\"id\":1}").substr(0, 18);
    return reply;
  });
  EXPECT_NE(message([&] {
              I3Ipc(truncates.path(), 300ms).request(I3Message::get_tree, "");
            }).find("read from"),
            std::string::npos);

  FakeI3Server silent([](const FakeI3Server::Request&) {
    FakeI3Server::Reply reply;
    reply.stay_silent = true;
    return reply;
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_NE(message([&] {
              I3Ipc(silent.path(), 300ms).request(I3Message::get_tree, "");
            }).find("no reply within the time limit"),
            std::string::npos);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);

  FakeI3Server gone(desktop(testing::sway_tree({})));
  gone.go_away();
  EXPECT_NE(message([&] {
              I3Ipc(gone.path()).request(I3Message::get_tree, "");
            }).find("connect to " + gone.path() + " failed"),
            std::string::npos);
}

TEST(I3Ipc, RepliesThatAreNotOursAreRefused) {
  FakeI3Server wrong_type([](const FakeI3Server::Request&) {
    FakeI3Server::Reply reply{"[]"};
    reply.type = 7;
    return reply;
  });
  EXPECT_NE(message([&] {
              I3Ipc(wrong_type.path()).request(I3Message::run_command, "x");
            }).find("a reply of type 7 to a request of type 0"),
            std::string::npos);

  FakeI3Server not_i3([](const FakeI3Server::Request&) {
    FakeI3Server::Reply reply;
    reply.raw = "HTTP/1.1 400 Bad Request\r\n\r\n";
    return reply;
  });
  EXPECT_NE(message([&] {
              I3Ipc(not_i3.path()).request(I3Message::get_tree, "");
            }).find("not an i3 IPC message"),
            std::string::npos);

  // A length beyond any tree is refused before anything is allocated for it.
  FakeI3Server huge_length([](const FakeI3Server::Request&) {
    FakeI3Server::Reply reply;
    reply.raw = FakeI3Server::frame(kGetTree, "").substr(0, 6) + std::string("\xff\xff\xff\x7f") +
                std::string("\x04\0\0\0", 4);
    return reply;
  });
  EXPECT_NE(message([&] {
              I3Ipc(huge_length.path()).request(I3Message::get_tree, "");
            }).find("beyond any window tree"),
            std::string::npos);
}

TEST(I3WindowManager, FindsNativeAndXWaylandWindowsByExactTitleAndClosesByContainerOnly) {
  FakeI3Server server(desktop(testing::sway_tree(
      {{11, "Weird [title] (x).*+? and more"}, {12, kWeird}, {13, "Editor", 0x600001}},
      {{14, "Weird [title] (x)"}})));
  I3WindowManager wm(I3Ipc(server.path()), "sway");

  const WindowId weird = wm.find_window(kWeird);
  EXPECT_EQ(weird, window_id(12, 0));
  EXPECT_EQ(wm.find_window("Editor"), WindowId{0x600001}) << "XWayland windows keep their X id";
  EXPECT_EQ(wm.find_window("Weird"), 0u) << "closing never takes a prefix";
  EXPECT_EQ(wm.find_window(""), 0u);

  wm.post_close(weird);
  wm.post_close(0x600001);
  EXPECT_EQ(server.commands(), (std::vector<std::string>{"[con_id=12] kill", "[con_id=13] kill"}));
}

TEST(I3WindowManager, ActivatesExactThenPrefixAndSaysWhenNothingOrTheCompositorRefuses) {
  FakeI3Server server(desktop(testing::sway_tree(
      {{21, "Report - draft"}, {22, "Report"}, {23, "Notes", 0, /*focused=*/true}})));
  I3WindowManager wm(I3Ipc(server.path()), "sway");

  EXPECT_EQ(wm.activate("Report"), window_id(22, 0));
  EXPECT_EQ(wm.activate("Report -"), window_id(21, 0));
  EXPECT_EQ(server.commands(),
            (std::vector<std::string>{"[con_id=22] focus", "[con_id=21] focus"}));
  EXPECT_EQ(wm.foreground_window(), window_id(23, 0));

  EXPECT_NE(message([&] { wm.activate("Nothing like it"); }).find("\"Nothing like it\""),
            std::string::npos);
  EXPECT_NE(message([&] { wm.activate(""); }).find("Activating a window failed"),
            std::string::npos);

  FakeI3Server refusing(desktop(testing::sway_tree({{31, "Report"}}), "No matching node"),
                        /*chunk=*/3);
  I3WindowManager stubborn(I3Ipc(refusing.path()), "sway");
  EXPECT_NE(message([&] { stubborn.activate("Report"); }).find("sway refused to focus"),
            std::string::npos);
}

TEST(I3WindowManager, KeepAboveFloatsOurWindowLeavesOthersStickyAndIgnoresAVanishedCompositor) {
  FakeI3Server server(desktop(testing::sway_tree({{41, "TAMBREL", 0x800003}, {42, "Other"}})));
  I3WindowManager wm(I3Ipc(server.path()), "sway");
  wm.set_topmost(0x800003, true);
  wm.set_topmost(window_id(42, 0), false);
  wm.set_topmost(0, true);
  wm.set_topmost(0x999999, true);  // no such window: nothing to command
  EXPECT_EQ(server.commands(),
            (std::vector<std::string>{"[con_id=41] floating enable; [con_id=41] sticky enable"}))
      << "the keeper's demotion of another window must leave its sticky state alone";
  EXPECT_FALSE(wm.close_confirmed()) << "nothing was confirmed in front";

  server.go_away();
  wm.post_close(window_id(42, 0));
  wm.set_topmost(0x800003, true);
  EXPECT_NE(message([&] { wm.find_window("Other"); }).find("connect to"), std::string::npos);
}

TEST(I3WindowManager, AltF4ClosesTheContainerConfirmedInFrontNotWhatHasTheFocusNow) {
  std::atomic<bool> moved{false};
  const std::string before = testing::sway_tree({{51, "A"}, {52, "B", 0, true}});
  const std::string after = testing::sway_tree({{51, "A", 0, true}, {52, "B"}});
  FakeI3Server server(
      [&](const FakeI3Server::Request& r) { return desktop(moved ? after : before)(r); });
  I3WindowManager wm(I3Ipc(server.path()), "sway");
  CompositorCloseKeySender keys([&] { return wm.close_confirmed(); });
  ASSERT_EQ(wm.foreground_window(), window_id(52, 0));
  moved = true;  // the focus moves on between the check and the keystroke
  keys.send_alt_f4();
  EXPECT_EQ(server.commands(), (std::vector<std::string>{"[con_id=52] kill"}));
}

TEST(I3WindowManager, AHugeTreeIsReadWhole) {
  std::vector<TreeWindow> many;
  for (int i = 0; i < 20000; ++i)
    many.push_back({1000 + i, "Window number " + std::to_string(i) + std::string(100, '.')});
  many.push_back({99999, kWeird});
  const std::string tree = testing::sway_tree(many);
  ASSERT_GT(tree.size(), 2u << 20) << "the tree should be several megabytes";
  FakeI3Server server(desktop(tree), /*chunk=*/4093);
  I3WindowManager wm(I3Ipc(server.path()), "sway");
  EXPECT_EQ(wm.find_window(kWeird), window_id(99999, 0));
  EXPECT_EQ(wm.tree_windows().size(), 20001u);
}

}  // namespace
}  // namespace tambrel::wayland

// The one rule for choosing among windows that share a title.
#include "platform/window_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tambrel {
namespace {

struct Listed {
  std::string title;
  std::uint32_t pid;
};

TEST(ChooseWindow, TheBestTierWinsThenTheNamedProcessThenTheTopmost) {
  const std::uint32_t named_pid = 7;
  const struct {
    const char* what;
    std::vector<Listed> windows;  // topmost first
    const char* typed;
    bool prefix;
    int expected;  // index, -1 for none
  } cases[] = {
      {"the named program's window beneath another's",
       {{"Shared", 3}, {"Shared", 7}},
       "Shared",
       false,
       1},
      {"of two named, the topmost",
       {{"Shared", 7}, {"Other", 3}, {"Shared", 7}},
       "Shared",
       false,
       0},
      {"none named: the topmost", {{"Shared", 3}, {"Shared", 4}}, "Shared", false, 0},
      {"an exact title beats a named prefix",
       {{"Shared title", 7}, {"Shared", 3}},
       "Shared",
       true,
       1},
      {"a named prefix beats another's prefix",
       {{"Shared x", 3}, {"Shared y", 7}},
       "Shared",
       true,
       1},
      {"a prefix is no match for a close request", {{"Shared title", 7}}, "Shared", false, -1},
      {"an empty text names no window", {{"", 7}}, "", true, -1},
  };
  for (const auto& c : cases) {
    const auto tier = [&](const Listed& w) {
      return c.prefix ? activation_title_tier(w.title, c.typed)
                      : exact_title_tier(w.title, c.typed);
    };
    const auto chosen = choose_window(
        c.windows, tier, [](const Listed& w) { return w.pid; },
        [&](std::uint32_t pid) { return pid == named_pid; });
    const int index = chosen == c.windows.end() ? -1 : int(chosen - c.windows.begin());
    EXPECT_EQ(index, c.expected) << c.what;
  }
}

}  // namespace
}  // namespace tambrel

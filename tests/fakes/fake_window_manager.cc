#include "fakes/fake_window_manager.h"

#include <algorithm>

#include "platform/error.h"

namespace tambrel::testing {

WindowId FakeWindowManager::open(std::string title, bool ignores_close) {
  windows.push_back({next_id_, std::move(title), false, ignores_close});
  return next_id_++;
}

FakeWindowManager::Window* FakeWindowManager::window(WindowId id) {
  for (auto& w : windows) {
    if (w.id == id)
      return &w;
  }
  return nullptr;
}

bool FakeWindowManager::exists(WindowId id) const {
  return std::any_of(windows.begin(), windows.end(), [id](const Window& w) { return w.id == id; });
}

WindowOwner FakeWindowManager::owner(WindowId id) {
  const Window* w = window(id);
  return w ? w->owner : WindowOwner{};
}

bool FakeWindowManager::takes_close_requests(WindowId id) {
  const Window* w = window(id);
  return w && w->takes_close_requests;
}

std::optional<WindowId> FakeWindowManager::input_blocked(WindowId id) {
  const Window* w = window(id);
  return w ? w->input_blocked_by : std::nullopt;
}

WindowId FakeWindowManager::find_window(std::string_view title) {
  calls.push_back("find " + std::string(title));
  // `windows` lists the topmost first.
  const auto chosen = choose_window(
      windows, [&](const Window& w) { return exact_title_tier(w.title, title); },
      [](const Window& w) { return w.owner.pid; }, named_);
  return chosen == windows.end() ? 0 : chosen->id;
}

void FakeWindowManager::post_close(WindowId id) {
  calls.push_back("post_close " + std::to_string(id));
  const Window* w = window(id);
  if (w && !w->ignores_close) {
    std::erase_if(windows, [id](const Window& x) { return x.id == id; });
    if (foreground == id)
      foreground = 0;
  }
}

WindowId FakeWindowManager::activate(std::string_view title) {
  calls.push_back("activate " + std::string(title));
  const Window* found = nullptr;
  for (const auto& w : windows) {
    if (w.title == title)
      found = &w;
  }
  for (const auto& w : windows) {
    if (!found && w.title.starts_with(title))
      found = &w;
  }
  if (!found || title.empty())
    throw Error("No window has the title \"" + std::string(title) + "\".");
  if (!refuse_activation)
    foreground = found->id;
  return found->id;
}

void FakeWindowManager::set_topmost(WindowId id, bool topmost) {
  calls.push_back("topmost " + std::to_string(id) + " " + (topmost ? "1" : "0"));
  if (Window* w = window(id))
    w->topmost = topmost;
}

void RecordingKeySender::send_alt_f4() {
  const WindowId front = windows_.foreground;
  sent_to.push_back(front);
  const auto* w = windows_.window(front);
  if (w && !w->ignores_close) {
    std::erase_if(windows_.windows, [front](const auto& x) { return x.id == front; });
    windows_.foreground = 0;
  }
}

}  // namespace tambrel::testing

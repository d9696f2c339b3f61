#include "fakes/fake_window_manager.h"

#include <algorithm>

#include "platform/error.h"

namespace tambrel::testing {

WindowId FakeWindowManager::open(std::string title, bool ignores_close) {
  open_windows.push_back({next_id_, std::move(title), false, ignores_close});
  return next_id_++;
}

FakeWindowManager::Window* FakeWindowManager::window(WindowId id) {
  for (auto& w : open_windows) {
    if (w.id == id)
      return &w;
  }
  return nullptr;
}

bool FakeWindowManager::exists(WindowId id) const {
  return std::any_of(open_windows.begin(), open_windows.end(),
                     [id](const Window& w) { return w.id == id; });
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

std::vector<ListedWindow> FakeWindowManager::windows() {
  std::vector<ListedWindow> out;
  for (const Window& w : open_windows)
    out.push_back({w.id, w.title, w.owner.pid});
  return out;
}

WindowId FakeWindowManager::find_window(std::string_view title) {
  calls.push_back("find " + std::string(title));
  // `open_windows` lists the topmost first.
  const auto chosen = choose_window(
      open_windows, [&](const Window& w) { return exact_title_tier(w.title, title); },
      [](const Window& w) { return w.owner.pid; }, named_);
  return chosen == open_windows.end() ? 0 : chosen->id;
}

void FakeWindowManager::post_close(WindowId id) {
  calls.push_back("post_close " + std::to_string(id));
  const Window* w = window(id);
  if (w && !w->ignores_close) {
    std::erase_if(open_windows, [id](const Window& x) { return x.id == id; });
    if (foreground == id)
      foreground = 0;
  }
}

WindowId FakeWindowManager::activate(std::string_view title) {
  calls.push_back("activate " + std::string(title));
  const Window* found = nullptr;
  for (const auto& w : open_windows) {
    if (w.title == title)
      found = &w;
  }
  for (const auto& w : open_windows) {
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
    std::erase_if(windows_.open_windows, [front](const auto& x) { return x.id == front; });
    windows_.foreground = 0;
  }
}

}  // namespace tambrel::testing

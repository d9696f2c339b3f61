#include "shell/window_list.h"

#include <exception>

#include "platform/visible_text.h"

namespace tambrel {

std::string window_list_text(const std::vector<ListedWindow>& windows,
                             const std::function<std::string(const ListedWindow&)>& name_of) {
  std::string text;
  for (const ListedWindow& w : windows) {
    // An empty title names no window, so no close request can reach it.
    if (w.title.empty())
      continue;
    const std::string name = w.pid != 0 ? name_of(w) : std::string();
    text += window_id_text(w.id) + '\t' + (w.pid != 0 ? std::to_string(w.pid) : "-") + '\t' +
            (name.empty() ? "-" : visible_text(name)) + '\t' + visible_text(w.title) + '\n';
  }
  return text;
}

CommandLineAnswer window_list_answer(
    const std::string& program, const std::function<std::vector<ListedWindow>()>& list,
    const std::function<std::string(const ListedWindow&)>& name_of) {
  std::vector<ListedWindow> windows;
  try {
    windows = list();
  } catch (const std::exception& e) {
    return {program + ": the windows cannot be listed: " + e.what() + "\n", kExitCantStart};
  }
  return {window_list_text(windows, name_of), kExitDone};
}

}  // namespace tambrel

#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace tambrel {

/// Whether the process `pid` is a process of the name the user typed, by the process table's
/// rule. Empty: no preference.
using NamedProcess = std::function<bool(std::uint32_t pid)>;

/// The one rule, on every desktop, for choosing among the windows that answer a typed title.
/// `tier_of(window)` says how well the window's title answers, as the desktop compares titles:
/// 0 for the best kind of match, 1 for the next, and so on; negative for none. The first tier that
/// any window has wins. Within it the windows of the named process come first, and of those the
/// earliest in `windows`, which lists the topmost (or the most recently focused) first; only when
/// no window of the tier is the named process's is the earliest of the others taken (a window
/// titled by one program and watched by another is a use the form allows). `pid_of(window)` is
/// its owner's process id (0: not known). Returns windows.end() when none answers.
template <class Windows, class TierOf, class PidOf>
auto choose_window(const Windows& windows, TierOf tier_of, PidOf pid_of,
                   const NamedProcess& named) {
  auto best = windows.end();
  int best_tier = 0;
  bool best_named = false;
  for (auto it = windows.begin(); it != windows.end(); ++it) {
    const int tier = tier_of(*it);
    if (tier < 0 ||
        (best != windows.end() && (tier > best_tier || (tier == best_tier && best_named))))
      continue;
    if (best != windows.end() && tier == best_tier && !best_named) {
      // Asked only where it decides: a tie with a window of another program.
      if (!(named && named(pid_of(*it))))
        continue;
      best_named = true;
    } else {
      best_named = named && named(pid_of(*it));
    }
    best = it;
    best_tier = tier;
  }
  return best;
}

/// The close request's comparison: the whole title, exactly. An empty text names no window.
inline int exact_title_tier(std::string_view title, std::string_view typed) {
  return !typed.empty() && title == typed ? 0 : -1;
}

/// Activation's comparison: the whole title exactly, else a title that begins with the text.
inline int activation_title_tier(std::string_view title, std::string_view typed) {
  if (typed.empty())
    return -1;
  return title == typed ? 0 : title.starts_with(typed) ? 1 : -1;
}

}  // namespace tambrel

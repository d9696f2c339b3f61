#include "platform/gnome/gnome_window_manager.h"

#include <algorithm>
#include <iostream>

#include "platform/error.h"
#include "platform/visible_text.h"

namespace tambrel::gnome {

std::string gnome_extension_missing_text(std::string_view reason) {
  const std::string uuid = kGnomeExtensionUuid;
  return "TAMBREL cannot reach windows on this GNOME desktop: its GNOME Shell extension \"" + uuid +
         "\" does not answer (" + std::string(reason) +
         "). Nothing was closed.\n\nEnable the extension with:\n\n    gnome-extensions enable " +
         uuid +
         "\n\nGNOME Shell finds newly installed extensions only when it starts: after a first "
         "install, log out and in again before enabling it.";
}

GnomeWindowManager::GnomeWindowManager(ShellWindows& shell, Notice notice)
    : shell_(shell), notice_(std::move(notice)) {}

void GnomeWindowManager::tell(const std::string& reason) {
  if (told_)
    return;
  told_ = true;
  const std::string text = gnome_extension_missing_text(reason);
  std::cerr << "tambrel: " << visible_text(text) << '\n';
  if (notice_)
    notice_(text);
}

WindowId GnomeWindowManager::find_window(std::string_view title) {
  if (title.empty())
    return 0;
  try {
    for (const ShellWindow& window : shell_.list()) {
      if (window.title == title)
        return window.id;
    }
  } catch (const Error& e) {
    tell(e.what());
  }
  return 0;
}

void GnomeWindowManager::post_close(WindowId window) {
  try {
    shell_.close(window);
  } catch (const Error& e) {
    tell(e.what());
  }
}

WindowId GnomeWindowManager::activate(std::string_view title) {
  std::vector<ShellWindow> windows;
  try {
    windows = shell_.list();
  } catch (const Error& e) {
    // The error's own message box tells the user; no second one.
    const bool first = !told_;
    told_ = true;
    const std::string text = gnome_extension_missing_text(e.what());
    if (first)
      std::cerr << "tambrel: " << visible_text(text) << '\n';
    throw Error("Activating a window failed: " + text);
  }
  const auto chosen = window_to_activate(
      windows, title, [](const ShellWindow& w) -> const std::string& { return w.title; });
  // A window that closed between the list and the call is no match either.
  if (chosen == windows.end() || !shell_.activate(chosen->id)) {
    throw no_window_to_activate(title);
  }
  return chosen->id;
}

WindowId GnomeWindowManager::foreground_window() {
  try {
    return shell_.focused();
  } catch (const Error&) {
    // Asked every second by the always-on-top keeper: the close request tells the user.
    return 0;
  }
}

void GnomeWindowManager::set_topmost(WindowId window, bool topmost) {
  if (window == 0 || !topmost)
    return;
  try {
    shell_.keep_above(true);
  } catch (const Error&) {
    // As foreground_window: failures are ignored here.
  }
}

}  // namespace tambrel::gnome

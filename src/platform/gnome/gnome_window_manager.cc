#include "platform/gnome/gnome_window_manager.h"

#include <algorithm>
#include <charconv>
#include <iostream>

#include "platform/error.h"
#include "platform/visible_text.h"

namespace tambrel::gnome {

std::string_view gnome_extension_uuid(std::string_view shell_version) {
  int major = 0;
  const auto [end, failed] =
      std::from_chars(shell_version.data(), shell_version.data() + shell_version.size(), major);
  if (failed != std::errc() || major < 40)
    return {};
  return major >= 45 ? kGnomeExtensionUuid45 : kGnomeExtensionUuid43;
}

std::string gnome_extension_missing_text(std::string_view reason, std::string_view shell_version) {
  const std::string_view uuid = gnome_extension_uuid(shell_version);
  std::string which, enable;
  if (!uuid.empty()) {
    which = "its GNOME Shell extension \"" + std::string(uuid) + "\"";
    enable = "Enable the extension with:\n\n    gnome-extensions enable " + std::string(uuid);
  } else {
    which = std::string("its GNOME Shell extension (\"") + kGnomeExtensionUuid45 +
            "\" on GNOME Shell 45 and later, \"" + kGnomeExtensionUuid43 + "\" on 43 and 44)";
    enable = std::string("Enable the extension with:\n\n    gnome-extensions enable ") +
             kGnomeExtensionUuid45 +
             "\n\non GNOME Shell 45 and later, or on 43 and 44 with:\n\n"
             "    gnome-extensions enable " +
             kGnomeExtensionUuid43;
  }
  return "TAMBREL cannot reach windows on this GNOME desktop: " + which + " does not answer (" +
         std::string(reason) + "). Nothing was closed.\n\n" + enable +
         "\n\nGNOME Shell finds newly installed extensions only when it starts: after a first "
         "install, log out and in again before enabling it.";
}

GnomeWindowManager::GnomeWindowManager(ShellWindows& shell, Notice notice)
    : shell_(shell), notice_(std::move(notice)) {}

void GnomeWindowManager::tell(const std::string& reason) {
  if (told_)
    return;
  told_ = true;
  const std::string text = gnome_extension_missing_text(reason, shell_.shell_version());
  std::cerr << "tambrel: " << visible_text(text) << '\n';
  if (notice_)
    notice_(text);
}

WindowId GnomeWindowManager::find_window(std::string_view title) {
  if (title.empty())
    return 0;
  try {
    const std::vector<ShellWindow> windows = shell_.list();
    const auto chosen = choose_window(
        windows, [&](const ShellWindow& w) { return exact_title_tier(w.title, title); },
        [](const ShellWindow& w) { return w.pid; }, named_);
    return chosen == windows.end() ? 0 : chosen->id;
  } catch (const Error& e) {
    tell(e.what());
  }
  return 0;
}

std::vector<ListedWindow> GnomeWindowManager::windows() {
  std::vector<ShellWindow> listed;
  try {
    listed = shell_.list();
  } catch (const Error& e) {
    throw Error(gnome_extension_missing_text(e.what(), shell_.shell_version()));
  }
  std::vector<ListedWindow> out;
  for (ShellWindow& w : listed)
    out.push_back({w.id, std::move(w.title), w.pid});
  return out;
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
    const std::string text = gnome_extension_missing_text(e.what(), shell_.shell_version());
    if (first)
      std::cerr << "tambrel: " << visible_text(text) << '\n';
    throw Error("Activating a window failed: " + text);
  }
  const auto chosen = choose_window(
      windows, [&](const ShellWindow& w) { return activation_title_tier(w.title, title); },
      [](const ShellWindow& w) { return w.pid; }, named_);
  // A window that closed between the list and the call is no match either.
  if (chosen == windows.end() || !shell_.activate(chosen->id)) {
    throw no_window_to_activate(title);
  }
  return chosen->id;
}

WindowId GnomeWindowManager::foreground_window() {
  confirmed_ = 0;
  try {
    confirmed_ = shell_.focused();
  } catch (const Error&) {
    // Asked every second by the always-on-top keeper: the close request tells the user.
  }
  return confirmed_;
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

bool GnomeWindowManager::close_confirmed() {
  return confirmed_ != 0 && shell_.close(confirmed_);
}

}  // namespace tambrel::gnome

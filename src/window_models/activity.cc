#include "window_models/activity.h"

#include "platform/visible_text.h"
#include "window_models/tambrel_main.h"

namespace tambrel {

void log_event(TambrelMain& m, std::string_view event) {
  m.services.log.record(event);
}

void log_exit(TambrelMain& m, std::string_view cause) {
  if (m.exit_stated)
    return;
  m.exit_stated = true;
  log_event(m, "exit: " + std::string(cause));
}

std::string describe_window(WindowManager& windows, WindowId window) {
  const WindowOwner owner = windows.owner(window);
  std::string text = "window " + window_id_text(window);
  if (owner.pid == 0)
    return text + " (process unknown)";
  text += " (pid " + std::to_string(owner.pid);
  if (!owner.image.empty())
    text += ", " + owner.image;
  return text + ")";
}

std::string quoted(std::string_view text) {
  return quoted_visible(text);
}

}  // namespace tambrel

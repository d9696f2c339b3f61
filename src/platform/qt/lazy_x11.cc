#include "platform/qt/lazy_x11.h"

#include <exception>

#include "platform/x11/x11_window_manager.h"
#include "platform/x11/x_connection.h"
#include "platform/x11/xtest_key_sender.h"

namespace tambrel::qt {

LazyX11::LazyX11() = default;
LazyX11::~LazyX11() = default;

std::shared_ptr<x11::Connection> LazyX11::connection() {
  if (!connection_)
    connection_ = std::make_shared<x11::Connection>();
  return connection_;
}

x11::X11WindowManager& LazyX11::window_manager() {
  if (!window_manager_)
    window_manager_ = std::make_unique<x11::X11WindowManager>(connection());
  return *window_manager_;
}

x11::XTestKeySender& LazyX11::key_sender() {
  if (!key_sender_)
    key_sender_ = std::make_unique<x11::XTestKeySender>(connection());
  return *key_sender_;
}

WindowId LazyX11::Windows::find_window(std::string_view title) {
  return x11_.window_manager().find_window(title);
}
void LazyX11::Windows::post_close(WindowId window) {
  x11_.window_manager().post_close(window);
}
bool LazyX11::Windows::takes_close_requests(WindowId window) {
  try {
    return x11_.window_manager().takes_close_requests(window);
  } catch (const std::exception&) {
    return true;  // no display: it cannot tell, and the close request fails on its own
  }
}
WindowId LazyX11::Windows::activate(std::string_view title) {
  return x11_.window_manager().activate(title);
}
WindowId LazyX11::Windows::foreground_window() {
  return x11_.window_manager().foreground_window();
}
void LazyX11::Windows::set_topmost(WindowId window, bool topmost) {
  x11_.window_manager().set_topmost(window, topmost);
}

WindowOwner LazyX11::Windows::owner(WindowId window) {
  try {
    return x11_.window_manager().owner(window);
  } catch (const std::exception&) {
    return {};  // no display: nothing to tell, and the log must not stop the program
  }
}

std::vector<ListedWindow> LazyX11::Windows::windows() {
  return x11_.window_manager().windows();
}

void LazyX11::Keys::send_alt_f4() {
  x11_.key_sender().send_alt_f4();
}

}  // namespace tambrel::qt

#include "platform/qt/taskbar.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace tambrel::qt {

namespace {

xcb_atom_t intern(xcb_connection_t* connection, const char* name) {
  const auto cookie =
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
      xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

}  // namespace

void keep_off_taskbar(QWidget& window) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection())
    return;
  xcb_connection_t* connection = x11->connection();
  const auto id = static_cast<xcb_window_t>(window.winId());
  const xcb_atom_t state = intern(connection, "_NET_WM_STATE");
  const xcb_atom_t skip = intern(connection, "_NET_WM_STATE_SKIP_TASKBAR");
  if (state == XCB_ATOM_NONE || skip == XCB_ATOM_NONE)
    return;

  const auto cookie = xcb_get_property(connection, 0, id, state, XCB_ATOM_ATOM, 0, 1024);
  std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
      xcb_get_property_reply(connection, cookie, nullptr), &std::free);
  if (reply && reply->type == XCB_ATOM_ATOM && reply->format == 32) {
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    for (int i = 0; i < xcb_get_property_value_length(reply.get()) / 4; ++i) {
      if (atoms[i] == skip)
        return;
    }
  }
  // Qt merges its own states into what the property holds when it maps the window.
  xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, 1, &skip);
  xcb_flush(connection);
}

namespace {

/// Sends a client message about `window` to the root, where the window manager takes it.
void ask_window_manager(xcb_connection_t* connection, QWidget& window, xcb_atom_t type,
                        std::uint32_t l0, std::uint32_t l1, std::uint32_t l2, std::uint32_t l3) {
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = static_cast<xcb_window_t>(window.winId());
  event.type = type;
  event.data.data32[0] = l0;
  event.data.data32[1] = l1;
  event.data.data32[2] = l2;
  event.data.data32[3] = l3;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  xcb_send_event(connection, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
  xcb_flush(connection);
}

/// EWMH source indication: a pager, acting for the user.
constexpr std::uint32_t kSourcePager = 2;

}  // namespace

void show_on_taskbar(QWidget& window, bool shown) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection())
    return;
  xcb_connection_t* connection = x11->connection();
  const xcb_atom_t state = intern(connection, "_NET_WM_STATE");
  const xcb_atom_t skip = intern(connection, "_NET_WM_STATE_SKIP_TASKBAR");
  if (state == XCB_ATOM_NONE || skip == XCB_ATOM_NONE)
    return;
  // A managed window's state belongs to the window manager: it is asked
  // (_NET_WM_STATE_REMOVE 0, _NET_WM_STATE_ADD 1).
  ask_window_manager(connection, window, state, shown ? 0 : 1, skip, 0, kSourcePager);
}

void give_focus(QWidget& window) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_atom_t active = XCB_ATOM_NONE;
  if (x11 && x11->connection())
    active = intern(x11->connection(), "_NET_ACTIVE_WINDOW");
  if (active == XCB_ATOM_NONE) {
    window.activateWindow();
    return;
  }
  // Sent after whatever the program asked before (an owned window's unmapping): the window
  // manager's own choice of focus for that comes first, this one after it.
  ask_window_manager(x11->connection(), window, active, kSourcePager, XCB_CURRENT_TIME, 0, 0);
}

}  // namespace tambrel::qt

#include "platform/x11/x11_window_manager.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <utility>

#include "platform/error.h"
#include "platform/x11/x_error_trap.h"
#include "platform/x11/x_properties.h"

namespace tambrel::x11 {

namespace {
/// EWMH source indication: the request comes from a pager or similar tool acting for the
/// user, so the window manager's focus-stealing prevention does not apply.
constexpr long kSourcePager = 2;
constexpr long kStateRemove = 0;
constexpr long kStateAdd = 1;
/// How deep under a root child a reparenting window manager may have put the client.
constexpr int kMaxFrameDepth = 4;

struct Atoms {
  Atom net_supported, net_supporting_wm_check, net_client_list, net_client_list_stacking,
      net_wm_name, utf8_string, net_close_window, net_active_window, net_wm_state,
      net_wm_state_above, wm_protocols, wm_delete_window, wm_state;
};

struct Support {
  /// Atoms of _NET_SUPPORTED, empty when no EWMH window manager is alive.
  std::vector<unsigned long> atoms;
};

}  // namespace

struct X11WindowManager::Impl {
  explicit Impl(std::shared_ptr<x11::Connection> connection);

  Support support();
  static bool supports(const Support& support, Atom atom);
  std::vector<TopLevel> top_levels();
  void send_to_root(Window window, Atom type, long l0, long l1, long l2, long l3);
  Window top_level_of(Window window);
  Window client_of(Window top_level);
  WindowId find_window(std::string_view title, const NamedProcess& named);
  bool takes_close_requests(Window window);
  void post_close(WindowId id);
  WindowId activate(std::string_view title, const NamedProcess& named);
  WindowId foreground_window();
  void set_topmost(WindowId id, bool topmost);
  WindowOwner owner(WindowId id);
  /// The process of a client on this machine, else 0.
  std::uint32_t local_pid(WindowId id) {
    const WindowOwner o = owner(id);
    return o.image.empty() ? 0 : o.pid;
  }

  std::shared_ptr<x11::Connection> connection_;
  Display* display_;
  Window root_;
  Atoms atoms_;
  Atom net_wm_pid_ = None;  // interned on first use: only the activity log asks
};

X11WindowManager::Impl::Impl(std::shared_ptr<x11::Connection> connection)
    : connection_(std::move(connection)),
      display_(connection_->display()),
      root_(DefaultRootWindow(display_)) {
  Atoms* a = &atoms_;
  std::pair<const char*, Atom*> wanted[] = {
      {"_NET_SUPPORTED", &a->net_supported},
      {"_NET_SUPPORTING_WM_CHECK", &a->net_supporting_wm_check},
      {"_NET_CLIENT_LIST", &a->net_client_list},
      {"_NET_CLIENT_LIST_STACKING", &a->net_client_list_stacking},
      {"_NET_WM_NAME", &a->net_wm_name},
      {"UTF8_STRING", &a->utf8_string},
      {"_NET_CLOSE_WINDOW", &a->net_close_window},
      {"_NET_ACTIVE_WINDOW", &a->net_active_window},
      {"_NET_WM_STATE", &a->net_wm_state},
      {"_NET_WM_STATE_ABOVE", &a->net_wm_state_above},
      {"WM_PROTOCOLS", &a->wm_protocols},
      {"WM_DELETE_WINDOW", &a->wm_delete_window},
      {"WM_STATE", &a->wm_state},
  };
  constexpr int kCount = sizeof wanted / sizeof wanted[0];
  char* names[kCount];
  Atom values[kCount];
  for (int i = 0; i < kCount; ++i)
    names[i] = const_cast<char*>(wanted[i].first);
  // One round trip for all of them.
  if (!XInternAtoms(display_, names, kCount, False, values))
    throw Error("XInternAtoms failed");
  for (int i = 0; i < kCount; ++i)
    *wanted[i].second = values[i];
}

Support X11WindowManager::Impl::support() {
  const Atoms& a = atoms_;
  x11::ErrorTrap trap(display_);
  // _NET_SUPPORTED outlives a window manager that crashed; the check window proves it alive.
  auto check = x11::get_property(display_, root_, a.net_supporting_wm_check, XA_WINDOW);
  if (!check)
    return {};
  const auto check_window = x11::items32(*check);
  if (check_window.empty())
    return {};
  auto echo = x11::get_property(display_, check_window[0], a.net_supporting_wm_check, XA_WINDOW);
  if (!echo || x11::items32(*echo) != check_window)
    return {};
  auto supported = x11::get_property(display_, root_, a.net_supported, XA_ATOM);
  if (!supported)
    return {};
  return Support{x11::items32(*supported)};
}

bool X11WindowManager::Impl::supports(const Support& support, Atom atom) {
  return std::find(support.atoms.begin(), support.atoms.end(), atom) != support.atoms.end();
}

std::vector<X11WindowManager::TopLevel> X11WindowManager::Impl::top_levels() {
  const Atoms& a = atoms_;
  const Support ewmh = support();
  std::vector<Window> windows;
  x11::ErrorTrap trap(display_);
  // Topmost first, as on the screen: of two windows with one title, the one the user sees is
  // the one meant. The stacking list runs bottom to top; the plain list (mapping order) is the
  // fallback for a window manager that keeps no stacking list.
  const Atom list_atom = supports(ewmh, a.net_client_list_stacking) ? a.net_client_list_stacking
                         : supports(ewmh, a.net_client_list)        ? a.net_client_list
                                                                    : None;
  if (list_atom != None) {
    if (auto list = x11::get_property(display_, root_, list_atom, XA_WINDOW)) {
      const auto items = x11::items32(*list);
      if (list_atom == a.net_client_list_stacking)
        windows.assign(items.rbegin(), items.rend());
      else
        windows.assign(items.begin(), items.end());
    }
  } else {
    Window root_return = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display_, root_, &root_return, &parent, &children, &count)) {
      std::unique_ptr<Window, x11::XFreeDeleter> owned(children);
      // Children come bottom to top; walk them from the top like a window list does.
      for (unsigned int i = count; i-- > 0;)
        windows.push_back(client_of(children[i]));
    }
  }
  std::vector<TopLevel> result;
  for (const Window w : windows) {
    // A window that vanished since the list was read simply has no title any more.
    if (auto title = x11::window_title(display_, w, a.net_wm_name, a.utf8_string)) {
      result.push_back({w, std::move(*title)});
    }
  }
  return result;
}

Window X11WindowManager::Impl::client_of(Window top_level) {
  // A reparenting window manager marks the client it manages with WM_STATE; search the frame
  // breadth first, as xprop and xwininfo do. Without a match the top level is its own client.
  std::vector<Window> level{top_level};
  for (int depth = 0; depth <= kMaxFrameDepth && !level.empty(); ++depth) {
    std::vector<Window> next;
    for (const Window w : level) {
      if (x11::get_property(display_, w, atoms_.wm_state, AnyPropertyType))
        return w;
      Window root_return = 0, parent = 0;
      Window* children = nullptr;
      unsigned int count = 0;
      if (!XQueryTree(display_, w, &root_return, &parent, &children, &count))
        continue;
      std::unique_ptr<Window, x11::XFreeDeleter> owned(children);
      next.insert(next.end(), children, children + count);
    }
    level = std::move(next);
  }
  return top_level;
}

Window X11WindowManager::Impl::top_level_of(Window window) {
  // The ancestor that is a child of the root: the frame a reparenting manager put around it.
  Window current = window;
  for (;;) {
    Window root_return = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, current, &root_return, &parent, &children, &count))
      return 0;
    if (children != nullptr)
      XFree(children);
    if (parent == root_return || parent == 0)
      return current;
    current = parent;
  }
}

void X11WindowManager::Impl::send_to_root(Window window, Atom type, long l0, long l1, long l2,
                                          long l3) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  event.xclient.data.l[0] = l0;
  event.xclient.data.l[1] = l1;
  event.xclient.data.l[2] = l2;
  event.xclient.data.l[3] = l3;
  XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

WindowId X11WindowManager::Impl::find_window(std::string_view title, const NamedProcess& named) {
  const auto windows = top_levels();
  const auto chosen = choose_window(
      windows, [&](const TopLevel& top) { return exact_title_tier(top.title, title); },
      [&](const TopLevel& top) { return local_pid(top.window); }, named);
  return chosen == windows.end() ? 0 : chosen->window;
}

bool X11WindowManager::Impl::takes_close_requests(Window window) {
  x11::ErrorTrap trap(display_);
  Atom* protocols = nullptr;
  int count = 0;
  if (!XGetWMProtocols(display_, window, &protocols, &count))
    return false;
  std::unique_ptr<Atom, x11::XFreeDeleter> owned(protocols);
  return std::find(protocols, protocols + count, atoms_.wm_delete_window) != protocols + count;
}

void X11WindowManager::Impl::post_close(WindowId id) {
  if (id == 0)
    return;
  const Atoms& a = atoms_;
  const Window window = static_cast<Window>(id);
  // A client that does not take WM_DELETE_WINDOW can only be killed, and that is no request:
  // window managers (openbox among them) answer _NET_CLOSE_WINDOW for it with XKillClient.
  if (!takes_close_requests(window))
    return;
  const Support ewmh = support();
  x11::ErrorTrap trap(display_);
  if (supports(ewmh, a.net_close_window)) {
    send_to_root(window, a.net_close_window, CurrentTime, kSourcePager, 0, 0);
    return;
  }
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = a.wm_protocols;
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(a.wm_delete_window);
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, window, False, NoEventMask, &event);
}

WindowId X11WindowManager::Impl::activate(std::string_view title, const NamedProcess& named) {
  const auto windows = top_levels();
  const auto chosen = choose_window(
      windows, [&](const TopLevel& top) { return activation_title_tier(top.title, title); },
      [&](const TopLevel& top) { return local_pid(top.window); }, named);
  if (chosen == windows.end()) {
    throw no_window_to_activate(title);
  }
  const Window window = chosen->window;
  const Support ewmh = support();
  x11::ErrorTrap trap(display_);
  if (supports(ewmh, atoms_.net_active_window)) {
    send_to_root(window, atoms_.net_active_window, kSourcePager, CurrentTime, 0, 0);
  } else {
    if (const Window frame = top_level_of(window))
      XRaiseWindow(display_, frame);
    XSetInputFocus(display_, window, RevertToParent, CurrentTime);
  }
  return window;
}

WindowId X11WindowManager::Impl::foreground_window() {
  const Support ewmh = support();
  x11::ErrorTrap trap(display_);
  if (supports(ewmh, atoms_.net_active_window)) {
    auto active = x11::get_property(display_, root_, atoms_.net_active_window, XA_WINDOW);
    const auto items = active ? x11::items32(*active) : std::vector<unsigned long>{};
    return items.empty() ? 0 : items[0];
  }
  Window focus = None;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  if (focus == None || focus == PointerRoot || focus == root_)
    return 0;
  const Window top = top_level_of(focus);
  return top == 0 ? 0 : client_of(top);
}

void X11WindowManager::Impl::set_topmost(WindowId id, bool topmost) {
  if (id == 0)
    return;
  const Atoms& a = atoms_;
  const Window window = static_cast<Window>(id);
  const Support ewmh = support();
  x11::ErrorTrap trap(display_);
  if (supports(ewmh, a.net_wm_state) && supports(ewmh, a.net_wm_state_above)) {
    send_to_root(window, a.net_wm_state, topmost ? kStateAdd : kStateRemove,
                 static_cast<long>(a.net_wm_state_above), 0, kSourcePager);
  } else if (topmost) {
    // Without a window manager nothing stays above; raising is the nearest there is.
    if (const Window frame = top_level_of(window))
      XRaiseWindow(display_, frame);
  }
}

namespace {

/// The image name of a local process: its executable's file name, else its comm; empty when
/// the process is gone or hidden from us.
std::string local_image_name(std::uint32_t pid) {
  const std::string dir = "/proc/" + std::to_string(pid);
  char target[4096];
  const ssize_t n = readlink((dir + "/exe").c_str(), target, sizeof target - 1);
  if (n > 0) {
    std::string exe(target, static_cast<std::size_t>(n));
    if (exe.ends_with(" (deleted)"))
      exe.resize(exe.size() - 10);
    return exe.substr(exe.rfind('/') + 1);
  }
  std::string comm;
  std::getline(std::ifstream(dir + "/comm"), comm);
  return comm;
}

}  // namespace

WindowOwner X11WindowManager::Impl::owner(WindowId id) {
  if (id == 0)
    return {};
  if (net_wm_pid_ == None)
    net_wm_pid_ = XInternAtom(display_, "_NET_WM_PID", False);
  const Window window = static_cast<Window>(id);
  x11::ErrorTrap trap(display_);
  WindowOwner result;
  if (auto pid = x11::get_property(display_, window, net_wm_pid_, XA_CARDINAL)) {
    const auto items = x11::items32(*pid);
    if (!items.empty())
      result.pid = static_cast<std::uint32_t>(items[0]);
  }
  // The id is another machine's when the client runs elsewhere: name no local process then.
  XTextProperty machine{};
  if (result.pid != 0 && XGetWMClientMachine(display_, window, &machine) && machine.value) {
    std::unique_ptr<unsigned char, x11::XFreeDeleter> owned(machine.value);
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    if (std::string(reinterpret_cast<char*>(machine.value), machine.nitems) != host)
      return result;
  }
  if (result.pid != 0)
    result.image = local_image_name(result.pid);
  return result;
}

X11WindowManager::X11WindowManager() : X11WindowManager(std::make_shared<x11::Connection>()) {}

X11WindowManager::X11WindowManager(std::shared_ptr<x11::Connection> connection)
    : impl_(std::make_unique<Impl>(std::move(connection))) {}

X11WindowManager::~X11WindowManager() = default;

WindowId X11WindowManager::find_window(std::string_view title) {
  return impl_->find_window(title, named_);
}

void X11WindowManager::post_close(WindowId window) {
  impl_->post_close(window);
}

bool X11WindowManager::takes_close_requests(WindowId window) {
  return window != 0 && impl_->takes_close_requests(static_cast<Window>(window));
}

WindowId X11WindowManager::activate(std::string_view title) {
  return impl_->activate(title, named_);
}

WindowId X11WindowManager::foreground_window() {
  return impl_->foreground_window();
}

void X11WindowManager::set_topmost(WindowId window, bool topmost) {
  impl_->set_topmost(window, topmost);
}

WindowOwner X11WindowManager::owner(WindowId window) {
  return impl_->owner(window);
}

std::vector<ListedWindow> X11WindowManager::windows() {
  std::vector<ListedWindow> out;
  for (TopLevel& top : top_levels()) {
    // Another machine's pid would name some unrelated process here.
    const WindowOwner o = impl_->owner(top.window);
    out.push_back({top.window, std::move(top.title), o.image.empty() ? 0 : o.pid});
  }
  return out;
}

std::vector<X11WindowManager::TopLevel> X11WindowManager::top_levels() {
  return impl_->top_levels();
}

}  // namespace tambrel::x11

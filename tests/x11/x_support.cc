#include "x_support.h"

#include <X11/Xatom.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace tambrel::testing {

namespace {
constexpr milliseconds kStartDeadline{15000};

/// The pid in the lock file of display number `n`, or 0.
pid_t lock_owner(int n) {
  std::ifstream lock("/tmp/.X" + std::to_string(n) + "-lock");
  long pid = 0;
  lock >> pid;
  return static_cast<pid_t>(pid);
}
}  // namespace

TestDisplay::TestDisplay() : display_(XOpenDisplay(nullptr)) {
  if (display_ == nullptr)
    throw std::runtime_error("the test cannot open $DISPLAY");
}

TestDisplay::~TestDisplay() {
  XCloseDisplay(display_);
}

Window TestDisplay::parent_of(Window window) const {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display_, window, &root, &parent, &children, &count))
    return 0;
  if (children != nullptr)
    XFree(children);
  return parent;
}

std::vector<Window> TestDisplay::stacking() const {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  XQueryTree(display_, this->root(), &root, &parent, &children, &count);
  std::vector<Window> result(children, children + count);
  if (children != nullptr)
    XFree(children);
  return result;
}

std::vector<unsigned long> TestDisplay::items32(Window window, const char* property) const {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> result;
  if (XGetWindowProperty(display_, window, atom(property), 0, 1024, False, AnyPropertyType, &type,
                         &format, &count, &after, &data) == Success &&
      format == 32) {
    const auto* values = reinterpret_cast<const unsigned long*>(data);
    result.assign(values, values + count);
  }
  if (data != nullptr)
    XFree(data);
  return result;
}

bool TestDisplay::exists(Window window) const {
  // Asking for the tree of a destroyed window fails; the test's handler below makes that quiet.
  XSync(display_, False);
  auto* old = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  XWindowAttributes attributes;
  const bool ok = XGetWindowAttributes(display_, window, &attributes) != 0;
  XSync(display_, False);
  XSetErrorHandler(old);
  return ok;
}

TkWindow::TkWindow(const TestDisplay& display, const std::string& title) {
  process_ = std::make_unique<Child>(
      "/usr/bin/python3", std::vector<std::string>{"python3", TAMBREL_TARGET_WINDOW_PY, title},
      true);
  const auto line = process_->read_line(kStartDeadline);
  if (!line || !line->starts_with("mapped ")) {
    throw std::runtime_error("the Tk window \"" + title + "\" did not appear");
  }
  client_ = display.parent_of(std::stoul(line->substr(7)));
  // Mapped is not yet managed: on a busy machine the window manager lists the window a while
  // later, and every test here looks for it through that list.
  if (!display.items32(display.root(), "_NET_SUPPORTING_WM_CHECK").empty()) {
    const bool listed = poll_until(
        [&] {
          const auto clients = display.items32(display.root(), "_NET_CLIENT_LIST");
          return std::find(clients.begin(), clients.end(), client_) != clients.end();
        },
        kStartDeadline);
    if (!listed)
      throw std::runtime_error("the window manager never listed the Tk window \"" + title + "\"");
  }
}

bool TkWindow::closed_within(milliseconds timeout) {
  const auto line = process_->read_line(timeout);
  const auto status = process_->wait(milliseconds(2000));
  return line == "closed" && status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

RawWindow::RawWindow(const TestDisplay& display, int x, int y)
    : display(display),
      window(XCreateSimpleWindow(display, display.root(), x, y, 200, 100, 0, 0, 0xFFFFFF)) {
  XSelectInput(display, window, StructureNotifyMask);
}

RawWindow::~RawWindow() {
  destroy();
}

void RawWindow::set_text(const char* property, const char* type, const std::string& bytes) {
  XChangeProperty(display, window, display.atom(property), display.atom(type), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(bytes.data()),
                  static_cast<int>(bytes.size()));
  XSync(display, False);
}

void RawWindow::take_delete_window() {
  Atom protocols[] = {display.atom("WM_DELETE_WINDOW")};
  XSetWMProtocols(display, window, protocols, 1);
  XSync(display, False);
}

void RawWindow::map() {
  XMapWindow(display, window);
  XSync(display, False);
  const bool viewable = poll_until(
      [&] {
        XWindowAttributes attributes;
        return XGetWindowAttributes(display, window, &attributes) &&
               attributes.map_state == IsViewable;
      },
      kStartDeadline);
  if (!viewable)
    throw std::runtime_error("a test window did not become viewable");
}

void RawWindow::destroy() {
  if (window == 0)
    return;
  XDestroyWindow(display, window);
  XSync(display, False);
  window = 0;
}

PrivateXServer::PrivateXServer(const std::vector<std::string>& extra_args) {
  for (int n = 90; n <= 99; ++n) {
    const std::string name = ":" + std::to_string(n);
    std::vector<std::string> argv{"Xvfb", name, "-noreset", "-nolisten", "tcp"};
    argv.insert(argv.end(), extra_args.begin(), extra_args.end());
    if (const pid_t owner = lock_owner(n); owner > 0 && kill(owner, 0) == 0)
      continue;
    auto server = std::make_unique<Child>("/usr/bin/Xvfb", argv, false);
    // Another server may win the race for this number; ours then gives up, and we try the next.
    // Only a server that holds the lock is ours.
    const bool up = poll_until(
        [&] {
          if (server->wait(milliseconds(0)))
            return true;
          if (lock_owner(n) != server->pid())
            return false;
          Display* d = XOpenDisplay(name.c_str());
          if (d != nullptr)
            XCloseDisplay(d);
          return d != nullptr;
        },
        kStartDeadline);
    if (up && server->running()) {
      name_ = name;
      process_ = std::move(server);
      return;
    }
  }
  throw std::runtime_error("no free X display between :90 and :99");
}

}  // namespace tambrel::testing

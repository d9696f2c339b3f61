#include "platform/qt/end_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace tambrel::qt {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Written only before the handlers are installed and after they are removed.
int g_pipe[2] = {-1, -1};

extern "C" void note_signal(int signal) {
  const int saved = errno;
  const auto byte = static_cast<unsigned char>(signal);
  // Non-blocking: with the pipe full, signals are already waiting to be handled.
  [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

EndSignals::EndSignals(std::function<void(int)> on_end) : on_end_(std::move(on_end)) {
  if (g_pipe[0] >= 0)
    throw std::logic_error("EndSignals: one per process");
  if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
    throw std::runtime_error("pipe2 failed for the signal pipe");
  notifier_ = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { drain(); });
  struct sigaction action {};
  action.sa_handler = note_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : kSignals) {
    // A signal ignored when the program started stays ignored: nohup, or the SIGINT of a
    // command started in the background, mean that one is not for us.
    struct sigaction before {};
    if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
      continue;
    ::sigaction(signal, &action, nullptr);
    installed_.push_back(signal);
  }
}

EndSignals::~EndSignals() {
  for (const int signal : installed_)
    ::signal(signal, SIG_DFL);
  notifier_.reset();
  ::close(g_pipe[0]);
  ::close(g_pipe[1]);
  g_pipe[0] = g_pipe[1] = -1;
}

void EndSignals::drain() {
  unsigned char byte = 0;
  while (::read(g_pipe[0], &byte, 1) == 1)
    on_end_(byte);
}

}  // namespace tambrel::qt

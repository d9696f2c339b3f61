#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>
#include <vector>

namespace tambrel::qt {

/// Turns SIGTERM, SIGHUP and SIGINT into a call of `on_end` on the event loop's thread. The
/// handler itself only writes the signal's number into a pipe, which the event loop watches; all
/// else happens in the loop. A signal ignored at start stays ignored (nohup). One per process,
/// made after the QCoreApplication; the signals get their default handling back on destruction.
class EndSignals {
 public:
  explicit EndSignals(std::function<void(int signal)> on_end);
  ~EndSignals();
  EndSignals(const EndSignals&) = delete;
  EndSignals& operator=(const EndSignals&) = delete;

 private:
  void drain();

  std::function<void(int)> on_end_;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::vector<int> installed_;
};

}  // namespace tambrel::qt

#pragma once

#include <QApplication>

namespace tambrel::qt {

namespace detail {
/// While installed, a fatal Qt message (Qt's platform plugin found no display) ends the program
/// with one sentence on stderr and kExitCantStart instead of Qt's abort; other messages wait and
/// are passed on by release(), which from then on passes on every message but Qt's note of a
/// missing XDG_RUNTIME_DIR.
class NoDisplayExit {
 protected:
  explicit NoDisplayExit(const char* argv0);
  void release();
};
}  // namespace detail

/// The program's QApplication. Without a display it never returns: see NoDisplayExit.
class DesktopApplication : private detail::NoDisplayExit, public QApplication {
 public:
  DesktopApplication(int& argc, char** argv) : NoDisplayExit(argv[0]), QApplication(argc, argv) {
    release();
  }
};

}  // namespace tambrel::qt

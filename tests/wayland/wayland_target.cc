// A plain window for the compositor tests: titled by its first argument, it ends when asked to
// close (exit status 0), or ignores close requests with --ignore-close.
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

class Target : public QLabel {
 public:
  Target(const QString& title, bool ignore_close) : ignore_close_(ignore_close) {
    setWindowTitle(title);
    setText(title);
    resize(320, 120);
  }

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (ignore_close_)
      event->ignore();
    else
      event->accept();
  }

 private:
  bool ignore_close_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2)
    return 2;
  Target target(QString::fromUtf8(argv[1]),
                argc > 2 && std::strcmp(argv[2], "--ignore-close") == 0);
  target.show();
  // Qt 6.4's Wayland client can hang in its display's destructor (the event thread stays blocked
  // in wl_display_read_events), so a target whose window closed would never end: end here, as
  // soon as the event loop has.
  const int status = app.exec();
  std::fflush(nullptr);
  std::_Exit(status);
}

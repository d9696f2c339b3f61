// The least a Qt Widgets program does to show a window: the yardstick for TAMBREL's start-up.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.setWindowTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("bare"));
  window.resize(391, 513);  // the main window's default size at 96 DPI
  window.show();
  return application.exec();
}

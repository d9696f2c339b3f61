#pragma once

#include <QString>
#include <QWidget>

namespace tambrel::qt {

/// Gives the program's windows the roles a screen reader tells them apart by: a form's window is
/// a frame, or a dialog where its design says so. Once per process; later calls do nothing.
void install_accessible_roles();

/// A widget nobody sees, with the Notification role: a screen reader speaks its name each time
/// it is shown, wherever the focus is. Qt before 6.8 has no other way to announce.
class Announcer : public QWidget {
  Q_OBJECT
 public:
  explicit Announcer(QWidget* parent);
  void say(const QString& text);
};

/// Says `text` to a screen reader as news about `about` (null: about `window`), a top-level
/// window on screen.
void announce(QWidget& window, QWidget* about, const QString& text);

}  // namespace tambrel::qt

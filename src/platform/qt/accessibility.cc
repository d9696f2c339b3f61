#include "platform/qt/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include "platform/qt/form_window.h"

namespace tambrel::qt {

namespace {

QAccessibleInterface* accessible_role(const QString&, QObject* object) {
  // Qt would make both windows plain "filler" panes of the same name.
  if (auto* window = qobject_cast<FormWindow*>(object))
    return new QAccessibleWidget(window,
                                 window->dialog() ? QAccessible::Dialog : QAccessible::Window);
  if (auto* announcer = qobject_cast<Announcer*>(object))
    return new QAccessibleWidget(announcer, QAccessible::Notification);
  return nullptr;
}

}  // namespace

void install_accessible_roles() {
  static const bool installed = [] {
    QAccessible::installFactory(accessible_role);
    return true;
  }();
  (void)installed;
}

Announcer::Announcer(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setGeometry(0, 0, 0, 0);
  hide();
}

void Announcer::say(const QString& text) {
  // Shown again with its new name: that is the event a screen reader speaks.
  hide();
  setAccessibleName(text);
  show();
}

void announce(QWidget& window, QWidget* about, const QString& text) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
  QAccessibleAnnouncementEvent event(about ? about : &window, text);
  QAccessible::updateAccessibility(&event);
#else
  (void)about;
  auto* announcer = window.findChild<Announcer*>(QString(), Qt::FindDirectChildrenOnly);
  if (!announcer)
    announcer = new Announcer(&window);
  announcer->say(text);
#endif
}

}  // namespace tambrel::qt

#include "platform/qt/qt_form_view.h"

#include <QApplication>
#include <QEventLoop>
#include <QFont>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>
#include <limits>

#include "forms/form.h"
#include "platform/qt/accessibility.h"
#include "platform/qt/form_window.h"
#include "platform/qt/taskbar.h"

namespace tambrel::qt {

using qt::FormWindow;

namespace {

QIcon app_icon() {
  return QIcon(QStringLiteral(":/tambrel/tambrel.png"));
}

double screen_dpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInch() : 96.0;
}

}  // namespace

QtFormView::QtFormView() {
  // Where the face the designs name is missing, faces of about its width come before the
  // platform's general sans-serif fallback.
  QFont::insertSubstitutions(
      QStringLiteral("MS Sans Serif"),
      {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
       QStringLiteral("Arimo"), QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
  QApplication::setWindowIcon(app_icon());
  // The forms runtime ends the program; closing or hiding the last window must not.
  QGuiApplication::setQuitOnLastWindowClosed(false);
  install_accessible_roles();
  wake_timer_.setTimerType(Qt::PreciseTimer);
  wake_timer_.setSingleShot(true);
  QObject::connect(&wake_timer_, &QTimer::timeout, [this] { wake(); });
}

QtFormView::~QtFormView() {
  for (auto& [form, window] : windows_)
    delete window.data();
}

void QtFormView::run() {
  if (quitting_)
    return;
  running_ = true;
  QApplication::exec();
  running_ = false;
}

QWidget* QtFormView::window(const forms::Form& form) const {
  return find(form);
}

FormWindow* QtFormView::find(const forms::Form& form) const {
  const auto it = windows_.find(&form);
  return it == windows_.end() ? nullptr : it->second.data();
}

void QtFormView::create(forms::Form& form) {
  app_ = &form.app();
  auto* window = new FormWindow(form, screen_dpi(), frame_guess_);
  window->setWindowIcon(app_icon());
  windows_[&form] = window;
}

void QtFormView::present(FormWindow& window) {
  window.apply_geometry();
  qt::keep_off_taskbar(window);
  window.show();
  window.focus_first();
  window.raise();
  window.activateWindow();
}

void QtFormView::show(forms::Form& form) {
  if (FormWindow* window = find(form))
    present(*window);
}

void QtFormView::show_modal(forms::Form& form, forms::Form& owner) {
  QPointer<FormWindow> window = find(form);
  if (!window || quitting_)
    return;
  if (FormWindow* owner_window = find(owner)) {
    // Owned: it stays above the main window and never outlives it.
    window->setParent(owner_window, window->windowFlags());
  }
  window->setWindowModality(Qt::ApplicationModal);
  present(*window);

  // The main window's timers keep firing in here: the wake-up timer belongs to no window.
  QEventLoop loop;
  window->set_modal_loop(&loop);
  modal_loops_.push_back(&loop);
  if (window->form())
    loop.exec(QEventLoop::DialogExec);
  modal_loops_.pop_back();
  if (window)
    window->set_modal_loop(nullptr);
}

void QtFormView::destroy(forms::Form& form) {
  const auto it = windows_.find(&form);
  if (it == windows_.end())
    return;
  QPointer<FormWindow> window = it->second;
  windows_.erase(it);
  if (!window)
    return;
  window->detach();
  if (QEventLoop* loop = window->modal_loop())
    loop->quit();
  window->hide();
  // An owned window gives its owner the focus back: a window manager may focus whatever else
  // is on screen instead.
  if (QWidget* owner = window->parentWidget(); owner && owner->isVisible())
    qt::give_focus(*owner);
  // Unload may run inside one of the window's own event handlers (its close box, a button).
  window->deleteLater();
}

void QtFormView::control_changed(forms::Form& form, forms::Control& control, Property what) {
  if (FormWindow* window = find(form))
    window->control_changed(control, what);
}

void QtFormView::form_changed(forms::Form& form, Property what) {
  if (what != Property::kGeometry)
    return;
  if (FormWindow* window = find(form))
    window->apply_geometry();
}

WindowId QtFormView::native_window(forms::Form& form) {
  FormWindow* window = find(form);
  return window ? static_cast<WindowId>(window->winId()) : 0;
}

void QtFormView::schedule_wake(std::optional<Millis> delay_ms) {
  if (!delay_ms || quitting_) {
    wake_timer_.stop();
    return;
  }
  const Millis delay = std::clamp<Millis>(*delay_ms, 0, std::numeric_limits<int>::max());
  wake_timer_.start(static_cast<int>(delay));
}

void QtFormView::wake() {
  if (app_ && !quitting_)
    app_->fire_due();
}

void QtFormView::announce(forms::Form& form, const forms::Control* control, std::string_view text) {
  FormWindow* window = find(form);
  if (!window || !window->isVisible())
    return;
  qt::announce(*window, control ? window->control_widget(control->name()) : nullptr,
               QString::fromUtf8(text.data(), qsizetype(text.size())));
}

void QtFormView::message_box(std::string_view title, std::string_view text) {
  QMessageBox::critical(nullptr, QString::fromUtf8(title.data(), qsizetype(title.size())),
                        QString::fromUtf8(text.data(), qsizetype(text.size())));
}

void QtFormView::quit() {
  quitting_ = true;
  wake_timer_.stop();
  for (auto it = modal_loops_.rbegin(); it != modal_loops_.rend(); ++it)
    (*it)->quit();
  if (running_)
    QCoreApplication::exit(0);
}

}  // namespace tambrel::qt

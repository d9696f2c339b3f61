#pragma once

#include <QMargins>
#include <QPointer>
#include <QTimer>
#include <map>
#include <vector>

#include "forms/application.h"
#include "platform/form_view.h"

class QEventLoop;
class QWidget;

namespace tambrel::qt {

class FormWindow;

/// The forms runtime drawn with Qt Widgets: one top-level window per loaded form, QLabel,
/// QLineEdit, QCheckBox and QPushButton controls, and one precise single-shot QTimer that wakes
/// the runtime when its next timer is due. Needs a QApplication for its whole life.
class QtFormView final : public FormView {
 public:
  QtFormView();
  ~QtFormView() override;
  QtFormView(const QtFormView&) = delete;
  QtFormView& operator=(const QtFormView&) = delete;

  /// Runs the main event loop until quit(); returns at once when quit() came first.
  void run();
  /// The top-level window of a loaded form, or null.
  QWidget* window(const forms::Form& form) const;
  /// The one timer that wakes the runtime when its next timer is due.
  const QTimer& wake_timer() const { return wake_timer_; }

  void create(forms::Form& form) override;
  void show(forms::Form& form) override;
  void show_modal(forms::Form& form, forms::Form& owner) override;
  void destroy(forms::Form& form) override;
  void control_changed(forms::Form& form, forms::Control& control, Property what) override;
  void form_changed(forms::Form& form, Property what) override;
  WindowId native_window(forms::Form& form) override;
  void schedule_wake(std::optional<Millis> delay_ms) override;
  void announce(forms::Form& form, const forms::Control* control, std::string_view text) override;
  void message_box(std::string_view title, std::string_view text) override;
  void quit() override;

 private:
  qt::FormWindow* find(const forms::Form& form) const;
  /// Makes a window visible, focused on its first tab stop.
  void present(qt::FormWindow& window);
  void wake();

  std::map<const forms::Form*, QPointer<qt::FormWindow>> windows_;
  forms::Application* app_ = nullptr;
  QTimer wake_timer_;
  std::vector<QEventLoop*> modal_loops_;
  QMargins frame_guess_;
  bool running_ = false;
  bool quitting_ = false;
};

}  // namespace tambrel::qt

#pragma once

#include <QEventLoop>
#include <QPointer>
#include <QWidget>
#include <map>
#include <string>
#include <string_view>

#include "forms/form.h"
#include "platform/form_view.h"

namespace tambrel::qt {

/// The top-level window of one loaded form and its controls, built from the form's properties.
/// Reports what the user does to the form; decides nothing itself. Controls are found by object
/// name, which is the control's name; the window's object name is the form's name.
class FormWindow : public QWidget {
  Q_OBJECT
 public:
  /// Builds the hidden window. `dpi` converts twips; `frame_guess` holds the window frame seen
  /// last, shared between windows, and is assumed until this window's own frame is known.
  FormWindow(forms::Form& form, double dpi, QMargins& frame_guess);

  /// The form, or null once it is being unloaded.
  forms::Form* form() const { return form_; }
  /// A dialog to assistive technology; else a frame.
  bool dialog() const { return dialog_; }
  /// Stops every report to the form: it is being unloaded.
  void detach();

  /// Shows a changed property of `control`.
  void control_changed(const forms::Control& control, Property what);
  /// Places the window frame at the form's Left and Top and sizes the frame to its Width and
  /// Height (screen twips).
  void apply_geometry();
  /// Gives the keyboard focus to the tab stop with the lowest tab index.
  void focus_first();
  /// The widget of the control called `name`, or null.
  QWidget* control_widget(std::string_view name) const;

  /// The event loop of a modal show of this window, ended when the window goes.
  void set_modal_loop(QEventLoop* loop) { modal_loop_ = loop; }
  QEventLoop* modal_loop() const { return modal_loop_; }

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* create_control(const forms::Control& control);
  void apply_all(const forms::Control& control);
  /// Ties each box to the label that names it, and the window to its description.
  void name_for_screen_readers();
  void set_tab_order();
  /// Once the window is on screen, takes the window manager's frame as it is and, if it differs
  /// from the one assumed, places and sizes the window again.
  void learn_frame();
  /// Reports the window's position to the form as the user's move if it is not where the view
  /// last put it (or where the user last moved it).
  void take_move();

  forms::Form* form_;
  bool dialog_;
  double dpi_;
  QMargins& frame_guess_;
  QMargins frame_used_;
  bool frame_known_ = false;
  QPoint client_at_;  // where the window's client area was put, in screen pixels
  bool placing_ = false;
  bool on_taskbar_ = false;  // a tool window, minimised
  std::map<std::string, QWidget*, std::less<>> widgets_;
  QPointer<QEventLoop> modal_loop_;
};

}  // namespace tambrel::qt

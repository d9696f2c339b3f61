#include "platform/qt/form_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QWindow>
#include <algorithm>
#include <limits>
#include <vector>

#include "forms/accessible.h"
#include "forms/twips.h"
#include "platform/qt/control_widgets.h"
#include "platform/qt/taskbar.h"

namespace tambrel::qt {

using forms::ControlKind;
using forms::pixels_to_twips;
using forms::twips_to_pixels;
using forms::twips_to_size;

namespace {

Qt::WindowFlags window_flags(const forms::FormDesign& design) {
  if (!design.tool_window)
    return Qt::Window;
  // A fixed tool window: thin title bar with a close box only, no taskbar entry.
  return Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
}

bool takes_tab(const forms::Control& control) {
  return control.kind() != ControlKind::kLabel && control.props().tab_stop;
}

}  // namespace

FormWindow::FormWindow(forms::Form& form, double dpi, QMargins& frame_guess)
    : QWidget(nullptr, window_flags(form.design())),
      form_(&form),
      dialog_(form.design().dialog),
      dpi_(dpi),
      frame_guess_(frame_guess),
      frame_used_(frame_guess) {
  setObjectName(QString::fromStdString(form.name()));
  setWindowTitle(QString::fromStdString(form.design().caption));
  setAttribute(Qt::WA_QuitOnClose, false);  // the forms runtime decides when the program ends
  for (const auto& control : form.controls()) {
    QWidget* widget = create_control(*control);
    widgets_.emplace(control->name(), widget);
    apply_all(*control);
  }
  set_tab_order();
  name_for_screen_readers();
  apply_geometry();
}

void FormWindow::name_for_screen_readers() {
  for (const auto& control : form_->controls()) {
    // A buddy gives the box its label's caption as its name and the labelled-by relation.
    if (const forms::Control* label = forms::naming_label(*form_, *control)) {
      if (auto* caption = qobject_cast<QLabel*>(control_widget(label->name())))
        caption->setBuddy(control_widget(control->name()));
    }
  }
  setAccessibleDescription(QString::fromStdString(forms::accessible_description(*form_)));
}

void FormWindow::detach() {
  form_ = nullptr;
  for (auto& [name, widget] : widgets_)
    widget->removeEventFilter(this);
}

QWidget* FormWindow::create_control(const forms::Control& control) {
  const forms::ControlDesign& p = control.props();
  const std::string name = control.name();
  QWidget* widget = nullptr;
  switch (p.kind) {
    case ControlKind::kLabel: {
      auto* label = new QLabel(this);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(p.word_wrap);
      label->setAlignment(horizontal_alignment(p.align) | Qt::AlignTop);
      if (p.border == forms::Border::kSingle) {
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setLineWidth(1);
      }
      label->installEventFilter(this);
      widget = label;
      break;
    }
    case ControlKind::kTextBox: {
      auto* edit = new QLineEdit(this);
      edit->setMaxLength(std::numeric_limits<int>::max());
      edit->setFrame(p.border == forms::Border::kSingle);
      edit->setAlignment(horizontal_alignment(p.align) | Qt::AlignVCenter);
      edit->setReadOnly(p.read_only);
      // Only typing is reported: texts the program sets must not come back as user input.
      connect(edit, &QLineEdit::textEdited, this, [this, name](const QString& text) {
        if (form_)
          form_->user_set_text(name, text.toStdString());
      });
      edit->installEventFilter(this);
      widget = edit;
      break;
    }
    case ControlKind::kCheckBox: {
      auto* box = new CheckBox(p.word_wrap, this);
      box->on_user_toggle = [this, name] {
        if (form_)
          form_->user_toggle(name);
      };
      widget = box;
      break;
    }
    case ControlKind::kButton: {
      auto* button = new Button(p.word_wrap, this);
      connect(button, &QPushButton::clicked, this, [this, name] {
        if (form_)
          form_->user_click(name);
      });
      widget = button;
      break;
    }
  }
  widget->setObjectName(QString::fromStdString(name));
  widget->setFont(make_font(p.font));
  widget->setGeometry(twips_to_pixels(p.left, dpi_), twips_to_pixels(p.top, dpi_),
                      twips_to_size(p.width, dpi_), twips_to_size(p.height, dpi_));
  if (!takes_tab(control))
    widget->setFocusPolicy(Qt::NoFocus);
  return widget;
}

void FormWindow::apply_all(const forms::Control& control) {
  // The colours are applied together, on the back colour's change.
  for (Property what : {Property::kText, Property::kEnabled, Property::kBackColor, Property::kValue,
                        Property::kToolTipText}) {
    control_changed(control, what);
  }
}

void FormWindow::control_changed(const forms::Control& control, Property what) {
  QWidget* widget = control_widget(control.name());
  if (!widget || !form_)
    return;
  const forms::ControlDesign& p = control.props();
  const QString text = QString::fromStdString(p.text);
  switch (what) {
    case Property::kText:
      // A name that includes the text follows it; an unchanged name is not sent again.
      if (const QString name = QString::fromStdString(forms::accessible_name(*form_, control));
          name != widget->accessibleName()) {
        widget->setAccessibleName(name);
      }
      if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
      } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        if (edit->text() != text)
          edit->setText(text);
      } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
      }
      break;
    case Property::kEnabled:
      widget->setEnabled(p.enabled);
      break;
    case Property::kBackColor:
    case Property::kForeColor:
      apply_colors(*widget, p.kind, p.back_color, p.fore_color);
      // A handler may block right after changing a colour; the new colour must be on screen
      // before it does.
      if (what == Property::kBackColor && widget->isVisible())
        widget->repaint();
      break;
    case Property::kValue:
      if (auto* box = qobject_cast<CheckBox*>(widget))
        box->show_value(p.value);
      break;
    case Property::kToolTipText:
      widget->setToolTip(QString::fromStdString(p.tool_tip_text));
      break;
    case Property::kGeometry:
      widget->setGeometry(twips_to_pixels(p.left, dpi_), twips_to_pixels(p.top, dpi_),
                          twips_to_size(p.width, dpi_), twips_to_size(p.height, dpi_));
      break;
  }
}

QWidget* FormWindow::control_widget(std::string_view name) const {
  const auto it = widgets_.find(name);
  return it == widgets_.end() ? nullptr : it->second;
}

void FormWindow::set_tab_order() {
  if (!form_)
    return;
  std::vector<const forms::Control*> stops;
  for (const auto& control : form_->controls()) {
    if (takes_tab(*control))
      stops.push_back(control.get());
  }
  std::stable_sort(stops.begin(), stops.end(), [](const auto* a, const auto* b) {
    return a->props().tab_index < b->props().tab_index;
  });
  for (std::size_t i = 1; i < stops.size(); ++i) {
    QWidget::setTabOrder(control_widget(stops[i - 1]->name()), control_widget(stops[i]->name()));
  }
}

void FormWindow::focus_first() {
  if (!form_)
    return;
  const forms::Control* first = nullptr;
  for (const auto& control : form_->controls()) {
    if (!takes_tab(*control) || !control->enabled())
      continue;
    if (!first || control->props().tab_index < first->props().tab_index)
      first = control.get();
  }
  if (first)
    control_widget(first->name())->setFocus(Qt::TabFocusReason);
}

void FormWindow::apply_geometry() {
  if (!form_)
    return;
  // The client area is placed and sized, not the frame: Qt's frame-inclusive placement is only
  // right once the frame is known, and the window manager adds the frame around the client.
  frame_used_ = frame_known_ ? windowHandle()->frameMargins() : frame_guess_;
  const QSize size(
      std::max(1, twips_to_size(form_->width(), dpi_) - frame_used_.left() - frame_used_.right()),
      std::max(1, twips_to_size(form_->height(), dpi_) - frame_used_.top() - frame_used_.bottom()));
  client_at_ = QPoint(twips_to_pixels(form_->left(), dpi_) + frame_used_.left(),
                      twips_to_pixels(form_->top(), dpi_) + frame_used_.top());
  placing_ = true;
  setFixedSize(size);
  setGeometry(QRect(client_at_, size));
  placing_ = false;
}

void FormWindow::learn_frame() {
  if (frame_known_ || !form_ || !windowHandle() || !windowHandle()->isExposed())
    return;
  // Exposed means mapped, and a reparenting window manager has framed the window by then.
  frame_known_ = true;
  frame_guess_ = windowHandle()->frameMargins();
  if (frame_guess_ != frame_used_)
    apply_geometry();
  else
    take_move();  // the window manager may have mapped it elsewhere than asked
}

void FormWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // A tool window has no minimise box, but a window manager may minimise it anyway; with no
  // taskbar entry nothing would bring it back while its countdowns run. So it has one while
  // it is minimised.
  if (event->type() == QEvent::WindowStateChange && form_ && form_->design().tool_window &&
      isMinimized() != on_taskbar_) {
    on_taskbar_ = isMinimized();
    show_on_taskbar(*this, on_taskbar_);
  }
}

void FormWindow::closeEvent(QCloseEvent* event) {
  // The close box asks; the form's Unload decides and destroys the window through the view.
  event->ignore();
  if (form_)
    form_->user_close();
}

void FormWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  // Until the window is on screen in its frame, its moves are the window manager mapping it
  // where the view asked, by way of other places (openbox can report the screen's origin for a
  // moment). Taken as the user's, that detour and the way back turned a stored 1000 twips into
  // the 1005 of the whole pixel the window stands on, saved by a run nobody had touched.
  if (!placing_ && frame_known_)
    take_move();
}

void FormWindow::take_move() {
  if (!form_ || !isVisible())
    return;
  const QPoint client = geometry().topLeft();
  if (client == client_at_)
    return;
  // The user (or the window manager for them) moved the window; Left and Top are its frame's.
  client_at_ = client;
  form_->user_moved(pixels_to_twips(client.x() - frame_used_.left(), dpi_),
                    pixels_to_twips(client.y() - frame_used_.top(), dpi_));
}

void FormWindow::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  // Not from inside a paint: placing the window again repaints it.
  if (!frame_known_)
    QMetaObject::invokeMethod(this, &FormWindow::learn_frame, Qt::QueuedConnection);
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick && form_ &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    form_->user_dbl_click(watched->objectName().toStdString());
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace tambrel::qt

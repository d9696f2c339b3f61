#include "platform/qt/control_widgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace tambrel::qt {

namespace colors = forms::colors;

CheckBox::CheckBox(bool word_wrap, QWidget* parent) : QCheckBox(parent), word_wrap_(word_wrap) {
  setTristate(true);
}

void CheckBox::show_value(std::int16_t value) {
  const QSignalBlocker blocker(this);
  setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

std::int16_t CheckBox::shown_value() const {
  switch (checkState()) {
    case Qt::Checked:
      return 1;
    case Qt::PartiallyChecked:
      return 2;
    default:
      return 0;
  }
}

void CheckBox::nextCheckState() {
  // The runtime decides, raises Click and tells the view what to show.
  if (on_user_toggle)
    on_user_toggle();
}

bool CheckBox::hitButton(const QPoint& pos) const {
  return rect().contains(pos);
}

void CheckBox::paintEvent(QPaintEvent* event) {
  if (!word_wrap_) {
    QCheckBox::paintEvent(event);
    return;
  }
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  QStyleOptionButton indicator = option;
  indicator.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
  painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, indicator);
  const QRect contents = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
  const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
  painter.drawItemText(contents, flags, palette(), isEnabled(), text(), QPalette::WindowText);
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = fontMetrics().boundingRect(contents, flags, text()).intersected(contents);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

Button::Button(bool word_wrap, QWidget* parent) : QPushButton(parent), word_wrap_(word_wrap) {
  // Enter and Escape must activate no button.
  setAutoDefault(false);
  setDefault(false);
}

void Button::keyPressEvent(QKeyEvent* event) {
  // Not a default button's Enter (the form has none): the key presses the focused button only,
  // once however long it is held.
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    if (!event->isAutoRepeat())
      click();
    return;
  }
  QPushButton::keyPressEvent(event);
}

void Button::paintEvent(QPaintEvent* event) {
  if (!word_wrap_) {
    QPushButton::paintEvent(event);
    return;
  }
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  const QString caption = option.text;
  option.text.clear();
  painter.drawControl(QStyle::CE_PushButton, option);
  QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  if (isDown()) {
    contents.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
  }
  painter.drawItemText(contents, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic,
                       palette(), isEnabled(), caption, QPalette::ButtonText);
}

QFont make_font(const forms::Font& font) {
  QFont f(QString::fromStdString(font.face));
  f.setStyleHint(QFont::SansSerif);
  f.setPointSizeF(font.size_pt);
  f.setWeight(static_cast<QFont::Weight>(font.weight));
  return f;
}

namespace {

struct Roles {
  QPalette::ColorRole back, fore;
};

Roles roles_of(forms::ControlKind kind) {
  switch (kind) {
    case forms::ControlKind::kTextBox:
      return {QPalette::Base, QPalette::Text};
    case forms::ControlKind::kButton:
      return {QPalette::Button, QPalette::ButtonText};
    default:
      return {QPalette::Window, QPalette::WindowText};
  }
}

/// The palette role that holds system colour `index` where it is painted in role `target`.
QPalette::ColorRole system_role(int index, QPalette::ColorRole target) {
  const bool on_button = target == QPalette::Button || target == QPalette::ButtonText;
  switch (index) {
    case 5:  // window background
      return QPalette::Base;
    case 8:  // window text
      return QPalette::Text;
    case 13:  // highlight
      return QPalette::Highlight;
    case 14:  // highlighted text
      return QPalette::HighlightedText;
    case 15:  // button face, also the dialog background
      return on_button ? QPalette::Button : QPalette::Window;
    case 18:  // button text
      return on_button ? QPalette::ButtonText : QPalette::WindowText;
    default:
      return target;
  }
}

QColor fixed_color(forms::Color c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

/// Sets `role` of `palette` to `color` in the colour groups `groups`; a system colour is taken
/// group by group from `base`.
void set_role(QPalette& palette, const QPalette& base, QPalette::ColorRole role, forms::Color color,
              std::initializer_list<QPalette::ColorGroup> groups) {
  for (QPalette::ColorGroup group : groups) {
    if (colors::is_system(color)) {
      palette.setColor(group, role,
                       base.color(group, system_role(colors::system_index(color), role)));
    } else {
      palette.setColor(group, role, fixed_color(color));
    }
  }
}

}  // namespace

void apply_colors(QWidget& widget, forms::ControlKind kind, forms::Color back, forms::Color fore) {
  const Roles roles = roles_of(kind);
  const QPalette base = QApplication::palette(&widget);
  QPalette palette = widget.palette();
  set_role(palette, base, roles.back, back,
           {QPalette::Active, QPalette::Inactive, QPalette::Disabled});
  set_role(palette, base, roles.fore, fore, {QPalette::Active, QPalette::Inactive});
  palette.setColor(QPalette::Disabled, roles.fore, base.color(QPalette::Disabled, roles.fore));
  widget.setPalette(palette);
  widget.setAutoFillBackground(roles.back == QPalette::Window);
}

Qt::Alignment horizontal_alignment(forms::Align align) {
  switch (align) {
    case forms::Align::kCenter:
      return Qt::AlignHCenter;
    case forms::Align::kRight:
      return Qt::AlignRight;
    default:
      return Qt::AlignLeft;
  }
}

}  // namespace tambrel::qt

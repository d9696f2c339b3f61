#pragma once

#include <QCheckBox>
#include <QPushButton>
#include <functional>

#include "forms/design.h"

namespace tambrel::qt {

/// A check box whose state only the forms runtime changes: a user's click or Space calls
/// `on_user_toggle`, and the runtime decides the new state; the box changes nothing itself.
/// The whole control area takes clicks, and a caption may wrap over several lines.
class CheckBox : public QCheckBox {
  Q_OBJECT
 public:
  CheckBox(bool word_wrap, QWidget* parent);

  /// Shows a check box value: 0 unticked, 1 ticked, 2 greyed.
  void show_value(std::int16_t value);
  /// The value shown: 0, 1 or 2.
  std::int16_t shown_value() const;
  /// Called when the user clicks the box or presses Space on it.
  std::function<void()> on_user_toggle;

 protected:
  void nextCheckState() override;
  bool hitButton(const QPoint& pos) const override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool word_wrap_;
};

/// A push button that is never a default button and whose caption may wrap over several lines.
/// Return or Enter presses it while it has the focus, as Windows dialogs do.
class Button : public QPushButton {
  Q_OBJECT
 public:
  Button(bool word_wrap, QWidget* parent);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool word_wrap_;
};

/// The font of a control: its face, or where the face is missing the closest sans-serif one.
QFont make_font(const forms::Font& font);

/// Gives `widget` the back and fore colours of a control of `kind` (fixed 0x00BBGGRR colours or
/// system colours from the toolkit's palette). A disabled control keeps the toolkit's greyed text.
void apply_colors(QWidget& widget, forms::ControlKind kind, forms::Color back, forms::Color fore);

/// Qt alignment flags for a control's text alignment.
Qt::Alignment horizontal_alignment(forms::Align align);

}  // namespace tambrel::qt

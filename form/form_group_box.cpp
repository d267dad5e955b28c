#include "form/form_group_box.h"

#include <QPainter>

namespace {
constexpr int kTitleIndent = 8;  // pixels from the frame's left edge to the title
constexpr int kTitleGap = 2;     // free pixels on each side of the title
}  // namespace

FormGroupBox::FormGroupBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {
  setFocusPolicy(Qt::NoFocus);
}

QRect FormGroupBox::outlineRect() const {
  const int top = fontMetrics().height() / 2;
  return QRect(0, top, width(), height() - top);
}

QRect FormGroupBox::titleRect() const {
  const QFontMetrics fm = fontMetrics();
  return QRect(kTitleIndent, 0, fm.horizontalAdvance(title()) + 2 * kTitleGap, fm.height());
}

void FormGroupBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // An etched line: dark, with a light line one pixel inside it.
  const QRect r = outlineRect().adjusted(0, 0, -2, -2);
  p.setPen(palette().color(QPalette::Mid));
  p.drawRect(r);
  p.setPen(palette().color(QPalette::Light));
  p.drawRect(r.translated(1, 1));
  // The title interrupts the top line.
  const QRect t = titleRect();
  p.fillRect(t, palette().color(QPalette::Window));
  p.setPen(palette().color(QPalette::WindowText));
  p.drawText(t, Qt::AlignCenter | Qt::TextSingleLine, title());
}

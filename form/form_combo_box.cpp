#include "form/form_combo_box.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QWheelEvent>

FormComboBox::FormComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  setFocusPolicy(Qt::StrongFocus);
}

// The wheel is handed to the scroll area that holds the form, as if it had
// been turned over the form itself. The opened list is a separate popup and
// still scrolls with the wheel.
void FormComboBox::wheelEvent(QWheelEvent* event) {
  event->ignore();
  for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
    auto* area = qobject_cast<QAbstractScrollArea*>(w);
    if (!area) continue;
    QWidget* viewport = area->viewport();
    const QPointF at = viewport->mapFromGlobal(event->globalPosition());
    QWheelEvent forwarded(at, event->globalPosition(), event->pixelDelta(), event->angleDelta(),
                          event->buttons(), event->modifiers(), event->phase(), event->inverted(),
                          event->source(), event->pointingDevice());
    QCoreApplication::sendEvent(viewport, &forwarded);
    event->setAccepted(forwarded.isAccepted());
    return;
  }
}

#include "form/form_change_watch.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "form/corder_list_ctrl.h"
#include "form/form_page.h"
#include "model/config_fields.h"
#include "model/control_ids.h"

namespace {
constexpr int kColumns = 7;
}

FormChangeWatch::FormChangeWatch(FormPage& page, QObject* parent) : QObject(parent), m_page(page) {
  for (const ConfigField& f : kConfigFields) {
    switch (f.kind) {
      case FieldKind::Choice:
      case FieldKind::SlaveMode:
        connect(m_page.combo(f.controlId), &QComboBox::activated, this, &FormChangeWatch::check);
        break;
      case FieldKind::Number:
        connect(m_page.edit(f.controlId), &QLineEdit::textEdited, this, &FormChangeWatch::check);
        break;
      case FieldKind::Count:
        break;
    }
  }
  // Connected after the order editor's own handlers, so the list has
  // changed by the time these run.
  for (int id : {ids::kAddButton, ids::kInsertButton, ids::kModifyButton, ids::kDeleteButton})
    connect(m_page.button(id), &QPushButton::clicked, this, &FormChangeWatch::check);
  resync();
}

void FormChangeWatch::resync() {
  m_seen = snapshot();
}

void FormChangeWatch::check() {
  QStringList now = snapshot();
  if (now == m_seen) return;
  m_seen = std::move(now);
  emit userChanged();
}

QStringList FormChangeWatch::snapshot() const {
  QStringList s;
  for (const ConfigField& f : kConfigFields) {
    switch (f.kind) {
      case FieldKind::Choice:
      case FieldKind::SlaveMode:
        s << QString::number(m_page.combo(f.controlId)->currentIndex());
        break;
      case FieldKind::Number:
      case FieldKind::Count:
        s << m_page.edit(f.controlId)->text();
        break;
    }
  }
  const COrderListCtrl* list = m_page.orderList();
  for (int row = 0; row < list->rowCount(); ++row) {
    for (int column = 0; column < kColumns; ++column) s << list->text(row, column);
    s << QString::number(list->rowValue(row));
  }
  return s;
}

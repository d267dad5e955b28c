#include "form/order_editor.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "form/corder_list_ctrl.h"
#include "form/form_page.h"
#include "form/form_template.h"
#include "link/messages.h"
#include "link/user_prompt.h"
#include "model/control_ids.h"
#include "model/field_domains.h"
#include "model/order_fields.h"
#include "model/register_map.h"
#include "model/wire_timing.h"

namespace {
QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The first item whose text begins with text, as the drop-down's own search
// does: an empty text matches the first item. No match leaves the selection
// as it was.
void selectPrefix(QComboBox* box, const QString& text) {
  for (int i = 0; i < box->count(); ++i)
    if (box->itemText(i).startsWith(text, Qt::CaseInsensitive)) {
      box->setCurrentIndex(i);
      return;
    }
}
}  // namespace

OrderEditor::OrderEditor(FormPage& page, FieldLimits& limits, UserPrompt& prompt)
    : m_page(page), m_limits(limits), m_prompt(prompt) {
  // Only the user's confirmed choices run the rules; the program's own
  // selections do not.
  connect(m_page.combo(ids::kOrderFunction), &QComboBox::activated, this, [this] { OnFunctionChange(); });
  connect(m_page.combo(ids::kOrderMemSel), &QComboBox::activated, this,
          [this] { OnMemorySelectionChange(); });
  connect(m_page.button(ids::kAddButton), &QPushButton::clicked, this, [this] { OnAddOrder(); });
  connect(m_page.button(ids::kInsertButton), &QPushButton::clicked, this, [this] { OnInsertOrder(); });
  connect(m_page.button(ids::kModifyButton), &QPushButton::clicked, this, [this] { OnModifyOrder(); });
  connect(m_page.button(ids::kDeleteButton), &QPushButton::clicked, this, [this] { OnDeleteOrder(); });
  connect(list(), &COrderListCtrl::rowChanged, this, [this] { OnOrderItemChanged(); });
}

COrderListCtrl* OrderEditor::list() const {
  return m_page.orderList();
}

void OrderEditor::forgetRow() {
  m_nSelectedOrder = -1;
  for (const OrderFieldInfo& f : kOrderFields)
    if (f.kind == OrderValue::Number) m_page.setEditText(f.controlId, {});
  for (const OrderFieldInfo& f : kOrderFields)
    if (f.kind != OrderValue::Number) m_page.combo(f.controlId)->setCurrentIndex(-1);
}

void OrderEditor::HideOrderIndicators() const {
  m_page.show(form::kOrderIndicators, false);
}

void OrderEditor::showOrderCount() const {
  m_page.setEditText(ids::kOrderCount, QString::number(list()->rowCount()));
}

int OrderEditor::shownSelectedRow() const {
  const int s = m_nSelectedOrder;
  return s >= 0 && s < list()->rowCount() && list()->isRowSelected(s) ? s : -1;
}

void OrderEditor::OnFunctionChange() {
  FunctionRuleResult r;
  if (!functionRule(m_page.combo(ids::kOrderFunction)->currentIndex(), r)) return;
  m_limits.setEntry(limit_entry::kOrderRegCount, r.regCount);
  m_page.setTextLimit(ids::kOrderRegCount, r.chars);
  m_page.label(ids::kOrderRegCountLabel)->setText(qs(r.label));
}

void OrderEditor::OnMemorySelectionChange() {
  MemoryRuleResult r;
  if (!memorySelectionRule(m_page.combo(ids::kOrderMemSel)->currentIndex(), r)) return;
  m_limits.setEntry(limit_entry::kOrderMemAddr, r.memAddress);
  m_page.setTextLimit(ids::kOrderMemAddr, r.chars);
  m_page.label(ids::kOrderMemAddrLabel)->setText(qs(r.memLabel));
  m_page.label(ids::kOrderFunctionLabel)->setText(qs(r.functionLabel));
}

bool OrderEditor::ValidateOrderEditor() {
  bool allValid = true;
  // A number field is read, written back in its canonical form and checked
  // against its range.
  auto number = [&](int editId, int indicatorId, int entry) {
    const int v = m_page.readInt(editId);
    m_page.setEditText(editId, QString::number(v));
    const bool ok = m_limits.entry(entry).contains(v);
    m_page.markField(indicatorId, ok);
    allValid = allValid && ok;
  };
  // The function passes when it suits the memory selection, the memory
  // selection when one is chosen.
  auto choice = [&](const OrderFieldInfo& f) {
    const int memSel = m_page.combo(ids::kOrderMemSel)->currentIndex();
    const bool ok = f.kind == OrderValue::Code
                        ? functionCompatible(m_page.combo(f.controlId)->currentIndex(), memSel)
                        : m_page.combo(f.controlId)->currentIndex() != -1;
    m_page.markField(f.indicatorId, ok);
    allValid = allValid && ok;
  };
  for (const OrderFieldInfo& f : kOrderFields) {
    if (f.kind == OrderValue::Number)
      number(f.controlId, f.indicatorId, f.limitEntry);
    else
      choice(f);
  }
  return allValid;
}

bool OrderEditor::checkFields() {
  if (ValidateOrderEditor()) return true;
  tell(m_prompt, messageOf(49));
  return false;
}

// Columns 1 to 6 and the per-row value of a row from the editor fields.
void OrderEditor::fillRow(int row) const {
  COrderListCtrl* l = list();
  for (const OrderFieldInfo& f : kOrderFields) {
    switch (f.kind) {
      case OrderValue::Number:
        l->setText(row, f.column, m_page.edit(f.controlId)->text());
        break;
      case OrderValue::Code:
        l->setText(row, f.column, m_page.combo(f.controlId)->currentText());
        break;
      case OrderValue::Selection:
        l->setRowValue(row, m_page.combo(f.controlId)->currentIndex());
        l->setText(row, f.column, QString::fromStdString(domain::memorySelectionText(l->rowValue(row))));
        break;
    }
  }
}

void OrderEditor::warnAboutTiming(int row) const {
  wire::MasterLine line;
  line.baudIndex = m_page.combo(ids::kCom4Baud)->currentIndex();
  line.formatIndex = m_page.combo(ids::kCom4Parity)->currentIndex();
  line.timeoutMs = m_page.readInt(ids::kMasterTimeout);
  line.masterMode = m_page.combo(ids::kMasterMode)->currentIndex();
  const auto column = [&](int c) { return leadingInt(list()->text(row, c).toStdString()); };
  MasterOrder order;
  order.slaveAddress = column(1);
  order.function = column(2);
  order.registerCount = column(4);
  const std::string text = wire::warningText(wire::orderTimingWarning(line, order, row + 1));
  if (!text.empty()) m_prompt.message(text, MsgKind::Warning);
}

void OrderEditor::renumberFrom(int row) const {
  for (int r = std::max(row, 0); r < list()->rowCount(); ++r) list()->setText(r, 0, QString::number(r + 1));
}

void OrderEditor::OnAddOrder() {
  COrderListCtrl* l = list();
  const int n = l->rowCount();
  if (n == kMaxOrders) {
    tell(m_prompt, messageOf(48));
    return;
  }
  if (!checkFields()) return;
  l->insertRow(n, QString::number(n + 1));
  fillRow(n);
  l->setRowSelectedFocused(n);
  m_nSelectedOrder = n;
  l->scrollByPixels(l->rowCount() * l->rowHeightPx(n));
  showOrderCount();
  warnAboutTiming(n);
}

// Insert, like Add, stores only an order whose fields pass the checks: an
// unchecked blank row would reach the module as slave 0, function 0 and
// memory selection 65535 on the next Write.
void OrderEditor::OnInsertOrder() {
  COrderListCtrl* l = list();
  const int s = shownSelectedRow();
  const int n = l->rowCount();
  if (s < 0) {
    OnAddOrder();
    return;
  }
  if (n == kMaxOrders) {
    tell(m_prompt, messageOf(51));
    return;
  }
  if (!checkFields()) return;
  l->insertRow(s, QString());
  fillRow(s);
  renumberFrom(s);
  l->setRowSelectedFocused(s);
  showOrderCount();
  warnAboutTiming(s);
}

// Modify acts only on the row that the list shows selected, and stores only
// fields that pass the checks, as Add does; the question comes after them.
void OrderEditor::OnModifyOrder() {
  const int s = shownSelectedRow();
  if (s < 0) return;
  if (!checkFields()) return;
  if (tell(m_prompt, messageOf(52)) != MsgAnswer::Yes) return;
  fillRow(s);
  warnAboutTiming(s);
}

void OrderEditor::OnDeleteOrder() {
  COrderListCtrl* l = list();
  const int s = shownSelectedRow();
  if (s < 0) return;
  if (tell(m_prompt, messageOf(50)) != MsgAnswer::Yes) return;
  l->deleteRow(s);
  renumberFrom(s);
  const int t = std::min(s, l->rowCount() - 1);
  if (t >= 0) l->setRowSelectedFocused(t);
  showOrderCount();
}

void OrderEditor::OnOrderItemChanged() {
  COrderListCtrl* l = list();
  const int top = l->topIndex();
  const int k = l->countPerPage();
  for (int r = top; r <= top + k - 1 && r < l->rowCount(); ++r) {
    if (!l->isRowSelected(r) || r == m_nSelectedOrder) continue;
    m_nSelectedOrder = r;
    for (const OrderFieldInfo& f : kOrderFields) {
      if (f.kind == OrderValue::Number)
        m_page.setEditText(f.controlId, l->text(r, f.column));
      else
        selectPrefix(m_page.combo(f.controlId), l->text(r, f.column));
    }
  }
  HideOrderIndicators();
}

#include "form/order_editor.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "form/corder_list_ctrl.h"
#include "form/form_page.h"
#include "form/form_template.h"
#include "link/user_prompt.h"
#include "model/control_ids.h"
#include "model/field_domains.h"
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
  connect(m_page.combo(ctl::kOrderFunction), &QComboBox::activated, this, [this] { OnFunctionChange(); });
  connect(m_page.combo(ctl::kOrderMemSel), &QComboBox::activated, this,
          [this] { OnMemorySelectionChange(); });
  connect(m_page.button(ctl::kAddButton), &QPushButton::clicked, this, [this] { OnAddOrder(); });
  connect(m_page.button(ctl::kInsertButton), &QPushButton::clicked, this, [this] { OnInsertOrder(); });
  connect(m_page.button(ctl::kModifyButton), &QPushButton::clicked, this, [this] { OnModifyOrder(); });
  connect(m_page.button(ctl::kDeleteButton), &QPushButton::clicked, this, [this] { OnDeleteOrder(); });
  connect(list(), &COrderListCtrl::rowChanged, this, [this] { OnOrderItemChanged(); });
}

COrderListCtrl* OrderEditor::list() const {
  return m_page.orderList();
}

void OrderEditor::forgetRow() {
  m_nSelectedOrder = -1;
  for (int id : {ctl::kOrderSlaveAddr, ctl::kOrderStart, ctl::kOrderRegCount, ctl::kOrderMemAddr})
    m_page.setEditText(id, {});
  for (int id : {ctl::kOrderFunction, ctl::kOrderMemSel}) m_page.combo(id)->setCurrentIndex(-1);
}

void OrderEditor::HideOrderIndicators() const {
  m_page.show(form::kOrderIndicators, false);
}

void OrderEditor::showOrderCount() const {
  m_page.setEditText(ctl::kOrderCount, QString::number(list()->rowCount()));
}

int OrderEditor::shownSelectedRow() const {
  const int s = m_nSelectedOrder;
  return s >= 0 && s < list()->rowCount() && list()->isRowSelected(s) ? s : -1;
}

void OrderEditor::OnFunctionChange() {
  FunctionRuleResult r;
  if (!functionRule(m_page.combo(ctl::kOrderFunction)->currentIndex(), r)) return;
  m_limits.setEntry(limit_entry::kOrderRegCount, r.regCount);
  m_page.setTextLimit(ctl::kOrderRegCount, r.chars);
  m_page.label(ctl::kOrderRegCountLabel)->setText(qs(r.label));
}

void OrderEditor::OnMemorySelectionChange() {
  MemoryRuleResult r;
  if (!memorySelectionRule(m_page.combo(ctl::kOrderMemSel)->currentIndex(), r)) return;
  m_limits.setEntry(limit_entry::kOrderMemAddr, r.memAddress);
  m_page.setTextLimit(ctl::kOrderMemAddr, r.chars);
  m_page.label(ctl::kOrderMemAddrLabel)->setText(qs(r.memLabel));
  m_page.label(ctl::kOrderFunctionLabel)->setText(qs(r.functionLabel));
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
  number(ctl::kOrderSlaveAddr, ctl::kIndOrderSlaveAddr, limit_entry::kOrderSlaveAddr);

  const bool functionOk = functionCompatible(m_page.combo(ctl::kOrderFunction)->currentIndex(),
                                             m_page.combo(ctl::kOrderMemSel)->currentIndex());
  m_page.markField(ctl::kIndOrderFunction, functionOk);
  allValid = allValid && functionOk;

  number(ctl::kOrderStart, ctl::kIndOrderStart, limit_entry::kOrderStart);
  number(ctl::kOrderRegCount, ctl::kIndOrderRegCount, limit_entry::kOrderRegCount);
  number(ctl::kOrderMemAddr, ctl::kIndOrderMemAddr, limit_entry::kOrderMemAddr);

  const bool memSelOk = m_page.combo(ctl::kOrderMemSel)->currentIndex() != -1;
  m_page.markField(ctl::kIndOrderMemSel, memSelOk);
  allValid = allValid && memSelOk;
  return allValid;
}

bool OrderEditor::checkFields() {
  if (ValidateOrderEditor()) return true;
  m_prompt.message("message 49\n\nInvalid parameters.", MsgKind::Error);
  return false;
}

// Columns 1 to 6 and the per-row value of a row from the editor fields.
void OrderEditor::fillRow(int row) const {
  COrderListCtrl* l = list();
  l->setText(row, 1, m_page.edit(ctl::kOrderSlaveAddr)->text());
  l->setText(row, 2, m_page.combo(ctl::kOrderFunction)->currentText());
  l->setText(row, 3, m_page.edit(ctl::kOrderStart)->text());
  l->setText(row, 4, m_page.edit(ctl::kOrderRegCount)->text());
  l->setText(row, 5, m_page.edit(ctl::kOrderMemAddr)->text());
  l->setRowValue(row, m_page.combo(ctl::kOrderMemSel)->currentIndex());
  l->setText(row, 6, QString::fromStdString(domain::memorySelectionText(l->rowValue(row))));
}

void OrderEditor::warnAboutTiming(int row) const {
  wire::MasterLine line;
  line.baudIndex = m_page.combo(ctl::kCom4Baud)->currentIndex();
  line.formatIndex = m_page.combo(ctl::kCom4Parity)->currentIndex();
  line.timeoutMs = m_page.readInt(ctl::kMasterTimeout);
  line.masterMode = m_page.combo(ctl::kMasterMode)->currentIndex();
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
    m_prompt.message("message 48\n\nOrder list is full.", MsgKind::Error);
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
    m_prompt.message("message 51\n\nOrder list is full.", MsgKind::Error);
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
  if (m_prompt.message("message 52\n\nDo you really want to modify this order?", MsgKind::Question,
                       /*defaultNo=*/true) != MsgAnswer::Yes)
    return;
  fillRow(s);
  warnAboutTiming(s);
}

void OrderEditor::OnDeleteOrder() {
  COrderListCtrl* l = list();
  const int s = shownSelectedRow();
  if (s < 0) return;
  if (m_prompt.message("message 50\n\nDo you really want to delete this order?", MsgKind::Question,
                       /*defaultNo=*/true) != MsgAnswer::Yes)
    return;
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
    m_page.setEditText(ctl::kOrderSlaveAddr, l->text(r, 1));
    selectPrefix(m_page.combo(ctl::kOrderFunction), l->text(r, 2));
    m_page.setEditText(ctl::kOrderStart, l->text(r, 3));
    m_page.setEditText(ctl::kOrderRegCount, l->text(r, 4));
    m_page.setEditText(ctl::kOrderMemAddr, l->text(r, 5));
    selectPrefix(m_page.combo(ctl::kOrderMemSel), l->text(r, 6));
  }
  HideOrderIndicators();
}

#include "tests/ops/fake_form.h"

#include "model/config_fields.h"

int FakeForm::comboIndex(int id) const {
  const auto it = combos.find(id);
  return it == combos.end() ? -1 : it->second;
}

void FakeForm::setComboIndex(int id, int index) {
  if (index >= 0 && index < choiceListSize(id))
    combos[id] = index;
  else
    combos.erase(id);
}

std::string FakeForm::editText(int id) const {
  const auto it = edits.find(id);
  return it == edits.end() ? std::string() : it->second;
}

void FakeForm::OnSelectDevice() {
  ++selectDeviceCalls;
  combos.clear();
  edits.clear();
  marks.clear();
  rows.clear();
  orderGroupVisible = true;
}

std::string FakeForm::orderText(int row, int column) const {
  if (row < 0 || row >= orderCount() || column < 0 || column >= 7) return {};
  return rows[static_cast<std::size_t>(row)].text[static_cast<std::size_t>(column)];
}

long long FakeForm::orderData(int row) const {
  if (row < 0 || row >= orderCount()) return 0;
  return rows[static_cast<std::size_t>(row)].data;
}

void FakeForm::insertOrder(int row, const std::string& column0) {
  if (row < 0 || row > orderCount()) row = orderCount();
  FakeOrderRow r;
  r.text[0] = column0;
  rows.insert(rows.begin() + row, r);
}

void FakeForm::setOrderText(int row, int column, const std::string& text) {
  if (row >= 0 && row < orderCount() && column >= 0 && column < 7)
    rows[static_cast<std::size_t>(row)].text[static_cast<std::size_t>(column)] = text;
}

void FakeForm::setOrderData(int row, long long value) {
  if (row >= 0 && row < orderCount()) rows[static_cast<std::size_t>(row)].data = value;
}

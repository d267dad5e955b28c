#pragma once
// FakeForm: the configuration form as plain data, for driving the device
// operations without widgets. Its whole state compares with ==.

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ops/config_form.h"

struct FakeOrderRow {
  std::array<std::string, 7> text;
  long long data = 0;
  bool operator==(const FakeOrderRow&) const = default;
};

struct FakeFormState {
  std::map<int, int> combos;  // selected positions; absent means none
  std::map<int, std::string> edits;
  std::map<int, Mark> marks;  // visible indicators and their icons
  std::optional<bool> orderGroupVisible;
  std::vector<FakeOrderRow> rows;
  int selectDeviceCalls = 0;
  bool operator==(const FakeFormState&) const = default;
};

class FakeForm : public ConfigForm, public FakeFormState {
 public:
  int comboIndex(int id) const override;
  void setComboIndex(int id, int index) override;
  std::string editText(int id) const override;
  void setEditText(int id, const std::string& text) override { edits[id] = text; }
  void markIndicator(int indicatorId, Mark mark) override { marks[indicatorId] = mark; }
  void HideAllIndicators() override { marks.clear(); }
  void ShowMasterOrderGroup(bool show) override { orderGroupVisible = show; }
  void OnSelectDevice() override;
  int orderCount() const override { return static_cast<int>(rows.size()); }
  std::string orderText(int row, int column) const override;
  long long orderData(int row) const override;
  void deleteAllOrders() override { rows.clear(); }
  void insertOrder(int row, const std::string& column0) override;
  void setOrderText(int row, int column, const std::string& text) override;
  void setOrderData(int row, long long value) override;

  FakeFormState state() const { return *this; }
  void addRow(const std::array<std::string, 7>& text, long long data) { rows.push_back({text, data}); }
};

#pragma once
// ConfigForm: what the device operations need of the configuration form,
// addressed by control id. The view implements it with real widgets; ops
// tests implement it with plain data.

#include <string>

enum class Mark { Ok, Error };

class ConfigForm {
 public:
  virtual ~ConfigForm() = default;

  // Drop-downs: selected position, -1 when none. Setting a position that is
  // not an index of the list clears the selection. Never runs user handlers.
  virtual int comboIndex(int id) const = 0;
  virtual void setComboIndex(int id, int index) = 0;

  // Edits: the whole text.
  virtual std::string editText(int id) const = 0;
  virtual void setEditText(int id, const std::string& text) = 0;

  // Indicators: show the indicator and set its icon.
  virtual void markIndicator(int indicatorId, Mark mark) = 0;
  virtual void HideAllIndicators() = 0;
  virtual void ShowMasterOrderGroup(bool show) = 0;

  // Device selection (command 32784): select device type 0, show and reset
  // the form, empty the order list.
  virtual void OnSelectDevice() = 0;

  // The master order list 1055: seven text columns and a per-row value.
  virtual int orderCount() const = 0;
  virtual std::string orderText(int row, int column) const = 0;
  virtual long long orderData(int row) const = 0;
  virtual void deleteAllOrders() = 0;
  virtual void insertOrder(int row, const std::string& column0) = 0;
  virtual void setOrderText(int row, int column, const std::string& text) = 0;
  virtual void setOrderData(int row, long long value) = 0;
};

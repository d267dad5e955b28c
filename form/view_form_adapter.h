#pragma once
// ViewFormAdapter: the configuration form as the device operations see it:
// controls addressed by id, the indicators, the visibility operations, the
// device selection and the order list. An id that the form does not have, or
// a control of another kind than asked for, stops the program with the id
// named: the operations only use ids from the form's own tables. The device
// selection is the view's: it hands it in.

#include <functional>

#include "ops/config_form.h"

class FormPage;
class OrderEditor;

class ViewFormAdapter : public ConfigForm {
 public:
  ViewFormAdapter(FormPage& page, OrderEditor& editor, std::function<void()> selectDevice)
      : m_page(page), m_editor(editor), m_selectDevice(std::move(selectDevice)) {}

  int comboIndex(int id) const override;
  void setComboIndex(int id, int index) override;
  std::string editText(int id) const override;
  void setEditText(int id, const std::string& text) override;
  void markIndicator(int indicatorId, Mark mark) override;
  void HideAllIndicators() override;
  void ShowMasterOrderGroup(bool show) override;
  void OnSelectDevice() override;

  int orderCount() const override;
  std::string orderText(int row, int column) const override;
  long long orderData(int row) const override;
  // The list is about to be rebuilt: the remembered row and the editor's
  // fields are cleared with it.
  void deleteAllOrders() override;
  void insertOrder(int row, const std::string& column0) override;
  void setOrderText(int row, int column, const std::string& text) override;
  void setOrderData(int row, long long value) override;

 private:
  FormPage& m_page;
  OrderEditor& m_editor;
  std::function<void()> m_selectDevice;
};

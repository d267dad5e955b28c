#pragma once
// OrderEditor: the editor of the master order list: its six fields, the
// dependent rules of the Function and Memory Selection choices, the checks
// with their indicators, Add, Insert, Modify and Delete with their messages
// (48 to 52), taking a selected row into the fields, and the remembered row
// (m_nSelectedOrder).

#include <QObject>

class FormPage;
class FieldLimits;
class UserPrompt;
class COrderListCtrl;

class OrderEditor : public QObject {
 public:
  OrderEditor(FormPage& page, FieldLimits& limits, UserPrompt& prompt);

  int selectedOrder() const { return m_nSelectedOrder; }

  // The form's initialisation: no remembered row.
  void reset() { m_nSelectedOrder = -1; }
  // The list is being rebuilt (read, device selection): the remembered row
  // and the six fields no longer belong to any row and are cleared.
  void forgetRow();

  void HideOrderIndicators() const;
  // Edit 1078 shows the number of rows.
  void showOrderCount() const;

  bool ValidateOrderEditor();
  void OnAddOrder();
  void OnInsertOrder();
  void OnModifyOrder();
  void OnDeleteOrder();
  void OnOrderItemChanged();
  void OnFunctionChange();
  void OnMemorySelectionChange();

 private:
  COrderListCtrl* list() const;
  // The remembered row, when the list shows it selected; otherwise -1.
  int shownSelectedRow() const;
  // ValidateOrderEditor, and message 49 when a field fails.
  bool checkFields();
  void fillRow(int row) const;
  // A warning box when the order in row cannot be answered within the
  // master timeout at COM4's present settings; the order stays.
  void warnAboutTiming(int row) const;
  void renumberFrom(int row) const;

  FormPage& m_page;
  FieldLimits& m_limits;
  UserPrompt& m_prompt;
  int m_nSelectedOrder = -1;
};

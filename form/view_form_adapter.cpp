#include "form/view_form_adapter.h"

#include <QComboBox>
#include <QLineEdit>

#include "form/corder_list_ctrl.h"
#include "form/form_page.h"
#include "form/form_template.h"
#include "form/order_editor.h"

int ViewFormAdapter::comboIndex(int id) const {
  return m_page.combo(id)->currentIndex();
}

void ViewFormAdapter::setComboIndex(int id, int index) {
  QComboBox* box = m_page.combo(id);
  box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

std::string ViewFormAdapter::editText(int id) const {
  return m_page.edit(id)->text().toStdString();
}

void ViewFormAdapter::setEditText(int id, const std::string& text) {
  m_page.setEditText(id, QString::fromStdString(text));
}

void ViewFormAdapter::markIndicator(int indicatorId, Mark mark) {
  m_page.markField(indicatorId, mark == Mark::Ok);
}

void ViewFormAdapter::HideAllIndicators() {
  m_editor.HideOrderIndicators();
  m_page.show(form::kFieldIndicators, false);
}
void ViewFormAdapter::ShowMasterOrderGroup(bool show) {
  m_page.show(form::kMasterOrderGroup, show);
}
void ViewFormAdapter::OnSelectDevice() {
  m_selectDevice();
}

int ViewFormAdapter::orderCount() const {
  return m_page.orderList()->rowCount();
}

std::string ViewFormAdapter::orderText(int row, int column) const {
  return m_page.orderList()->text(row, column).toStdString();
}

long long ViewFormAdapter::orderData(int row) const {
  return m_page.orderList()->rowValue(row);
}

void ViewFormAdapter::deleteAllOrders() {
  m_page.orderList()->deleteAllRows();
  m_editor.forgetRow();
}

void ViewFormAdapter::insertOrder(int row, const std::string& column0) {
  m_page.orderList()->insertRow(row, QString::fromStdString(column0));
}

void ViewFormAdapter::setOrderText(int row, int column, const std::string& text) {
  m_page.orderList()->setText(row, column, QString::fromStdString(text));
}

void ViewFormAdapter::setOrderData(int row, long long value) {
  m_page.orderList()->setRowValue(row, value);
}

#pragma once
// CCompareDlg: the differences between the module and the form, one row per
// difference: the field as the form labels it (the key that tq740ctl prints
// as its tooltip), the module's value and the form's. Titled "Compare with
// device" with a Close button after Compare with device; before a Write it
// offers Write and Cancel.

#include <QDialog>
#include <vector>

#include "form/ctq740conf_view.h"
#include "model/config_diff.h"

class QLabel;
class QPushButton;
class QTreeWidget;

class CCompareDlg : public QDialog {
  Q_OBJECT

 public:
  CCompareDlg(const std::vector<DiffRow>& rows, DiffPurpose purpose, QWidget* parent = nullptr);

  QTreeWidget* list() const { return m_list; }
  QLabel* summary() const { return m_summary; }
  // Close after a comparison, Write before a Write.
  QPushButton* acceptButton() const { return m_accept; }

 private:
  QTreeWidget* m_list = nullptr;
  QLabel* m_summary = nullptr;
  QPushButton* m_accept = nullptr;
};

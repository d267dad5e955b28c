#include "app/compare_dlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QString qs(const std::string& s) {
  return QString::fromStdString(s);
}
}  // namespace

CCompareDlg::CCompareDlg(const std::vector<DiffRow>& rows, DiffPurpose purpose, QWidget* parent)
    : QDialog(parent) {
  const bool beforeWrite = purpose == DiffPurpose::BeforeWrite;
  setObjectName(QStringLiteral("compareDialog"));
  setWindowTitle(beforeWrite ? QStringLiteral("Changes before writing")
                             : QStringLiteral("Compare with device"));
  auto* layout = new QVBoxLayout(this);

  QString summary;
  if (rows.empty())
    summary = QStringLiteral("No differences");
  else
    summary = QStringLiteral("%1 difference(s) between the module and the form").arg(rows.size());
  if (beforeWrite)
    summary += rows.empty() ? QStringLiteral(": this Write changes nothing on the module.")
                            : QStringLiteral(": this Write would change them on the module.");
  m_summary = new QLabel(summary, this);
  m_summary->setObjectName(QStringLiteral("compareSummary"));
  layout->addWidget(m_summary);

  m_list = new QTreeWidget(this);
  m_list->setObjectName(QStringLiteral("compareList"));
  m_list->setRootIsDecorated(false);
  m_list->setHeaderLabels({QStringLiteral("Field"), QStringLiteral("Module"), QStringLiteral("Form")});
  for (const DiffRow& r : rows) {
    auto* item = new QTreeWidgetItem(m_list, {qs(r.label), qs(r.left), qs(r.right)});
    item->setToolTip(0, qs(r.key));
  }
  m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  m_list->setVisible(!rows.empty());
  layout->addWidget(m_list, 1);

  auto* buttons = new QDialogButtonBox(this);
  if (beforeWrite) {
    m_accept = buttons->addButton(QStringLiteral("&Write"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
  } else {
    m_accept = buttons->addButton(QDialogButtonBox::Close);
  }
  m_accept->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(rows.empty() ? QSize(360, 100) : QSize(560, 320));
}

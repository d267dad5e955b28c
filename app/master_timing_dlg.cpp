#include "app/master_timing_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "form/corder_list_ctrl.h"
#include "form/ctq740conf_view.h"
#include "model/control_ids.h"
#include "model/wire_timing.h"
#include "ops/timing_check.h"

namespace {

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

// What the window says above the table.
QString summaryText(const wire::MasterTiming& t) {
  if (!t.lineKnown()) return QStringLiteral("COM4's baud rate or character format is not set.");
  if (t.catchMode())
    return QStringLiteral("Master mode \"Catch mode\": no orders are sent, nothing is checked.");
  if (t.line.timeoutMs == 0) return QStringLiteral("Master timeout 0: the orders are not checked.");
  const std::size_t slow = t.tooSlow().size();
  if (slow == 0)
    return QStringLiteral(
               "At their least wire times, the answers of all orders fit within the master timeout of "
               "%1 ms.")
        .arg(t.line.timeoutMs);
  return QStringLiteral("%1 of %2 %3 cannot be answered within the master timeout of %4 ms.")
      .arg(slow)
      .arg(t.orders.size())
      .arg(t.orders.size() == 1 ? QStringLiteral("order") : QStringLiteral("orders"))
      .arg(t.line.timeoutMs);
}

}  // namespace

CMasterTimingDlg::CMasterTimingDlg(CTQ740confView& view, QWidget* parent) : QDialog(parent), m_view(&view) {
  setWindowTitle(QStringLiteral("Master timing"));
  auto* layout = new QVBoxLayout(this);
  m_summary = new QLabel(this);
  m_summary->setObjectName(QStringLiteral("summary"));
  m_summary->setWordWrap(true);
  layout->addWidget(m_summary);

  m_table = new QTableWidget(0, wire::TimingTable::kColumns, this);
  m_table->setObjectName(QStringLiteral("timingTable"));
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->verticalHeader()->hide();
  const wire::TimingTable empty = wire::timingTable(wire::MasterTiming{});
  QStringList header;
  for (const std::string& h : empty.header) header << qs(h);
  m_table->setHorizontalHeaderLabels(header);
  m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  layout->addWidget(m_table, 1);

  m_notes = new QLabel(this);
  m_notes->setObjectName(QStringLiteral("notes"));
  m_notes->setWordWrap(true);
  m_notes->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(m_notes);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  layout->addWidget(buttons);

  // Whatever changes these, the user or a read, changes the figures.
  for (int id : {ids::kCom4Baud, ids::kCom4Parity, ids::kMasterMode})
    if (auto* box = qobject_cast<QComboBox*>(view.control(id)))
      connect(box, &QComboBox::currentIndexChanged, this, &CMasterTimingDlg::scheduleRefresh);
  for (int id : {ids::kMasterTimeout, ids::kMasterPoolTime})
    if (auto* edit = qobject_cast<QLineEdit*>(view.control(id)))
      connect(edit, &QLineEdit::textChanged, this, &CMasterTimingDlg::scheduleRefresh);
  if (QAbstractItemModel* rows = view.orderList()->model()) {
    connect(rows, &QAbstractItemModel::rowsInserted, this, &CMasterTimingDlg::scheduleRefresh);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, &CMasterTimingDlg::scheduleRefresh);
    connect(rows, &QAbstractItemModel::dataChanged, this, &CMasterTimingDlg::scheduleRefresh);
    connect(rows, &QAbstractItemModel::modelReset, this, &CMasterTimingDlg::scheduleRefresh);
  }
  refresh();
  const int width = m_table->horizontalHeader()->length() + 4 * m_table->frameWidth() + 40;
  resize(std::max(width, 700), 480);
}

void CMasterTimingDlg::scheduleRefresh() {
  if (m_pending) return;
  m_pending = true;
  QTimer::singleShot(0, this, [this] { refresh(); });
}

void CMasterTimingDlg::refresh() {
  m_pending = false;
  if (!m_view) return;
  const wire::MasterTiming timing = formTiming(m_view->configForm());
  const wire::TimingTable t = wire::timingTable(timing);
  m_summary->setText(summaryText(timing));
  m_table->setRowCount(static_cast<int>(t.rows.size()));
  QFont bold = m_table->font();
  bold.setBold(true);
  for (std::size_t r = 0; r < t.rows.size(); ++r) {
    for (std::size_t c = 0; c < t.rows[r].size(); ++c) {
      auto* item = new QTableWidgetItem(qs(t.rows[r][c]));
      const bool last = c + 1 == t.rows[r].size();
      item->setTextAlignment(Qt::AlignVCenter | (last ? Qt::AlignLeft : Qt::AlignRight));
      if (t.rowCannotFit[r]) {
        item->setBackground(QColor(255, 214, 214));
        if (last) item->setFont(bold);
      }
      m_table->setItem(static_cast<int>(r), static_cast<int>(c), item);
    }
  }
  QStringList notes;
  for (const std::string& n : t.notes) notes << qs(n);
  m_notes->setText(notes.join(QLatin1Char('\n')));
}

#include "form/corder_list_ctrl.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {
struct ColumnSpec {
  const char* title;
  Qt::Alignment align;
};
constexpr ColumnSpec kColumnSpecs[COrderListCtrl::kColumns] = {
    {"No.", Qt::AlignRight},         {"Sl Addr", Qt::AlignRight},     {"Fun", Qt::AlignRight},
    {"St Addr", Qt::AlignRight},     {"No. of Regs", Qt::AlignRight}, {"Mem Addr", Qt::AlignRight},
    {"Mem Selection", Qt::AlignLeft}};

constexpr int kValueRole = Qt::UserRole;
}  // namespace

COrderListCtrl::COrderListCtrl(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setIndentation(0);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setAllColumnsShowFocus(true);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);

  // Selection and focus changes, whether made by the user or by the program,
  // are reported as they happen.
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection& deselected) {
            for (const QItemSelection* s : {&deselected, &selected})
              for (const QItemSelectionRange& range : *s)
                for (int r = range.top(); r <= range.bottom(); ++r) emit rowChanged(r);
          });
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current, const QModelIndex& previous) {
            if (previous.isValid()) emit rowChanged(previous.row());
            if (current.isValid()) emit rowChanged(current.row());
          });
}

void COrderListCtrl::createColumns() {
  QStringList titles;
  for (const ColumnSpec& c : kColumnSpecs) titles << QString::fromLatin1(c.title);
  setHeaderLabels(titles);
  QTreeWidgetItem* head = headerItem();
  for (int c = 0; c < kColumns; ++c) {
    head->setTextAlignment(c, kColumnSpecs[c].align | Qt::AlignVCenter);
    const QString measured = QStringLiteral("0") + titles[c] + QStringLiteral("0");
    setColumnWidth(c, fontMetrics().horizontalAdvance(measured));
  }
}

QTreeWidgetItem* COrderListCtrl::item(int row) const {
  return row >= 0 && row < topLevelItemCount() ? topLevelItem(row) : nullptr;
}

void COrderListCtrl::insertRow(int row, const QString& column0) {
  auto* it = new QTreeWidgetItem;
  for (int c = 0; c < kColumns; ++c) it->setTextAlignment(c, kColumnSpecs[c].align | Qt::AlignVCenter);
  it->setText(0, column0);
  it->setData(0, kValueRole, 0LL);
  insertTopLevelItem(std::clamp(row, 0, topLevelItemCount()), it);
}

void COrderListCtrl::deleteRow(int row) {
  QTreeWidgetItem* it = item(row);
  if (!it) return;
  // The row loses its selected and focused state before it goes, so that no
  // other row takes them over on its own.
  const QModelIndex index = indexFromItem(it);
  if (currentIndex().row() == row)
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  if (selectionModel()->isRowSelected(row, QModelIndex()))
    selectionModel()->select(index, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
  delete takeTopLevelItem(row);
}

void COrderListCtrl::deleteAllRows() {
  clear();
}

QString COrderListCtrl::text(int row, int column) const {
  const QTreeWidgetItem* it = item(row);
  return it ? it->text(column) : QString();
}

void COrderListCtrl::setText(int row, int column, const QString& text) {
  QTreeWidgetItem* it = item(row);
  if (!it || column < 0 || column >= kColumns || it->text(column) == text) return;
  it->setText(column, text);
  if (column == 0) emit rowChanged(row);
}

long long COrderListCtrl::rowValue(int row) const {
  const QTreeWidgetItem* it = item(row);
  return it ? it->data(0, kValueRole).toLongLong() : 0;
}

void COrderListCtrl::setRowValue(int row, long long value) {
  QTreeWidgetItem* it = item(row);
  if (!it || it->data(0, kValueRole).toLongLong() == value) return;
  it->setData(0, kValueRole, value);
  emit rowChanged(row);
}

void COrderListCtrl::setRowSelectedFocused(int row) {
  QTreeWidgetItem* it = item(row);
  if (!it) return;
  selectionModel()->setCurrentIndex(indexFromItem(it),
                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

bool COrderListCtrl::isRowSelected(int row) const {
  return item(row) && selectionModel()->isRowSelected(row, QModelIndex());
}

bool COrderListCtrl::isRowFocused(int row) const {
  return item(row) && currentIndex().isValid() && currentIndex().row() == row;
}

int COrderListCtrl::topIndex() const {
  const QModelIndex top = indexAt(QPoint(0, 0));
  return top.isValid() ? top.row() : 0;
}

int COrderListCtrl::rowHeightPx(int row) const {
  if (QTreeWidgetItem* it = item(row)) {
    const int h = visualItemRect(it).height();
    if (h > 0) return h;
  }
  return std::max(1, fontMetrics().height() + 4);
}

int COrderListCtrl::countPerPage() const {
  const int h = rowHeightPx(topIndex());
  return std::max(0, viewport()->height() / h);
}

void COrderListCtrl::scrollByPixels(int dy) {
  // Rows are scrolled whole; bring the scroll range up to date first, since
  // rows inserted just now are laid out lazily.
  executeDelayedItemsLayout();
  const int rows = dy / rowHeightPx(topIndex());
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->value() + rows);
}

QColor COrderListCtrl::frameColor() const {
  const QColor bk = viewport()->palette().color(viewport()->backgroundRole());
  return QColor(255 - bk.red(), 255 - bk.green(), 255 - bk.blue());
}

void COrderListCtrl::paintEvent(QPaintEvent* event) {
  QTreeWidget::paintEvent(event);
  QPainter painter(viewport());
  painter.setBrush(Qt::NoBrush);
  const QColor c = frameColor();
  const int top = topIndex();
  const int last = std::min(top + countPerPage(), rowCount()) - 1;
  for (int r = top; r <= last; ++r) {
    QRect rect = visualItemRect(item(r));
    // Two pixels inside the row's left and right edges; the outline covers
    // the rectangle's own pixels only.
    rect.adjust(2, 0, -2, 0);
    const QRect outline = rect.adjusted(0, 0, -1, -1);
    if (isRowFocused(r)) {
      painter.setPen(QPen(c, 1, Qt::DotLine));
      painter.drawRect(outline);
    }
    if (isRowSelected(r)) {
      painter.setPen(QPen(c, 1, Qt::SolidLine));
      painter.drawRect(outline);
    }
  }
}

void COrderListCtrl::handleButton(QMouseEvent* event, bool press) {
  // A click anywhere along a row counts as a click on its first column.
  int x = static_cast<int>(event->position().x());
  if (QTreeWidgetItem* first = item(0))
    x = visualItemRect(first).left() + 1;
  else
    x = columnViewportPosition(0) + 1;
  const double dx = x - event->position().x();
  setFocus(Qt::MouseFocusReason);
  QMouseEvent moved(event->type(), QPointF(x, event->position().y()), event->scenePosition() + QPointF(dx, 0),
                    event->globalPosition() + QPointF(dx, 0), event->button(), event->buttons(),
                    event->modifiers(), event->pointingDevice());
  if (press)
    QTreeWidget::mousePressEvent(&moved);
  else
    QTreeWidget::mouseReleaseEvent(&moved);
  event->setAccepted(moved.isAccepted());
}

void COrderListCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    handleButton(event, true);
  else
    QTreeWidget::mousePressEvent(event);
}

void COrderListCtrl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    handleButton(event, false);
  else
    QTreeWidget::mouseReleaseEvent(event);
}

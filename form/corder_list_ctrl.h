#pragma once
// COrderListCtrl: the master order list (control 1055), a report list with
// seven columns and a per-row value. Draws its own frames around the focused
// and the selected row, treats a click anywhere on a row as a click on the
// row, and reports every real change of a row's selected or focused state,
// per-row value or column 0 text synchronously through rowChanged(); setting
// a value or a text that the row already has reports nothing.

#include <QString>
#include <QTreeWidget>

class COrderListCtrl : public QTreeWidget {
  Q_OBJECT

 public:
  static constexpr int kColumns = 7;

  explicit COrderListCtrl(QWidget* parent = nullptr);

  // Creates the seven columns (titles, alignment, widths measured in the
  // list's font). Running it again leaves the same seven columns.
  void createColumns();

  int rowCount() const { return topLevelItemCount(); }
  // Inserts a row at row (rows from there on move down; a row beyond the end
  // appends) with its column 0 text.
  void insertRow(int row, const QString& column0);
  void deleteRow(int row);
  void deleteAllRows();
  QString text(int row, int column) const;
  void setText(int row, int column, const QString& text);
  long long rowValue(int row) const;
  void setRowValue(int row, long long value);

  // Selects row and gives it the focus (the focus mark), clearing any other
  // selection.
  void setRowSelectedFocused(int row);
  bool isRowSelected(int row) const;
  bool isRowFocused(int row) const;

  // Index of the top visible row; number of whole rows that fit into the
  // visible area.
  int topIndex() const;
  int countPerPage() const;
  // Height of a row's bounds rectangle in pixels.
  int rowHeightPx(int row) const;
  // Scrolls the rows by dy pixels (positive: towards the end of the list).
  void scrollByPixels(int dy);

  // Colour of the frames: the inverse of the list's background colour.
  QColor frameColor() const;

 signals:
  // A row's selected or focused state, per-row value or column 0 text changed.
  void rowChanged(int row);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void handleButton(QMouseEvent* event, bool press);
  QTreeWidgetItem* item(int row) const;
};

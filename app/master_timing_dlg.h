#pragma once
// CMasterTimingDlg: the Master timing window. Owns a table of the master
// orders that the form shows, each with its frame sizes, its least answer and
// transaction time on the wire and its margin to the master timeout, and the
// notes below it (character time, cycle, pooltime). It stays open beside the
// form and follows it: the order list, COM4's baud rate and character
// format, the master mode, timeout and pooltime.

#include <QDialog>
#include <QPointer>

class CTQ740confView;
class QLabel;
class QTableWidget;

class CMasterTimingDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CMasterTimingDlg(CTQ740confView& view, QWidget* parent = nullptr);

  QTableWidget* table() const { return m_table; }
  QLabel* summary() const { return m_summary; }
  QLabel* notes() const { return m_notes; }

  // Works the figures out again from the form now. Changes of the form
  // bring this about at the next turn of the event loop, once for a burst.
  void refresh();

 private:
  void scheduleRefresh();

  QPointer<CTQ740confView> m_view;
  QTableWidget* m_table = nullptr;
  QLabel* m_summary = nullptr;
  QLabel* m_notes = nullptr;
  bool m_pending = false;
};

#pragma once
// Windows: the end of the session while a device operation runs. Windows
// asks every program whether the session may end (WM_QUERYENDSESSION, which
// Qt passes on as commitDataRequest). While an operation runs, the answer is
// no, so that a write to the module is not cut off half way: the window then
// closes as soon as the operation has ended (the close itself is held by the
// operation guard), and Windows shows the reason below beside the program's
// name until then.

#include <QObject>

class OperationGuard;
class QWidget;

class SessionEndHold : public QObject {
  Q_OBJECT

 public:
  // Follows guard's operations for window, whose handle carries the reason.
  SessionEndHold(OperationGuard& guard, QWidget& window);

  static const wchar_t* reason();

 private:
  void setReason(bool on);
  OperationGuard& m_guard;
  QWidget& m_window;
  bool m_reasonSet = false;
};

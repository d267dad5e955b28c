#include "app/session_end_win.h"

#include <windows.h>

#include <QGuiApplication>
#include <QSessionManager>
#include <QWidget>

#include "app/operation_guard.h"

SessionEndHold::SessionEndHold(OperationGuard& guard, QWidget& window)
    : QObject(&window), m_guard(guard), m_window(window) {
  connect(&guard, &OperationGuard::started, this, [this] { setReason(true); });
  connect(&guard, &OperationGuard::finished, this, [this] { setReason(false); });
#ifndef QT_NO_SESSIONMANAGER
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
    if (m_guard.running()) manager.cancel();  // the session waits; the close is held till the end
  });
#endif
}

const wchar_t* SessionEndHold::reason() {
  return L"A transfer with the module is under way. TQ740conf closes when it has ended.";
}

// The reason shows only while the program refuses to let the session end;
// it is set for the whole operation because Windows reads it when it asks.
void SessionEndHold::setReason(bool on) {
  if (on == m_reasonSet) return;
  const HWND hwnd = reinterpret_cast<HWND>(m_window.winId());
  m_reasonSet = on ? ::ShutdownBlockReasonCreate(hwnd, reason()) != FALSE
                   : ::ShutdownBlockReasonDestroy(hwnd) == FALSE;
}

#pragma once
// QtIoWait: waits for a serial descriptor (or, on Windows, the event of an
// overlapped transfer) while the window's event loop keeps running, so that the window repaints and its timers fire through every
// transaction, time-outs included. Keyboard and mouse input meanwhile is the
// business of the OperationGuard, which holds it off.

#include <QElapsedTimer>
#include <QEventLoop>

#include "link/io_wait.h"

class QtIoWait : public IoWait {
 public:
  explicit QtIoWait(QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents) : m_flags(flags) {}
#ifdef _WIN32
  // The Win32 serial port waits for its overlapped transfers' events
  // (qt_io_wait_win.cpp); a QWinEventNotifier wakes the event loop.
  int waitEvent(void* event, int timeoutMs) override;
#else
  int wait(int fd, short events, short& revents, int timeoutMs) override;
#endif

 private:
  // The longest the window goes without handling its events while a
  // transaction waits: short enough that painting looks continuous.
  static constexpr int kSliceMs = 20;
  QEventLoop::ProcessEventsFlags m_flags;
  QElapsedTimer m_sinceEvents;  // since the events were last handled
};

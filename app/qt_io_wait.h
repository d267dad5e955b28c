#pragma once
// QtIoWait: waits for a serial descriptor while the window's event loop keeps
// running, so that the window repaints and its timers fire through every
// transaction, time-outs included. Keyboard and mouse input meanwhile is the
// business of the OperationGuard, which holds it off.

#include <QEventLoop>

#include "link/io_wait.h"

class QtIoWait : public IoWait {
 public:
  explicit QtIoWait(QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents) : m_flags(flags) {}
  int wait(int fd, short events, short& revents, int timeoutMs) override;

 private:
  QEventLoop::ProcessEventsFlags m_flags;
};

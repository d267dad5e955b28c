// The window's wait on Windows: the event loop runs while an overlapped
// transfer's event is waited for, and the wait ends when the event is
// signalled or its time is up.
#include <windows.h>

#include <gtest/gtest.h>

#include <QTimer>

#include "app/qt_io_wait.h"

namespace {
struct Event {
  HANDLE h = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ~Event() { ::CloseHandle(h); }
};
}  // namespace

TEST(QtIoWaitWin, TimersRunWhileWaitingAndTheEventEndsTheWait) {
  Event event;
  QtIoWait wait;
  int ticks = 0;
  // A timer of the window ticks three times, then the transfer completes.
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (++ticks == 3) ::SetEvent(event.h);
  });
  timer.start(30);
  EXPECT_EQ(wait.waitEvent(event.h, -1), 1);
  EXPECT_EQ(ticks, 3);
}

TEST(QtIoWaitWin, EndsWithoutTheEventWhenTheTimeIsUp) {
  Event event;
  QtIoWait wait;
  for (int ms : {0, 5, 60}) EXPECT_EQ(wait.waitEvent(event.h, ms), 0) << ms;
  ::SetEvent(event.h);
  EXPECT_EQ(wait.waitEvent(event.h, 0), 1);
}

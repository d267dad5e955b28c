// The window's wait for a serial descriptor, interrupted by signals (which
// the window now catches): it never ends before its time. An early end would
// cut a transaction's read short.
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <atomic>
#include <csignal>
#include <thread>

#include "app/qt_io_wait.h"

namespace {

extern "C" void ignoreSignal(int) {}

TEST(QtIoWait, SignalsNeverEndTheWaitEarly) {
  struct sigaction sa {
  }, old{};
  sa.sa_handler = ignoreSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: poll() returns EINTR
  ASSERT_EQ(sigaction(SIGUSR1, &sa, &old), 0);
  int p[2];
  ASSERT_EQ(::pipe(p), 0);

  const pthread_t waiter = pthread_self();
  std::atomic<bool> done{false};
  std::thread interrupter([&] {
    while (!done) {
      pthread_kill(waiter, SIGUSR1);
      std::this_thread::yield();
    }
  });
  QtIoWait wait;
  // Shorter than one of the wait's slices, and longer: with nothing to read
  // each ends at its deadline, not at the first signal.
  for (int timeoutMs : {15, 60}) {
    SCOPED_TRACE(timeoutMs);
    short revents = 0;
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(wait.wait(p[0], io_event::kIn, revents, timeoutMs), 0);
    EXPECT_GE(t.elapsed(), timeoutMs);
  }
  // Something to read arrives amid the signals: the wait reports it.
  ASSERT_EQ(::write(p[1], "x", 1), 1);
  short revents = 0;
  EXPECT_EQ(wait.wait(p[0], io_event::kIn, revents, 10'000), 1);
  EXPECT_TRUE(revents & POLLIN);
  done = true;
  interrupter.join();
  ::close(p[0]);
  ::close(p[1]);
  sigaction(SIGUSR1, &old, nullptr);
}

}  // namespace

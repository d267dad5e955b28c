#pragma once
// AttemptTimer: lets a test shorten the read time-out of chosen attempts, so
// that a module that stays silent on purpose costs milliseconds instead of
// five times 500 ms. The attempts are counted by their writes, over every
// device that its factory made; all other reads keep the port's own
// time-out. Only tests can do this: the configurator itself always waits
// the full time-out.

#include <climits>
#include <memory>

#include "link/serial_device.h"

class AttemptTimer {
 public:
  static constexpr int kShortMs = 20;

  // The reads after the writes numbered first..first+count-1 (counted from 1)
  // wait only kShortMs.
  void shorten(int firstWrite, int count = INT_MAX);
  // Likewise for the count writes after the next skip ones.
  void shortenAfter(int skip, int count = INT_MAX) { shorten(writes() + 1 + skip, count); }
  int writes() const { return m_state->writes; }

  // POSIX serial devices whose reads follow this timer.
  SerialDeviceFactory factory() const;

  struct State {
    int writes = 0;
    int first = INT_MAX;
    int count = 0;
    bool shortRead() const { return writes >= first && writes - first < count; }
  };

 private:
  std::shared_ptr<State> m_state = std::make_shared<State>();
};

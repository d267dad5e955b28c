#include "tests/support/attempt_timer.h"

#include "link/posix_serial_device.h"

namespace {
// A termios device that counts its writes and reads with the short time-out
// where the timer says so.
class TimedDevice : public PosixSerialDevice {
 public:
  explicit TimedDevice(std::shared_ptr<AttemptTimer::State> state) : m_state(std::move(state)) {}

  bool setTimeouts(int readTotalMs, int writeTotalMs) override {
    m_readMs = readTotalMs;
    m_writeMs = writeTotalMs;
    return PosixSerialDevice::setTimeouts(readTotalMs, writeTotalMs);
  }
  bool write(const std::uint8_t* data, std::size_t len, std::size_t& written) override {
    ++m_state->writes;
    return PosixSerialDevice::write(data, len, written);
  }
  bool read(std::uint8_t* buf, std::size_t maxLen, std::size_t& got) override {
    PosixSerialDevice::setTimeouts(m_state->shortRead() ? AttemptTimer::kShortMs : m_readMs, m_writeMs);
    return PosixSerialDevice::read(buf, maxLen, got);
  }

 private:
  std::shared_ptr<AttemptTimer::State> m_state;
  int m_readMs = 500;
  int m_writeMs = 500;
};
}  // namespace

void AttemptTimer::shorten(int firstWrite, int count) {
  m_state->first = firstWrite;
  m_state->count = count;
}

SerialDeviceFactory AttemptTimer::factory() const {
  return [state = m_state] { return std::make_unique<TimedDevice>(state); };
}

#pragma once
// SimSerialDevice: a serial device whose far end is a SimModule in the same
// process. Requests written to it are answered at once (or after a Delay or
// LateAnswer fault), and reads wait against their time-out as a port would, so the
// simulated module works where no pseudo-terminal exists.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "link/serial_device.h"
#include "sim/sim_module.h"

class SimSerialDevice : public SerialDevice {
 public:
  explicit SimSerialDevice(std::shared_ptr<SimModule> module) : m_module(std::move(module)) {}

  // Any path opens, unless the module has vanished; opening again after a
  // vanish brings the module back, as a re-plugged adapter.
  bool open(const std::string& path) override;
  bool applyLineSettings() override;
  bool setTimeouts(int readTotalMs, int writeTotalMs) override;
  bool purge() override;
  bool write(const std::uint8_t* data, std::size_t len, std::size_t& written) override;
  bool read(std::uint8_t* buf, std::size_t maxLen, std::size_t& got) override;
  int lastError() const override { return m_error; }
  std::string lastErrorText() const override { return m_errorText; }
  void close() override { m_open = false; }
  bool isOpen() const override { return m_open; }

  SimModule& module() { return *m_module; }

 private:
  using Clock = std::chrono::steady_clock;
  struct Chunk {
    Clock::time_point due;  // when its bytes reach the port
    std::vector<std::uint8_t> bytes;
    bool held = false;  // waits for the next request (due is then unknown)
  };
  bool begin();  // clears the error; false when the call cannot go on
  bool gone();
  std::shared_ptr<SimModule> m_module;
  bool m_open = false;
  bool m_vanished = false;
  int m_error = 0;
  std::string m_errorText;
  int m_readTimeoutMs = 500;
  std::vector<std::uint8_t> m_toModule;  // request bytes not yet handled
  std::deque<Chunk> m_fromModule;        // answers on their way to the port
  int m_pacedAnswers = 0;                // answers still to send at the line's speed
};

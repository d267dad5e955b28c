#pragma once
// FakeSerialDevice: a scripted SerialDevice for unit tests. Each call takes
// its result from a queue of the shared script (an empty queue means success,
// everything written, nothing received) and the script records what the
// device was asked to do. The script is shared, so a test keeps reading it
// after SerialPort has closed and destroyed the device.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/serial_device.h"

struct FakeStep {
  bool ok = true;
  int error = 0;          // lastError() after the call
  std::string text = {};  // lastErrorText() after the call
};

struct FakeWrite {
  bool ok = true;
  int error = 0;
  long long count = -1;  // bytes reported written; -1 means all of them
};

struct FakeRead {
  bool ok = true;
  int error = 0;
  std::vector<std::uint8_t> bytes = {};  // delivered (at most maxLen of them)
};

struct FakeSerialScript {
  // Results, one per call, front first.
  std::deque<FakeStep> open, lineSettings, timeouts, purge;
  std::deque<FakeWrite> writes;
  std::deque<FakeRead> reads;
  // When the read queue is empty: answers the last request written, once
  // (for example by a SimModule); without it the line stays silent.
  std::function<std::vector<std::uint8_t>(const std::vector<std::uint8_t>& request)> responder;

  // Queue one read that delivers these bytes / delivers nothing.
  void answer(std::vector<std::uint8_t> bytes) { reads.push_back({true, 0, std::move(bytes)}); }
  void silence(int times = 1) {
    for (int i = 0; i < times; ++i) reads.push_back({});
  }

  // Records.
  std::vector<std::string> calls;  // "open", "line", "timeouts", "purge", "write", "read", "close"
  std::vector<std::string> openedPaths;
  std::vector<std::vector<std::uint8_t>> requests;  // the bytes each write call was given
  std::vector<std::size_t> readSizes;               // maxLen of each read call
  int purges = 0;
  int closes = 0;
  int readTimeoutMs = -1;
  int writeTimeoutMs = -1;
  int devicesCreated = 0;
  std::size_t answered = 0;  // requests the responder has answered
  int writeCount() const { return static_cast<int>(requests.size()); }
};

class FakeSerialDevice : public SerialDevice {
 public:
  FakeSerialDevice() : m_script(std::make_shared<FakeSerialScript>()) {}
  explicit FakeSerialDevice(std::shared_ptr<FakeSerialScript> script) : m_script(std::move(script)) {}

  // A factory whose devices all share script.
  static SerialDeviceFactory factory(std::shared_ptr<FakeSerialScript> script);

  FakeSerialScript& script() { return *m_script; }

  bool open(const std::string& path) override;
  bool applyLineSettings() override;
  bool setTimeouts(int readTotalMs, int writeTotalMs) override;
  bool purge() override;
  bool write(const std::uint8_t* data, std::size_t len, std::size_t& written) override;
  bool read(std::uint8_t* buf, std::size_t maxLen, std::size_t& got) override;
  int lastError() const override { return m_error; }
  std::string lastErrorText() const override { return m_errorText; }
  void close() override;
  bool isOpen() const override { return m_open; }

 private:
  bool step(std::deque<FakeStep>& queue);
  std::shared_ptr<FakeSerialScript> m_script;
  bool m_open = false;
  int m_error = 0;
  std::string m_errorText;
};

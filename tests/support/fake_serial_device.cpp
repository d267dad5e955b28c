#include "tests/support/fake_serial_device.h"

#include <algorithm>
#include <cstring>

SerialDeviceFactory FakeSerialDevice::factory(std::shared_ptr<FakeSerialScript> script) {
  return [script]() -> std::unique_ptr<SerialDevice> {
    ++script->devicesCreated;
    return std::make_unique<FakeSerialDevice>(script);
  };
}

bool FakeSerialDevice::step(std::deque<FakeStep>& queue) {
  FakeStep s;
  if (!queue.empty()) {
    s = queue.front();
    queue.pop_front();
  }
  m_error = s.error;
  m_errorText = s.text;
  return s.ok;
}

bool FakeSerialDevice::open(const std::string& path) {
  m_script->calls.push_back("open");
  m_script->openedPaths.push_back(path);
  m_open = step(m_script->open);
  return m_open;
}

bool FakeSerialDevice::applyLineSettings() {
  m_script->calls.push_back("line");
  return step(m_script->lineSettings);
}

bool FakeSerialDevice::setTimeouts(int readTotalMs, int writeTotalMs) {
  m_script->calls.push_back("timeouts");
  m_script->readTimeoutMs = readTotalMs;
  m_script->writeTimeoutMs = writeTotalMs;
  return step(m_script->timeouts);
}

bool FakeSerialDevice::purge() {
  m_script->calls.push_back("purge");
  ++m_script->purges;
  return step(m_script->purge);
}

bool FakeSerialDevice::write(const std::uint8_t* data, std::size_t len, std::size_t& written) {
  m_script->calls.push_back("write");
  m_script->requests.emplace_back(data, data + len);
  FakeWrite w;
  if (!m_script->writes.empty()) {
    w = m_script->writes.front();
    m_script->writes.pop_front();
  }
  written = w.count < 0 ? len : static_cast<std::size_t>(w.count);
  m_error = w.error;
  m_errorText = w.error ? std::strerror(w.error) : "";
  return w.ok;
}

bool FakeSerialDevice::read(std::uint8_t* buf, std::size_t maxLen, std::size_t& got) {
  m_script->calls.push_back("read");
  m_script->readSizes.push_back(maxLen);
  FakeRead r;
  if (!m_script->reads.empty()) {
    r = m_script->reads.front();
    m_script->reads.pop_front();
  } else if (m_script->responder && m_script->answered < m_script->requests.size()) {
    // Each request is answered once, as a module does: a later read of the
    // same attempt hears nothing more.
    m_script->answered = m_script->requests.size();
    r.bytes = m_script->responder(m_script->requests.back());
  }
  got = std::min(maxLen, r.bytes.size());
  if (got) std::memcpy(buf, r.bytes.data(), got);
  m_error = r.error;
  m_errorText = r.error ? std::strerror(r.error) : "";
  return r.ok;
}

void FakeSerialDevice::close() {
  m_script->calls.push_back("close");
  ++m_script->closes;
  m_open = false;
}

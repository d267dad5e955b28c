#include "sim/sim_serial_device.h"

#include <algorithm>
#include <cerrno>
#include <thread>

bool SimSerialDevice::begin() {
  m_error = 0;
  m_errorText.clear();
  if (!m_open) {
    m_error = EBADF;
    m_errorText = "The port is not open.";
    return false;
  }
  return !m_vanished || gone();
}

bool SimSerialDevice::gone() {
  m_error = EIO;
  m_errorText = "The simulated module has gone (disconnected).";
  return false;
}

bool SimSerialDevice::open(const std::string&) {
  m_error = 0;
  m_errorText.clear();
  m_vanished = false;
  m_toModule.clear();
  m_fromModule.clear();
  m_open = true;
  return true;
}

bool SimSerialDevice::applyLineSettings() {
  return begin();
}

bool SimSerialDevice::setTimeouts(int readTotalMs, int /*writeTotalMs*/) {
  if (!begin()) return false;
  if (readTotalMs < 0) {
    m_error = EINVAL;
    m_errorText = "Negative time-out.";
    return false;
  }
  m_readTimeoutMs = readTotalMs;
  return true;
}

bool SimSerialDevice::purge() {
  if (!begin()) return false;
  // The port's receive queue: whatever of an answer has arrived. An answer
  // still on its way (a Delay fault) arrives later, as on a real line.
  const Clock::time_point now = Clock::now();
  while (!m_fromModule.empty() && m_fromModule.front().due <= now) m_fromModule.pop_front();
  return true;
}

bool SimSerialDevice::write(const std::uint8_t* data, std::size_t len, std::size_t& written) {
  written = 0;
  if (!begin()) return false;
  // A master writes each request in one call, so the line has been silent
  // since the last one: a partial request left from then is discarded.
  m_toModule.assign(data, data + len);
  written = len;
  // 9600 baud, 11 bits a character, and the 3.5-character silence.
  constexpr auto kChar = std::chrono::nanoseconds(1'145'833);
  constexpr auto kSilence = std::chrono::nanoseconds(4'010'417);
  const Clock::time_point now = Clock::now();
  // An answer held back for the next request goes out once that request
  // has passed on the wire.
  for (Chunk& c : m_fromModule)
    if (c.held) {
      c.held = false;
      c.due = std::chrono::time_point_cast<Clock::duration>(
          now + kChar * static_cast<long>(len + c.bytes.size()) + kSilence);
    }
  while (!m_toModule.empty()) {
    const SimModule::Scan scan = SimModule::scanRequest(m_toModule.data(), m_toModule.size());
    if (scan.kind == SimModule::Scan::NeedMore) break;
    if (scan.kind == SimModule::Scan::DropByte) {
      m_toModule.erase(m_toModule.begin());
      continue;
    }
    const SimModule::Reply reply = m_module->handle(m_toModule.data(), scan.length);
    m_toModule.erase(m_toModule.begin(), m_toModule.begin() + std::ptrdiff_t(scan.length));
    if (reply.fault == SimFault::Vanish) {
      m_vanished = true;
      m_toModule.clear();
      m_fromModule.clear();
      return true;  // the request went out; the next call finds the device gone
    }
    if (reply.bytes.empty()) continue;
    if (reply.pacedWithNext) m_pacedAnswers = 2;
    Chunk chunk{Clock::now() + std::chrono::milliseconds(std::max(0, reply.delayMs)), reply.bytes};
    chunk.held = reply.delayMs == SimModule::kUntilNextRequest;
    if (chunk.held) chunk.due = Clock::time_point::max();
    if (m_pacedAnswers > 0) {
      --m_pacedAnswers;
      // Paced: it follows the answer before it on the line, never with it.
      if (!m_fromModule.empty() && !chunk.held && !m_fromModule.back().held)
        chunk.due = std::max(chunk.due, std::chrono::time_point_cast<Clock::duration>(
                                            m_fromModule.back().due + kSilence +
                                            kChar * static_cast<long>(chunk.bytes.size())));
    }
    m_fromModule.push_back(std::move(chunk));
  }
  return true;
}

bool SimSerialDevice::read(std::uint8_t* buf, std::size_t maxLen, std::size_t& got) {
  got = 0;
  if (!begin()) return false;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(m_readTimeoutMs);
  while (got < maxLen) {
    const Clock::time_point now = Clock::now();
    if (!m_fromModule.empty() && m_fromModule.front().due <= now) {
      Chunk& c = m_fromModule.front();
      const std::size_t n = std::min(maxLen - got, c.bytes.size());
      std::copy_n(c.bytes.begin(), n, buf + got);
      got += n;
      c.bytes.erase(c.bytes.begin(), c.bytes.begin() + std::ptrdiff_t(n));
      if (c.bytes.empty()) m_fromModule.pop_front();
      continue;
    }
    if (now >= deadline) break;
    // Nothing more has arrived: wait, as a port's read does, for the next
    // answer or the end of the time-out, whichever comes first.
    const Clock::time_point wake =
        m_fromModule.empty() ? deadline : std::min(deadline, m_fromModule.front().due);
    std::this_thread::sleep_until(wake);
  }
  return true;  // a time-out is not an error
}

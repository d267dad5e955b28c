#include "link/modbus_master.h"

#include <cerrno>
#include <string>

#include "link/frame_trace.h"
#include "link/serial_device.h"
#include "link/serial_port.h"
#include "link/user_prompt.h"

namespace {
// Messages of a transaction that cannot even begin (no device, or a range
// the buffers or the image cannot hold): reported as a failed write.
constexpr int kReadRefused = 6;
constexpr int kWriteRefused = 37;

}  // namespace

SerialDevice* ModbusMaster::currentDevice() const {
  return m_port ? m_port->device() : nullptr;
}

void ModbusMaster::clearBuffers() {
  m_txBuffer.fill(0);
  m_rxBuffer.fill(0);
}

bool ModbusMaster::fail(int number) {
  if (m_trace) m_trace->note("transaction failed: message " + std::to_string(number));
  m_prompt.message(transactionMessage(number), MsgKind::Error);
  return false;
}

bool ModbusMaster::refuse(const char* what, std::uint16_t start, std::uint16_t count, int number) {
  if (m_trace)
    m_trace->note(std::string(what) + " refused: start " + std::to_string(start) + ", count " +
                  std::to_string(count) + " does not fit the buffers or the image");
  return fail(number);
}

// Modbus RTU carries no transaction number, so once an attempt has gone
// unanswered its answer may still come, during a later attempt or even the
// next request, and it looks exactly like a fresh one. A clean transaction
// (the first attempt answered) pays nothing for this. After a retry, an
// answer counts only when the line then stays quiet for a whole read
// time-out: anything arriving in that time means two answers crossed, and
// nobody can tell which belongs to which attempt. Everything is then
// discarded and the attempt counts as one that heard nothing, so the request
// goes out again or the transaction fails; it never succeeds on such bytes,
// and none of them is left on the line for the next request.
bool ModbusMaster::lineStaysQuiet(SerialDevice& device) {
  bool quiet = true;
  for (int read = 0; read < kMaxDrainReads; ++read) {
    std::size_t got = 0;
    // Never fills the scratch buffer in time, so each read waits its whole
    // time-out: a read that brings nothing is a full time-out of silence.
    const bool ok = device.read(m_drainBuffer.data(), m_drainBuffer.size(), got);
    if (got > 0 && m_trace) m_trace->note("late answer discarded: " + std::to_string(got) + " bytes");
    if (!ok) return false;
    if (got == 0) return quiet;
    quiet = false;
  }
  if (m_trace) m_trace->note("the line does not fall silent");
  return false;
}

AttemptResult ModbusMaster::runAttempts(std::size_t requestLength, std::size_t answerLength, bool purge) {
  AttemptResult a;
  SerialDevice* device = currentDevice();
  if (!device) {
    // No port: nothing can be sent. Judged as a write that failed.
    a.writeError = ENODEV;
    if (m_trace) m_trace->note("no port is open");
    return a;
  }
  m_prompt.beginWaitCursor();
  bool retried = false;  // an earlier attempt of this request may still be answered
  for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
    a = AttemptResult{};
    if (purge) device->purge();
    a.writeOk = device->write(m_txBuffer.data(), requestLength, a.written);
    a.writeError = device->lastError();
    if (m_trace) m_trace->request(attempt, m_txBuffer.data(), requestLength);
    a.readOk = device->read(m_rxBuffer.data(), answerLength, a.read);
    a.readError = device->lastError();
    // A device never delivers more than asked; should one claim to, the
    // judgement still looks only at the bytes the buffer holds.
    if (a.read > answerLength) a.read = answerLength;
    if (m_trace) m_trace->answer(attempt, m_rxBuffer.data(), a.read, a.readOk, a.readError);
    const bool good = attemptGood(a, requestLength);
    if (good && retried && !lineStaysQuiet(*device)) {
      // Crossed answers: judged, if this was the last attempt, as an
      // attempt that heard nothing.
      if (m_trace) m_trace->note("attempt " + std::to_string(attempt) + ": answers crossed, none taken");
      a.read = 0;
      continue;
    }
    if (attempt == kMaxAttempts || good) break;
    retried = true;
  }
  m_prompt.endWaitCursor();
  return a;
}

bool ModbusMaster::read_holding_registers(std::uint16_t start, std::uint16_t count, bool purge) {
  const std::size_t answerLength = readAnswerLength(count);
  if (!RegisterImage::rangeValid(start, count) || answerLength > kBufferSize)
    return refuse("read_holding_registers", start, count, kReadRefused);

  const std::size_t requestLength = buildReadRequest(m_txBuffer.data(), start, count);
  const AttemptResult a = runAttempts(requestLength, answerLength, purge);
  if (const int n = judgeReadAnswer(a, requestLength, m_rxBuffer.data(), count)) return fail(n);

  for (std::size_t i = 0; i < m_rxBuffer[2] / 2u; ++i)
    m_image.set(start + i, (m_rxBuffer[3 + 2 * i] << 8) | m_rxBuffer[4 + 2 * i]);
  return true;
}

bool ModbusMaster::write_multiple_registers(std::uint16_t start, std::uint16_t count, bool purge) {
  const std::size_t requestLength = writeRequestLength(count);
  if (!RegisterImage::rangeValid(start, count) || requestLength > kBufferSize)
    return refuse("write_multiple_registers", start, count, kWriteRefused);

  buildWriteRequest(m_txBuffer.data(), start, count, m_image.data() + start);
  const AttemptResult a = runAttempts(requestLength, kWriteAnswerLength, purge);
  if (const int n = judgeWriteAnswer(a, requestLength, m_rxBuffer.data(), start, count)) return fail(n);
  return true;
}

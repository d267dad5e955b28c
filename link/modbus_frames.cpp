#include "link/modbus_frames.h"

#include <cstdio>
#include <map>
#include <string>

#include "link/messages.h"

void putCrc(std::uint8_t* frame, std::size_t len) {
  const std::uint16_t crc = crc16_modbus(frame, static_cast<int>(len));
  frame[len] = static_cast<std::uint8_t>(crc & 0xFF);
  frame[len + 1] = static_cast<std::uint8_t>(crc >> 8);
}

// The CRC of the first n-2 bytes against bytes n-2 (low) and n-1 (high). A
// single byte always differs.
bool crcMatches(const std::uint8_t* answer, std::size_t n) {
  if (n < 2) return false;
  const std::uint16_t crc = crc16_modbus(answer, static_cast<int>(n - 2));
  return answer[n - 2] == (crc & 0xFF) && answer[n - 1] == (crc >> 8);
}

namespace {
void putHeader(std::uint8_t* out, std::uint8_t function, std::uint16_t start, std::uint16_t count) {
  out[0] = kConfigSlaveAddress;
  out[1] = function;
  out[2] = static_cast<std::uint8_t>(start >> 8);
  out[3] = static_cast<std::uint8_t>(start & 0xFF);
  out[4] = static_cast<std::uint8_t>(count >> 8);
  out[5] = static_cast<std::uint8_t>(count & 0xFF);
}

// The checks shared by both functions, in their order. 0 when all pass,
// otherwise the index (1..9) of the first condition that holds.
int judgeCommon(const AttemptResult& a, std::size_t requestLength, const std::uint8_t* answer,
                std::uint8_t function) {
  if (a.writeError != 0) return 1;
  if (a.written != requestLength) return 2;
  if (!a.writeOk) return 3;
  if (a.readError != 0) return 4;
  if (a.read == 0) return 5;
  if (!a.readOk) return 6;
  if (!crcMatches(answer, a.read)) return 7;
  if (answer[0] != kConfigSlaveAddress) return 8;
  if (answer[1] != function) return 9;
  return 0;
}
}  // namespace

std::uint16_t crc16_modbus(const std::uint8_t* data, int len) {
  std::uint16_t crc = 0xFFFF;
  for (int i = 0; i < len; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

std::size_t buildReadRequest(std::uint8_t* out, std::uint16_t start, std::uint16_t count) {
  putHeader(out, kFnReadHolding, start, count);
  putCrc(out, kReadRequestLength - 2);
  return kReadRequestLength;
}

std::size_t buildWriteRequest(std::uint8_t* out, std::uint16_t start, std::uint16_t count,
                              const std::uint16_t* regs) {
  putHeader(out, kFnWriteMultiple, start, count);
  out[6] = 0;  // the module expects a byte count field of 0
  for (std::size_t i = 0; i < count; ++i) {
    out[7 + 2 * i] = static_cast<std::uint8_t>(regs[i] >> 8);
    out[8 + 2 * i] = static_cast<std::uint8_t>(regs[i] & 0xFF);
  }
  const std::size_t len = writeRequestLength(count);
  putCrc(out, len - 2);
  return len;
}

bool attemptGood(const AttemptResult& a, std::size_t requestLength) {
  return a.written == requestLength && a.writeError == 0 && a.writeOk && a.read > 0 && a.readError == 0 &&
         a.readOk;
}

// An answer that passes its CRC but is shorter than the bytes the content
// checks and the copy look at fails at the first content check, instead of
// being judged on bytes left in the buffer by an earlier answer.
int judgeReadAnswer(const AttemptResult& a, std::size_t requestLength, const std::uint8_t* answer,
                    std::uint16_t count) {
  static constexpr int kMessages[] = {0, 6, 7, 8, 9, 10, 11, 12, 13, 14};
  if (int c = judgeCommon(a, requestLength, answer, kFnReadHolding)) return kMessages[c];
  if (a.read < readAnswerLength(count) || answer[2] != 2u * count) return 15;
  return 0;
}

int judgeWriteAnswer(const AttemptResult& a, std::size_t requestLength, const std::uint8_t* answer,
                     std::uint16_t start, std::uint16_t count) {
  static constexpr int kMessages[] = {0, 37, 38, 39, 40, 41, 42, 43, 44, 45};
  if (int c = judgeCommon(a, requestLength, answer, kFnWriteMultiple)) return kMessages[c];
  if (a.read < kWriteAnswerLength) return 46;
  if (answer[2] != (start >> 8) || answer[3] != (start & 0xFF)) return 46;
  if (answer[4] != (count >> 8) || answer[5] != (count & 0xFF)) return 47;
  return 0;
}

const char* transactionMessage(int number) {
  // The full texts, made once from the message table.
  static const std::map<int, std::string> texts = [] {
    std::map<int, std::string> t;
    for (const Message& m : kMessageTable)
      if ((m.number >= 6 && m.number <= 15) || (m.number >= 37 && m.number <= 47)) t[m.number] = m.full();
    return t;
  }();
  const auto it = texts.find(number);
  return it == texts.end() ? "" : it->second.c_str();
}

std::string hexBytes(const std::uint8_t* data, std::size_t len) {
  std::string out;
  out.reserve(len * 3);
  char byte[4];
  for (std::size_t i = 0; i < len; ++i) {
    std::snprintf(byte, sizeof byte, i ? " %02X" : "%02X", data[i]);
    out += byte;
  }
  return out;
}

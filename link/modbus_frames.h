#pragma once
// Pure Modbus RTU frame functions: CRC, requests, and the judgement of an
// answer. No I/O and no clock, so tests and fuzzers call them directly.

#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::uint8_t kConfigSlaveAddress = 255;
constexpr std::uint8_t kFnReadHolding = 3;
constexpr std::uint8_t kFnWriteMultiple = 16;
constexpr std::size_t kBufferSize = 1024;

// CRC-16/MODBUS over len bytes; 0xFFFF when len <= 0.
std::uint16_t crc16_modbus(const std::uint8_t* data, int len);
// Writes the CRC of frame[0..len-1] into frame[len] and frame[len+1], low byte first.
void putCrc(std::uint8_t* frame, std::size_t len);
// Whether the last two of the n bytes are the CRC of the others (false below 2 bytes).
bool crcMatches(const std::uint8_t* frame, std::size_t n);

// Frame lengths, CRC included: a read request and a write answer are 8
// bytes; a read answer carries 2 bytes per register after 3 bytes of header,
// a write request after 7.
constexpr std::size_t kReadRequestLength = 8;
constexpr std::size_t kWriteAnswerLength = 8;
constexpr std::size_t readAnswerLength(std::size_t count) {
  return 2 * count + 5;
}
constexpr std::size_t writeRequestLength(std::size_t count) {
  return 2 * count + 9;
}

// The bytes as hex pairs separated by single spaces ("FF 03 00"), as the
// trace and the simulated module's log show frames.
std::string hexBytes(const std::uint8_t* data, std::size_t len);

// Builds FF 03 start count CRC into out (8 bytes); returns the length.
std::size_t buildReadRequest(std::uint8_t* out, std::uint16_t start, std::uint16_t count);
// Builds FF 10 start count 00 values CRC into out (2*count+9 bytes) with the
// values taken from regs[0..count-1]; returns the length.
std::size_t buildWriteRequest(std::uint8_t* out, std::uint16_t start, std::uint16_t count,
                              const std::uint16_t* regs);

// What one attempt recorded.
struct AttemptResult {
  bool writeOk = false;
  std::size_t written = 0;
  int writeError = 0;
  bool readOk = false;
  std::size_t read = 0;
  int readError = 0;
};

// The attempt is good (the loop stops) when everything went through and at
// least one byte arrived.
bool attemptGood(const AttemptResult& a, std::size_t requestLength);

// Judges the last attempt and the answer bytes (answer[0..a.read-1] hold what
// arrived; the rest is ignored). Returns 0 when the answer passes, otherwise
// the number of the message to show.
int judgeReadAnswer(const AttemptResult& a, std::size_t requestLength, const std::uint8_t* answer,
                    std::uint16_t count);
int judgeWriteAnswer(const AttemptResult& a, std::size_t requestLength, const std::uint8_t* answer,
                     std::uint16_t start, std::uint16_t count);

// Message text of a transaction message number (6..15, 37..47).
const char* transactionMessage(int number);

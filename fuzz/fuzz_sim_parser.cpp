// Fuzzes the simulated module's request parser: an arbitrary byte stream is
// cut into requests the way the pseudo-terminal server does it (length from
// the first bytes, skip a byte that cannot start a request), every complete
// request is handled, with an arbitrary fault programmed. Also hands
// arbitrary frames of arbitrary length straight to handle().
//
// Checks: requestLength never claims a request shorter than a header, a
// request only writes the registers it names, and a clean answer to a valid
// request is a valid frame.

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "sim/sim_module.h"

namespace {

#define CHECK(cond)                                                            \
  do {                                                                         \
    if (!(cond)) {                                                             \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                            \
    }                                                                          \
  } while (0)

std::uint16_t referenceCrc(const std::uint8_t* data, std::size_t len) {
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < len; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

bool crcOk(const std::uint8_t* frame, std::size_t n) {
  if (n < 2) return false;
  const std::uint16_t crc = referenceCrc(frame, n - 2);
  return frame[n - 2] == (crc & 0xFF) && frame[n - 1] == (crc >> 8);
}

constexpr SimFault kFaults[] = {
    SimFault::None,          SimFault::NoAnswer,       SimFault::WrongCrc,       SimFault::OtherAddress,
    SimFault::Exception,     SimFault::OtherFunction,  SimFault::WrongByteCount, SimFault::WrongEchoStart,
    SimFault::WrongEchoCount, SimFault::CutShort,      SimFault::Delay,          SimFault::NoiseBefore,
    SimFault::GarbageAfter,  SimFault::Vanish,
};

// One request handed to the module; checks what it did with its image.
void handleAndCheck(SimModule& sim, const std::uint8_t* frame, std::size_t len) {
  const RegisterImage before = sim.image();
  const SimModule::Reply reply = sim.handle(frame, len);
  const RegisterImage after = sim.image();

  // Which registers a well-formed write may change.
  std::size_t lo = 0, hi = 0;
  const bool wellFormed = len >= 8 && crcOk(frame, len) && frame[0] == 0xFF;
  if (wellFormed && frame[1] == 16 && len >= 9) {
    lo = std::size_t(frame[2]) << 8 | frame[3];
    hi = lo + (std::size_t(frame[4]) << 8 | frame[5]);
  }
  for (std::size_t r = 0; r < RegisterImage::kSize; ++r) {
    if (r < lo || r >= hi) CHECK(after.get(r) == before.get(r));
  }
  CHECK(reply.bytes.size() <= 4096);

  // A clean answer to a valid read of a range the image holds is a frame.
  if (reply.fault == SimFault::None && wellFormed && frame[1] == 3 && len == 8) {
    const std::size_t start = std::size_t(frame[2]) << 8 | frame[3];
    const std::size_t count = std::size_t(frame[4]) << 8 | frame[5];
    if (count >= 1 && count <= 125 && start + count <= RegisterImage::kSize && !reply.bytes.empty()) {
      const auto& b = reply.bytes;
      CHECK(b.size() == 2 * count + 5);
      CHECK(crcOk(b.data(), b.size()));
      CHECK(b[0] == 0xFF && b[1] == 3 && b[2] == 2 * count);
      for (std::size_t i = 0; i < count; ++i) CHECK((b[3 + 2 * i] << 8 | b[4 + 2 * i]) == before.get(start + i));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  SimModule sim;
  sim.setOrders(data[0] % 151);
  const SimFault fault = kFaults[data[1] % std::size(kFaults)];
  if (fault != SimFault::None) {
    SimFaultRule rule;
    rule.fault = fault;
    rule.request = (data[1] >> 4) % 4;
    rule.times = (data[1] & 0x80) ? -1 : 1;
    rule.delayMs = 0;
    sim.addFault(rule);
  }
  data += 2;
  size -= 2;

  if (size > 0 && data[0] == 0xA5) {
    // The whole rest as one frame, whatever its length.
    std::unique_ptr<std::uint8_t[]> frame(new std::uint8_t[size - 1]);
    std::memcpy(frame.get(), data + 1, size - 1);
    handleAndCheck(sim, frame.get(), size - 1);
    return 0;
  }

  // As the server reads a stream: each frame copied into a buffer of its own
  // exact length, so reading past it is caught.
  std::size_t pos = 0;
  std::size_t handled = 0;
  while (pos < size) {
    const std::size_t avail = size - pos;
    std::unique_ptr<std::uint8_t[]> window(new std::uint8_t[avail]);
    std::memcpy(window.get(), data + pos, avail);
    // Once the first bytes decide the length, more bytes must not change it.
    int decided = 0;
    for (std::size_t k = 0; k <= avail && decided == 0; ++k) decided = SimModule::requestLength(window.get(), k);
    const int n = SimModule::requestLength(window.get(), avail);
    CHECK(n >= -1);
    CHECK(n == decided);
    if (n == -1) {
      ++pos;
      continue;
    }
    if (n == 0) break;
    CHECK(n >= 8);
    if (static_cast<std::size_t>(n) > avail) break;
    handleAndCheck(sim, window.get(), static_cast<std::size_t>(n));
    ++handled;
    pos += static_cast<std::size_t>(n);
  }
  CHECK(sim.requests().size() <= handled);
  return 0;
}

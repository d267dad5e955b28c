// Fuzzes the register transactions: arbitrary answers, cut into arbitrary
// chunks, for both functions with arbitrary start and count, through the real
// ModbusMaster over a fake device; and the two judgement functions directly.
//
// Every verdict is checked against an independent reading of the frame rules
// (own CRC, own frame check), and the register image outside the requested
// range must never change.

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "link/modbus_frames.h"
#include "link/modbus_master.h"
#include "link/port_map.h"
#include "link/serial_device.h"
#include "link/serial_port.h"
#include "link/user_prompt.h"
#include "model/register_image.h"

namespace {

#define CHECK(cond)                                                                 \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

// Reads the fuzzer's bytes; past the end everything reads as 0.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
  std::uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
  std::uint16_t word() {
    const std::uint16_t hi = byte();
    return static_cast<std::uint16_t>(hi << 8 | byte());
  }
  std::size_t remaining() const { return m_size - m_pos; }
  const std::uint8_t* take(std::size_t n) {
    const std::uint8_t* p = m_data + m_pos;
    m_pos += n;
    return p;
  }

 private:
  const std::uint8_t* m_data;
  std::size_t m_size;
  std::size_t m_pos = 0;
};

// CRC-16/MODBUS, table-driven, written apart from the one under test.
std::uint16_t referenceCrc(const std::uint8_t* data, std::size_t len) {
  static const auto table = [] {
    std::array<std::uint16_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
      std::uint16_t c = static_cast<std::uint16_t>(i);
      for (int k = 0; k < 8; ++k) c = (c & 1) ? static_cast<std::uint16_t>((c >> 1) ^ 0xA001) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < len; ++i)
    crc = static_cast<std::uint16_t>((crc >> 8) ^ table[(crc ^ data[i]) & 0xFF]);
  return crc;
}

bool crcOk(const std::uint8_t* frame, std::size_t n) {
  if (n < 2) return false;
  const std::uint16_t crc = referenceCrc(frame, n - 2);
  return frame[n - 2] == (crc & 0xFF) && frame[n - 1] == (crc >> 8);
}

std::vector<std::uint8_t> withCrc(std::vector<std::uint8_t> frame) {
  const std::uint16_t crc = referenceCrc(frame.data(), frame.size());
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
  return frame;
}

std::vector<std::uint8_t> header(std::uint8_t fn, std::uint16_t start, std::uint16_t count) {
  return {0xFF,
          fn,
          static_cast<std::uint8_t>(start >> 8),
          static_cast<std::uint8_t>(start & 0xFF),
          static_cast<std::uint8_t>(count >> 8),
          static_cast<std::uint8_t>(count & 0xFF)};
}

// A complete, valid answer: a frame of exactly the expected length.
bool validReadAnswer(const std::uint8_t* a, std::size_t n, std::uint16_t count) {
  return n == 2u * count + 5 && crcOk(a, n) && a[0] == 0xFF && a[1] == 3 && a[2] == 2u * count;
}
bool validWriteAnswer(const std::uint8_t* a, std::size_t n, std::uint16_t start, std::uint16_t count) {
  return n == 8 && crcOk(a, n) && a[0] == 0xFF && a[1] == 16 && a[2] == (start >> 8) &&
         a[3] == (start & 0xFF) && a[4] == (count >> 8) && a[5] == (count & 0xFF);
}

// Counts boxes and remembers the number of the last one.
class CountingPrompt : public UserPrompt {
 public:
  MsgAnswer message(const std::string& text, MsgKind, bool, const std::string&) override {
    ++boxes;
    last = text.rfind("message ", 0) == 0 ? std::atoi(text.c_str() + 8) : -1;
    return MsgAnswer::Ok;
  }
  void beginWaitCursor() override { ++waitDepth; }
  void endWaitCursor() override { --waitDepth; }
  int boxes = 0;
  int last = 0;
  int waitDepth = 0;
};

// A device whose every call is decided by the fuzzer's bytes: per attempt a
// control byte (write and read outcomes) and a chunk length; the answer
// bytes come from the input in order.
class FuzzDevice : public SerialDevice {
 public:
  explicit FuzzDevice(Input& in) : m_in(in) {}

  bool open(const std::string&) override { return true; }
  bool applyLineSettings() override { return true; }
  bool setTimeouts(int, int) override { return true; }
  bool purge() override {
    ++purges;
    return true;
  }
  bool write(const std::uint8_t* data, std::size_t len, std::size_t& written) override {
    ++attempts;
    lastRequest.assign(data, data + len);
    m_control = m_in.byte();
    // Mostly a clean write; the low bits pick one of the transport faults.
    written = len;
    bool ok = true;
    m_error = 0;
    switch (m_control & 0x07) {
      case 1:
        written = len ? len - 1 : 0;
        break;
      case 2:
        ok = false;
        break;
      case 3:
        m_error = 5;
        break;
      default:
        break;
    }
    last = {};
    readsSinceWrite = 0;
    lineHeardAfterAnswer = false;
    last.writeOk = ok;
    last.written = written;
    last.writeError = m_error;
    return ok;
  }
  bool read(std::uint8_t* buf, std::size_t maxLen, std::size_t& got) override {
    std::size_t chunk = m_in.byte();
    if (chunk == 0xFF) chunk = maxLen;  // a whole answer, whatever its length
    chunk = std::min({chunk, maxLen, m_in.remaining()});
    std::memcpy(buf, m_in.take(chunk), chunk);
    if (fixCrc && chunk >= 2) {
      // Give the chunk a correct CRC, so the content checks are reached.
      const std::uint16_t crc = referenceCrc(buf, chunk - 2);
      buf[chunk - 2] = static_cast<std::uint8_t>(crc & 0xFF);
      buf[chunk - 1] = static_cast<std::uint8_t>(crc >> 8);
    }
    got = chunk;
    bool ok = true;
    m_error = 0;
    switch ((m_control >> 3) & 0x07) {
      case 1:
        ok = false;
        break;
      case 2:
        m_error = 5;
        break;
      default:
        break;
    }
    // The first read after a request is the attempt's answer; the master
    // reads again only to hear whether the line stays quiet after a retry.
    if (readsSinceWrite++ > 0) {
      if (got > 0 || !ok) lineHeardAfterAnswer = true;
      return ok;
    }
    last.readOk = ok;
    last.read = got;
    last.readError = m_error;
    lastAnswer.assign(buf, buf + got);
    return ok;
  }
  int lastError() const override { return m_error; }
  std::string lastErrorText() const override { return {}; }
  void close() override {}
  bool isOpen() const override { return true; }

  bool fixCrc = false;
  int attempts = 0;
  int purges = 0;
  AttemptResult last;                // the last attempt's write and answer
  int readsSinceWrite = 0;
  bool lineHeardAfterAnswer = false;  // bytes or a failure while the line should stay quiet
  std::vector<std::uint8_t> lastRequest;
  std::vector<std::uint8_t> lastAnswer;

 private:
  Input& m_in;
  std::uint8_t m_control = 0;
  int m_error = 0;
};

bool transportGood(const AttemptResult& a, std::size_t requestLength) {
  return a.writeError == 0 && a.written == requestLength && a.writeOk && a.readError == 0 && a.read > 0 &&
         a.readOk;
}

// One transaction through the real ModbusMaster.
void fuzzMaster(Input& in) {
  const std::uint8_t mode = in.byte();
  const bool isWrite = mode & 1;
  const bool purge = mode & 2;
  std::uint16_t start = in.word();
  std::uint16_t count = in.word();
  // Mostly ranges the image holds; sometimes raw values, which must be refused.
  if (!(mode & 4)) {
    start = static_cast<std::uint16_t>(start % 1030);
    count = static_cast<std::uint16_t>(count % 140);
  }

  RegisterImage image;
  for (std::size_t r = 0; r < RegisterImage::kSize; ++r) image.set(r, static_cast<long long>(r * 40503u + 7));
  const RegisterImage before = image;

  CountingPrompt prompt;
  // The port owns its device; opening it purges once, which is not counted.
  SerialPort port(
      prompt, [&in] { return std::make_unique<FuzzDevice>(in); }, PortMap());
  port.open_com_port(1);
  FuzzDevice& device = static_cast<FuzzDevice&>(*port.device());
  device.purges = 0;
  device.fixCrc = mode & 8;
  ModbusMaster master(image, prompt);
  master.setPort(&port);

  const bool ok = isWrite ? master.write_multiple_registers(start, count, purge)
                          : master.read_holding_registers(start, count, purge);

  CHECK(prompt.waitDepth == 0);
  CHECK(device.attempts <= ModbusMaster::kMaxAttempts);
  CHECK(ok ? prompt.boxes == 0 : prompt.boxes == 1);
  if (!ok) {
    CHECK(image == before);
    if (isWrite)
      CHECK(prompt.last >= 37 && prompt.last <= 47);
    else
      CHECK(prompt.last >= 6 && prompt.last <= 15);
  }
  if (purge)
    CHECK(device.purges == device.attempts);
  else
    CHECK(device.purges == 0);

  const bool rangeFits = start + std::size_t(count) <= RegisterImage::kSize;
  if (!rangeFits) CHECK(!ok);

  if (device.attempts > 0) {
    // The request went out exactly as the frame rules build it.
    std::vector<std::uint8_t> expect = header(isWrite ? 16 : 3, start, count);
    if (isWrite) {
      expect.push_back(0);
      for (std::uint16_t i = 0; i < count; ++i) {
        const std::uint16_t v = before.get(start + i);
        expect.push_back(static_cast<std::uint8_t>(v >> 8));
        expect.push_back(static_cast<std::uint8_t>(v & 0xFF));
      }
    }
    CHECK(device.lastRequest == withCrc(expect));
    // Earlier attempts stop only on a transport failure or silence.
    if (device.attempts < ModbusMaster::kMaxAttempts && !ok) {
      CHECK(transportGood(device.last, device.lastRequest.size()));
    }
  }

  if (ok) {
    CHECK(device.attempts > 0);
    // After a retry an answer counts only once the line was heard quiet.
    if (device.attempts > 1) CHECK(device.readsSinceWrite >= 2 && !device.lineHeardAfterAnswer);
    CHECK(transportGood(device.last, device.lastRequest.size()));
    const std::uint8_t* a = device.lastAnswer.data();
    const std::size_t n = device.lastAnswer.size();
    if (isWrite) {
      CHECK(validWriteAnswer(a, n, start, count));
      CHECK(image == before);
    } else {
      CHECK(validReadAnswer(a, n, count));
      for (std::size_t r = 0; r < RegisterImage::kSize; ++r) {
        if (r >= start && r < start + std::size_t(count)) {
          const std::size_t i = r - start;
          CHECK(image.get(r) == (a[3 + 2 * i] << 8 | a[4 + 2 * i]));
        } else {
          CHECK(image.get(r) == before.get(r));
        }
      }
    }
  } else if (rangeFits && device.attempts > 0 && transportGood(device.last, device.lastRequest.size()) &&
             !device.lineHeardAfterAnswer) {
    // A transaction that got a complete valid answer must not fail, unless
    // the line spoke again after it: answers that may have crossed are
    // never taken.
    const std::uint8_t* a = device.lastAnswer.data();
    const std::size_t n = device.lastAnswer.size();
    if (isWrite)
      CHECK(!validWriteAnswer(a, n, start, count));
    else
      CHECK(!validReadAnswer(a, n, count));
  }
}

// The judgement functions directly, with an answer buffer of exactly the
// bytes that arrived, so any look past them is an out-of-bounds read.
void fuzzJudgement(Input& in) {
  const std::uint8_t flags = in.byte();
  const bool isWrite = flags & 1;
  const std::uint16_t start = in.word();
  const std::uint16_t count = in.word();
  const std::size_t requestLength = isWrite ? 2u * count + 9 : 8;
  AttemptResult a;
  a.writeOk = !(flags & 0x02);
  a.written = (flags & 0x04) ? in.byte() : requestLength;
  a.writeError = (flags & 0x08) ? in.byte() : 0;
  a.readOk = !(flags & 0x10);
  a.readError = (flags & 0x20) ? in.byte() : 0;
  // A read never delivers more than the expected answer length.
  const std::size_t answerLength = isWrite ? 8 : 2u * count + 5;
  const std::size_t n = std::min<std::size_t>({in.byte(), in.remaining(), answerLength});
  a.read = n;
  std::unique_ptr<std::uint8_t[]> answer(new std::uint8_t[n]);
  std::memcpy(answer.get(), in.take(n), n);
  // Sometimes make the CRC right, so the content checks are reached.
  if ((flags & 0x40) && n >= 2) {
    const std::uint16_t crc = referenceCrc(answer.get(), n - 2);
    answer[n - 2] = static_cast<std::uint8_t>(crc & 0xFF);
    answer[n - 1] = static_cast<std::uint8_t>(crc >> 8);
  }
  const int got = isWrite ? judgeWriteAnswer(a, requestLength, answer.get(), start, count)
                          : judgeReadAnswer(a, requestLength, answer.get(), count);
  // Properties, not a second copy of the judgement: the answer passes
  // exactly when the attempt went through and the answer is a complete,
  // valid frame; a failure names a message of its own function, one of the
  // first six exactly when the transport failed.
  const bool valid =
      transportGood(a, requestLength) &&
      (isWrite ? validWriteAnswer(answer.get(), n, start, count) : validReadAnswer(answer.get(), n, count));
  CHECK((got == 0) == valid);
  if (got != 0) {
    const int first = isWrite ? 37 : 6, last = isWrite ? 47 : 15;
    CHECK(got >= first && got <= last);
    CHECK((got <= first + 5) == !transportGood(a, requestLength));
    CHECK(std::strlen(transactionMessage(got)) > 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  Input in(data + 1, size - 1);
  if (data[0] & 0x80)
    fuzzJudgement(in);
  else
    fuzzMaster(in);
  return 0;
}

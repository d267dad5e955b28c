// CRC, request frames and the judgement of answers.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "link/modbus_frames.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

std::string hexName(const Bytes& b) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  for (auto v : b) {
    s += digits[v >> 4];
    s += digits[v & 15];
  }
  return s;
}

TEST(Crc16Modbus, PublishedCheckValue) {
  const char* digits = "123456789";
  EXPECT_EQ(crc16_modbus(reinterpret_cast<const std::uint8_t*>(digits), 9), 0x4B37);
}

TEST(Crc16Modbus, NoBytesGiveTheInitialValue) {
  const std::uint8_t b[] = {0x12};
  EXPECT_EQ(crc16_modbus(b, 0), 0xFFFF);
  EXPECT_EQ(crc16_modbus(b, -3), 0xFFFF);
}

// Requests, named by their bytes (hand-computed frames).
struct FrameCase {
  Bytes expected;
  std::function<std::size_t(std::uint8_t*)> build;
};

// Names the case in test lists by the frame it expects.
void PrintTo(const FrameCase& c, std::ostream* os) {
  for (std::uint8_t b : c.expected) *os << std::hex << std::uppercase << (b >> 4) << (b & 0xF);
}

class RequestFrame : public testing::TestWithParam<FrameCase> {};

TEST_P(RequestFrame, BuildsExactBytes) {
  std::uint8_t out[kBufferSize];
  std::memset(out, 0xAA, sizeof out);
  const std::size_t len = GetParam().build(out);
  EXPECT_EQ(Bytes(out, out + len), GetParam().expected);
  EXPECT_EQ(out[len], 0xAA) << "wrote past the frame";
}

const std::uint16_t kReg4[] = {0x1234};

INSTANTIATE_TEST_SUITE_P(
    Frames, RequestFrame,
    testing::Values(FrameCase{{0xFF, 0x03, 0x00, 0x00, 0x00, 0x02, 0xD1, 0xD5},
                              [](std::uint8_t* o) { return buildReadRequest(o, 0, 2); }},
                    FrameCase{{0xFF, 0x03, 0x00, 0x00, 0x00, 0x04, 0x51, 0xD7},
                              [](std::uint8_t* o) { return buildReadRequest(o, 0, 4); }},
                    FrameCase{{0xFF, 0x10, 0x00, 0x04, 0x00, 0x01, 0x00, 0x12, 0x34, 0x43, 0x07},
                              [](std::uint8_t* o) { return buildWriteRequest(o, 4, 1, kReg4); }}),
    [](const testing::TestParamInfo<FrameCase>& info) { return hexName(info.param.expected); });

// The judgement: each row spoils a good answer (or the attempt's record) so
// that a given condition holds, often together with later ones, and names
// the message each function must show. Rows follow the order of the checks.
Bytes withCrc(Bytes b) {
  const std::uint16_t crc = crc16_modbus(b.data(), static_cast<int>(b.size()));
  b.push_back(crc & 0xFF);
  b.push_back(crc >> 8);
  return b;
}

constexpr std::uint16_t kReadStart = 19, kReadCount = 2;
constexpr std::uint16_t kWriteStart = 0x0104, kWriteCount = 0x0102;
constexpr std::size_t kReadRequest = 8, kWriteRequest = 2 * kWriteCount + 9;

Bytes goodAnswer(std::uint8_t fn) {
  return fn == kFnReadHolding ? withCrc({0xFF, 0x03, 0x04, 0x00, 0x0A, 0xFF, 0xFE})
                              : withCrc({0xFF, 0x10, 0x01, 0x04, 0x01, 0x02});
}

struct Judged {
  AttemptResult a;
  Bytes answer;
};

struct JudgeCase {
  const char* name;
  std::function<void(std::uint8_t fn, Judged&)> spoil;
  int readMessage;  // 0: passes; -1: condition of the other function only
  int writeMessage;
};

// The write failed and nothing was read: conditions 3 to 6 all hold.
void allFails(Judged& j) {
  j.a.writeOk = false;
  j.a.readOk = false;
  j.a.readError = 5;
  j.answer.clear();
}

const JudgeCase kJudgeCases[] = {
    {"good answer", [](std::uint8_t, Judged&) {}, 0, 0},
    {"write error code, everything else failing too",
     [](std::uint8_t, Judged& j) {
       allFails(j);
       j.a.writeError = 5;
       j.a.written = 0;
     },
     6, 37},
    {"bytes written short, write and read failing",
     [](std::uint8_t, Judged& j) {
       allFails(j);
       j.a.written = 3;
     },
     7, 38},
    {"write failed without error code, read failing", [](std::uint8_t, Judged& j) { allFails(j); }, 8, 39},
    {"read error code, nothing read",
     [](std::uint8_t, Judged& j) {
       j.a.readError = 5;
       j.a.readOk = false;
       j.answer.clear();
     },
     9, 40},
    {"nothing read, read failed",
     [](std::uint8_t, Judged& j) {
       j.a.readOk = false;
       j.answer.clear();
     },
     10, 41},
    {"nothing read, read succeeded", [](std::uint8_t, Judged& j) { j.answer.clear(); }, 10, 41},
    {"read failed with the whole answer", [](std::uint8_t, Judged& j) { j.a.readOk = false; }, 11, 42},
    {"wrong CRC and wrong address",
     [](std::uint8_t, Judged& j) {
       j.answer[0] = 1;
       j.answer.back() ^= 0x01;
     },
     12, 43},
    {"single byte 255", [](std::uint8_t, Judged& j) { j.answer = {0xFF}; }, 12, 43},
    {"cut short without its CRC", [](std::uint8_t, Judged& j) { j.answer.resize(5); }, 12, 43},
    {"other address with correct CRC and wrong function",
     [](std::uint8_t, Judged& j) {
       Bytes b(j.answer.begin(), j.answer.end() - 2);
       b[0] = 1;
       b[1] = 0x07;
       j.answer = withCrc(b);
     },
     13, 44},
    {"exception answer",
     [](std::uint8_t fn, Judged& j) {
       j.answer = withCrc({0xFF, std::uint8_t(fn | 0x80), 0x02});
     },
     14, 45},
    {"exactly FF FF",
     [](std::uint8_t, Judged& j) {
       j.answer = {0xFF, 0xFF};
     },
     14, 45},
    {"byte count or first register wrong",
     [](std::uint8_t fn, Judged& j) {
       Bytes b(j.answer.begin(), j.answer.end() - 2);
       b[2] ^= 0x01;
       if (fn == kFnWriteMultiple) b[5] ^= 0x01;  // the count echo is wrong as well
       j.answer = withCrc(b);
     },
     15, 46},
    {"first register echo low byte wrong",
     [](std::uint8_t fn, Judged& j) {
       if (fn == kFnReadHolding) return;
       Bytes b(j.answer.begin(), j.answer.end() - 2);
       b[3] ^= 0x80;
       j.answer = withCrc(b);
     },
     -1, 46},
    {"count echo wrong",
     [](std::uint8_t fn, Judged& j) {
       if (fn == kFnReadHolding) return;
       Bytes b(j.answer.begin(), j.answer.end() - 2);
       b[4] ^= 0x01;
       j.answer = withCrc(b);
     },
     -1, 47},
    // An answer that passes its CRC but lacks the bytes the later checks
    // and the copy need fails; the buffer behind it holds a good earlier
    // answer that must not be judged in its place.
    {"short answer with correct CRC over a stale good answer",
     [](std::uint8_t fn, Judged& j) {
       j.answer = fn == kFnReadHolding ? withCrc({0xFF, 0x03, 0x04}) : withCrc({0xFF, 0x10});
     },
     15, 46},
    // Six bytes: the first register echo is right and the CRC is right, so
    // only the length tells that the count echo is missing (bytes 4 and 5
    // are the CRC).
    {"write answer with its first register echo and correct CRC, no count echo",
     [](std::uint8_t fn, Judged& j) {
       if (fn == kFnReadHolding) return;
       j.answer = withCrc({0xFF, 0x10, kWriteStart >> 8, kWriteStart & 0xFF});
     },
     -1, 46},
    {"read answer one data byte short with correct CRC",
     [](std::uint8_t fn, Judged& j) {
       if (fn == kFnWriteMultiple) return;
       j.answer = withCrc({0xFF, 0x03, 0x04, 0x00, 0x0A, 0xFF});
     },
     15, -1},
};

int judge(std::uint8_t fn, const JudgeCase& c) {
  Judged j;
  j.answer = goodAnswer(fn);
  const std::size_t requestLength = fn == kFnReadHolding ? kReadRequest : kWriteRequest;
  j.a = AttemptResult{true, requestLength, 0, true, 0, 0};
  c.spoil(fn, j);
  j.a.read = j.answer.size();
  // The receive buffer still holds a complete good answer from before.
  std::uint8_t buffer[kBufferSize] = {};
  const Bytes stale = goodAnswer(fn);
  std::memcpy(buffer, stale.data(), stale.size());
  std::memcpy(buffer, j.answer.data(), j.answer.size());
  return fn == kFnReadHolding ? judgeReadAnswer(j.a, requestLength, buffer, kReadCount)
                              : judgeWriteAnswer(j.a, requestLength, buffer, kWriteStart, kWriteCount);
}

TEST(Judgement, EveryConditionInOrder) {
  for (const JudgeCase& c : kJudgeCases) {
    if (c.readMessage >= 0) {
      EXPECT_EQ(judge(kFnReadHolding, c), c.readMessage) << "function 3: " << c.name;
    }
    if (c.writeMessage >= 0) {
      EXPECT_EQ(judge(kFnWriteMultiple, c), c.writeMessage) << "function 16: " << c.name;
    }
  }
}

TEST(Judgement, AttemptIsGoodOnlyWhenEverythingWentThrough) {
  const AttemptResult good{true, 8, 0, true, 1, 0};
  EXPECT_TRUE(attemptGood(good, 8));
  std::vector<AttemptResult> bad(6, good);
  bad[0].written = 7;
  bad[1].writeError = 5;
  bad[2].writeOk = false;
  bad[3].read = 0;
  bad[4].readError = 5;
  bad[5].readOk = false;
  for (std::size_t i = 0; i < bad.size(); ++i) EXPECT_FALSE(attemptGood(bad[i], 8)) << "case " << i;
}

TEST(Judgement, MessageTextsKeepTheirExactWording) {
  EXPECT_STREQ(transactionMessage(10), "message 10\n\nCommunication error.");
  EXPECT_STREQ(transactionMessage(11), "message 11\n\nCommunication error");
  EXPECT_STREQ(transactionMessage(13),
               "message 13\n\nCommunication error.\nDevice is not in configuration mode.");
  EXPECT_STREQ(transactionMessage(41), "message 41\n\nCommunicaton error.");
  EXPECT_STREQ(transactionMessage(44),
               "message 44\n\nCommunicaton error. Device is not in configuration mode.");
  for (int n : {6, 7, 8, 9, 12, 14, 15})
    EXPECT_EQ(transactionMessage(n), "message " + std::to_string(n) + "\n\nCommunication error.");
  for (int n : {37, 38, 39, 40, 42, 43, 45, 46, 47})
    EXPECT_EQ(transactionMessage(n), "message " + std::to_string(n) + "\n\nCommunicaton error.");
}
}  // namespace

// The register transactions against a scripted device: the attempt loop,
// what reaches the image, the buffers and calls that must be refused.

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include "link/modbus_master.h"
#include "tests/support/fake_port.h"
#include "tests/support/recording_prompt.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes withCrc(Bytes b) {
  const std::uint16_t crc = crc16_modbus(b.data(), static_cast<int>(b.size()));
  b.push_back(crc & 0xFF);
  b.push_back(crc >> 8);
  return b;
}

Bytes readAnswer(const std::vector<std::uint16_t>& values) {
  Bytes b{0xFF, 0x03, std::uint8_t(2 * values.size())};
  for (auto v : values) {
    b.push_back(v >> 8);
    b.push_back(v & 0xFF);
  }
  return withCrc(b);
}

Bytes writeAnswer(std::uint16_t start, std::uint16_t count) {
  return withCrc({0xFF, 0x10, std::uint8_t(start >> 8), std::uint8_t(start & 0xFF), std::uint8_t(count >> 8),
                  std::uint8_t(count & 0xFF)});
}

Bytes withBadCrc(Bytes b) {
  b.back() ^= 0x55;
  return b;
}

// A pattern that no answer of these tests produces.
void fillPattern(RegisterImage& img) {
  for (std::size_t r = 0; r < RegisterImage::kSize; ++r) img.set(r, 0xA000 + r);
}

struct MasterFixture {
  RegisterImage image;
  RecordingPrompt prompt;
  FakePort fake{prompt};
  FakeSerialScript& script = *fake.script;
  ModbusMaster master{image, prompt};
  MasterFixture() { master.setPort(&fake.port); }
};

// The attempt loop behaves the same for both functions; each test runs
// against one transaction of either kind.
struct Function {
  const char* name;
  bool read;
  std::size_t requestLength;
  Bytes good;
  int firstMessage;  // 6 or 37; the others follow in the same order
};

// Names the case in test lists instead of its bytes.
void PrintTo(const Function& c, std::ostream* os) {
  *os << c.name;
}

const std::uint16_t kStart = 19, kCount = 2;
const Function kRead{"read", true, 8, readAnswer({0x0102, 0xFFFF}), 6};
const Function kWrite{"write", false, 2 * kCount + 9, writeAnswer(kStart, kCount), 37};

class AttemptLoop : public testing::TestWithParam<Function>, public MasterFixture {
 protected:
  bool run() {
    return GetParam().read ? master.read_holding_registers(kStart, kCount, true)
                           : master.write_multiple_registers(kStart, kCount, true);
  }
  // Message number for the judgement condition (1 = write error code ... 6).
  int msg(int condition) const { return GetParam().firstMessage + condition - 1; }
  void expectCursorBalanced() {
    EXPECT_EQ(prompt.m_waitCalls, 1);
    EXPECT_EQ(prompt.m_waitDepth, 0);
  }
};

TEST_P(AttemptLoop, FirstAttemptSilentThenGood) {
  script.silence();
  script.answer(GetParam().good);
  EXPECT_TRUE(run());
  EXPECT_TRUE(prompt.m_messages.empty());
  EXPECT_EQ(script.writeCount(), 2);
  EXPECT_EQ(script.requests[0], script.requests[1]);
  // After a retry the answer counts only once the line has stayed quiet for
  // a whole read (the last one, which asks for a full buffer).
  EXPECT_EQ(script.calls,
            (std::vector<std::string>{"purge", "write", "read", "purge", "write", "read", "read"}));
  EXPECT_EQ(script.readSizes.back(), kBufferSize);
  expectCursorBalanced();
}

// The first attempt goes unanswered, and its answer arrives late, during the
// retry, followed by the retry's own answer. The two cannot be told apart
// (Modbus RTU has no transaction number), so neither is taken: the line is
// left to fall silent and the request goes out again. Had the first been
// taken, the second would have been read as the answer to the next request.
TEST_P(AttemptLoop, CrossedAnswersAreNeverTaken) {
  // For a read the late answer holds other values than the fresh one (the
  // module changed in between), so taking it would show.
  const Bytes stale = GetParam().read ? readAnswer({0x0BAD, 0x0BAD}) : GetParam().good;
  script.silence();
  script.answer(stale);            // attempt 2: the late answer to attempt 1
  script.answer(GetParam().good);  // ... then the answer to attempt 2
  script.silence();                // the line falls silent
  script.answer(GetParam().good);  // attempt 3: answered cleanly
  script.silence();                // and nothing follows it
  fillPattern(image);
  EXPECT_TRUE(run());
  EXPECT_TRUE(prompt.m_messages.empty());
  EXPECT_EQ(script.writeCount(), 3);
  EXPECT_TRUE(script.reads.empty());
  if (GetParam().read) {
    EXPECT_EQ(image.get(kStart), 0x0102);
    EXPECT_EQ(image.get(kStart + 1), 0xFFFF);
  }
  expectCursorBalanced();
}

// When every retry's answer is crossed by another, the transaction fails
// within its five attempts with "nothing read", never on a stale answer.
TEST_P(AttemptLoop, AnswersCrossedToTheEndFail) {
  script.silence();
  for (int attempt = 2; attempt <= 5; ++attempt) {
    script.answer(GetParam().good);
    script.answer(GetParam().good);
    script.silence();
  }
  fillPattern(image);
  const RegisterImage before = image;
  EXPECT_FALSE(run());
  EXPECT_EQ(prompt.numbers(), std::vector<int>{msg(5)});
  EXPECT_EQ(script.writeCount(), 5);
  EXPECT_TRUE(script.reads.empty());
  EXPECT_EQ(image.get(kStart), before.get(kStart));
  expectCursorBalanced();
}

// A line that never falls silent after a retry ends the transaction too.
TEST_P(AttemptLoop, ALineThatNeverFallsSilentFails) {
  script.silence();
  for (int i = 0; i < 200; ++i) script.answer(GetParam().good);
  EXPECT_FALSE(run());
  EXPECT_EQ(prompt.numbers(), std::vector<int>{msg(5)});
  EXPECT_EQ(script.writeCount(), 5);
  expectCursorBalanced();
}

TEST_P(AttemptLoop, FiveSilentAttemptsEndWithNothingRead) {
  EXPECT_FALSE(run());
  EXPECT_EQ(prompt.numbers(), std::vector<int>{msg(5)});
  EXPECT_EQ(prompt.m_messages[0].kind, MsgKind::Error);
  EXPECT_EQ(script.writeCount(), 5);
  EXPECT_EQ(script.purges, 5);
  const std::size_t answerLength = GetParam().read ? 2 * kCount + 5 : 8;
  EXPECT_EQ(script.readSizes, std::vector<std::size_t>(5, answerLength));
  expectCursorBalanced();
}

TEST_P(AttemptLoop, WrongCrcIsNotRetried) {
  script.answer(withBadCrc(GetParam().good));
  script.answer(GetParam().good);
  EXPECT_FALSE(run());
  EXPECT_EQ(prompt.numbers(), std::vector<int>{msg(7)});
  EXPECT_EQ(script.writeCount(), 1);
  expectCursorBalanced();
}

TEST_P(AttemptLoop, AnswerCutShortIsNotRetried) {
  Bytes cut = GetParam().good;
  cut.resize(cut.size() - 3);
  script.answer(cut);
  EXPECT_FALSE(run());
  EXPECT_EQ(prompt.numbers(), std::vector<int>{msg(7)});
  EXPECT_EQ(script.writeCount(), 1);
}

// Transport failures in every attempt: each is retried, and the last
// attempt's record names the message even though an answer arrived.
struct TransportCase {
  const char* name;
  FakeWrite write;
  FakeRead read;  // bytes: empty means use the good answer
  int condition;
};

TEST_P(AttemptLoop, TransportFailuresAreRetriedFiveTimes) {
  const std::size_t shortCount = GetParam().requestLength - 1;
  const TransportCase cases[] = {
      {"write error code", {false, EIO, 0}, {}, 1},
      {"short write", {true, 0, static_cast<long long>(shortCount)}, {}, 2},
      {"write failed without code", {false, 0, -1}, {}, 3},
      {"read error code", {}, {false, EIO, {}}, 4},
      {"read failed without code", {}, {false, 0, {}}, 6},
  };
  for (const TransportCase& c : cases) {
    MasterFixture f;
    for (int i = 0; i < 5; ++i) {
      f.script.writes.push_back(c.write);
      FakeRead r = c.read;
      if (r.ok || r.error == 0) r.bytes = GetParam().good;
      f.script.reads.push_back(r);
    }
    const bool ok = GetParam().read ? f.master.read_holding_registers(kStart, kCount, true)
                                    : f.master.write_multiple_registers(kStart, kCount, true);
    EXPECT_FALSE(ok) << c.name;
    EXPECT_EQ(f.prompt.numbers(), std::vector<int>{msg(c.condition)}) << c.name;
    EXPECT_EQ(f.script.writeCount(), 5) << c.name;
    EXPECT_EQ(f.prompt.m_waitDepth, 0) << c.name;
  }
}

TEST_P(AttemptLoop, WriteErrorThenGoodSucceeds) {
  script.writes.push_back({false, EIO, 0});
  script.answer({});
  script.answer(GetParam().good);
  EXPECT_TRUE(run());
  EXPECT_TRUE(prompt.m_messages.empty());
  EXPECT_EQ(script.writeCount(), 2);
}

TEST_P(AttemptLoop, WithoutPurgeNothingIsDiscarded) {
  script.answer(GetParam().good);
  const bool ok = GetParam().read ? master.read_holding_registers(kStart, kCount, false)
                                  : master.write_multiple_registers(kStart, kCount, false);
  EXPECT_TRUE(ok);
  EXPECT_EQ(script.purges, 0);
}

TEST_P(AttemptLoop, NoDeviceFailsLikeAWriteError) {
  master.setPort(nullptr);
  EXPECT_FALSE(run());
  EXPECT_EQ(prompt.numbers(), std::vector<int>{msg(1)});
  EXPECT_EQ(prompt.m_waitDepth, 0);
}

INSTANTIATE_TEST_SUITE_P(Functions, AttemptLoop, testing::Values(kRead, kWrite),
                         [](const testing::TestParamInfo<Function>& i) { return std::string(i.param.name); });

class Transactions : public testing::Test, public MasterFixture {};

TEST_F(Transactions, ReadStoresExactlyTheRequestedRange) {
  fillPattern(image);
  RegisterImage expected = image;
  std::vector<std::uint16_t> values;
  for (std::uint16_t i = 0; i < 11; ++i) values.push_back(std::uint16_t(0xFFFF - i));
  for (std::size_t i = 0; i < values.size(); ++i) expected.set(19 + i, values[i]);
  script.answer(readAnswer(values));

  ASSERT_TRUE(master.read_holding_registers(19, 11, true));
  EXPECT_TRUE(image == expected);
  EXPECT_EQ(image.get(19), 65535);
  EXPECT_EQ(script.requests[0], withCrc({0xFF, 0x03, 0x00, 0x13, 0x00, 0x0B}));
}

TEST_F(Transactions, FailedReadsLeaveTheImageUnchanged) {
  const Bytes answers[] = {
      withBadCrc(readAnswer({1, 2})),           // message 12
      withCrc({0x01, 0x03, 0x04, 0, 1, 0, 2}),  // message 13
      withCrc({0xFF, 0x03, 0x06, 0, 1, 0, 2}),  // message 15
  };
  fillPattern(image);
  const RegisterImage before = image;
  for (const Bytes& answer : answers) {
    script.answer(answer);
    EXPECT_FALSE(master.read_holding_registers(0, 2, true));
    EXPECT_TRUE(image == before);
  }
  EXPECT_EQ(prompt.numbers(), (std::vector<int>{12, 13, 15}));
}

TEST_F(Transactions, WriteSendsTheImageAndNeverChangesIt) {
  image.set(4, 0x1234);
  const RegisterImage before = image;
  script.answer(writeAnswer(4, 1));
  ASSERT_TRUE(master.write_multiple_registers(4, 1, true));
  EXPECT_EQ(script.requests[0], (Bytes{0xFF, 0x10, 0x00, 0x04, 0x00, 0x01, 0x00, 0x12, 0x34, 0x43, 0x07}));
  EXPECT_TRUE(image == before);
}

// A short answer with a correct CRC after a good one: the good answer's
// bytes still sit in the receive buffer behind it and must not be judged
// (or copied) in its place.
TEST_F(Transactions, ShortAnswerIsNotJudgedOnStaleBytes) {
  script.answer(readAnswer({0x1111, 0x2222}));
  ASSERT_TRUE(master.read_holding_registers(0, 2, true));
  image.ClearRegisterImage();
  script.answer(withCrc({0xFF, 0x03, 0x04}));
  EXPECT_FALSE(master.read_holding_registers(0, 2, true));
  EXPECT_EQ(image.get(0), 0);
  EXPECT_EQ(image.get(1), 0);

  script.answer(writeAnswer(4, 11));
  ASSERT_TRUE(master.write_multiple_registers(4, 11, true));
  script.answer(withCrc({0xFF, 0x10}));
  EXPECT_FALSE(master.write_multiple_registers(4, 11, true));
  EXPECT_EQ(prompt.numbers(), (std::vector<int>{15, 46}));
}

TEST_F(Transactions, BuffersKeepEarlierBytesUntilCleared) {
  const Bytes first = readAnswer({0x0A0B, 0x0C0D, 0x0E0F});
  script.answer(first);
  ASSERT_TRUE(master.read_holding_registers(0, 3, true));
  script.answer({0xFF, 0x03});
  EXPECT_FALSE(master.read_holding_registers(0, 3, true));
  // The second answer overwrote two bytes; the rest is the first answer.
  EXPECT_EQ(Bytes(master.rxBuffer().begin() + 2, master.rxBuffer().begin() + first.size()),
            Bytes(first.begin() + 2, first.end()));
  EXPECT_EQ(master.txBuffer()[0], 0xFF);
  master.clearBuffers();
  EXPECT_EQ(master.rxBuffer(), (std::array<std::uint8_t, kBufferSize>{}));
  EXPECT_EQ(master.txBuffer(), (std::array<std::uint8_t, kBufferSize>{}));
}

// Calls no valid caller makes: ranges beyond the image and frames beyond
// the buffers are refused without any I/O and without touching memory
// outside the buffers or the image.
TEST_F(Transactions, OversizedCallsAreRefused) {
  fillPattern(image);
  const RegisterImage before = image;
  EXPECT_FALSE(master.read_holding_registers(1020, 5, true));
  EXPECT_FALSE(master.read_holding_registers(0, 510, true));  // answer of 1025 bytes
  EXPECT_FALSE(master.read_holding_registers(65535, 65535, true));
  EXPECT_FALSE(master.write_multiple_registers(1000, 25, true));
  EXPECT_FALSE(master.write_multiple_registers(0, 508, true));  // request of 1025 bytes
  EXPECT_FALSE(master.write_multiple_registers(65535, 65535, true));
  EXPECT_EQ(prompt.numbers(), (std::vector<int>{6, 6, 6, 37, 37, 37}));
  EXPECT_TRUE(script.calls.empty());
  EXPECT_TRUE(image == before);
  EXPECT_EQ(prompt.m_waitDepth, 0);
}

TEST_F(Transactions, LargestFramesThatFitAreSent) {
  script.answer(writeAnswer(0, 507));
  EXPECT_TRUE(master.write_multiple_registers(0, 507, true));
  ASSERT_EQ(script.writeCount(), 1);
  EXPECT_EQ(script.requests[0].size(), 1023u);
  // A count of 128 or more cannot be answered in one byte count: message 15.
  std::vector<std::uint16_t> values(509, 7);
  script.answer(readAnswer(values));
  EXPECT_FALSE(master.read_holding_registers(0, 509, true));
  EXPECT_EQ(script.readSizes.back(), 1023u);
  EXPECT_EQ(prompt.numbers(), std::vector<int>{15});
}
}  // namespace

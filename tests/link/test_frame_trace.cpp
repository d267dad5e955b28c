// The frame log: every attempt's request and answer, every box's text.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "link/frame_trace.h"
#include "link/modbus_master.h"
#include "tests/support/fake_port.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/temp_file.h"

namespace {
std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// "YYYY-MM-DD hh:mm:ss.mmm " at the start of the line.
bool hasStamp(const std::string& line) {
  const std::string form = "dddd-dd-dd dd:dd:dd.ddd ";
  if (line.size() <= form.size()) return false;
  for (std::size_t i = 0; i < form.size(); ++i) {
    const bool digit = line[i] >= '0' && line[i] <= '9';
    if (form[i] == 'd' ? !digit : line[i] != form[i]) return false;
  }
  return true;
}

TEST(FrameTraceTest, LogsEveryAttemptAndEveryBox) {
  std::ostringstream log;
  FrameTrace trace(log);
  RecordingPrompt recorder;
  TracingPrompt prompt(recorder, &trace);
  RegisterImage image;
  FakePort fake(prompt);
  ModbusMaster master(image, prompt);
  master.setPort(&fake.port);
  master.setTrace(&trace);

  fake.script->silence();
  fake.script->answer({0xFF, 0x03, 0x04, 0x12, 0x00, 0x4F, 0xBD, 0x00, 0x00});  // CRC wrong
  EXPECT_FALSE(master.read_holding_registers(0, 2, true));
  ASSERT_EQ(recorder.numbers(), std::vector<int>{12});  // forwarded

  const auto l = lines(log.str());
  for (const auto& line : l) EXPECT_TRUE(hasStamp(line)) << line;
  std::string body;
  for (const auto& line : l) body += line.substr(24) + "\n";
  EXPECT_NE(body.find("attempt 1 TX 8: FF 03 00 00 00 02 D1 D5\n"), std::string::npos) << body;
  EXPECT_NE(body.find("attempt 1 RX 0:"), std::string::npos) << body;
  EXPECT_NE(body.find("attempt 2 TX 8: FF 03 00 00 00 02 D1 D5\n"), std::string::npos) << body;
  EXPECT_NE(body.find("attempt 2 RX 9: FF 03 04 12 00 4F BD 00 00\n"), std::string::npos) << body;
  EXPECT_NE(body.find("message 12\\n\\nCommunication error.\n"), std::string::npos) << body;
  EXPECT_EQ(body.find("attempt 3"), std::string::npos) << body;
}

TEST(FrameTraceTest, OpensFilesForAppendingAndStandardError) {
  EXPECT_NE(FrameTrace::open("-"), nullptr);
  EXPECT_EQ(FrameTrace::open("/nonexistent-dir/trace.log"), nullptr);
  const std::string path = makeTempFile("tq740-trace");
  ASSERT_FALSE(path.empty());
  for (const char* text : {"first", "second"}) {
    auto trace = FrameTrace::open(path);
    ASSERT_NE(trace, nullptr);
    trace->note(text);
  }
  std::ifstream in(path);
  std::stringstream content;
  content << in.rdbuf();
  std::remove(path.c_str());
  const auto l = lines(content.str());
  ASSERT_EQ(l.size(), 2u);
  EXPECT_NE(l[0].find("first"), std::string::npos);
  EXPECT_NE(l[1].find("second"), std::string::npos);
}

#ifndef _WIN32
// What a trace or log may be: a file or a terminal-like device. The rest is
// refused at once, with the reason; nothing waits for a FIFO's reader.
TEST(FrameTraceTest, TargetsThatCannotTakeATraceAreRefusedAtOnce) {
  char dirTemplate[] = "/tmp/tq740-trace-XXXXXX";
  ASSERT_NE(::mkdtemp(dirTemplate), nullptr);
  const std::string dir = dirTemplate;
  const std::string fifo = dir + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string kFifo = "is a FIFO; a trace or log must be a file or a terminal";
  struct Case {
    std::string path;
    bool fifoReader;
    std::string why;  // empty: opened
  } cases[] = {
      {fifo, false, kFifo},
      {fifo, true, kFifo},
      {dir, false, std::strerror(EISDIR)},
      {"/dev/full", false, std::strerror(ENOSPC)},
      {"/dev/null", false, ""},
      {dir + "/new.log", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + (c.fifoReader ? " (read)" : ""));
    const int reader = c.fifoReader ? ::open(c.path.c_str(), O_RDONLY | O_NONBLOCK) : -1;
    std::string why;
    const std::unique_ptr<FrameTrace> trace = FrameTrace::open(c.path, why);
    EXPECT_EQ(trace == nullptr, !c.why.empty());
    EXPECT_EQ(why, c.why);
    if (trace) {
      trace->note("x");
      EXPECT_FALSE(trace->failed());
    }
    if (reader >= 0) ::close(reader);
  }
  std::filesystem::remove_all(dir);
}
#endif

TEST(FrameTraceTest, TracingPromptWithoutTraceOnlyForwards) {
  RecordingPrompt recorder;
  recorder.answerNext(MsgAnswer::No);
  TracingPrompt prompt(recorder, nullptr);
  EXPECT_EQ(prompt.message("q", MsgKind::Question, true, "d"), MsgAnswer::No);
  prompt.beginWaitCursor();
  EXPECT_EQ(recorder.m_waitDepth, 1);
  prompt.endWaitCursor();
  ASSERT_EQ(recorder.m_messages.size(), 1u);
  EXPECT_EQ(recorder.m_messages[0].detail, "d");
  EXPECT_TRUE(recorder.m_messages[0].defaultNo);
}
}  // namespace

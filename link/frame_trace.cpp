#include "link/frame_trace.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>

#include "link/log_file.h"
#include "link/modbus_frames.h"

namespace {
// One trace entry is one line: line breaks of message texts are shown as \n.
std::string oneLine(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}
}  // namespace

std::unique_ptr<FrameTrace> FrameTrace::open(const std::string& target, std::string& why) {
  if (target == "-") return std::make_unique<FrameTrace>(std::cerr);
  std::unique_ptr<std::ostream> file = openLogFile(target, why);
  if (!file) return nullptr;
  auto trace = std::make_unique<FrameTrace>(*file);
  trace->m_file = std::move(file);
  return trace;
}

FrameTrace::FrameTrace(std::ostream& out) : m_out(&out) {}

void FrameTrace::stamp() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t secs = system_clock::to_time_t(now);
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &secs);
#else
  localtime_r(&secs, &local);
#endif
  char text[40];
  const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(text + n, sizeof text - n, ".%03d ", static_cast<int>(ms));
  *m_out << text;
}

void FrameTrace::request(int attempt, const std::uint8_t* data, std::size_t len) {
  stamp();
  *m_out << "attempt " << attempt << " TX " << len << ": " << hexBytes(data, len) << std::endl;
}

void FrameTrace::answer(int attempt, const std::uint8_t* data, std::size_t len, bool readOk, int error) {
  stamp();
  *m_out << "attempt " << attempt << " RX " << len << ": " << hexBytes(data, len);
  if (!readOk || error != 0)
    *m_out << (len ? " " : "") << "(read " << (readOk ? "ok" : "failed") << ", error " << error << ")";
  else if (len == 0)
    *m_out << "(nothing)";
  *m_out << std::endl;
}

void FrameTrace::message(const std::string& text) {
  stamp();
  *m_out << "box: " << oneLine(text) << std::endl;
}

void FrameTrace::note(const std::string& text) {
  stamp();
  *m_out << "note: " << oneLine(text) << std::endl;
}

MsgAnswer TracingPrompt::message(const std::string& text, MsgKind kind, bool defaultNo,
                                 const std::string& detail) {
  if (m_trace) m_trace->message(detail.empty() ? text : text + " [" + detail + "]");
  return m_inner.message(text, kind, defaultNo, detail);
}

#pragma once
// FrameTrace: the diagnostic frame log of --trace. Writes every attempt's
// request and answer as timestamped hex and every message box's text.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>

class FrameTrace {
 public:
  // "-" traces to standard error; anything else is opened by openLogFile()
  // (appended to; a FIFO or a device that takes nothing is refused). why:
  // the reason when the result is null.
  static std::unique_ptr<FrameTrace> open(const std::string& target, std::string& why);
  static std::unique_ptr<FrameTrace> open(const std::string& target) {
    std::string why;
    return open(target, why);
  }
  explicit FrameTrace(std::ostream& out);

  void request(int attempt, const std::uint8_t* data, std::size_t len);
  void answer(int attempt, const std::uint8_t* data, std::size_t len, bool readOk, int error);
  void message(const std::string& text);
  void note(const std::string& text);
  // A write to the trace has failed since it was opened (full disk, a
  // reader gone); the transfer goes on without it.
  bool failed() const { return m_out->fail(); }

 private:
  void stamp();
  std::unique_ptr<std::ostream> m_file;
  std::ostream* m_out;
};

#include "link/user_prompt.h"

// TracingPrompt: passes every message box on to another prompt and logs its
// text to a FrameTrace first (when one is given).
class TracingPrompt : public UserPrompt {
 public:
  TracingPrompt(UserPrompt& inner, FrameTrace* trace) : m_inner(inner), m_trace(trace) {}

  MsgAnswer message(const std::string& text, MsgKind kind, bool defaultNo = false,
                    const std::string& detail = {}) override;
  MsgAnswer askSaveChanges(const std::string& text) override {
    if (m_trace) m_trace->message(text);
    return m_inner.askSaveChanges(text);
  }
  void beginWaitCursor() override { m_inner.beginWaitCursor(); }
  void endWaitCursor() override { m_inner.endWaitCursor(); }

 private:
  UserPrompt& m_inner;
  FrameTrace* m_trace;
};

#include "tests/support/recording_prompt.h"

#include <cstdlib>

MsgAnswer RecordingPrompt::message(const std::string& text, MsgKind kind, bool defaultNo,
                                   const std::string& detail) {
  m_messages.push_back({text, kind, defaultNo, detail});
  if (whileShown) {
    const RecordedMessage shown = m_messages.back();
    whileShown(shown);
  }
  if (kind != MsgKind::Question) return MsgAnswer::Ok;
  if (!m_answers.empty()) {
    MsgAnswer a = m_answers.front();
    m_answers.pop_front();
    return a;
  }
  return defaultNo ? MsgAnswer::No : MsgAnswer::Yes;
}

MsgAnswer RecordingPrompt::askSaveChanges(const std::string& text) {
  m_messages.push_back({text, MsgKind::Question, false, {}, true});
  if (whileShown) {
    const RecordedMessage shown = m_messages.back();
    whileShown(shown);
  }
  if (m_answers.empty()) return MsgAnswer::Save;
  const MsgAnswer a = m_answers.front();
  m_answers.pop_front();
  return a;
}

std::vector<std::string> RecordingPrompt::texts() const {
  std::vector<std::string> out;
  for (const auto& m : m_messages) out.push_back(m.text);
  return out;
}

std::vector<int> RecordingPrompt::numbers() const {
  std::vector<int> out;
  for (const auto& m : m_messages) {
    const std::string prefix = "message ";
    out.push_back(m.text.rfind(prefix, 0) == 0 ? std::atoi(m.text.c_str() + prefix.size()) : 0);
  }
  return out;
}

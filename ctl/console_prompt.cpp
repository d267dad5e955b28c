#include "ctl/console_prompt.h"

MsgAnswer ConsolePrompt::message(const std::string& text, MsgKind kind, bool, const std::string& detail) {
  if (beforeMessage) beforeMessage();
  // Messages are separated by an empty line, as their texts contain one.
  if (!m_first) m_err << '\n';
  m_first = false;
  m_err << text << '\n';
  if (!detail.empty()) m_err << detail << '\n';
  if (kind != MsgKind::Question) return MsgAnswer::Ok;
  m_err << (m_answerYes ? "Answered Yes (--force).\n" : "Answered No; use --force to go on anyway.\n");
  m_err.flush();
  return m_answerYes ? MsgAnswer::Yes : MsgAnswer::No;
}

#pragma once
// ConsolePrompt: the message seam of tq740ctl. Prints every message box to
// standard error instead of showing it and answers questions without asking:
// Yes only when the user gave --force beforehand.

#include <functional>
#include <ostream>

#include "link/user_prompt.h"

class ConsolePrompt : public UserPrompt {
 public:
  ConsolePrompt(std::ostream& err, bool answerYes) : m_err(err), m_answerYes(answerYes) {}

  MsgAnswer message(const std::string& text, MsgKind kind, bool defaultNo = false,
                    const std::string& detail = {}) override;

  // Runs before each message is printed (ends a progress line).
  std::function<void()> beforeMessage;

 private:
  std::ostream& m_err;
  bool m_answerYes;
  bool m_first = true;
};

#pragma once
// RecordingPrompt: the tests' message seam. Records every box and answers
// questions from a script (or with the box's default button when the script
// is empty); never blocks.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "link/user_prompt.h"

struct RecordedMessage {
  std::string text;
  MsgKind kind;
  bool defaultNo;
  std::string detail;
  bool saveDiscardCancel = false;  // the three-answer question of unsaved changes
};

class RecordingPrompt : public UserPrompt {
 public:
  MsgAnswer message(const std::string& text, MsgKind kind, bool defaultNo = false,
                    const std::string& detail = {}) override;
  // Recorded as a Question; answers from the script, or Save (the default).
  MsgAnswer askSaveChanges(const std::string& text) override;
  void beginWaitCursor() override {
    ++m_waitDepth;
    ++m_waitCalls;
  }
  void endWaitCursor() override { --m_waitDepth; }

  void answerNext(MsgAnswer a) { m_answers.push_back(a); }
  // Texts of all boxes shown so far, in order.
  std::vector<std::string> texts() const;
  // Only the "message N" numbers, in order (0 for unnumbered boxes).
  std::vector<int> numbers() const;
  void clear() { m_messages.clear(); }
  // Runs while a box is "up", after it was recorded and before it answers,
  // as the event loop of a real box would run other things.
  std::function<void(const RecordedMessage&)> whileShown;

  std::vector<RecordedMessage> m_messages;
  int m_waitDepth = 0;
  int m_waitCalls = 0;

 private:
  std::deque<MsgAnswer> m_answers;
};

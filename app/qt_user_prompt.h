#pragma once
// QtUserPrompt: the real message boxes (modal QMessageBox titled "TQ740conf")
// and the busy cursor of the running program.

#include "link/user_prompt.h"

class QtUserPrompt : public UserPrompt {
 public:
  ~QtUserPrompt() override;
  MsgAnswer message(const std::string& text, MsgKind kind, bool defaultNo = false,
                    const std::string& detail = {}) override;
  MsgAnswer askSaveChanges(const std::string& text) override;
  void beginWaitCursor() override;
  void endWaitCursor() override;
  int waitDepth() const { return m_waitDepth; }

 private:
  int m_waitDepth = 0;
};

#pragma once
// UserPrompt: the one seam through which every message box and the busy
// cursor pass. The GUI installs a Qt implementation; tests install one that
// records each text and answers questions.

#include <string>

enum class MsgKind { Error, Warning, Information, Question };
enum class MsgAnswer { Ok, Yes, No, Save, Discard, Cancel };

class UserPrompt {
 public:
  virtual ~UserPrompt() = default;
  // Shows a modal box titled "TQ740conf". Questions offer Yes and No with Yes
  // the default unless defaultNo. detail is optional extra text (for example
  // the operating system's reason) shown apart from the message itself.
  virtual MsgAnswer message(const std::string& text, MsgKind kind, bool defaultNo = false,
                            const std::string& detail = {}) = 0;
  // The question before unsaved changes are lost, with Save (the default),
  // Discard and Cancel (also Escape). A prompt that cannot ask it answers
  // Cancel, so that nothing is lost.
  virtual MsgAnswer askSaveChanges(const std::string& text) {
    (void)text;
    return MsgAnswer::Cancel;
  }
  virtual void beginWaitCursor() {}
  virtual void endWaitCursor() {}
};

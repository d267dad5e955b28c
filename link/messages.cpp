#include "link/messages.h"

std::string Message::full(std::string_view more) const {
  return "message " + std::to_string(number) + "\n\n" + std::string(text) + std::string(more);
}

const Message* findMessage(int number) {
  for (const Message& m : kMessageTable)
    if (m.number == number) return &m;
  return nullptr;
}

MsgAnswer tell(UserPrompt& prompt, const Message& m, const MessageOptions& options) {
  return prompt.message(m.full(options.more), m.kind, m.defaultNo, options.detail);
}

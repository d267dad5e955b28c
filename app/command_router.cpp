#include "app/command_router.h"

#include <QtGlobal>

void CommandMap::bind(CommandOwner owner, const std::function<Handler(int id)>& handlerFor) {
  for (const CommandInfo& c : commandTable()) {
    if (c.owner != owner) continue;
    Handler h = handlerFor(c.id);
    Q_ASSERT_X(h, "CommandMap::bind", "a command of the table has no handler in its owner");
    if (h) on(c.id, std::move(h));
  }
}

bool CommandMap::dispatch(int id) const {
  auto it = m_handlers.find(id);
  if (it == m_handlers.end()) return false;
  it->second();
  return true;
}

void CommandRouter::setMap(CommandOwner owner, const CommandMap* map) {
  switch (owner) {
    case CommandOwner::View:
      m_view = map;
      break;
    case CommandOwner::Document:
      m_doc = map;
      break;
    case CommandOwner::Frame:
      m_frame = map;
      break;
    case CommandOwner::App:
      m_app = map;
      break;
    case CommandOwner::None:
      break;
  }
}

CommandOwner CommandRouter::handlerOf(int id) const {
  const std::pair<CommandOwner, const CommandMap*> route[] = {{CommandOwner::View, m_view},
                                                              {CommandOwner::Document, m_doc},
                                                              {CommandOwner::Frame, m_frame},
                                                              {CommandOwner::App, m_app}};
  for (const auto& [owner, map] : route)
    if (map && map->has(id)) return owner;
  return CommandOwner::None;
}

bool CommandRouter::route(int id) const {
  const CommandMap* route[] = {m_view, m_doc, m_frame, m_app};
  bool done = false;
  for (const CommandMap* map : route) {
    if (map && map->dispatch(id)) {
      done = true;
      break;
    }
  }
  if (done && afterCommand) afterCommand();
  return done;
}

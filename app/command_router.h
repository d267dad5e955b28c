#pragma once
// CommandMap: one class's table of command handlers. Each class fills its map
// with bind(), which walks the command table and asks the class for the
// handler of every row it owns, so the table's owner column is the one place
// that says who performs a command. CommandRouter offers a command to the view,
// the document, the frame and the application in that order; the first whose
// table has the id performs it.

#include <functional>
#include <map>
#include <vector>

#include "app/command_table.h"

class CommandMap {
 public:
  using Handler = std::function<void()>;
  // Takes from handlerFor the handler of each command whose owner is owner;
  // every such row must get one.
  void bind(CommandOwner owner, const std::function<Handler(int id)>& handlerFor);
  void on(int id, std::function<void()> handler) { m_handlers[id] = std::move(handler); }
  bool has(int id) const { return m_handlers.count(id) != 0; }
  // Runs the handler of id; false when this table has none.
  bool dispatch(int id) const;

 private:
  std::map<int, std::function<void()>> m_handlers;
};

class CommandRouter {
 public:
  // Route order: view, document, frame, application. A map may be missing
  // (null) while its class does not exist.
  void setMap(CommandOwner owner, const CommandMap* map);

  // Offers id along the route; false when nothing handles it.
  bool route(int id) const;
  // The first class on the route that handles id (None when nothing does).
  CommandOwner handlerOf(int id) const;
  bool hasHandler(int id) const { return handlerOf(id) != CommandOwner::None; }

  // Called after a routed command has run, so marks and enabled states
  // follow at once.
  std::function<void()> afterCommand;

 private:
  const CommandMap* m_view = nullptr;
  const CommandMap* m_doc = nullptr;
  const CommandMap* m_frame = nullptr;
  const CommandMap* m_app = nullptr;
};

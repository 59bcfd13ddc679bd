#pragma once
// Commands reach an object through one static table per class, from a command id (or a range
// of ids) to a member function. A class searches its own table, then its base's, the way a
// message map does; the shell walks a chain of objects (view, document, frames, application)
// and the first whose tables hold the id decides. Standard C++ only, so core classes can
// carry tables too.
//
//   class CMyView : public CBaseView {
//    public:
//     bool OnCmdMsg(int id, CommandUi* ui) override {
//       return DispatchCommand(*this, CommandTable(), id, ui) || CBaseView::OnCmdMsg(id, ui);
//     }
//    private:
//     static std::span<const CommandEntry<CMyView>> CommandTable();  // defined in the .cpp
//     void OnCopy();
//   };
#include <span>

// What a menu item shows for a command. An update handler fills it; without one a command
// that has a handler is enabled and unchecked.
struct CommandUi {
  int id = 0;
  bool enabled = true;
  bool checked = false;
};

template <class T>
struct CommandEntry {
  using Handler = void (T::*)();
  using RangeHandler = void (T::*)(int id);
  using UpdateHandler = void (T::*)(CommandUi& ui);

  constexpr CommandEntry(int id, Handler run, UpdateHandler updateUi = nullptr)
      : first(id), last(id), handler(run), update(updateUi) {}
  // Every id from firstId to lastId, both included; the handler is told which one came.
  constexpr CommandEntry(int firstId, int lastId, RangeHandler run, UpdateHandler updateUi = nullptr)
      : first(firstId), last(lastId), rangeHandler(run), update(updateUi) {}

  constexpr bool Covers(int id) const { return id >= first && id <= last; }

  int first;
  int last;
  Handler handler = nullptr;
  RangeHandler rangeHandler = nullptr;
  UpdateHandler update = nullptr;
};

class CommandTarget {
 public:
  virtual ~CommandTarget() = default;
  // Without ui: runs the command. With ui: only asks, filling ui and running nothing.
  // True when one of this object's tables holds the id.
  virtual bool OnCmdMsg(int id, CommandUi* ui) = 0;
};

// The lookup in one class's table; the first entry that covers the id wins.
template <class T>
bool DispatchCommand(T& target, std::span<const CommandEntry<T>> table, int id, CommandUi* ui) {
  for (const CommandEntry<T>& entry : table) {
    if (!entry.Covers(id)) continue;
    if (ui) {
      ui->id = id;
      ui->enabled = true;
      ui->checked = false;
      if (entry.update) (target.*entry.update)(*ui);
    } else if (entry.handler) {
      (target.*entry.handler)();
    } else if (entry.rangeHandler) {
      (target.*entry.rangeHandler)(id);
    }
    return true;
  }
  return false;
}

// Asks the chain in order; null links are skipped. False (and ui disabled) when no object
// has the command: such a command shows greyed and its keys do nothing.
inline bool QueryCommand(std::span<CommandTarget* const> chain, int id, CommandUi& ui) {
  for (CommandTarget* target : chain) {
    if (target && target->OnCmdMsg(id, &ui)) return true;
  }
  ui = CommandUi{id, false, false};
  return false;
}

// Runs the command on the first object of the chain that has it, unless that object says it
// is disabled now. True when some object had it, whether it ran or was disabled.
inline bool ExecuteCommand(std::span<CommandTarget* const> chain, int id) {
  for (CommandTarget* target : chain) {
    if (!target) continue;
    CommandUi ui{id};
    if (!target->OnCmdMsg(id, &ui)) continue;
    if (ui.enabled) target->OnCmdMsg(id, nullptr);
    return true;
  }
  return false;
}

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/CommandMap.h"

namespace {

std::vector<std::string> calls;

class BaseTarget : public CommandTarget {
 public:
  explicit BaseTarget(std::string targetName) : name(std::move(targetName)) {}
  bool OnCmdMsg(int id, CommandUi* ui) override { return DispatchCommand(*this, CommandTable(), id, ui); }
  std::string name;
  bool locked = false;

 private:
  void Copy() { calls.push_back(name + " copy"); }
  void Paste() { calls.push_back(name + " paste"); }
  void Macro(int id) { calls.push_back(name + " macro " + std::to_string(id)); }
  void UpdatePaste(CommandUi& ui) { ui.enabled = !locked; }
  static std::span<const CommandEntry<BaseTarget>> CommandTable() {
    static const CommandEntry<BaseTarget> table[] = {{10, &BaseTarget::Copy},
                                                     {11, &BaseTarget::Paste, &BaseTarget::UpdatePaste},
                                                     {100, 199, &BaseTarget::Macro}};
    return table;
  }
};

class DerivedTarget : public BaseTarget {
 public:
  using BaseTarget::BaseTarget;
  bool OnCmdMsg(int id, CommandUi* ui) override {
    return DispatchCommand(*this, CommandTable(), id, ui) || BaseTarget::OnCmdMsg(id, ui);
  }
  bool marked = false;

 private:
  void OwnCopy() { calls.push_back(name + " own copy"); }
  void Mark() { calls.push_back(name + " mark"); }
  void UpdateMark(CommandUi& ui) { ui.checked = marked; }
  static std::span<const CommandEntry<DerivedTarget>> CommandTable() {
    static const CommandEntry<DerivedTarget> table[] = {
        {10, &DerivedTarget::OwnCopy}, {20, &DerivedTarget::Mark, &DerivedTarget::UpdateMark}};
    return table;
  }
};

// A derived table comes first; ranges pass their id; a query runs nothing; the first holder of
// a command in the chain gets it, and a holder that says it is disabled keeps it from the rest.
TEST(CommandMap, TablesAndTheChain) {
  calls.clear();
  BaseTarget view("view");
  DerivedTarget frame("frame");
  for (int id : {10, 11, 100, 199}) EXPECT_TRUE(frame.OnCmdMsg(id, nullptr)) << id;
  for (int id : {99, 200}) EXPECT_FALSE(frame.OnCmdMsg(id, nullptr)) << id;
  CommandTarget* chain[] = {nullptr, &view, &frame};
  view.locked = frame.marked = true;
  CommandUi paste, mark, none{31, true, true};
  EXPECT_TRUE(ExecuteCommand(chain, 11));
  EXPECT_TRUE(QueryCommand(chain, 11, paste) && QueryCommand(chain, 20, mark));
  EXPECT_FALSE(ExecuteCommand(chain, 31) || QueryCommand(chain, 31, none));
  EXPECT_TRUE(paste.id == 11 && !paste.enabled && !paste.checked);
  EXPECT_TRUE(mark.id == 20 && mark.enabled && mark.checked);
  EXPECT_TRUE(!none.enabled && !none.checked);
  view.locked = false;
  EXPECT_TRUE(ExecuteCommand(chain, 11) && ExecuteCommand(chain, 20) && ExecuteCommand(chain, 10));
  EXPECT_EQ(calls, (std::vector<std::string>{"frame own copy", "frame paste", "frame macro 100",
                                             "frame macro 199", "view paste", "frame mark", "view copy"}));
}

}  // namespace

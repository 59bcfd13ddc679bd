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

TEST(CommandMap, DerivedTableComesFirstRangesPassTheirIdAndQueriesRunNothing) {
  calls.clear();
  DerivedTarget target("view");
  for (int id : {10, 11, 100, 199}) EXPECT_TRUE(target.OnCmdMsg(id, nullptr)) << id;
  for (int id : {99, 200}) EXPECT_FALSE(target.OnCmdMsg(id, nullptr)) << id;
  EXPECT_EQ(calls,
            (std::vector<std::string>{"view own copy", "view paste", "view macro 100", "view macro 199"}));

  calls.clear();
  target.marked = target.locked = true;
  CommandUi mark, paste;
  ASSERT_TRUE(target.OnCmdMsg(20, &mark) && target.OnCmdMsg(11, &paste));
  EXPECT_TRUE(mark.id == 20 && mark.enabled && mark.checked);
  EXPECT_TRUE(paste.id == 11 && !paste.enabled && !paste.checked);
  EXPECT_TRUE(calls.empty());
}

TEST(CommandMap, ChainGivesTheCommandToTheFirstHolderAndHonoursItsState) {
  calls.clear();
  BaseTarget view("view");
  DerivedTarget frame("frame");
  CommandTarget* chain[] = {nullptr, &view, &frame};
  // The view holds 11 and says it is disabled: the frame behind it must not get it.
  view.locked = true;
  EXPECT_TRUE(ExecuteCommand(chain, 11));
  CommandUi ui;
  EXPECT_TRUE(QueryCommand(chain, 11, ui));
  EXPECT_FALSE(ui.enabled);
  EXPECT_TRUE(calls.empty());

  view.locked = false;
  EXPECT_TRUE(ExecuteCommand(chain, 11) && ExecuteCommand(chain, 20));
  EXPECT_EQ(calls, (std::vector<std::string>{"view paste", "frame mark"}));
  // Nobody has 31: not run, and shown disabled.
  EXPECT_FALSE(ExecuteCommand(chain, 31));
  ui = CommandUi{31, true, true};
  EXPECT_FALSE(QueryCommand(chain, 31, ui));
  EXPECT_TRUE(!ui.enabled && !ui.checked);
  EXPECT_EQ(calls.size(), 2u);
}

}  // namespace

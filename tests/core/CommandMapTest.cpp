#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/CommandMap.h"

namespace {

std::vector<std::string> calls;

class BaseTarget : public CommandTarget {
 public:
  bool OnCmdMsg(int id, CommandUi* ui) override { return DispatchCommand(*this, CommandTable(), id, ui); }
  bool locked = false;

 protected:
  void Copy() { calls.push_back("base copy"); }
  void Paste() { calls.push_back("base paste"); }
  void Macro(int id) { calls.push_back("base macro " + std::to_string(id)); }
  void UpdatePaste(CommandUi& ui) { ui.enabled = !locked; }

 private:
  static std::span<const CommandEntry<BaseTarget>> CommandTable() {
    static const CommandEntry<BaseTarget> table[] = {
        {10, &BaseTarget::Copy},
        {11, &BaseTarget::Paste, &BaseTarget::UpdatePaste},
        {100, 199, &BaseTarget::Macro},
    };
    return table;
  }
};

class DerivedTarget : public BaseTarget {
 public:
  bool OnCmdMsg(int id, CommandUi* ui) override {
    return DispatchCommand(*this, CommandTable(), id, ui) || BaseTarget::OnCmdMsg(id, ui);
  }
  bool marked = false;

 private:
  void OwnCopy() { calls.push_back("derived copy"); }
  void Mark() { marked = !marked; }
  void UpdateMark(CommandUi& ui) { ui.checked = marked; }
  static std::span<const CommandEntry<DerivedTarget>> CommandTable() {
    static const CommandEntry<DerivedTarget> table[] = {
        {10, &DerivedTarget::OwnCopy},
        {20, &DerivedTarget::Mark, &DerivedTarget::UpdateMark},
    };
    return table;
  }
};

class Recorder : public CommandTarget {
 public:
  Recorder(std::string name, int id) : name(std::move(name)), handled(id) {}
  bool OnCmdMsg(int id, CommandUi* ui) override {
    if (id != handled) return false;
    if (!ui) calls.push_back(name);
    return true;
  }
  std::string name;
  int handled;
};

}  // namespace

TEST(CommandMap, DerivedTableIsSearchedBeforeBaseAndRangesPassTheirId) {
  calls.clear();
  DerivedTarget target;
  EXPECT_TRUE(target.OnCmdMsg(10, nullptr));
  EXPECT_TRUE(target.OnCmdMsg(11, nullptr));
  EXPECT_TRUE(target.OnCmdMsg(100, nullptr));
  EXPECT_TRUE(target.OnCmdMsg(199, nullptr));
  EXPECT_FALSE(target.OnCmdMsg(200, nullptr));
  EXPECT_FALSE(target.OnCmdMsg(99, nullptr));
  EXPECT_EQ(calls,
            (std::vector<std::string>{"derived copy", "base paste", "base macro 100", "base macro 199"}));
}

TEST(CommandMap, QueryReportsStateWithoutRunning) {
  calls.clear();
  DerivedTarget target;
  target.marked = true;
  CommandUi ui;
  ASSERT_TRUE(target.OnCmdMsg(20, &ui));
  EXPECT_EQ(ui.id, 20);
  EXPECT_TRUE(ui.enabled);
  EXPECT_TRUE(ui.checked);
  target.locked = true;
  ui = CommandUi{};
  ASSERT_TRUE(target.OnCmdMsg(11, &ui));
  EXPECT_FALSE(ui.enabled);
  EXPECT_TRUE(target.marked);
  EXPECT_TRUE(calls.empty());
}

TEST(CommandMap, ChainGivesTheCommandToTheFirstHolderAndHonoursItsState) {
  calls.clear();
  DerivedTarget view;
  Recorder frame("frame", 11);
  Recorder app("app", 30);
  CommandTarget* chain[] = {nullptr, &view, &frame, &app};

  // The view holds 11 and says it is disabled: the frame behind it must not get it.
  view.locked = true;
  EXPECT_TRUE(ExecuteCommand(chain, 11));
  EXPECT_TRUE(calls.empty());
  CommandUi ui;
  EXPECT_TRUE(QueryCommand(chain, 11, ui));
  EXPECT_FALSE(ui.enabled);

  view.locked = false;
  EXPECT_TRUE(ExecuteCommand(chain, 11));
  EXPECT_TRUE(ExecuteCommand(chain, 30));
  EXPECT_EQ(calls, (std::vector<std::string>{"base paste", "app"}));

  // Nobody has 31: not run, and shown disabled.
  calls.clear();
  EXPECT_FALSE(ExecuteCommand(chain, 31));
  ui = CommandUi{31, true, true};
  EXPECT_FALSE(QueryCommand(chain, 31, ui));
  EXPECT_FALSE(ui.enabled);
  EXPECT_FALSE(ui.checked);
  EXPECT_TRUE(calls.empty());
}

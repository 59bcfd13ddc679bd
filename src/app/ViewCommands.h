#pragma once
// The view's commands that need what the core view cannot reach: dialogs and the platform's
// services. Jump to line, the settings dialog, and find and replace (the dialog and the search
// text that F3 repeats) live here, and so will the popup menu and zoom. One per document window;
// the command routing asks it right after its view.
#include <span>

#include "app/FindReplace.h"
#include "base/CommandMap.h"

class CMirevApp;
class CVeloView;

class ViewCommands : public CommandTarget {
 public:
  ViewCommands(CMirevApp& application, CVeloView& target);

  bool OnCmdMsg(int id, CommandUi* ui) override;

 private:
  static std::span<const CommandEntry<ViewCommands>> CommandTable();
  void OnJumpToLine();
  void OnSettings();
  void OnFind() { findReplace.OpenDialog(false); }
  void OnReplace() { findReplace.OpenDialog(true); }
  void OnFindNext() { findReplace.FindNext(); }

  CMirevApp& app;
  CVeloView& view;
  FindReplace findReplace;
};

#pragma once
// The view's commands that need what the core view cannot reach: dialogs and the platform's
// services. Jump to line and the settings dialog live here, and so will the find and replace
// dialog with its search text, the popup menu and zoom. One per document window; the command
// routing asks it right after its view.
#include <span>

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

  CMirevApp& app;
  CVeloView& view;
};

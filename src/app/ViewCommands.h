#pragma once
// The view's commands that need what the core view cannot reach: dialogs and the platform's
// services. Jump to line, the settings dialog, the context popup and the choice of the macro
// file live here, and so will the find and replace dialog with its search text. One per
// document window; the command routing asks it right after its view.
#include <QPoint>
#include <span>

#include "base/CommandMap.h"

class CChildFrame;
class CMirevApp;
class CMirevView;
class CVeloView;

class ViewCommands : public CommandTarget {
 public:
  // frame is the document window whose view these commands act on.
  ViewCommands(CMirevApp& application, CChildFrame& frame);

  bool OnCmdMsg(int id, CommandUi* ui) override;

  // A context-menu request at a screen point: the macro popup, or the edit popup, its top-left
  // corner at the point. The chosen command goes to this window's view, active or not.
  void ShowContextMenu(QPoint at);

 private:
  static std::span<const CommandEntry<ViewCommands>> CommandTable();
  void OnJumpToLine();
  void OnSettings();
  void OnContextPopup();
  void OnMacroFile();

  CMirevApp& app;
  CChildFrame& window;
  CVeloView& view;
  CMirevView* texView;  // null when the window shows a plain editor view
};

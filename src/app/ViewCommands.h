#pragma once
// The view's commands that need what the core view cannot reach: dialogs and the platform's
// services. Jump to line, the settings dialog, find and replace (the dialog and the search text
// that F3 repeats), the context popup and the choice of the macro file live here. One per
// document window; the command routing asks it right after its view.
#include <QPoint>
#include <span>

#include "app/FindReplace.h"
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
  void OnFind() { findReplace.OpenDialog(false); }
  void OnReplace() { findReplace.OpenDialog(true); }
  void OnFindNext() { findReplace.FindNext(); }
  void OnContextPopup();
  void OnMacroFile();

  CMirevApp& app;
  CChildFrame& window;
  CVeloView& view;
  CMirevView* texView;  // null when the window shows a plain editor view
  FindReplace findReplace;
};

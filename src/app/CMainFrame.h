#pragma once
// The main window: menus, the area of document windows, the status bar. Every command,
// from a menu or a key, is routed from here.
#include <QList>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "app/AcceleratorTable.h"
#include "app/LockKeys.h"
#include "base/CommandMap.h"

class CChildFrame;
class CMirevApp;
class QLabel;
class QMdiArea;
class QMenu;
class TypesetCommands;

class CMainFrame : public QMainWindow, public CommandTarget {
  Q_OBJECT

 public:
  explicit CMainFrame(CMirevApp& application);
  ~CMainFrame() override;

  // Menus, document area and status bar; false when one of them could not be made.
  bool LoadFrame();

  QMdiArea* MdiArea() const { return mdiArea; }
  // The active document window, or the last active one while the main window is inactive.
  CChildFrame* ActiveChild() const;
  QList<CChildFrame*> Children() const;
  // Shows a new document window maximised and makes it active.
  void AddChild(CChildFrame* frame);
  void ActivateChild(CChildFrame* frame);
  // The window to activate when this one closes: the one used most recently before it, if
  // it is the active one; else null.
  CChildFrame* Successor(CChildFrame* frame) const;
  void ChildClosed(CChildFrame* frame, CChildFrame* successor);

  // The objects a command visits, in order: the output pane while it has the keyboard focus,
  // the active view, the view's commands that need the shell (ViewCommands), its document, its
  // frame, this frame, the typesetting commands, the application. Links that do not exist are
  // null.
  std::vector<CommandTarget*> CommandChain() { return CommandChain(ActiveChild()); }
  // The same through the given document window (none: no view, document or document window).
  std::vector<CommandTarget*> CommandChain(CChildFrame* child);
  // Runs the command on the first object that has it, if that object enables it now.
  // True when some object had it.
  bool RouteCommand(int id) { return RouteCommand(id, ActiveChild()); }
  CommandUi QueryCommandState(int id) { return QueryCommandState(id, ActiveChild()); }
  // The same through the given document window, active or not: a popup's choice goes to the
  // view it was opened from.
  bool RouteCommand(int id, CChildFrame* child);
  CommandUi QueryCommandState(int id, CChildFrame* child);
  // Told of every routed command and whether an object had it; for tests and diagnostics.
  void SetCommandObserver(std::function<void(int id, bool handled)> observer) {
    commandObserver = std::move(observer);
  }

  AcceleratorTable& Accelerators() { return accelerators; }
  TypesetCommands& Typeset() { return *typeset; }

  // The menu in use: IDR_MAINFRAME while no document is open, IDR_TEXTYPE while one is.
  int MenuId() const { return menuId; }
  // Puts up the menu that fits the documents open now.
  void UpdateMenuForDocuments();
  // The action of a command in the current menus, or null.
  QAction* FindAction(int id) const;
  // Brings a popup up to date, as when it opens: the enabled and checked states, the recent
  // files in place of their placeholder, the document windows in the window menu.
  void UpdatePopup(QMenu* popup);

  QString MessageText() const;
  void SetMessageText(const QString& text);
  // A message that the views' caret positions do not cover at once: it stays until the active
  // view's caret position changes.
  void ShowNotice(const QString& text);
  // The three lock-key panes: their texts show while the key is on.
  QLabel* Indicator(int id) const;
  void UpdateLockIndicators();
  void ShowLockIndicators(const LockKeyState& state);

  // The title: "Mirev", with the active document's title as the window system shows it.
  void UpdateFrameTitle();

  bool OnCmdMsg(int id, CommandUi* ui) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  static std::span<const CommandEntry<CMainFrame>> CommandTable();
  void OnWindowNew();
  void OnWindowCascade();
  void OnWindowTile();
  void OnWindowArrange();
  void OnUpdateMdiWindowCmd(CommandUi& ui);
  void OnViewStatusBar();
  void OnUpdateViewStatusBar(CommandUi& ui);

  bool CreateStatusBar();
  void SwitchMenu(int resourceId);
  void UpdateRecentFileItems(QMenu* popup);
  void UpdateWindowList(QMenu* popup);
  void ShowViewStatus(const QString& text);

  CMirevApp& app;
  QMdiArea* mdiArea = nullptr;
  AcceleratorTable accelerators;
  int menuId = 0;
  std::vector<QMenu*> popups;
  std::vector<QLabel*> indicators;
  std::unique_ptr<TypesetCommands> typeset;
  std::function<void(int, bool)> commandObserver;
  QString viewStatus;  // the caret position a view said last
  QString notice;
  QString noticeStatus;  // viewStatus when the notice came
  bool updatingTitle = false;
  bool shuttingDown = false;
};

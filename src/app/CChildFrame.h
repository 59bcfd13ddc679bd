#pragma once
// A document window: one view of one document inside the main window. It opens maximised.
#include <QMdiSubWindow>
#include <span>

#include "base/CommandMap.h"

class ShellDocument;
class ViewWidget;

class CChildFrame : public QMdiSubWindow, public CommandTarget {
  Q_OBJECT

 public:
  // Takes the view widget as its content. The frame registers with the document.
  CChildFrame(ShellDocument& document, ViewWidget* view);
  ~CChildFrame() override;

  ShellDocument& Document() const { return document; }
  ViewWidget* View() const { return view; }
  // The view in the command routing; null when the view has no command tables.
  CommandTarget* ViewTarget() const;

  // 0 while the document has one window, else this window's number.
  void SetWindowNumber(int number);
  int WindowNumber() const { return windowNumber; }
  void UpdateFrameTitle();
  // For closing the whole document: the save question has been settled already.
  void CloseWithoutAsking();

  bool OnCmdMsg(int id, CommandUi* ui) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  static std::span<const CommandEntry<CChildFrame>> CommandTable();
  // There are no panes: moving between them does nothing.
  void OnNextPane() {}
  // The view's commands that need a dialog: the view itself cannot show one.
  void OnJumpToLine();
  void OnSettings();
  void OnUpdateViewCommand(CommandUi& ui);

  ShellDocument& document;
  ViewWidget* view;
  int windowNumber = 0;
  bool askBeforeClosing = true;
};

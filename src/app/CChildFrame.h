#pragma once
// A document window: one view of one document inside the main window. It opens maximised.
#include <QMdiSubWindow>
#include <memory>
#include <span>

#include "base/CommandMap.h"

class ShellDocument;
class ViewCommands;
class ViewWidget;

class CChildFrame : public QMdiSubWindow, public CommandTarget {
  Q_OBJECT

 public:
  // Takes the view widget as its content. The frame registers with the document.
  CChildFrame(ShellDocument& shown, ViewWidget* content);
  ~CChildFrame() override;

  ShellDocument& Document() const { return document; }
  ViewWidget* View() const { return view; }
  // The view in the command routing, and its commands that need the shell; null without a view.
  CommandTarget* ViewTarget() const;
  CommandTarget* ViewCommandsTarget() const;

  // 0 while the document has one window, else this window's number.
  void SetWindowNumber(int number);
  void UpdateFrameTitle();
  // For closing the whole document: the save question has been settled already.
  void CloseWithoutAsking();

  bool OnCmdMsg(int id, CommandUi* ui) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  static std::span<const CommandEntry<CChildFrame>> CommandTable();

  ShellDocument& document;
  ViewWidget* view;
  std::unique_ptr<ViewCommands> viewCommands;
  int windowNumber = 0;
  bool askBeforeClosing = true;
};

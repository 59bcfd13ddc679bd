#include "app/CChildFrame.h"

#include <QCloseEvent>
#include <QMenu>

#include "app/CJumpDlg.h"
#include "app/CMainFrame.h"
#include "app/CMirevApp.h"
#include "app/CSettingsDlg.h"
#include "app/DocumentTemplate.h"
#include "app/ShellDocument.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"

CChildFrame::CChildFrame(ShellDocument& document, ViewWidget* view) : document(document), view(view) {
  setAttribute(Qt::WA_DeleteOnClose);
  // Keys reach document windows only through the accelerator tables; Qt's own shortcuts of
  // the window menu (Ctrl+W to close, say) would bypass them.
  if (QMenu* menu = systemMenu()) {
    for (QAction* action : menu->actions()) action->setShortcuts({});
  }
  setWidget(view);
  document.AddFrame(this);
}

CChildFrame::~CChildFrame() { document.FrameDestroyed(this); }

CommandTarget* CChildFrame::ViewTarget() const {
  // A view takes commands when its class carries command tables.
  return view ? dynamic_cast<CommandTarget*>(&view->View()) : nullptr;
}

void CChildFrame::SetWindowNumber(int number) {
  windowNumber = number;
  UpdateFrameTitle();
}

void CChildFrame::UpdateFrameTitle() {
  QString text = document.Title();
  if (windowNumber > 0) text += QStringLiteral(":%1").arg(windowNumber);
  setWindowTitle(text);
}

void CChildFrame::CloseWithoutAsking() {
  askBeforeClosing = false;
  close();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
  // Only the document's last window asks about saving.
  if (askBeforeClosing && document.Frames().size() == 1 && !document.SaveModified()) {
    event->ignore();
    return;
  }
  CMainFrame* frame = document.Template().App().MainFrame();
  CChildFrame* successor = frame ? frame->Successor(this) : nullptr;
  QMdiSubWindow::closeEvent(event);
  if (!event->isAccepted()) return;
  // The document may go with this call; the frame stays until it is deleted.
  document.RemoveFrame(this);
  if (frame) frame->ChildClosed(this, successor);
}

std::span<const CommandEntry<CChildFrame>> CChildFrame::CommandTable() {
  static const CommandEntry<CChildFrame> table[] = {
      {ID_NEXT_PANE, &CChildFrame::OnNextPane},
      {ID_PREV_PANE, &CChildFrame::OnNextPane},
      {ID_JUMP_TO_LINE, &CChildFrame::OnJumpToLine, &CChildFrame::OnUpdateViewCommand},
      {ID_SETTINGS, &CChildFrame::OnSettings, &CChildFrame::OnUpdateViewCommand},
  };
  return table;
}

bool CChildFrame::OnCmdMsg(int id, CommandUi* ui) { return DispatchCommand(*this, CommandTable(), id, ui); }

void CChildFrame::OnUpdateViewCommand(CommandUi& ui) { ui.enabled = view != nullptr; }

void CChildFrame::OnJumpToLine() {
  if (!view) return;
  CMirevApp& app = document.Template().App();
  CVeloView& target = view->View();
  // The dialog counts lines from 1.
  const std::optional<int> line = AskJumpLine(target.caret.line + 1, app.Dialogs(), app.MainFrame());
  if (!line) return;
  // The view limits the line to the text; only the step down to 0-based must not overflow.
  target.GoToLine(*line > 0 ? *line - 1 : 0, 0);
}

void CChildFrame::OnSettings() {
  if (!view) return;
  CMirevApp& app = document.Template().App();
  RunSettingsCommand(app.GetSettings(), view->View(), app.Dialogs(), app.MainFrame());
}

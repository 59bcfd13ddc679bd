#include "app/CChildFrame.h"

#include <QCloseEvent>
#include <QMenu>

#include "app/CMainFrame.h"
#include "app/CMirevApp.h"
#include "app/DocumentTemplate.h"
#include "app/ShellDocument.h"
#include "app/ViewCommands.h"
#include "platform/ViewWidget.h"

CChildFrame::CChildFrame(ShellDocument& shown, ViewWidget* content) : document(shown), view(content) {
  setAttribute(Qt::WA_DeleteOnClose);
  // Keys reach document windows only through the accelerator tables; Qt's own shortcuts of
  // the window menu (Ctrl+W to close, say) would bypass them.
  if (QMenu* menu = systemMenu()) {
    for (QAction* action : menu->actions()) action->setShortcuts({});
  }
  setWidget(view);
  if (view) {
    viewCommands = std::make_unique<ViewCommands>(document.Template().App(), *this);
    connect(view, &ViewWidget::contextMenuRequested, this, [this](QPoint at) {
      if (viewCommands) viewCommands->ShowContextMenu(at);
    });
  }
  document.AddFrame(this);
}

CChildFrame::~CChildFrame() { document.FrameDestroyed(this); }

CommandTarget* CChildFrame::ViewTarget() const { return view ? &view->View() : nullptr; }

CommandTarget* CChildFrame::ViewCommandsTarget() const { return viewCommands.get(); }

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
  // Moving between panes (F6) is the main window's: the output pane is one of its own.
  return {};
}

bool CChildFrame::OnCmdMsg(int id, CommandUi* ui) { return DispatchCommand(*this, CommandTable(), id, ui); }

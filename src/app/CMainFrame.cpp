#include "app/CMainFrame.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>
#include <utility>

#include "app/CChildFrame.h"
#include "app/CMirevApp.h"
#include "app/DialogTexts.h"
#include "app/DocumentTemplate.h"
#include "app/FilePath.h"
#include "app/ShellDocument.h"
#include "app/TypesetCommands.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"

namespace {

// Dynamic properties that tell the menu items the shell puts in and takes out.
const char* const kRecentPlaceholder = "mirevRecentPlaceholder";
const char* const kRecentEntry = "mirevRecentEntry";
const char* const kWindowEntry = "mirevWindowEntry";
const char* const kIndicatorText = "mirevIndicatorText";

QString ItemText(const MenuEntry& entry) {
  QString text = QString::fromUtf8(entry.label);
  if (!entry.shortcut.empty()) text += u'\t' + QString::fromUtf8(entry.shortcut);
  return text;
}

int CommandOf(const QAction* action) {
  bool ok = false;
  const int id = action->data().toInt(&ok);
  return ok ? id : 0;
}

QAction* FindIn(const QList<QAction*>& actions, int id) {
  for (QAction* action : actions) {
    if (action->isSeparator()) continue;
    if (QMenu* sub = action->menu()) {
      if (QAction* found = FindIn(sub->actions(), id)) return found;
    } else if (CommandOf(action) == id &&
               (action->isVisible() || !action->property(kRecentPlaceholder).toBool())) {
      return action;
    }
  }
  return nullptr;
}

}  // namespace

CMainFrame::CMainFrame(CMirevApp& application) : app(application), accelerators(IDR_MAINFRAME) {
  setWindowTitle(ResText(IDR_MAINFRAME));
  setAcceptDrops(true);
}

CMainFrame::~CMainFrame() {
  // The document windows go first, while this frame is still whole. What they signal on the
  // way out must not reach the area, which is half destroyed by then.
  shuttingDown = true;
  delete std::exchange(mdiArea, nullptr);
}

bool CMainFrame::LoadFrame() {
  if (ResText(IDR_MAINFRAME).isEmpty() || MenuResource(IDR_MAINFRAME).empty()) return false;
  mdiArea = new QMdiArea(this);
  mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdiArea);
  connect(mdiArea, &QMdiArea::subWindowActivated, this, [this] { UpdateFrameTitle(); });
  SwitchMenu(IDR_MAINFRAME);
  if (!CreateStatusBar()) return false;
  typeset = std::make_unique<TypesetCommands>(app, *this);
  resize(800, 600);
  return true;
}

bool CMainFrame::CreateStatusBar() {
  auto* bar = new QStatusBar(this);
  setStatusBar(bar);
  for (int id : {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL}) {
    const QString text = ResText(id);
    if (text.isEmpty()) return false;
    auto* pane = new QLabel(bar);
    pane->setObjectName(QStringLiteral("indicator%1").arg(id));
    pane->setProperty(kIndicatorText, text);
    pane->setAlignment(Qt::AlignCenter);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(text) + 8);
    bar->addPermanentWidget(pane);
    indicators.push_back(pane);
  }
  // The message pane falls back to the idle text whenever nothing else is to be said.
  connect(bar, &QStatusBar::messageChanged, this, [this](const QString& message) {
    if (message.isEmpty()) statusBar()->showMessage(ResText(IDS_IDLE_MESSAGE));
  });
  bar->showMessage(ResText(IDS_IDLE_MESSAGE));
  UpdateLockIndicators();
  return true;
}

// --- Document windows ----------------------------------------------------------------------

CChildFrame* CMainFrame::ActiveChild() const {
  if (!mdiArea) return nullptr;
  auto* child = qobject_cast<CChildFrame*>(mdiArea->currentSubWindow());
  return child && !child->isHidden() ? child : nullptr;
}

QList<CChildFrame*> CMainFrame::Children() const {
  QList<CChildFrame*> children;
  if (!mdiArea) return children;
  for (QMdiSubWindow* window : mdiArea->subWindowList(QMdiArea::CreationOrder)) {
    auto* child = qobject_cast<CChildFrame*>(window);
    if (child && !child->isHidden()) children.append(child);
  }
  return children;
}

void CMainFrame::AddChild(CChildFrame* frame) {
  mdiArea->addSubWindow(frame);
  if (auto* view = frame->View()) {
    connect(view, &ViewWidget::statusTextChanged, this,
            [this](const QString& text) { ShowViewStatus(text); });
    connect(view, &ViewWidget::messageShown, this, [this](const QString& text) {
      notice.clear();
      SetMessageText(text);
    });
  }
  connect(frame, &QMdiSubWindow::windowStateChanged, this, [this] { UpdateFrameTitle(); });
  connect(frame, &QWidget::windowTitleChanged, this, [this] { UpdateFrameTitle(); });
  UpdateMenuForDocuments();
  frame->showMaximized();
  ActivateChild(frame);
}

void CMainFrame::ActivateChild(CChildFrame* frame) {
  if (!frame) return;
  if (frame->isMinimized()) frame->showNormal();
  mdiArea->setActiveSubWindow(frame);
  if (frame->View()) frame->View()->setFocus();
  UpdateFrameTitle();
}

CChildFrame* CMainFrame::Successor(CChildFrame* frame) const {
  if (!mdiArea || ActiveChild() != frame) return nullptr;
  const QList<QMdiSubWindow*> history = mdiArea->subWindowList(QMdiArea::ActivationHistoryOrder);
  for (auto it = history.rbegin(); it != history.rend(); ++it) {
    auto* child = qobject_cast<CChildFrame*>(*it);
    if (child && child != frame && !child->isHidden()) return child;
  }
  return nullptr;
}

void CMainFrame::ChildClosed(CChildFrame* frame, CChildFrame* successor) {
  if (shuttingDown) return;
  const QList<CChildFrame*> children = Children();
  if (successor && successor != frame && children.contains(successor)) {
    ActivateChild(successor);
  } else if (!ActiveChild() && !children.isEmpty()) {
    ActivateChild(children.back());
  }
  UpdateFrameTitle();
}

void CMainFrame::UpdateFrameTitle() {
  // Qt itself shows a maximised document window's title as "Mirev - [name]"; a document
  // window that is not maximised is named after a dash.
  if (updatingTitle) return;
  updatingTitle = true;
  const QString base = ResText(IDR_MAINFRAME);
  CChildFrame* child = ActiveChild();
  QString title = base;
  if (child) {
    title = child->isMaximized() ? QStringLiteral("%1 - [%2]").arg(base, child->windowTitle())
                                 : QStringLiteral("%1 - %2").arg(base, child->windowTitle());
  }
  if (windowTitle() != title) setWindowTitle(title);
  updatingTitle = false;
}

// --- Commands --------------------------------------------------------------------------------

std::vector<CommandTarget*> CMainFrame::CommandChain(CChildFrame* child) {
  CommandTarget* pane = typeset ? typeset->FocusTarget() : nullptr;
  if (!child) return {pane, nullptr, nullptr, nullptr, nullptr, this, typeset.get(), &app};
  return {
      pane, child->ViewTarget(), child->ViewCommandsTarget(), &child->Document(), child, this, typeset.get(),
      &app};
}

bool CMainFrame::RouteCommand(int id, CChildFrame* child) {
  const std::vector<CommandTarget*> chain = CommandChain(child);
  const bool handled = ExecuteCommand(chain, id);
  if (commandObserver) commandObserver(id, handled);
  return handled;
}

CommandUi CMainFrame::QueryCommandState(int id, CChildFrame* child) {
  CommandUi ui{id};
  const std::vector<CommandTarget*> chain = CommandChain(child);
  QueryCommand(chain, id, ui);
  return ui;
}

std::span<const CommandEntry<CMainFrame>> CMainFrame::CommandTable() {
  static const CommandEntry<CMainFrame> table[] = {
      {ID_WINDOW_NEW, &CMainFrame::OnWindowNew, &CMainFrame::OnUpdateMdiWindowCmd},
      {ID_WINDOW_CASCADE, &CMainFrame::OnWindowCascade, &CMainFrame::OnUpdateMdiWindowCmd},
      {ID_WINDOW_TILE, &CMainFrame::OnWindowTile, &CMainFrame::OnUpdateMdiWindowCmd},
      {ID_WINDOW_ARRANGE, &CMainFrame::OnWindowArrange, &CMainFrame::OnUpdateMdiWindowCmd},
      {ID_VIEW_STATUS_BAR, &CMainFrame::OnViewStatusBar, &CMainFrame::OnUpdateViewStatusBar},
  };
  return table;
}

bool CMainFrame::OnCmdMsg(int id, CommandUi* ui) { return DispatchCommand(*this, CommandTable(), id, ui); }

void CMainFrame::OnWindowNew() {
  if (CChildFrame* child = ActiveChild()) app.Template().CreateNewFrame(child->Document());
}

void CMainFrame::OnWindowCascade() { mdiArea->cascadeSubWindows(); }

void CMainFrame::OnWindowTile() { mdiArea->tileSubWindows(); }

void CMainFrame::OnWindowArrange() {
  // Minimised windows in rows along the bottom of the area, left to right.
  const QRect area = mdiArea->viewport()->rect();
  int x = 0;
  int bottom = area.bottom() + 1;
  int rowHeight = 0;
  for (CChildFrame* child : Children()) {
    if (!child->isMinimized()) continue;
    const QSize size = child->size();
    if (x > 0 && x + size.width() > area.width()) {
      x = 0;
      bottom -= rowHeight;
      rowHeight = 0;
    }
    child->move(x, bottom - size.height());
    x += size.width();
    rowHeight = std::max(rowHeight, size.height());
  }
}

void CMainFrame::OnUpdateMdiWindowCmd(CommandUi& ui) { ui.enabled = ActiveChild() != nullptr; }

void CMainFrame::OnViewStatusBar() { statusBar()->setHidden(!statusBar()->isHidden()); }

void CMainFrame::OnUpdateViewStatusBar(CommandUi& ui) { ui.checked = !statusBar()->isHidden(); }

// --- Menus -----------------------------------------------------------------------------------

void CMainFrame::UpdateMenuForDocuments() {
  if (shuttingDown) return;
  SwitchMenu(app.Template().Documents().isEmpty() ? IDR_MAINFRAME : IDR_TEXTYPE);
}

void CMainFrame::SwitchMenu(int resourceId) {
  if (menuId == resourceId) return;
  QMenuBar* bar = menuBar();
  bar->clear();
  // A popup may be the one whose item is running this very command.
  for (QMenu* popup : popups) popup->deleteLater();
  popups.clear();
  menuId = resourceId;

  std::vector<QMenu*> open;
  for (const MenuEntry& entry : MenuResource(resourceId)) {
    switch (entry.kind) {
      case MenuKind::Popup: {
        const QString title = QString::fromUtf8(entry.label);
        QMenu* popup = open.empty() ? bar->addMenu(title) : open.back()->addMenu(title);
        if (open.empty()) popups.push_back(popup);
        connect(popup, &QMenu::aboutToShow, this, [this, popup] { UpdatePopup(popup); });
        open.push_back(popup);
        break;
      }
      case MenuKind::EndPopup:
        if (!open.empty()) open.pop_back();
        break;
      case MenuKind::Separator:
        if (!open.empty()) open.back()->addSeparator();
        break;
      case MenuKind::Item: {
        if (open.empty()) break;
        QAction* action = open.back()->addAction(ItemText(entry));
        const int id = entry.id;
        action->setData(id);
        action->setStatusTip(QString::fromUtf8(StatusPrompt(id)));
        if (entry.grayed) action->setEnabled(false);
        if (id == ID_FILE_MRU_FIRST && entry.grayed) action->setProperty(kRecentPlaceholder, true);
        connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
        break;
      }
    }
  }
  for (QMenu* popup : popups) UpdatePopup(popup);
}

QAction* CMainFrame::FindAction(int id) const { return FindIn(menuBar()->actions(), id); }

void CMainFrame::UpdatePopup(QMenu* popup) {
  UpdateRecentFileItems(popup);
  UpdateWindowList(popup);
  for (QAction* action : popup->actions()) {
    if (action->isSeparator() || action->menu() || !action->data().isValid()) continue;
    if (action->property(kRecentPlaceholder).toBool() || action->property(kWindowEntry).toBool()) continue;
    const CommandUi ui = QueryCommandState(CommandOf(action));
    action->setEnabled(ui.enabled);
    if (ui.checked) action->setCheckable(true);
    action->setChecked(ui.checked);
  }
}

void CMainFrame::UpdateRecentFileItems(QMenu* popup) {
  QAction* placeholder = nullptr;
  for (QAction* action : popup->actions()) {
    if (action->property(kRecentPlaceholder).toBool()) placeholder = action;
    if (action->property(kRecentEntry).toBool()) {
      popup->removeAction(action);
      action->deleteLater();
    }
  }
  if (!placeholder) return;
  const RecentFileList& recent = app.RecentFiles();
  placeholder->setVisible(recent.IsEmpty());
  const QString currentDir = CurrentFolder();
  for (int i = 0; i < recent.Size(); ++i) {
    const int id = ID_FILE_MRU_FIRST + i;
    auto* action = new QAction(recent.MenuText(i, currentDir), popup);
    action->setData(id);
    action->setStatusTip(QString::fromUtf8(StatusPrompt(id)));
    action->setProperty(kRecentEntry, true);
    connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
    popup->insertAction(placeholder, action);
  }
}

void CMainFrame::UpdateWindowList(QMenu* popup) {
  bool isWindowMenu = false;
  for (QAction* action : popup->actions()) {
    if (!action->menu() && CommandOf(action) == ID_WINDOW_NEW) isWindowMenu = true;
    if (action->property(kWindowEntry).toBool()) {
      popup->removeAction(action);
      action->deleteLater();
    }
  }
  if (!isWindowMenu) return;
  const QList<CChildFrame*> children = Children();
  if (children.isEmpty()) return;
  QAction* separator = popup->addSeparator();
  separator->setProperty(kWindowEntry, true);
  CChildFrame* active = ActiveChild();
  const int shown =
      std::min<int>(static_cast<int>(children.size()), ID_WINDOW_CHILD_LAST - ID_WINDOW_CHILD_FIRST + 1);
  for (int i = 0; i < shown; ++i) {
    CChildFrame* child = children[i];
    QString title = child->windowTitle();
    title.replace(u'&', QStringLiteral("&&"));
    QAction* action = popup->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(title));
    action->setData(ID_WINDOW_CHILD_FIRST + i);
    action->setProperty(kWindowEntry, true);
    action->setCheckable(true);
    action->setChecked(child == active);
    connect(action, &QAction::triggered, this, [this, child] {
      if (Children().contains(child)) ActivateChild(child);
    });
  }
}

// --- Status bar ------------------------------------------------------------------------------

QString CMainFrame::MessageText() const { return statusBar()->currentMessage(); }

void CMainFrame::SetMessageText(const QString& text) { statusBar()->showMessage(text); }

void CMainFrame::ShowNotice(const QString& text) {
  notice = text;
  noticeStatus = viewStatus;
  SetMessageText(text);
}

void CMainFrame::ShowViewStatus(const QString& text) {
  // A view says where its caret is at every update, also when focus returns to it.
  viewStatus = text;
  if (!notice.isEmpty()) {
    // The first caret position said after the notice, if none was known before it, is where
    // the caret stood when the notice came.
    if (noticeStatus.isEmpty()) noticeStatus = text;
    if (text == noticeStatus) return;
    notice.clear();
  }
  SetMessageText(text);
}

QLabel* CMainFrame::Indicator(int id) const {
  for (QLabel* pane : indicators) {
    if (pane->objectName() == QStringLiteral("indicator%1").arg(id)) return pane;
  }
  return nullptr;
}

void CMainFrame::UpdateLockIndicators() { ShowLockIndicators(QueryLockKeys()); }

void CMainFrame::ShowLockIndicators(const LockKeyState& state) {
  const bool lit[] = {state.caps, state.num, state.scroll};
  for (std::size_t i = 0; i < indicators.size() && i < std::size(lit); ++i) {
    QLabel* pane = indicators[i];
    pane->setText(lit[i] ? pane->property(kIndicatorText).toString() : QString());
  }
}

// --- Window events -----------------------------------------------------------------------------

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (!app.Template().SaveAllModified()) {
    event->ignore();
    return;
  }
  app.Template().CloseAllDocuments();
  QMainWindow::closeEvent(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* mime = event->mimeData();
  if (!mime->hasUrls()) return;
  for (const QUrl& url : mime->urls()) {
    if (url.isLocalFile()) {
      event->acceptProposedAction();
      return;
    }
  }
}

void CMainFrame::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  event->acceptProposedAction();
  activateWindow();
  for (const QUrl& url : urls) {
    if (const QString path = PathOfLocalUrl(url); !path.isEmpty()) app.OpenDocumentFile(path);
  }
}

void CMainFrame::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) UpdateLockIndicators();
  QMainWindow::changeEvent(event);
}

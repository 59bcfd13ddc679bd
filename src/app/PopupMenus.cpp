#include "app/PopupMenus.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <vector>

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "res/Resources.h"

namespace {

void EnableItems(QMenu& popup, CMainFrame& frame, CChildFrame* child) {
  for (QAction* action : popup.actions()) {
    if (action->isSeparator()) continue;
    if (QMenu* sub = action->menu()) {
      EnableItems(*sub, frame, child);
      continue;
    }
    bool ok = false;
    const int id = action->data().toInt(&ok);
    if (ok) action->setEnabled(frame.QueryCommandState(id, child).enabled);
  }
}

}  // namespace

std::unique_ptr<QMenu> LoadPopupMenu(int resourceId, int position, QWidget* parent) {
  std::unique_ptr<QMenu> root;
  std::vector<QMenu*> open;  // the levels being filled, root first
  int topLevel = -1;
  for (const MenuEntry& entry : MenuResource(resourceId)) {
    const bool inside = !open.empty();
    switch (entry.kind) {
      case MenuKind::Popup:
        if (inside) {
          QMenu* level = open.back();
          open.push_back(level ? level->addMenu(QString::fromUtf8(entry.label)) : nullptr);
        } else if (++topLevel == position) {
          root = std::make_unique<QMenu>(parent);
          open.push_back(root.get());
        } else {
          open.push_back(nullptr);  // a popup passed over: its items go nowhere
        }
        break;
      case MenuKind::EndPopup:
        if (inside) open.pop_back();
        break;
      case MenuKind::Separator:
        if (inside && open.back()) open.back()->addSeparator();
        break;
      case MenuKind::Item: {
        if (!inside || !open.back()) break;
        QString text = QString::fromUtf8(entry.label);
        if (!entry.shortcut.empty()) text += u'\t' + QString::fromUtf8(entry.shortcut);
        QAction* action = open.back()->addAction(text);
        action->setData(entry.id);
        action->setStatusTip(QString::fromUtf8(StatusPrompt(entry.id)));
        if (entry.grayed) action->setEnabled(false);
        break;
      }
    }
  }
  return root;
}

void TrackPopupMenu(QMenu& popup, QPoint at, CMainFrame& frame, CChildFrame* child) {
  const QPointer<CChildFrame> origin(child);
  EnableItems(popup, frame, child);
  QAction* chosen = popup.exec(at);
  if (!chosen || (child && !origin)) return;
  bool ok = false;
  const int id = chosen->data().toInt(&ok);
  if (ok) frame.RouteCommand(id, origin);
}

#pragma once
// The popup menus' services: a popup from the menu resources, and a modal showing whose
// chosen command goes through the command routing of one document window.
#include <QPoint>
#include <memory>

class CChildFrame;
class CMainFrame;
class QMenu;
class QWidget;

// The sub-menu at position (counting the resource's top-level popups from 0) of a menu
// resource, as a popup of parent; null when the resource has none there.
std::unique_ptr<QMenu> LoadPopupMenu(int resourceId, int position, QWidget* parent);

// Shows popup modally, its top-left corner at the screen point at, each item enabled as the
// command routing through child answers. The chosen item's command is then routed through
// child, if that window is still there.
void TrackPopupMenu(QMenu& popup, QPoint at, CMainFrame& frame, CChildFrame* child);

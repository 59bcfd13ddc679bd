#include "app/AcceleratorFilter.h"

#include <QDockWidget>
#include <QKeyEvent>
#include <QMdiArea>
#include <QWidget>

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/DocumentTemplate.h"
#include "base/CommandIds.h"
#include "platform/ViewWidget.h"

namespace {

// A pane docked in the main window (the typesetting output) keeps its own editing keys: the
// arrows move in its list, not the document's caret.
bool InDockedPane(const QWidget* widget) {
  for (; widget; widget = widget->parentWidget()) {
    if (qobject_cast<const QDockWidget*>(widget)) return true;
  }
  return false;
}

}  // namespace

AcceleratorFilter::AcceleratorFilter(CMainFrame& mainFrame, DocumentTemplate& documentTemplate)
    : frame(mainFrame), docTemplate(documentTemplate) {}

bool AcceleratorFilter::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride && type != QEvent::KeyRelease)
    return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  // Keys of dialogs, message boxes and open menus are theirs.
  if (!widget || widget->window() != &frame) return false;
  auto* key = static_cast<QKeyEvent*>(event);

  // While the view composes text, its keys are the input method's (Return, Space, Escape,
  // arrows, Backspace): none may become a command. Claiming the shortcut check keeps Qt's
  // own shortcuts off them too.
  CChildFrame* child = frame.ActiveChild();
  ViewWidget* view = child ? child->View() : nullptr;
  if (view && view->IsComposing() && (widget == view || view->isAncestorOf(widget))) {
    if (type == QEvent::ShortcutOverride) {
      key->accept();
      return true;
    }
    return false;
  }

  if (type == QEvent::KeyRelease) {
    if (key->key() == Qt::Key_CapsLock || key->key() == Qt::Key_NumLock || key->key() == Qt::Key_ScrollLock)
      frame.UpdateLockIndicators();
    return false;
  }
  if (type == QEvent::KeyPress &&
      (key->key() == Qt::Key_CapsLock || key->key() == Qt::Key_NumLock || key->key() == Qt::Key_ScrollLock))
    frame.UpdateLockIndicators();

  if (type == QEvent::ShortcutOverride) {
    // Claim the key before any Qt shortcut can take it; the key press comes next.
    if (!Translate(*key, InDockedPane(widget), false)) return false;
    key->accept();
    return true;
  }
  // The filter sees a key before any widget does, so a routed key never reaches a widget,
  // and a key that is not ours travels on as usual. A consumed key must also count as
  // accepted, or it would be offered to the parents (and to this filter) again.
  if (!Translate(*key, InDockedPane(widget), true)) return false;
  key->accept();
  return true;
}

bool AcceleratorFilter::Translate(const QKeyEvent& key, bool inPane, bool run) {
  CChildFrame* child = frame.ActiveChild();
  std::optional<int> command;
  if (child && !inPane) command = docTemplate.Accelerators().Translate(key);
  if (!command) command = frame.Accelerators().Translate(key);
  if (command) {
    if (run) frame.RouteCommand(*command);
    return true;
  }
  if (!child) return false;

  // The window system's keys for document windows come last.
  const unsigned mods = AcceleratorTable::Modifiers(key);
  if (key.key() == Qt::Key_F4 && mods == kAccelCtrl) {
    if (run) child->close();
    return true;
  }
  if (key.key() == Qt::Key_F6 && (mods == kAccelCtrl || mods == (kAccelCtrl | kAccelShift))) {
    if (run) {
      if (mods & kAccelShift)
        frame.MdiArea()->activatePreviousSubWindow();
      else
        frame.MdiArea()->activateNextSubWindow();
    }
    return true;
  }
  // Shift+F10 asks for the context popup, as the context-menu key does; with Shift down that
  // is the edit popup.
  if (key.key() == Qt::Key_F10 && mods == kAccelShift) {
    if (run) frame.RouteCommand(ID_CONTEXT_POPUP);
    return true;
  }
  return false;
}

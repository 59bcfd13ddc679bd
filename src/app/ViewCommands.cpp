#include "app/ViewCommands.h"

#include <QFileInfo>
#include <QMenu>
#include <memory>
#include <optional>

#include "app/CChildFrame.h"
#include "app/CJumpDlg.h"
#include "app/CMainFrame.h"
#include "app/CMirevApp.h"
#include "app/CSettingsDlg.h"
#include "app/DialogService.h"
#include "app/DialogTexts.h"
#include "app/FileCommands.h"
#include "app/PopupMenus.h"
#include "base/CommandIds.h"
#include "platform/QtMenuBuilder.h"
#include "platform/ViewWidget.h"
#include "res/Resources.h"
#include "tex/CMirevView.h"

ViewCommands::ViewCommands(CMirevApp& application, CChildFrame& frame)
    : app(application),
      window(frame),
      view(frame.View()->View()),
      texView(dynamic_cast<CMirevView*>(&frame.View()->View())),
      findReplace(application, frame.View()->View()) {}

std::span<const CommandEntry<ViewCommands>> ViewCommands::CommandTable() {
  static const CommandEntry<ViewCommands> table[] = {
      {ID_JUMP_TO_LINE, &ViewCommands::OnJumpToLine}, {ID_SETTINGS, &ViewCommands::OnSettings},
      {ID_EDIT_FIND, &ViewCommands::OnFind},          {ID_EDIT_REPLACE, &ViewCommands::OnReplace},
      {ID_FIND_NEXT, &ViewCommands::OnFindNext},      {ID_CONTEXT_POPUP, &ViewCommands::OnContextPopup},
      {ID_MACRO_FILE, &ViewCommands::OnMacroFile},
  };
  return table;
}

bool ViewCommands::OnCmdMsg(int id, CommandUi* ui) { return DispatchCommand(*this, CommandTable(), id, ui); }

void ViewCommands::OnJumpToLine() {
  // The dialog counts lines from 1.
  const std::optional<int> line = AskJumpLine(view.Caret().line + 1, app.Dialogs(), app.MainFrame());
  if (!line) return;
  // The view limits the line to the text; only the step down to 0-based must not overflow.
  view.GoToLine(*line > 0 ? *line - 1 : 0, 0);
}

void ViewCommands::OnSettings() {
  RunSettingsCommand(app.GetSettings(), view, app.Dialogs(), app.MainFrame());
}

void ViewCommands::OnContextPopup() {
  // At the view window's top-left corner, wherever the caret is.
  ShowContextMenu(window.View()->mapToGlobal(QPoint(0, 0)));
}

void ViewCommands::ShowContextMenu(QPoint at) {
  CMainFrame* frame = app.MainFrame();
  if (!frame) return;
  if (const PopupHandle macros = texView ? texView->ContextPopup() : nullptr) {
    // The macro popup belongs to the macro menu and outlives this showing.
    TrackPopupMenu(*QtMenuBuilder::MenuOf(macros), at, *frame, &window);
    return;
  }
  // The edit popup is made for each showing.
  if (const std::unique_ptr<QMenu> edit = LoadPopupMenu(IDR_EDIT_POPUP, 0, frame))
    TrackPopupMenu(*edit, at, *frame, &window);
}

void ViewCommands::OnMacroFile() {
  Settings& settings = app.GetSettings();
  FileDialogRequest request;
  request.filters = {FileFilter{ResText(IDS_MACRO_FILTER), {QtGlobFromPattern(u"*.mac")}}};
  request.initialName = QString::fromStdString(settings.macroFile);
  request.defaultSuffix = QStringLiteral("mac");
  const std::optional<QString> chosen = app.Dialogs().GetOpenFileName(app.MainFrame(), request);
  if (!chosen) return;
  settings.macroFile = QFileInfo(*chosen).absoluteFilePath().toStdString();
  app.ReloadMacroMenu();
}

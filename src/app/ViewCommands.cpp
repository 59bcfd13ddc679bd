#include "app/ViewCommands.h"

#include <optional>

#include "app/CJumpDlg.h"
#include "app/CMainFrame.h"
#include "app/CMirevApp.h"
#include "app/CSettingsDlg.h"
#include "base/CommandIds.h"
#include "view/CVeloView.h"

ViewCommands::ViewCommands(CMirevApp& application, CVeloView& target)
    : app(application), view(target), findReplace(application, target) {}

std::span<const CommandEntry<ViewCommands>> ViewCommands::CommandTable() {
  static const CommandEntry<ViewCommands> table[] = {
      {ID_JUMP_TO_LINE, &ViewCommands::OnJumpToLine}, {ID_SETTINGS, &ViewCommands::OnSettings},
      {ID_EDIT_FIND, &ViewCommands::OnFind},          {ID_EDIT_REPLACE, &ViewCommands::OnReplace},
      {ID_FIND_NEXT, &ViewCommands::OnFindNext},
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

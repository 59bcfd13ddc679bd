// The TeX view's commands: the macro range, the next asterisk, and the popup's choice.
#include "tex/CMirevView.h"

#include <cstdint>

#include "base/CommandIds.h"

CMirevView::CMirevView(CVeloDoc& document, Settings& sharedSettings, ViewHost& viewHost,
                       const CMacroMenu& macroMenu)
    : CVeloView(document, sharedSettings, viewHost), macros(macroMenu) {}

std::span<const CommandEntry<CMirevView>> CMirevView::CommandTable() {
  static const CommandEntry<CMirevView> table[] = {
      {ID_NEXT_ASTERISK, &CMirevView::OnNextAsterisk},
  };
  return table;
}

bool CMirevView::OnCmdMsg(int id, CommandUi* ui) {
  if (id >= 0 && macros.IsMacroId(static_cast<std::uint32_t>(id))) {
    // Enabled whenever asked: the popup opens with every entry available.
    if (ui) {
      *ui = CommandUi{id, true, false};
    } else {
      InsertMacroText(macros.GetMacroText(static_cast<std::uint32_t>(id)).View());
    }
    return true;
  }
  if (!ui) RefreshColumns();
  return DispatchCommand(*this, CommandTable(), id, ui) || CVeloView::OnCmdMsg(id, ui);
}

void CMirevView::OnNextAsterisk() { FindAndShow("*", true); }

void CMirevView::InsertMacroText(std::string_view text) {
  if (!IsPlaced()) return;
  RefreshColumns();
  if (text.find('*') == std::string_view::npos) {
    InputText(text);
    return;
  }
  // A text too long for its line goes in nowhere; the search must not then select an asterisk
  // that was there before.
  if (!FitsInLines(text)) return;
  // Where the text will begin: the caret, or with a selection that the insertion replaces,
  // the selection's start (overwrite mode writes from the caret whatever is selected).
  TextPos start = Caret();
  if (IsSelecting() && !IsOverwriteMode()) start = OrderedSelection().first;
  InputText(text);
  GoToLine(start.line, start.byteIndex);
  FindAndShow("*", true);
}

PopupHandle CMirevView::ContextPopup() const {
  if (!macros.RootPopup() || GetHost().IsShiftDown()) return nullptr;
  return macros.RootPopup();
}

#pragma once
// The TeX view: the editor view that every document window shows, with what makes it a TeX
// editor in front of it. Macro entries chosen from the popup arrive as commands of the macro
// range and insert their text, the first "*" of it selected; F8 visits the next "*"; Enter
// repeats the leading tabs of its line when auto-indent is on.
//
// One class, two files: CMirevView.cpp (commands, macro insertion, the popup's choice) and
// AutoIndent.cpp (typed characters).
#include <span>
#include <string_view>

#include "base/CommandMap.h"
#include "tex/CMacroMenu.h"
#include "tex/MenuBuilder.h"
#include "view/CVeloView.h"

class CMirevView : public CVeloView {
 public:
  // The macro menu is the process's one, shared by every view; it outlives them all.
  CMirevView(CVeloDoc& doc, Settings& settings, ViewHost& host, const CMacroMenu& macroMenu);

  // A command of the macro range is taken before anything else: asked about, it is enabled;
  // run, it inserts its entry's text. Then this view's table, then the editor view's.
  bool OnCmdMsg(int id, CommandUi* ui) override;

  // Enter with auto-indent on (and overwrite off) also inserts the leading tabs of the line
  // it was pressed on, as an undo step of its own; everything else is the editor view's.
  void OnChar(int code) override;

  // Inserts text at the caret as typed text goes in. When it holds a "*", the first "*" of
  // the inserted text is then selected. A selection is replaced; the text goes where the
  // selection began, whichever end the caret is at.
  void InsertMacroText(std::string_view text);

  // The popup a context-menu request shows now: the macro menu's, or null for the edit popup
  // (no macro file loaded, or Shift held down).
  PopupHandle ContextPopup() const;

  const CMacroMenu& MacroMenu() const { return macros; }

 private:
  static std::span<const CommandEntry<CMirevView>> CommandTable();
  void OnNextAsterisk();

  const CMacroMenu& macros;
};

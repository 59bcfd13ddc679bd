// Edit operations through the real view: what they repaint, where they leave the window, the
// document's modified mark, the caret shape of overwrite mode, typed key text, the command
// table, and positioning by line number.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EditSupport.h"
#include "RepaintCheck.h"
#include "ViewFakes.h"
#include "res/CommandIds.h"

namespace {

std::vector<std::string> Numbered(int count) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) lines.push_back("l" + std::to_string(i) + (i % 4 == 0 ? kKanji5C : "\tx"));
  return lines;
}

struct EditRig : ViewRig {
  EditRig() : ViewRig(Numbered(40), 12, 5) { view->OnSetFocus(); }
  CVeloView& v() { return *view; }
  // Puts the window's first line at first and the caret at (line, byte) without scrolling.
  void Show(int first, int line, int byte) {
    view->origin = PosAt(first, 0);
    view->caret = PosAt(line, byte);
    view->desiredColumn = view->caret.column;
    view->InvalidateAll();
  }
};

// Every edit repaints what it changed: lines below an insertion or deletion move, the window
// may scroll, a selection that goes away must be repainted too.
TEST(Edit, EditsRepaintWhatTheyChange) {
  EditRig rig;
  CVeloView& v = rig.v();
  rig.Show(10, 12, 2);
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnTypedText("ab"); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnChar('\r'); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnBackspace(); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.InputText("one\r\ntwo\r\nthree"); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.Undo(); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.Redo(); }));
  rig.Select(11, 1, 13, 2);  // a selection the typing replaces
  v.InvalidateAll();
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnChar('x'); }));
  rig.Show(10, 11, 0);  // Backspace at the top row joins with the line above the window
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnBackspace(); }));
  EXPECT_TRUE(PositionsValid(v));
  rig.Show(10, 12, 3);  // a selection anchored above the window, typed over in overwrite mode
  rig.Select(4, 1, 12, 3);
  v.InvalidateAll();
  v.ToggleOverwrite();
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnTypedText("zz"); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.Undo(); }));
  EXPECT_TRUE(PositionsValid(v));
  // Scrolled to the right: an edit that brings the caret back to column 0 scrolls back.
  v.ToggleOverwrite();
  rig.Show(0, 2, 0);
  v.InputText(std::string(40, 'w'));
  ASSERT_GT(v.origin.column, 0);
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnWordBackspace(); }));
  EXPECT_EQ(v.origin.column, 0);
}

// An edit whose first line lies above the window makes that line the first visible one, so the
// window's first line always exists and carries its true number.
TEST(Edit, AnEditAboveTheWindowMovesTheWindowToIt) {
  EditRig rig;
  CVeloView& v = rig.v();
  rig.Show(20, 5, 1);
  v.InputText("a\r\nb");
  EXPECT_EQ(v.origin.line, 5);  // the caret was on line 5, above the window
  EXPECT_TRUE(PositionsValid(v));

  rig.Show(20, 22, 0);
  rig.Select(8, 1, 22, 0);  // a deletion across lines from above the window
  v.DeleteSelection();
  EXPECT_EQ(v.origin.line, 8);
  EXPECT_EQ(v.caret.line, 8);
  EXPECT_TRUE(PositionsValid(v));
}

TEST(Edit, EveryChangeMarksTheDocumentModifiedAndUndoDoesNotClearIt) {
  EditRig rig;
  CVeloView& v = rig.v();
  rig.doc.SetModifiedFlag(false);
  v.OnCommand(ID_LINE_DOWN);
  v.OnCommand(ID_EDIT_COPY);
  EXPECT_FALSE(rig.doc.IsModified());
  v.OnChar('q');
  EXPECT_TRUE(rig.doc.IsModified());
  rig.doc.SetModifiedFlag(false);
  v.Undo();
  EXPECT_TRUE(rig.doc.IsModified());
  EXPECT_EQ(LinesOf(rig.doc), Numbered(40));
  v.OnCommand(ID_CLEAR_UNDO);
  EXPECT_TRUE(rig.doc.IsModified());
  EXPECT_TRUE(v.undoList.empty());
  EXPECT_TRUE(v.redoList.empty());
}

TEST(Edit, TheStatusShowsTheCaretAfterAnEdit) {
  EditRig rig;
  CVeloView& v = rig.v();
  rig.Show(0, 1, 0);
  v.InputText("x\r\n" + kKanji5C + "\t");
  ASSERT_FALSE(rig.host.statusTexts.empty());
  EXPECT_EQ(rig.host.statusTexts.back(), "3: 9");  // line 3, after a kanji and a tab
}

TEST(Edit, OverwriteModeHasABlockCaret) {
  EditRig rig;
  CVeloView& v = rig.v();
  rig.host.ClearLog();
  v.OnCommand(ID_TOGGLE_OVERWRITE);
  EXPECT_TRUE(v.overwriteMode);
  ASSERT_TRUE(rig.host.caretShape.has_value());
  EXPECT_EQ(rig.host.caretShape->x, rig.CellWidth());
  EXPECT_EQ(rig.host.caretShape->y, rig.CellHeight());
  v.OnCommand(ID_TOGGLE_OVERWRITE);
  EXPECT_EQ(rig.host.caretShape->x, 2);
  // Without the focus no caret is made; the next focus makes the right one.
  v.OnKillFocus();
  rig.host.ClearLog();
  v.ToggleOverwrite();
  EXPECT_EQ(rig.host.caretCreations, 0);
  v.OnSetFocus();
  EXPECT_EQ(rig.host.caretShape->x, rig.CellWidth());
}

// A key's text arrives whole: a double-byte character is one insertion and one undo step;
// control characters inside a key's text are dropped; a lone CR or tab acts as the key.
TEST(Edit, TypedKeyText) {
  ViewRig rig({"ab"});
  CVeloView& v = *rig.view;
  v.GoToLine(0, 1);
  v.OnTypedText(kKanji9F);
  EXPECT_EQ(LinesOf(rig.doc), (std::vector<std::string>{"a" + kKanji9F + "b"}));
  EXPECT_EQ(v.undoList.size(), 1u);
  EXPECT_EQ(v.caret.byteIndex, 3);
  v.OnTypedText("\x01z\x1B");
  EXPECT_EQ(LinesOf(rig.doc), (std::vector<std::string>{"a" + kKanji9F + "zb"}));
  v.OnTypedText("\r");
  EXPECT_EQ(rig.doc.LineCount(), 2);
  v.OnTypedText("");
  v.OnTypedText("\x07\x08");
  v.OnTypedText("\x7F");  // the text of the Delete key on some platforms
  EXPECT_EQ(v.undoList.size(), 3u);
  v.Undo();
  v.Undo();
  v.Undo();
  EXPECT_EQ(LinesOf(rig.doc), (std::vector<std::string>{"ab"}));
}

TEST(Edit, TheCommandTableTakesTheViewsCommandsOnly) {
  EditRig rig;
  CVeloView& v = rig.v();
  const std::vector<int> ids = {
      ID_LINE_UP,          ID_LINE_UP_EXTEND,    ID_SCROLL_UP,        ID_SCROLL_UP_EXTEND,
      ID_LINE_DOWN,        ID_LINE_DOWN_EXTEND,  ID_SCROLL_DOWN,      ID_SCROLL_DOWN_EXTEND,
      ID_CHAR_LEFT,        ID_CHAR_LEFT_EXTEND,  ID_WORD_LEFT,        ID_WORD_LEFT_EXTEND,
      ID_CHAR_RIGHT,       ID_CHAR_RIGHT_EXTEND, ID_WORD_RIGHT,       ID_WORD_RIGHT_EXTEND,
      ID_LINE_START,       ID_LINE_START_EXTEND, ID_DOC_START_EXTEND, ID_DOC_START,
      ID_LINE_END,         ID_DOC_END,           ID_LINE_END_EXTEND,  ID_DOC_END_EXTEND,
      ID_BACKSPACE,        ID_WORD_BACKSPACE,    ID_EDIT_DELETE,      ID_WORD_DELETE,
      ID_TOGGLE_OVERWRITE, ID_PAGE_UP,           ID_PAGE_UP_EXTEND,   ID_PAGE_DOWN,
      ID_PAGE_DOWN_EXTEND, ID_CLEAR_UNDO,        ID_EDIT_COPY,        ID_EDIT_CUT,
      ID_EDIT_PASTE,       ID_EDIT_SELECT_ALL,   ID_EDIT_UNDO,        ID_EDIT_REDO};
  for (int id : ids) {
    EXPECT_TRUE(v.IsCommandEnabled(id))
        << id;  // enabled whatever the state, as every one does nothing harmful
    EXPECT_TRUE(v.OnCommand(id)) << id;
    EXPECT_TRUE(PositionsValid(v)) << id;
  }
  for (int id : {ID_EDIT_FIND, ID_JUMP_TO_LINE, ID_FILE_SAVE, 32780, 0}) {
    EXPECT_FALSE(v.OnCommand(id)) << id;
    EXPECT_FALSE(v.IsCommandEnabled(id)) << id;
  }
  // Chosen by the key, not by the order of the numbers: Ctrl+Home is 32812, Ctrl+Shift+Home 32811.
  rig.Show(0, 7, 1);
  v.OnCommand(ID_DOC_START);
  EXPECT_FALSE(v.selecting);
  rig.Show(0, 7, 1);
  v.OnCommand(ID_DOC_START_EXTEND);
  EXPECT_TRUE(v.selecting);
  EXPECT_EQ(v.selAnchor.line, 7);
}

TEST(Edit, CommandsBeforeTheInitialUpdateAreHarmless) {
  Settings settings;
  CVeloDoc doc(settings);
  FakeViewHost host;
  CVeloView v(doc, settings, host);
  for (int id : {ID_LINE_DOWN, ID_EDIT_DELETE, ID_EDIT_PASTE, ID_EDIT_UNDO, ID_EDIT_SELECT_ALL, ID_DOC_END})
    EXPECT_TRUE(v.OnCommand(id));
  v.OnChar('a');
  v.OnTypedText("xy");
  v.InputText("z");
  v.GoToLine(3, 0);
  EXPECT_EQ(doc.LineCount(), 1);
  EXPECT_EQ(doc.FirstLine()->text.Length(), 0);
}

// GoToLine clamps the line number and the byte index and centres the caret line; the walk to
// a line may start from the first or last line, the caret or the window's first line.
TEST(Edit, GoToLineClampsAndFindsTheRightLine) {
  std::vector<std::string> lines;
  for (int i = 0; i < 5000; ++i) lines.push_back(std::to_string(i) + kKanji5C);
  ViewRig rig(lines, 12, 6);
  CVeloView& v = *rig.view;
  for (int target : {2500, 2490, 4990, 10, 4999, 0, 3000, 2999}) {
    v.GoToLine(target, 1);
    ASSERT_TRUE(PositionsValid(v)) << target;
    EXPECT_EQ(v.caret.line, target);
    EXPECT_EQ(v.caret.node->text.ToStdString(), lines[static_cast<std::size_t>(target)]);
    EXPECT_EQ(v.origin.line, target >= 3 ? target - 3 : 0);  // centred in 6 lines
  }
  v.GoToLine(-7, 0);
  EXPECT_EQ(v.caret.line, 0);
  v.GoToLine(1 << 30, 0);
  EXPECT_EQ(v.caret.line, 4999);
  // A byte index inside the kanji moves forward to its end; one past the line stops at the end.
  v.GoToLine(7, 2);
  EXPECT_EQ(v.caret.byteIndex, 3);
  EXPECT_EQ(v.desiredColumn, 3);
  v.GoToLine(7, 99);
  EXPECT_EQ(v.caret.byteIndex, 3);
}

// The tab width changed through one view: another view's stored columns are counted again
// before its next command uses them, and its painting never counts from a stale column.
TEST(Edit, ATabWidthChangedElsewhereIsPickedUp) {
  const std::string line = "\t\tabcdefghijklmnop";
  ViewRig rig({line, "x"});
  FakeViewHost host2;
  host2.client = rig.host.client;
  CVeloView other(rig.doc, rig.settings, host2);
  other.OnInitialUpdate();
  other.GoToLine(0, 10);  // after "abcdefgh": column 24 with tabs of 8
  ASSERT_EQ(other.caret.column, 24);
  rig.view->ApplyTabSize(4);  // the caret of the other view now stands at column 16

  other.origin.column = 20;
  Picture pic(host2.client.Width(), host2.client.Height());
  FakeSurface surface(pic, Rect{0, 0, pic.Width(), pic.Height()}, rig.CellWidth(), rig.CellHeight());
  other.OnDraw(surface);
  ViewRig fresh({line, "x"});
  fresh.settings.tabSize = 4;
  fresh.view->ApplyTabSize(4);
  fresh.view->origin.column = 20;
  EXPECT_EQ(fresh.Glyphs(fresh.Paint(), 0), ".." + line.substr(14) + "......");
  EXPECT_EQ(DescribeDifference(pic, fresh.Paint(), rig.CellWidth(), rig.CellHeight(), rig.settings.colors),
            "");

  other.OnCommand(ID_CHAR_RIGHT);
  EXPECT_EQ(other.caret.column, 17);
  EXPECT_TRUE(PositionsValid(other));
}

// The horizontal range measures the visible lines. A long line is measured once and then
// remembered; any change to it, or above it, must be measured again.
TEST(Edit, TheScrollRangeFollowsALongLineThatChanges) {
  ViewRig rig({std::string(70000, 'a'), "x", "y"}, 12, 5);
  CVeloView& v = *rig.view;
  FakeViewHost host2;
  host2.client = rig.host.client;
  CVeloView other(rig.doc, rig.settings, host2);
  other.OnInitialUpdate();
  v.GoToLine(1, 1);
  EXPECT_EQ(v.widestLine, 70000);
  v.OnTypedText("q");  // beside the long line: measured or remembered, the same width
  EXPECT_EQ(v.widestLine, 70000);

  other.GoToLine(0, 70000);
  other.OnTypedText("xyz");
  EXPECT_EQ(v.widestLine, 70003);
  v.GoToLine(0, 0);
  v.OnDelete();
  v.GoToLine(2, 0);
  EXPECT_EQ(v.widestLine, 70002);
  v.OnTypedText("\t");
  EXPECT_EQ(v.widestLine, 70002);
  other.GoToLine(0, 0);
  other.OnTypedText("\t");  // a tab before everything: 8 columns more
  EXPECT_EQ(v.widestLine, 70010);
  other.InputText("\r\n");  // the long line, without the tab, moves down a line
  v.ApplyTabSize(8);
  EXPECT_EQ(v.widestLine, 70002);
  EXPECT_TRUE(PositionsValid(v));
}

}  // namespace

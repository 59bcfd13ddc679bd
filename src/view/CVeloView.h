#pragma once
// The editor view: one document shown on a grid of fixed-width cells, with a caret, one
// selection, a scroll origin, a font size of its own and its own undo, redo and bookmark
// lists. It reaches its window only through ViewHost and draws only through Surface.
//
// One class, implemented in files named after their concern: ViewState.cpp (construction,
// font, metrics, display settings), Layout.cpp (columns, hit testing), Paint.cpp,
// CaretScroll.cpp (caret, scrolling, scroll bars, focus, size), Movement.cpp (caret steps),
// MoveCommands.cpp (movement commands and the command table), Input.cpp (mouse, wheel, input
// method, zoom), Edit.cpp (insertion, deletion, typed characters, line positioning), Undo.cpp,
// Clipboard.cpp (selected text, clipboard), Search.cpp (find and replace), Bookmarks.cpp
// (bookmarks, redraw), DocumentChanges.cpp (keeping positions valid when another view edits the
// document).
//
// The window reaches the view only through its virtual entry points (the On... operations and
// OnCmdMsg), so that a derived view can stand in front of any of them.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/CommandMap.h"
#include "base/Settings.h"
#include "doc/CVeloDoc.h"
#include "doc/TextPos.h"
#include "view/Surface.h"
#include "view/ViewHost.h"

// One undo or redo step. Replay uses only the line numbers and byte indexes of the ends.
struct UndoRecord {
  enum class Kind { Deletion, Insertion };
  Kind kind = Kind::Deletion;
  TextPos start;
  TextPos end;       // insertion: where the inserted bytes end; deletion: all zero
  std::string text;  // deletion: the removed bytes, lines joined by CR LF; insertion: empty
  // Deletion: where in text the CR LF pairs that joined lines stand. A line may hold the bytes
  // CR LF themselves (typed or pasted one at a time); those must come back as bytes.
  std::vector<std::size_t> lineBreaks;
  // The view's history epoch when the record was made. A record is replayed at its exact byte
  // indexes only while the epoch holds; after a change it did not record (another view's
  // edit) its ends are moved onto character boundaries first.
  std::uint64_t epoch = 0;
};

class CVeloView : public DocView, public CommandTarget {
 public:
  using MoveStep = void (CVeloView::*)();
  enum MoveKind {
    kLineUp = 0,
    kLineDown = 1,
    kCharLeft = 2,
    kWordLeft = 3,
    kCharRight = 4,
    kWordRight = 5,
    kLineStart = 6,
    kLineEnd = 7,
  };
  using HistoryList = std::list<UndoRecord>;  // oldest first
  using BookmarkList = std::list<int>;        // line numbers in the order they were set

  // Registers with the document. The caret and the origin stay unplaced until OnInitialUpdate,
  // because the document may still replace its lines before then.
  CVeloView(CVeloDoc& doc, Settings& settings, ViewHost& host);
  ~CVeloView() override;
  CVeloView(const CVeloView&) = delete;
  CVeloView& operator=(const CVeloView&) = delete;

  CVeloDoc& GetDocument() const { return doc; }
  Settings& GetSettings() const { return settings; }
  ViewHost& GetHost() const { return host; }

  // --- State and display settings (ViewState.cpp) ---------------------------------------
  // Creates the font, measures the cells and puts caret and origin on the first line.
  virtual void OnInitialUpdate();
  // Fills logFont with the standard request, has the host make the font from it, and passes
  // the request on to the input method.
  void CreateViewFont();
  // Line height, cell width, margin and visible lines and columns from the font and the
  // client size. Metrics below one pixel are taken as one.
  void RecalcMetrics();
  void UpdateImeFont();
  void ApplyTabSize(int newTabSize);
  void ApplyColors(const ColorTable& newColors);
  // Another view changed the text: caret, origin and selection are resolved again by line
  // number (clamped to the text, byte index to a character boundary) and the view repaints.
  void OnDocumentChanged(const LineChange* change) override;

  // --- Layout (Layout.cpp) -----------------------------------------------------------------
  // The tab width used for layout: tabSize, but never below 1.
  int TabWidth() const;
  // One character forward within the line. A lead byte that ends the line steps one byte and
  // one column, so a position never passes the line's length. At the line end it does nothing.
  void AdvanceChar(TextPos& pos) const;
  // One character back within the line (previous-character rule), column recomputed from the
  // line start. At byte 0 it does nothing.
  void RetreatChar(TextPos& pos) const;
  // The start of the character covering target, or the line end.
  void SetColumn(TextPos& pos, int target) const;
  // At byteIndex, limited to the line length and moved forward off a trail byte.
  void SetByteIndex(TextPos& pos, int byteIndex) const;
  int LineWidth(std::string_view line) const;
  // The same, starting from hint when it is a character start with a true column on pos's
  // line: the cost follows the distance from the hint, not from the line start.
  void SetColumnFrom(TextPos& pos, const TextPos& hint, int target) const;
  void SetByteIndexFrom(TextPos& pos, const TextPos& hint, int byteIndex) const;
  // The width of hint's line, counted on from hint.
  int LineWidthFrom(const TextPos& hint) const;
  // Whether byte index i of line is a character start (both ends of the line are).
  static bool IsCharBoundary(std::string_view line, int i);
  // The position under a client point; below the last line gives the last line.
  void PointToPos(TextPos& pos, Point p) const;
  // Where the caret is drawn: one pixel left of its cell, never inside the margin.
  Point CaretPoint() const;

  // --- Painting (Paint.cpp) -------------------------------------------------------------
  struct SelectionSpan {
    int start = 0;  // byte index
    int end = 0;    // byte index, exclusive
    bool lineBreak = false;
    friend bool operator==(const SelectionSpan&, const SelectionSpan&) = default;
  };
  // Paints the rows that meet the surface's clip box, then the bookmark marks.
  virtual void OnDraw(Surface& surface);
  // Draws the visible part of one line into the row; returns how far right of the margin the
  // drawing reached (never below 0). rowPos.column is origin.column.
  int DrawTextLine(Surface& surface, const TextPos& rowPos) const;
  // The part of the selection on rowPos's line.
  SelectionSpan GetSelectionSpan(const TextPos& rowPos) const;
  void FillMargin(Surface& surface) const;

  // --- Caret and scrolling (CaretScroll.cpp) --------------------------------------------
  void CreateViewCaret();
  // Creates the caret if needed, places it and the composition window, refreshes the status.
  void UpdateCaret();
  void SetImeWindowPos(Point p);
  // "line: column", both one-based.
  std::string StatusText() const;
  void EnsureCaretVisible(bool recompute);
  // Where EnsureCaretVisible puts the origin for a caret at (caretLine, caretColumn), in
  // numbers only: columns in jumps of a quarter of the width, lines in jumps of half the height.
  struct OriginStep {
    int line = 0;
    int column = 0;
    bool scrolled = false;   // horizontally or vertically
    bool vScrolled = false;  // line differs from the old origin's
  };
  OriginStep OriginToShow(int originLine, int originColumn, int caretLine, int caretColumn) const;
  void CenterCaret();
  // Caret and view together by up to count lines.
  void ScrollUp(int count, bool extend);
  void ScrollDown(int count, bool extend);
  // Caret and view together by up to count lines; the uncovered strip is repainted.
  void ScrollLines(int count, bool extend, bool down);
  // The view by delta columns, limited to 0 .. widestLine; the caret's text position stays.
  void ScrollHorz(int delta);
  void UpdateScrollBars(bool recompute);
  void UpdateVScrollBar(bool recompute);
  void UpdateHScrollBar(bool recompute);
  void BeginExtend(bool extend);
  void EndExtend(bool extend);
  // Repaints the rows the selection spans, if there is one.
  void InvalidateSelection();
  virtual void OnSetFocus();
  virtual void OnKillFocus();
  // The client area changed size; reads the new size from the host.
  virtual void OnSize();
  virtual void OnVScroll(ScrollAction action, int pos);
  virtual void OnHScroll(ScrollAction action, int pos);

  // --- Caret step primitives (Movement.cpp): the entries of moveTable --------------------
  void LineUp();
  void LineDown();
  void CharLeft();
  void WordLeft();
  void CharRight();
  void WordRight();
  void LineStart();
  void LineEnd();

  // --- Movement commands and the command table (MoveCommands.cpp) ---------------------------
  // Runs moveTable[kind]; extending keeps the anchor where the first extended move began.
  void MoveCaret(bool extend, int kind);
  void GoDocStart(bool extend);
  void GoDocEnd(bool extend);
  // Runs a command of this view's table; false when the table does not hold the id. With ui,
  // only fills ui (every command of the table is always enabled).
  bool OnCmdMsg(int id, CommandUi* ui) override;
  bool OnCommand(int id) { return OnCmdMsg(id, nullptr); }
  bool IsCommandEnabled(int id);

  // --- Mouse, wheel, input method and zoom (Input.cpp) ---------------------------------------
  // Client points, the margin included. Shift does not extend a selection by the mouse; a
  // press ends any selection, a drag makes one from the press point, and it stays after the
  // release. While the button is down, each move outside the client area scrolls one step.
  virtual void OnLButtonDown(Point p);
  virtual void OnMouseMove(Point p);
  virtual void OnLButtonUp(Point p);
  // One wheel step: delta > 0 away from the user, < 0 toward; 0 does nothing. With Ctrl down
  // (asked of the host now) it zooms, with Shift it scrolls a quarter of the width sideways,
  // otherwise 3 lines, extending an existing selection.
  virtual void OnMouseWheel(int delta);
  // One sideways step: delta > 0 toward the line start, < 0 toward the line end.
  virtual void OnMouseHWheel(int delta);
  // The input method's finished text, code page 932: typed text in one piece (replacing the
  // selection, overwriting in overwrite mode, one insertion step). With replace, the bytes
  // [from, to) of the caret line go instead of the selection (the input method reconverting
  // the text around the caret); a span off the line's character starts is widened onto them.
  struct LineSpan {
    int from = 0;
    int to = 0;
  };
  virtual void OnImeComposition(std::string_view cp932, std::optional<LineSpan> replace = std::nullopt);
  // One character from the input method: lead << 8 | trail, or a single byte, which counts as
  // a typed key. Codes that are no character are dropped.
  virtual void OnImeChar(int code);
  // Font heights 12 to 24 in steps of 2, per view; every view starts at 18.
  void ZoomIn();
  void ZoomOut();
  void ZoomDefault();
  // Makes the font of logFont and brings everything that depends on its size up to date.
  void ApplyFont();
  static constexpr int kMinFontHeight = 12;
  static constexpr int kMaxFontHeight = 24;
  static constexpr int kDefaultFontHeight = 18;
  static constexpr int kZoomStep = 2;
  static constexpr int kWheelLines = 3;

  // --- Edit operations (Edit.cpp) --------------------------------------------------------
  // The one way new text from the user enters the document: replaces the selection (in
  // overwrite mode the columns the text covers), records undo steps, brings the caret into view.
  // Lines are split at CR LF only. A text that would make a line longer than kMaxLineBytes is
  // refused whole.
  void InputText(std::string_view text);
  // Command-level deletion of the selection (an empty one at the caret if there is none).
  void DeleteSelection();
  // A typed character code: Enter (13), Tab (9) and codes from 32 up; its low byte goes in.
  virtual void OnChar(int code);
  // The text of one typed key, already code page 932: one insertion, one undo step, so a
  // double-byte character never goes in by halves. A lone CR or tab acts as Enter or Tab
  // (OnChar); other control characters and DEL are dropped.
  virtual void OnTypedText(std::string_view cp932);
  void OnBackspace();
  void OnWordBackspace();
  void OnDelete();
  void OnWordDelete();
  void ToggleOverwrite();
  // pos onto line n (clamped to the text) at byte index b (clamped, moved forward to a
  // character start); desiredColumn follows. Walks from the nearest known line.
  void PositionAtLine(TextPos& pos, int n, int b);
  // The caret to line n, byte b, centred in the window. The selection stays as it is.
  void GoToLine(int n, int b);
  // The caret to line n, byte b (as PositionAtLine), the window left where it is; extending
  // as the movement commands do.
  void PlaceCaret(int n, int b, bool extend);
  static constexpr int kMaxLineBytes = 1 << 28;

  // --- Undo and redo (Undo.cpp) ----------------------------------------------------------
  void PushRecord(UndoRecord record, HistoryList& list);
  void InsertAndRecord(std::string_view text, HistoryList& list);
  void DeleteSelectionAndRecord(HistoryList& list);
  void ReplayStep(HistoryList& source, HistoryList& target);
  void UndoRedo(bool isUndo);
  void Undo() { UndoRedo(true); }
  void Redo() { UndoRedo(false); }
  void ClearHistory(HistoryList& list);
  void ClearUndoBuffers();

  // --- Selection and clipboard (Clipboard.cpp) -------------------------------------------
  // The selected bytes, lines joined by CR LF; empty without a selection.
  std::string GetSelectedText() const;
  void Copy();
  void Cut();
  void Paste();
  void SelectAll();

  // --- Invalidation helpers ---------------------------------------------------------------
  void InvalidateAll();
  // The full-width band from the top of firstLine's row to the bottom of lastLine's row.
  void InvalidateLines(int firstLine, int lastLine);
  // The full width from the top of line's row to the bottom of the client area.
  void InvalidateFromLine(int line);

  // --- Search and replace (Search.cpp) ---------------------------------------------------
  // Searches byte for byte from the caret, never starting inside a double-byte character. The
  // caret's line is searched on from the caret whatever the direction; other lines from their
  // start, the nearest line in the direction first; no wrap. A match becomes the selection with
  // the caret at its end. Without one the caret goes to the end (forward) or start (backward)
  // of the document, nothing selected. An empty text finds nothing.
  bool Find(std::string_view text, bool forward);
  // Find, then the caret's line centred in the window, whether found or not.
  void FindAndShow(std::string_view text, bool forward);
  // The selection, whatever it holds, deleted and replaced through InputText (overwrite mode
  // applies): two undo steps, three in overwrite mode. Nothing without a selection.
  void ReplaceSelection(std::string_view text);
  // Find forward and ReplaceSelection in turn until Find fails: every match from the caret on,
  // in document order, never one inside a replacement just made. Ends with the caret at the end
  // of the document, the window where the last replacement showed. The text, caret, selection,
  // origin and both histories end exactly as that loop leaves them; the work is done line by
  // line, each changed line built once, with one repaint.
  void ReplaceAll(std::string_view search, std::string_view replacement);

  // --- Bookmarks and redraw (Bookmarks.cpp) ----------------------------------------------
  // Takes the caret line's number out of the bookmarks if it is there, else adds it last; the
  // next jump goes to the first bookmark, or to the one just added.
  void ToggleBookmark();
  // The caret to the start of the bookmark's line that is next in the order they were set
  // (the last line for a number beyond it), centred; the selection ends. Nothing without
  // bookmarks.
  void JumpToNextBookmark();
  void ClearBookmarks();
  // The caret to the document's start and back, ending any selection and repainting.
  void Redraw();
  const BookmarkList& Bookmarks() const { return bookmarks; }

  // --- Where things stand: read only; the operations above change them ---------------------
  const TextPos& Caret() const { return caret; }
  const TextPos& Origin() const { return origin; }
  bool IsSelecting() const { return selecting; }
  const TextPos& SelAnchor() const { return selAnchor; }
  const TextPos& SelEnd() const { return selEnd; }
  int DesiredColumn() const { return desiredColumn; }
  bool IsOverwriteMode() const { return overwriteMode; }
  bool IsMouseTracking() const { return mouseTracking; }
  const FontRequest& LogFont() const { return logFont; }
  const HistoryList& UndoList() const { return undoList; }
  const HistoryList& RedoList() const { return redoList; }
  int LineHeight() const { return lineHeight; }
  int CharWidth() const { return charWidth; }
  int MarginWidth() const { return marginWidth; }
  int VisibleLines() const { return visibleLines; }
  int VisibleColumns() const { return visibleColumns; }

 protected:
  // Caret and origin are placed (OnInitialUpdate ran).
  bool IsPlaced() const { return caret.node != nullptr && origin.node != nullptr; }
  const ColorTable& Colors() const { return settings.colors; }
  // The caret as a layout hint, when its column was computed with the current tab width.
  const TextPos* CaretHint() const { return IsPlaced() && columnsTabWidth == TabWidth() ? &caret : nullptr; }
  // Recomputes the stored columns after the tab width changed under this view.
  void RefreshColumns();

  // Edit internals (Edit.cpp). InsertRaw inserts at the caret's byte index as it is and
  // returns where the inserted bytes end (before the caret is moved onto a character start);
  // DeleteRange removes the selection's bytes as they are and puts the caret on the character
  // start at or after where they began; keepRaw leaves it exactly there, for an insertion that
  // follows at once. Both tell the other views.
  // With breaks, the lines are split only at those offsets of text (each a CR LF pair).
  TextPos InsertRaw(std::string_view text, const std::vector<std::size_t>* breaks = nullptr);
  void InsertAndRecord(std::string_view text, HistoryList& list, const std::vector<std::size_t>* breaks);
  // The selection's ends in text order: by line, then column, then byte index (an end inside a
  // character shares its column with the character's start).
  std::pair<TextPos, TextPos> OrderedSelection() const;
  // The selected bytes; breaks, if given, receives where the CR LF pairs between lines stand.
  std::string SelectedText(std::vector<std::size_t>* breaks) const;
  void DeleteRange(bool keepRaw = false);
  void DeleteSelectionAndRecord(HistoryList& list, bool keepRaw);
  // The character start at or before pos that an edit at pos leaves a character start: pos,
  // or the start of the character pos stands inside or of a lone lead byte just before it.
  TextPos StableStart(const TextPos& pos) const;
  bool FitsInLines(std::string_view text) const;
  // Whether text inserted into a line of lineLength bytes leaves every line within kMaxLineBytes.
  static bool FitsInLine(std::size_t lineLength, std::string_view text);
  void DeleteByStep(MoveStep step);
  // The line numbered n (clamped), walking from the nearest of the first and last lines and
  // the given live positions.
  TextPos WalkToLine(int n, std::initializer_list<const TextPos*> known) const;
  // Places pos at line, byte index as recorded; exact keeps the byte index even inside a
  // character (the column then counts the character's first cell).
  void PlaceRecorded(TextPos& pos, const TextPos& recorded, bool exact);
  // Tells the other views of a change this view made (DocumentChanges.cpp).
  void NoteChange(const LineChange& change);
  // Resolves one position of this view after another view's change (DocumentChanges.cpp).
  void ResolveAfterChange(TextPos& pos, const LineChange* change, bool keepColumn) const;

  template <int Kind, bool Extend>
  void MoveCommand() {
    MoveCaret(Extend, Kind);
  }
  template <bool Extend>
  void DocStartCommand() {
    GoDocStart(Extend);
  }
  template <bool Extend>
  void DocEndCommand() {
    GoDocEnd(Extend);
  }
  template <bool Up, bool Extend, bool Page>
  void ScrollCommand() {
    const int count = Page ? visibleLines : 1;
    if (Up)
      ScrollUp(count, Extend);
    else
      ScrollDown(count, Extend);
  }
  static std::span<const CommandEntry<CVeloView>> CommandTable();

  // From a character start (i, c) of s, with c its true column, on to the first character start
  // at or after limit, counting columns as the layout does.
  void ScanBytes(std::string_view s, int& i, int& c, int limit) const;
  // The commands that pair with the operations above.
  void OnClearBookmarks();

  int VisibleLineWidth(const TextPos& pos) const;
  // Drops what a change may have made untrue of knownStart and knownWidth; without a
  // description of the change, everything.
  void ForgetKnownPlaces(const LineChange* change);

 private:
  TextPos caret;      // the insertion point of every edit
  TextPos origin;     // first visible line (node, line) and first visible column
  TextPos selAnchor;  // where extending started
  TextPos selEnd;     // the moving end; follows the caret while extending
  // The off-screen row belongs to the Surface (PrepareRow keeps it while its size holds).
  bool caretCreated = false;
  bool hasFocus = false;
  bool overwriteMode = false;
  bool selecting = false;      // selAnchor and selEnd mean something only while set
  bool mouseTracking = false;  // the left button went down in the view and is not up yet
  bool replayingUndo = false;
  int lineHeight = 0;      // pixels
  int charWidth = 0;       // pixels per display column
  int marginWidth = 0;     // 2 * charWidth
  int visibleColumns = 0;  // clientWidth / charWidth; the margin is not subtracted
  int visibleLines = 0;    // whole lines only
  int clientWidth = 0;
  int clientHeight = 0;
  int widestLine = 0;    // columns; limit of horizontal scrolling, set with the scroll ranges
  int vScrollScale = 1;  // lines per vertical scroll bar unit, set with the scroll ranges
  int desiredColumn = 0;
  FontRequest logFont;
  std::optional<TextMetrics> font;  // the font the host made from logFont, by its metrics
  HistoryList undoList;
  HistoryList redoList;
  BookmarkList bookmarks;
  // The bookmark the next jump goes to; bookmarks.end() starts again at the first.
  BookmarkList::iterator bookmarkCursor = bookmarks.end();
  std::array<MoveStep, 8> moveTable{};
  // The tab width the stored columns of caret and selection were computed with.
  int columnsTabWidth = kDefaultTabSize;
  // Moves on at every text change this view's history did not record (see UndoRecord::epoch).
  std::uint64_t historyEpoch = 0;

  // A character start with its column, on the caret's line where painting last found the first
  // visible column. It stays one while nothing up to it changes, so on a long line the next
  // paint counts on from it, and an edit looks back no further than it for lead bytes.
  struct KnownStart {
    TextPos pos;
    int tab = 0;
  };
  mutable std::optional<KnownStart> knownStart;
  // The width of a long line the scroll bar measured, kept while the line is untouched.
  struct KnownWidth {
    LineNode* node = nullptr;
    int line = 0;
    int width = 0;
    int tab = 0;
  };
  mutable std::optional<KnownWidth> knownWidth;
  static constexpr int kLongLine = 1 << 16;

  CVeloDoc& doc;
  Settings& settings;
  ViewHost& host;
};

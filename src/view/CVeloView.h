#pragma once
// The editor view: one document shown on a grid of fixed-width cells, with a caret, one
// selection, a scroll origin, a font size of its own and its own undo, redo and bookmark
// lists. It reaches its window only through ViewHost and draws only through Surface.
//
// One class, implemented in files named after their concern: ViewState.cpp (construction,
// font, metrics, display settings), Layout.cpp (columns, hit testing), Paint.cpp,
// CaretScroll.cpp (caret, scrolling, scroll bars, focus, size), Movement.cpp (caret steps).
#include <array>
#include <list>
#include <optional>
#include <string>
#include <string_view>

#include "base/Settings.h"
#include "doc/CVeloDoc.h"
#include "doc/TextPos.h"
#include "view/Surface.h"
#include "view/ViewHost.h"

// One undo or redo step. Replay uses only the line numbers and byte indexes of the ends.
struct UndoRecord {
  TextPos start;
  TextPos end;       // insertion: the caret after it; deletion: all zero
  std::string text;  // deletion: the removed bytes, lines joined by CR LF; insertion: empty
  int kind = 0;      // kDeletion or kInsertion
  static constexpr int kDeletion = 0;
  static constexpr int kInsertion = 1;
};

class CVeloView : public DocView {
 public:
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
  // Another view changed the text: repaint. Positions are not re-resolved yet.
  void OnDocumentChanged(DocView* sender) override;

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
  // The window background is never erased on its own: OnDraw covers every pixel.
  bool OnEraseBkgnd() const { return false; }
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
  void CenterCaret();
  // Caret and view together by up to count lines.
  void ScrollUp(int count, bool extend);
  void ScrollDown(int count, bool extend);
  // The view by delta columns, limited to 0 .. widestLine; the caret's text position stays.
  void ScrollHorz(int delta);
  void UpdateScrollBars(bool recompute);
  void UpdateVScrollBar(bool recompute);
  void UpdateHScrollBar(bool recompute);
  void BeginExtend(bool extend);
  void EndExtend(bool extend);
  // Repaints the rows the selection spans, if there is one.
  void InvalidateSelection();
  void OnSetFocus();
  void OnKillFocus();
  // The client area changed size; reads the new size from the host.
  void OnSize();
  void OnVScroll(int code, int pos);
  void OnHScroll(int code, int pos);

  // --- Caret step primitives (Movement.cpp): the entries of moveTable --------------------
  void LineUp();
  void LineDown();
  void CharLeft();
  void WordLeft();
  void CharRight();
  void WordRight();
  void LineStart();
  void LineEnd();

  // --- Invalidation helpers ---------------------------------------------------------------
  void InvalidateAll(bool erase = false);
  // The full-width band from the top of firstLine's row to the bottom of lastLine's row.
  void InvalidateLines(int firstLine, int lastLine);

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

  // --- Fields ----------------------------------------------------------------------------
  TextPos caret;      // the insertion point of every edit
  TextPos origin;     // first visible line (node, line) and first visible column
  TextPos selAnchor;  // where extending started
  TextPos selEnd;     // the moving end; follows the caret while extending
  // The off-screen row belongs to the Surface (PrepareRow keeps it while its size holds).
  bool caretCreated = false;
  bool hasFocus = false;
  bool overwriteMode = false;
  bool selecting = false;  // selAnchor and selEnd mean something only while set
  bool mouseTracking = false;
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
  BookmarkList::iterator bookmarkCursor;  // bookmarks.end() when the next jump starts over
  std::array<MoveStep, 8> moveTable{};

 protected:
  // Caret and origin are placed (OnInitialUpdate ran).
  bool IsPlaced() const { return caret.node != nullptr && origin.node != nullptr; }
  const ColorTable& Colors() const { return settings.colors; }

  CVeloDoc& doc;
  Settings& settings;
  ViewHost& host;
};

#pragma once
// The window of one editor view: a scroll area that owns a CVeloView and does for it, with
// Qt, everything the view asks of its window (painting, caret, scroll bars, input method
// position and font, status text, clipboard, wait cursor, fonts).
//
// Keys that stand for commands never arrive here: the shell's key filter routes them. What does
// arrive is typed text, which goes to the view as code page 932; the input method's finished
// text goes the same way. The text being composed is drawn here, over the cells at the caret,
// and never enters the document; while there is some, keys belong to the input method.
//
// Mouse and wheel go to the view in its own units: client points of the viewport, and wheel
// steps of 120, gathered from small deltas and split from big ones.
#include <QAbstractScrollArea>
#include <QImage>
#include <QInputMethodEvent>
#include <QList>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ViewFont.h"
#include "view/CVeloView.h"
#include "view/ViewHost.h"

class QScrollBar;

class ViewWidget : public QAbstractScrollArea, public ViewHost {
  Q_OBJECT

 public:
  // Makes the view that lives in this window; the window is its host.
  using ViewFactory = std::function<std::unique_ptr<CVeloView>(ViewHost& host)>;

  explicit ViewWidget(const ViewFactory& makeView, QWidget* parent = nullptr);
  // A plain CVeloView of doc.
  ViewWidget(CVeloDoc& doc, Settings& settings, QWidget* parent = nullptr);
  ~ViewWidget() override;

  CVeloView& View() const { return *view_; }
  // Runs the view's OnInitialUpdate once: after the document has its text, before the first
  // paint. Showing the widget runs it if nobody did.
  void InitialUpdate();

  // What the window shows of the caret, in viewport pixels; empty while it is not drawn
  // (no caret, hidden, no focus). The blink phase is not taken into account.
  QRect CaretRect() const;
  const QString& StatusText() const { return statusText_; }

  // Rows composed in an image from cached character cells and copied (true, the default:
  // several times faster), or replayed straight into the window's painter with glyph runs.
  void SetBufferedRows(bool buffered) { bufferedRows_ = buffered; }

  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  // The input method is composing text: it is shown at the caret, not yet in the document.
  bool IsComposing() const { return !preedit_.chars.empty(); }
  // The cells the composition covers, in viewport pixels; empty when nothing is shown.
  QRect CompositionRect() const;

  // The clipboard format that carries the document's own bytes, beside the Unicode text that
  // other programs read, so that copying inside the program changes no byte. It is counted:
  // a NUL byte travels like any other, while other programs' text ends at its first NUL.
  static constexpr const char* kCp932MimeType = "application/x-mirev-cp932";
  // How the user is told that the clipboard's text cannot be pasted: a message box of the
  // shell. Without one the status bar says it.
  void SetMessageBox(std::function<void(const QString& text)> show) { messageBox_ = std::move(show); }

  // ViewHost
  void Invalidate(const Rect* rect) override;
  void ScrollContent(int dx, int dy) override;
  Rect ClientRect() const override;
  void CreateCaret(int width, int height) override;
  void SetCaretPos(Point p) override;
  void ShowCaret() override;
  void HideCaret() override;
  void SetScrollBar(ScrollBarKind bar, const ScrollRange* range, int pos) override;
  void SetCapture() override;
  void ReleaseCapture() override;
  bool IsShiftDown() const override;
  bool IsCtrlDown() const override;
  void SetImeCompositionPos(Point p) override;
  void SetImeFont(const FontRequest& font) override;
  void SetStatusText(std::string_view utf8) override;
  bool SetClipboardText(std::string_view cp932) override;
  ClipboardText GetClipboardText() override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  TextMetrics SelectFont(const FontRequest& font) override;

 signals:
  // The caret's "line: column", for the frame's status bar; sent at every caret update.
  void statusTextChanged(const QString& text);
  // A message for the status bar's message pane (typed text that cannot be entered).
  void messageShown(const QString& text);
  // The user asked for the context popup (right button, the context-menu key) at a screen
  // point, taken as it comes, also from the keyboard.
  void contextMenuRequested(QPoint at);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  // Tab is typed text here, not a move to the next widget.
  bool focusNextPrevChild(bool next) override;
  // The view moves the content itself; the scroll area must not.
  void scrollContentsBy(int dx, int dy) override;

 private:
  // A bar as the view last set it, the position limited to the range.
  struct BarState {
    ScrollRange range;
    int pos = 0;
    bool known = false;
  };

  void Init();
  void ApplyBar(ScrollBarKind bar);
  void OnBarAction(ScrollBarKind bar, int action);
  void OnBarValueChanged(ScrollBarKind bar, int value);
  void DeliverScroll(ScrollBarKind bar, ScrollAction action, int pos);
  QScrollBar* Bar(ScrollBarKind bar) const;
  BarState& State(ScrollBarKind bar) { return bar == ScrollBarKind::Vertical ? vState_ : hState_; }
  bool CaretDrawn() const;
  void UpdateCaretArea();
  void RestartBlink();

  // One character of the text being composed, as the cell grid shows it.
  struct PreeditChar {
    QString text;
    unsigned code = 0;  // code page 932, as the font's cell cache takes it; 0: none
    int cells = 1;
    bool highlighted = false;  // the segment being converted
    bool underlined = true;
    Qt::PenStyle underline = Qt::SolidLine;
  };
  struct Preedit {
    std::vector<PreeditChar> chars;
    int cursorCells = 0;  // the input method's cursor, in cells from the start
    bool cursorVisible = false;
    int cells = 0;
  };
  void SetPreedit(const QString& text, const QList<QInputMethodEvent::Attribute>& attributes);
  void ClearPreedit();
  // Repaints where the composition was drawn and where it goes now.
  void UpdatePreeditArea();
  void DrawPreedit(QPainter& painter);
  // Where the composition starts: the caret's cell, in viewport pixels, left of the text
  // area when the caret is scrolled out to the left.
  QPoint CompositionOrigin() const;
  void Commit(const QInputMethodEvent& event);

  // The caret line around the caret, as the input method sees it: text, and the caret and the
  // selection anchor in it, in UTF-16 units. Byte from and to bound the window on the line.
  struct Surrounding {
    QString text;
    int cursor = 0;
    int anchor = 0;
    int from = 0;
    int to = 0;
  };
  Surrounding CaretLineText() const;
  // The byte of the caret line units UTF-16 units from byte from.
  int ByteAfterUnits(int from, int to, int units) const;

  // Viewport coordinates as the view's client points.
  static Point ClientPoint(const QMouseEvent& event);
  // Whole wheel steps in delta added to the accumulated rest (a reversal starts afresh).
  static int WheelSteps(int& rest, int delta);

  // What was typed or committed, control characters left out.
  static QString WithoutControls(const QString& text);
  // Text typed or committed by the input method, as code page 932; nothing (and a message in
  // the status bar) when it holds a character the code page lacks.
  std::optional<std::string> EncodeTyped(const QString& text);
  struct ClipboardRead {
    std::optional<std::string> text;  // nothing: no text, or the clipboard failed
    bool refused = false;             // text that code page 932 cannot hold
    char32_t codePoint = 0;           // its first such character
  };
  ClipboardRead ReadClipboard() const;
  void ReportRefusedPaste(char32_t codePoint);

  std::unique_ptr<CVeloView> view_;
  std::shared_ptr<ViewFont> font_;
  QFont imeFont_;
  QImage rowImage_;
  bool bufferedRows_ = true;
  bool initialUpdated_ = false;

  bool caretExists_ = false;
  int caretHideCount_ = 0;
  QRect caret_;
  bool blinkOn_ = true;
  QTimer blink_;
  QPoint imePos_;
  Preedit preedit_;
  QRect preeditShown_;  // what the last UpdatePreeditArea asked to paint
  bool grabbing_ = false;
  int wheelRestY_ = 0;
  int wheelRestX_ = 0;

  BarState hState_;
  BarState vState_;
  int delivering_ = 0;  // > 0 while a bar action is being handed to the view

  QString statusText_;
  int waitCursorDepth_ = 0;

  std::function<void(const QString&)> messageBox_;
};

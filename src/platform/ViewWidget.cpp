#include "platform/ViewWidget.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleHints>
#include <QTextCharFormat>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>
#include <new>
#include <string_view>

#include "platform/Cp932Text.h"
#include "platform/QtSurface.h"
#include "res/Resources.h"

namespace {

QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

// A bar's largest position: the last page starts there.
int MaxPosition(const ScrollRange& range) {
  const long long page = std::max<long long>(static_cast<long long>(range.page) - 1, 0);
  const long long last = std::max<long long>(static_cast<long long>(range.max) - page, range.min);
  return static_cast<int>(std::min<long long>(last, INT_MAX));
}

QString MessageWith(int id, const QString& argument) {
  return QString::fromUtf8(ResourceString(id)).replace(QStringLiteral("%1"), argument);
}

// Qt's text separates lines with LF; the platform's clipboard writes its own line ends.
QString ForeignClipboardText(std::string_view cp932) {
  QString text = Cp932ToQString(cp932);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

// Lines separated the document's way: every LF that follows no CR gets one.
std::u16string WithCrLf(const QString& text) {
  std::u16string out;
  out.reserve(static_cast<std::size_t>(text.size()) + static_cast<std::size_t>(text.count(u'\n')));
  char16_t previous = 0;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u == u'\n' && previous != u'\r') out.push_back(u'\r');
    out.push_back(u);
    previous = u;
  }
  return out;
}

}  // namespace

ViewWidget::ViewWidget(const ViewFactory& makeView, QWidget* parent) : QAbstractScrollArea(parent) {
  Init();
  view_ = makeView(*this);
}

ViewWidget::ViewWidget(CVeloDoc& doc, Settings& settings, QWidget* parent) : QAbstractScrollArea(parent) {
  Init();
  view_ = std::make_unique<CVeloView>(doc, settings, *this);
}

ViewWidget::~ViewWidget() {
  blink_.stop();
  view_.reset();
  while (waitCursorDepth_ > 0) EndWaitCursor();
}

void ViewWidget::Init() {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  // Every pixel of an update is painted by the view: nothing to erase first.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  for (ScrollBarKind kind : {ScrollBarKind::Horizontal, ScrollBarKind::Vertical}) {
    QScrollBar* bar = Bar(kind);
    bar->setRange(0, 0);
    bar->setEnabled(false);
    connect(bar, &QAbstractSlider::actionTriggered, this,
            [this, kind](int action) { OnBarAction(kind, action); });
    connect(bar, &QAbstractSlider::valueChanged, this,
            [this, kind](int value) { OnBarValueChanged(kind, value); });
    connect(bar, &QAbstractSlider::sliderReleased, this,
            [this, kind] { DeliverScroll(kind, ScrollAction::EndScroll, Bar(kind)->value()); });
  }
  blink_.setTimerType(Qt::CoarseTimer);
  connect(&blink_, &QTimer::timeout, this, [this] {
    blinkOn_ = !blinkOn_;
    UpdateCaretArea();
  });
}

void ViewWidget::InitialUpdate() {
  if (initialUpdated_ || !view_) return;
  initialUpdated_ = true;
  view_->OnInitialUpdate();
  if (hasFocus()) view_->OnSetFocus();
}

// --- Painting --------------------------------------------------------------------------

void ViewWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  if (!view_ || !initialUpdated_ || !font_) {
    const Color ground =
        view_ ? view_->GetSettings().colors[ColorTable::Ground] : kDefaultColors[ColorTable::Ground];
    painter.fillRect(event->rect(), QColor(ToQRgb(ground)));
    return;
  }
  {
    // The cached cells are device pixels at scale 1; a scaled screen gets glyph runs instead.
    const bool cells = bufferedRows_ && viewport()->devicePixelRatioF() == 1.0;
    QtSurface surface(painter, *font_, event->rect(), cells ? &rowImage_ : nullptr);
    view_->OnDraw(surface);
  }
  if (IsComposing()) {
    DrawPreedit(painter);
    return;
  }
  if (CaretDrawn() && blinkOn_) {
    // Inverted, so that a block caret leaves its character readable.
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.fillRect(caret_, Qt::white);
  }
}

void ViewWidget::Invalidate(const Rect* rect) {
  if (rect) {
    if (!rect->IsEmpty()) viewport()->update(ToQRect(*rect));
  } else {
    viewport()->update();
  }
}

void ViewWidget::ScrollContent(int dx, int dy) {
  if (dx == 0 && dy == 0) return;
  viewport()->scroll(dx, dy);
  // The caret's pixels moved with the content: repaint where they went and where it stands.
  if (CaretDrawn()) {
    viewport()->update(caret_.translated(dx, dy));
    viewport()->update(caret_);
  }
  // So did the composition's; it is drawn again where the caret goes next.
  if (!preeditShown_.isEmpty()) viewport()->update(preeditShown_.translated(dx, dy));
}

Rect ViewWidget::ClientRect() const {
  const QRect r = viewport()->rect();
  return {0, 0, r.width(), r.height()};
}

void ViewWidget::scrollContentsBy(int, int) {}

// --- Caret -----------------------------------------------------------------------------

bool ViewWidget::CaretDrawn() const {
  return caretExists_ && caretHideCount_ == 0 && hasFocus() && !caret_.isEmpty();
}

QRect ViewWidget::CaretRect() const { return CaretDrawn() ? caret_ : QRect(); }

void ViewWidget::UpdateCaretArea() {
  if (!caret_.isEmpty()) viewport()->update(caret_);
}

void ViewWidget::RestartBlink() {
  blinkOn_ = true;
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  if (CaretDrawn() && flash > 0) {
    blink_.start(std::max(flash / 2, 50));
  } else {
    blink_.stop();
  }
}

void ViewWidget::CreateCaret(int width, int height) {
  // A new caret replaces the old one and starts hidden: the view shows it when it is placed.
  UpdateCaretArea();
  caretExists_ = true;
  caretHideCount_ = 1;
  caret_.setSize(QSize(std::clamp(width, 1, 4096), std::clamp(height, 1, 4096)));
  RestartBlink();
}

void ViewWidget::SetCaretPos(Point p) {
  UpdateCaretArea();
  caret_.moveTopLeft(QPoint(p.x, p.y));
  UpdateCaretArea();
  RestartBlink();
  if (IsComposing()) UpdatePreeditArea();
}

void ViewWidget::ShowCaret() {
  if (!caretExists_ || caretHideCount_ == 0) return;
  if (--caretHideCount_ == 0) {
    UpdateCaretArea();
    RestartBlink();
  }
}

void ViewWidget::HideCaret() {
  if (!caretExists_) return;
  if (caretHideCount_ == 0) UpdateCaretArea();
  caretHideCount_ = std::min(caretHideCount_ + 1, 1 << 20);
  RestartBlink();
}

// --- Scroll bars -----------------------------------------------------------------------

QScrollBar* ViewWidget::Bar(ScrollBarKind bar) const {
  return bar == ScrollBarKind::Vertical ? verticalScrollBar() : horizontalScrollBar();
}

void ViewWidget::SetScrollBar(ScrollBarKind bar, const ScrollRange* range, int pos) {
  BarState& state = State(bar);
  if (range) {
    state.range = *range;
    state.range.max = std::max(range->max, range->min);
  }
  state.pos = std::clamp(pos, state.range.min, MaxPosition(state.range));
  state.known = true;
  ApplyBar(bar);
}

void ViewWidget::ApplyBar(ScrollBarKind bar) {
  const BarState& state = State(bar);
  if (!state.known) return;
  QScrollBar* qbar = Bar(bar);
  const QSignalBlocker block(qbar);
  const int maxPos = MaxPosition(state.range);
  qbar->setRange(state.range.min, maxPos);
  qbar->setPageStep(std::max(state.range.page, 1));
  qbar->setSingleStep(1);
  qbar->setValue(state.pos);
  qbar->setEnabled(maxPos > state.range.min);
}

void ViewWidget::DeliverScroll(ScrollBarKind bar, ScrollAction action, int pos) {
  if (!view_ || !initialUpdated_) return;
  ++delivering_;
  if (bar == ScrollBarKind::Vertical) {
    view_->OnVScroll(action, pos);
  } else {
    view_->OnHScroll(action, pos);
  }
  --delivering_;
  // The bar shows where the view went, not where the mouse put it.
  ApplyBar(bar);
}

void ViewWidget::OnBarAction(ScrollBarKind bar, int action) {
  QScrollBar* qbar = Bar(bar);
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      DeliverScroll(bar, ScrollAction::LineUp, qbar->value());
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      DeliverScroll(bar, ScrollAction::LineDown, qbar->value());
      break;
    case QAbstractSlider::SliderPageStepSub:
      DeliverScroll(bar, ScrollAction::PageUp, qbar->value());
      break;
    case QAbstractSlider::SliderPageStepAdd:
      DeliverScroll(bar, ScrollAction::PageDown, qbar->value());
      break;
    case QAbstractSlider::SliderToMinimum:
      DeliverScroll(bar, ScrollAction::Top, qbar->minimum());
      break;
    case QAbstractSlider::SliderToMaximum:
      DeliverScroll(bar, ScrollAction::Bottom, qbar->maximum());
      break;
    case QAbstractSlider::SliderMove:
      DeliverScroll(bar, ScrollAction::ThumbTrack, qbar->sliderPosition());
      break;
    default:
      break;
  }
}

void ViewWidget::OnBarValueChanged(ScrollBarKind bar, int value) {
  // Actions arrive through OnBarAction; this is a position set from outside (setValue).
  if (delivering_ > 0 || value == State(bar).pos) return;
  DeliverScroll(bar, ScrollAction::ThumbPosition, value);
}

// --- Input method, status, capture, keys -------------------------------------------------

QVariant ViewWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
  const bool ready = view_ && initialUpdated_ && font_;
  switch (query) {
    case Qt::ImEnabled:
      return true;
    case Qt::ImCursorRectangle: {
      // At the caret's cell, or at the input method's cursor in the composition, kept inside the
      // viewport so that the candidate window opens next to the text. Widget coordinates.
      const int height = font_ ? font_->LineHeight() : std::max(caret_.height(), 1);
      QPoint at = imePos_;
      if (IsComposing() && font_)
        at = CompositionOrigin() + QPoint(preedit_.cursorCells * font_->CellWidth(), 0);
      const QRect area = viewport()->rect();
      at.setX(std::clamp(at.x(), 0, std::max(area.width() - 1, 0)));
      at.setY(std::clamp(at.y(), 0, std::max(area.height() - height, 0)));
      return QRect(viewport()->geometry().topLeft() + at, QSize(std::max(caret_.width(), 1), height));
    }
    case Qt::ImFont:
      return font_ ? font_->Font() : imeFont_;
    case Qt::ImSurroundingText:
      return ready ? CaretLineText().text : QString();
    case Qt::ImCursorPosition:
      return ready ? CaretLineText().cursor : 0;
    case Qt::ImAnchorPosition:
      return ready ? CaretLineText().anchor : 0;
    case Qt::ImTextBeforeCursor: {
      if (!ready) return QString();
      const Surrounding around = CaretLineText();
      return around.text.left(around.cursor);
    }
    case Qt::ImTextAfterCursor: {
      if (!ready) return QString();
      const Surrounding around = CaretLineText();
      return around.text.mid(around.cursor);
    }
    case Qt::ImCurrentSelection: {
      if (!ready) return QString();
      const Surrounding around = CaretLineText();
      const int from = std::min(around.cursor, around.anchor);
      return around.text.mid(from, std::abs(around.cursor - around.anchor));
    }
    case Qt::ImHints:
      return static_cast<int>(Qt::ImhMultiLine);
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}

void ViewWidget::SetImeCompositionPos(Point p) {
  imePos_ = QPoint(p.x, p.y);
  // After every caret move, scroll and edit: the input method reads the place and the text
  // around the caret again.
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
}

void ViewWidget::SetImeFont(const FontRequest& font) {
  imeFont_ = ViewFont::MakeQFont(font);
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImFont | Qt::ImCursorRectangle);
}

ViewWidget::Surrounding ViewWidget::CaretLineText() const {
  Surrounding around;
  const TextPos& caret = view_->Caret();
  if (!caret.node) return around;
  const std::string_view line = caret.node->text.View();
  const int size = static_cast<int>(line.size());
  const int at = std::clamp(caret.byteIndex, 0, size);
  // A window of the line: a huge line is not converted whole at every query. Its start is
  // the first sure character start in the kilobyte before the caret: the byte before it is
  // no lead byte, so it ends a character. A kilobyte of nothing but lead bytes (which pair
  // up in ways only the whole line tells) leaves no text before the caret.
  constexpr int kBytes = 1024;
  around.from = std::max(at - kBytes, 0);
  while (around.from > 0 && around.from < at &&
         cp932::IsLeadByte(static_cast<unsigned char>(line[static_cast<std::size_t>(around.from - 1)])))
    ++around.from;
  around.to = at;
  while (around.to < size && around.to - at < kBytes) around.to = cp932::NextCharStart(line, around.to);
  auto units = [&](int from, int to) {
    return Cp932ToQString(line.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)));
  };
  around.text = units(around.from, around.to);
  around.cursor = static_cast<int>(units(around.from, at).size());
  around.anchor = around.cursor;
  const TextPos& anchor = view_->SelAnchor();
  if (view_->IsSelecting() && anchor.node == caret.node && anchor.byteIndex >= around.from &&
      anchor.byteIndex <= around.to)
    around.anchor = static_cast<int>(units(around.from, anchor.byteIndex).size());
  return around;
}

int ViewWidget::ByteAfterUnits(int from, int to, int units) const {
  const std::string_view line = view_->Caret().node->text.View();
  int at = from;
  while (at < to && units > 0) {
    const cp932::DecodedChar c = cp932::DecodeAt(line, static_cast<std::size_t>(at));
    units -= c.codePoint != cp932::kNoChar && c.codePoint > 0xFFFF ? 2 : 1;
    at += std::max(c.length, 1);
  }
  return std::min(at, to);
}

void ViewWidget::SetStatusText(std::string_view utf8) {
  // Sent every time, unchanged or not: the frame's message pane may show something else since.
  statusText_ = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  emit statusTextChanged(statusText_);
}

// The viewport keeps the mouse from the press to the release, wherever the pointer goes.
void ViewWidget::SetCapture() {
  if (!viewport()->isVisible()) return;
  viewport()->grabMouse();
  grabbing_ = true;
}

void ViewWidget::ReleaseCapture() {
  if (!grabbing_) return;
  grabbing_ = false;
  viewport()->releaseMouse();
}

bool ViewWidget::IsShiftDown() const {
  return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

bool ViewWidget::IsCtrlDown() const {
  return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
}

// A key that reaches the window was no command of the tables: what it types goes in.
void ViewWidget::keyPressEvent(QKeyEvent* event) {
  if (!view_ || !initialUpdated_) return event->ignore();
  if (IsComposing()) {
    // The input method let this key through while its composition is shown: it has lost the
    // composition. It goes, and the key with it: nothing half-composed reaches the document.
    QGuiApplication::inputMethod()->reset();
    ClearPreedit();
    return event->accept();
  }
  const Qt::KeyboardModifiers mods = event->modifiers();
  const bool ctrl = mods.testFlag(Qt::ControlModifier);
  const bool alt = mods.testFlag(Qt::AltModifier);
  // Chords with Ctrl, Alt or the system key stand for commands; those no table has type
  // nothing. Ctrl and Alt together are AltGr on some systems and type what the key shows.
  if (mods.testFlag(Qt::MetaModifier)) return event->ignore();
  // Ctrl+I and Ctrl+M are the control characters tab and carriage return, as on a terminal.
  if (ctrl && !alt && (event->key() == Qt::Key_I || event->key() == Qt::Key_M)) {
    view_->OnChar(event->key() == Qt::Key_I ? '\t' : '\r');
    return event->accept();
  }
  if (ctrl != alt) return event->ignore();
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      if (ctrl) return event->ignore();
      view_->OnChar(event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab ? '\t' : '\r');
      return event->accept();
    default:
      break;
  }
  QString text;
  for (const QChar c : event->text()) {
    if (c.category() != QChar::Other_Control) text += c;
  }
  if (text.isEmpty()) return event->ignore();
  if (const std::optional<std::string> bytes = EncodeTyped(text)) view_->OnTypedText(*bytes);
  event->accept();
}

void ViewWidget::keyReleaseEvent(QKeyEvent* event) { event->ignore(); }

void ViewWidget::inputMethodEvent(QInputMethodEvent* event) {
  event->accept();
  if (!view_ || !initialUpdated_) return;
  // The finished text goes in first, then the new composition (empty when it ended) is shown.
  Commit(*event);
  SetPreedit(event->preeditString(), event->attributes());
}

void ViewWidget::Commit(const QInputMethodEvent& event) {
  QString text;
  for (const QChar c : event.commitString()) {
    if (c.category() != QChar::Other_Control) text += c;
  }
  const bool replaces = event.replacementLength() > 0 || event.replacementStart() != 0;
  if (text.isEmpty() && !replaces) return;
  const std::optional<std::string> bytes = text.isEmpty() ? std::string() : EncodeTyped(text);
  if (!bytes) return;  // refused, and the status bar says why
  if (!replaces) return view_->OnImeComposition(*bytes);
  // The span is given in UTF-16 units around the caret, within the text the input method read.
  const Surrounding around = CaretLineText();
  const long long start = std::clamp<long long>(
      static_cast<long long>(around.cursor) + event.replacementStart(), 0, around.text.size());
  const long long end =
      std::clamp<long long>(start + std::max(event.replacementLength(), 0), start, around.text.size());
  const int from = ByteAfterUnits(around.from, around.to, static_cast<int>(start));
  const int to = ByteAfterUnits(from, around.to, static_cast<int>(end - start));
  view_->OnImeComposition(*bytes, CVeloView::LineSpan{from, to});
}

void ViewWidget::SetPreedit(const QString& text, const QList<QInputMethodEvent::Attribute>& attributes) {
  Preedit next;
  // Per UTF-16 unit of text: the character it belongs to.
  std::vector<int> charOf(static_cast<std::size_t>(text.size()) + 1, 0);
  for (qsizetype i = 0; i < text.size();) {
    const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    const char32_t ch = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
    PreeditChar c;
    c.text = text.mid(i, pair ? 2 : 1);
    const cp932::EncodedChar encoded = cp932::EncodeChar(ch);
    if (encoded.length == 2) {
      c.code = static_cast<unsigned>(encoded.bytes[0]) << 8 | encoded.bytes[1];
      c.cells = 2;
    } else if (encoded.length == 1) {
      c.code = encoded.bytes[0];
    } else {
      c.cells = ch >= 0x1100 ? 2 : 1;  // what the code page lacks is mostly wide
    }
    for (int k = 0; k < (pair ? 2 : 1); ++k)
      charOf[static_cast<std::size_t>(i + k)] = static_cast<int>(next.chars.size());
    next.chars.push_back(std::move(c));
    i += pair ? 2 : 1;
  }
  charOf.back() = static_cast<int>(next.chars.size());
  bool formatted = false;
  int cursorChar = static_cast<int>(next.chars.size());
  for (const QInputMethodEvent::Attribute& a : attributes) {
    const int start = static_cast<int>(std::clamp<qsizetype>(a.start, 0, text.size()));
    if (a.type == QInputMethodEvent::Cursor) {
      cursorChar = charOf[static_cast<std::size_t>(start)];
      next.cursorVisible = a.length > 0;
    } else if (a.type == QInputMethodEvent::TextFormat) {
      const QTextCharFormat format = a.value.value<QTextFormat>().toCharFormat();
      if (!formatted) {
        for (PreeditChar& c : next.chars) c.underlined = false;
        formatted = true;
      }
      const int end = static_cast<int>(std::clamp<qsizetype>(a.start + a.length, start, text.size()));
      for (int i = charOf[static_cast<std::size_t>(start)]; i < charOf[static_cast<std::size_t>(end)]; ++i) {
        PreeditChar& c = next.chars[static_cast<std::size_t>(i)];
        c.highlighted = c.highlighted || format.background().style() != Qt::NoBrush;
        const QTextCharFormat::UnderlineStyle style = format.underlineStyle();
        if (style != QTextCharFormat::NoUnderline) {
          c.underlined = true;
          c.underline = style == QTextCharFormat::DashUnderline ? Qt::DashLine
                        : style == QTextCharFormat::DotLine     ? Qt::DotLine
                                                                : Qt::SolidLine;
        }
      }
    }
  }
  for (int i = 0; i < static_cast<int>(next.chars.size()); ++i) {
    if (i == cursorChar) next.cursorCells = next.cells;
    next.cells += next.chars[static_cast<std::size_t>(i)].cells;
  }
  if (cursorChar >= static_cast<int>(next.chars.size())) next.cursorCells = next.cells;
  const bool was = IsComposing();
  preedit_ = std::move(next);
  if (was || IsComposing()) {
    UpdatePreeditArea();
    UpdateCaretArea();
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
  }
}

void ViewWidget::ClearPreedit() {
  if (!IsComposing()) return;
  preedit_ = Preedit{};
  UpdatePreeditArea();
  UpdateCaretArea();
}

QPoint ViewWidget::CompositionOrigin() const {
  const CVeloView& v = *view_;
  const long long x =
      v.MarginWidth() + (static_cast<long long>(v.Caret().column) - v.Origin().column) * v.CharWidth();
  const long long y = (static_cast<long long>(v.Caret().line) - v.Origin().line) * v.LineHeight();
  return QPoint(static_cast<int>(std::clamp<long long>(x, INT_MIN / 4, INT_MAX / 4)),
                static_cast<int>(std::clamp<long long>(y, INT_MIN / 4, INT_MAX / 4)));
}

QRect ViewWidget::CompositionRect() const {
  if (!IsComposing() || !view_ || !initialUpdated_ || !font_) return QRect();
  const QPoint at = CompositionOrigin();
  const long long width = static_cast<long long>(preedit_.cells) * font_->CellWidth();
  const QRect cells(at,
                    QSize(static_cast<int>(std::min<long long>(width, INT_MAX / 4)), font_->LineHeight()));
  // Never over the margin.
  const QRect text = viewport()->rect().adjusted(view_->MarginWidth(), 0, 0, 0);
  return cells & text;
}

void ViewWidget::UpdatePreeditArea() {
  const QRect now = CompositionRect();
  if (!preeditShown_.isEmpty()) viewport()->update(preeditShown_);
  if (!now.isEmpty()) viewport()->update(now);
  preeditShown_ = now;
}

void ViewWidget::DrawPreedit(QPainter& painter) {
  const QRect area = CompositionRect();
  if (area.isEmpty()) return;
  const ColorTable& colors = view_->GetSettings().colors;
  const int cw = font_->CellWidth();
  const int lh = font_->LineHeight();
  const QPoint at = CompositionOrigin();
  painter.save();
  painter.setClipRect(area);
  int x = at.x();
  for (const PreeditChar& c : preedit_.chars) {
    const QRect cells(x, at.y(), c.cells * cw, lh);
    x += cells.width();
    if (!cells.intersects(area)) continue;
    const QRgb ink = ToQRgb(colors[c.highlighted ? ColorTable::SelText : ColorTable::Text]);
    const QRgb back = ToQRgb(colors[c.highlighted ? ColorTable::SelBk : ColorTable::Bk]);
    if (c.code != 0) {
      painter.drawImage(cells.topLeft(), font_->Cells(ink, back).For(c.code));
    } else {
      painter.fillRect(cells, QColor(back));
      painter.save();
      painter.setClipRect(cells & area);
      painter.setFont(font_->Font());
      painter.setPen(QColor(ink));
      painter.drawText(QPointF(cells.left(), cells.top() + font_->Baseline()), c.text);
      painter.restore();
    }
    if (c.underlined) {
      painter.setPen(QPen(QColor(ink), 1, c.underline, Qt::FlatCap));
      painter.drawLine(QPointF(cells.left(), cells.bottom() + 0.5),
                       QPointF(cells.right() + 1, cells.bottom() + 0.5));
    }
  }
  if (preedit_.cursorVisible && hasFocus()) {
    const int cx = at.x() + preedit_.cursorCells * cw - 1;
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.fillRect(QRect(std::max(cx, at.x()), at.y(), 2, lh), Qt::white);
  }
  painter.restore();
}

// --- Mouse and wheel -----------------------------------------------------------------------

Point ViewWidget::ClientPoint(const QMouseEvent& event) {
  const QPointF p = event.position();
  auto whole = [](double v) { return static_cast<int>(std::clamp(std::floor(v), -1e9, 1e9)); };
  return Point{whole(p.x()), whole(p.y())};
}

void ViewWidget::mousePressEvent(QMouseEvent* event) {
  if (!view_ || !initialUpdated_ || event->button() != Qt::LeftButton) return event->ignore();
  // A click ends the composition: what was composed goes in where it was composed.
  if (IsComposing()) {
    QGuiApplication::inputMethod()->commit();
    ClearPreedit();
  }
  view_->OnLButtonDown(ClientPoint(*event));
  event->accept();
}

// No double-click handling: the second press is a press.
void ViewWidget::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void ViewWidget::mouseMoveEvent(QMouseEvent* event) {
  if (!view_ || !initialUpdated_) return event->ignore();
  view_->OnMouseMove(ClientPoint(*event));
  event->accept();
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (!view_ || !initialUpdated_ || event->button() != Qt::LeftButton) return event->ignore();
  view_->OnLButtonUp(ClientPoint(*event));
  ReleaseCapture();
  event->accept();
}

int ViewWidget::WheelSteps(int& rest, int delta) {
  constexpr int kStep = 120;
  // A hostile or runaway device does not queue up more than a few pages of steps.
  constexpr int kMostSteps = 40;
  if ((rest > 0 && delta < 0) || (rest < 0 && delta > 0)) rest = 0;
  rest = std::clamp(rest + std::clamp(delta, -kStep * kMostSteps, kStep * kMostSteps), -kStep * kMostSteps,
                    kStep * kMostSteps);
  const int steps = rest / kStep;
  rest -= steps * kStep;
  return steps;
}

void ViewWidget::wheelEvent(QWheelEvent* event) {
  if (!view_ || !initialUpdated_) return event->ignore();
  // Each whole 120 is one step in its own direction: a touchpad's small deltas add up, a fast
  // wheel's big ones make several steps.
  const QPoint delta = event->angleDelta();
  for (int n = WheelSteps(wheelRestY_, delta.y()); n != 0; n += n > 0 ? -1 : 1)
    view_->OnMouseWheel(n > 0 ? 120 : -120);
  for (int n = WheelSteps(wheelRestX_, delta.x()); n != 0; n += n > 0 ? -1 : 1)
    view_->OnMouseHWheel(n > 0 ? 120 : -120);
  event->accept();
}

void ViewWidget::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
  emit contextMenuRequested(event->globalPos());
}

bool ViewWidget::focusNextPrevChild(bool) { return false; }

std::optional<std::string> ViewWidget::EncodeTyped(const QString& text) {
  cp932::EncodeResult encoded = cp932::EncodeUtf16(Utf16Of(text));
  if (encoded.ok) return std::move(encoded.bytes);
  emit messageShown(MessageWith(IDS_TYPED_NOT_CP932, CharName(encoded.codePoint)));
  return std::nullopt;
}

// --- Clipboard, wait cursor, font --------------------------------------------------------

bool ViewWidget::SetClipboardText(std::string_view cp932) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  try {
    auto mime = std::make_unique<QMimeData>();
    mime->setData(QString::fromLatin1(kCp932MimeType),
                  QByteArray(cp932.data(), static_cast<qsizetype>(cp932.size())));
    mime->setText(ForeignClipboardText(cp932));
    clipboard->setMimeData(mime.release());
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

ViewWidget::ClipboardRead ViewWidget::ReadClipboard() const {
  ClipboardRead read;
  const QClipboard* clipboard = QGuiApplication::clipboard();
  const QMimeData* mime = clipboard ? clipboard->mimeData() : nullptr;
  if (!mime) return read;
  try {
    const QString ownType = QString::fromLatin1(kCp932MimeType);
    if (mime->hasFormat(ownType)) {
      const QByteArray bytes = mime->data(ownType);
      read.text.emplace(bytes.constData(), static_cast<std::size_t>(bytes.size()));
      return read;
    }
    if (!mime->hasText()) return read;
    // Other programs' text ends at its first NUL, as on a clipboard of C strings.
    QString foreign = mime->text();
    if (const qsizetype nul = foreign.indexOf(QChar(0)); nul >= 0) foreign.truncate(nul);
    cp932::EncodeResult encoded = cp932::EncodeUtf16(WithCrLf(foreign));
    if (!encoded.ok) {
      read.refused = true;
      read.codePoint = encoded.codePoint;
      return read;
    }
    read.text = std::move(encoded.bytes);
  } catch (const std::bad_alloc&) {
    read = ClipboardRead{};
  }
  return read;
}

ClipboardText ViewWidget::GetClipboardText() {
  ClipboardRead read = ReadClipboard();
  if (read.refused) {
    ReportRefusedPaste(read.codePoint);
    return {ClipboardText::Refused, {}};
  }
  if (!read.text) return {};
  return {ClipboardText::Text, std::move(*read.text)};
}

void ViewWidget::ReportRefusedPaste(char32_t codePoint) {
  const QString text = MessageWith(IDS_PASTE_NOT_CP932, CharName(codePoint));
  if (messageBox_) {
    messageBox_(text);
  } else {
    emit messageShown(text);
  }
}

void ViewWidget::BeginWaitCursor() {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  ++waitCursorDepth_;
}

void ViewWidget::EndWaitCursor() {
  if (waitCursorDepth_ == 0) return;
  --waitCursorDepth_;
  QGuiApplication::restoreOverrideCursor();
}

TextMetrics ViewWidget::SelectFont(const FontRequest& font) {
  font_ = ViewFont::For(font);
  return font_->Metrics();
}

// --- Window events -----------------------------------------------------------------------

void ViewWidget::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (view_ && initialUpdated_) view_->OnSize();
}

void ViewWidget::showEvent(QShowEvent* event) {
  QAbstractScrollArea::showEvent(event);
  InitialUpdate();
}

void ViewWidget::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  if (view_ && initialUpdated_) view_->OnSetFocus();
  RestartBlink();
  UpdateCaretArea();
}

void ViewWidget::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  // The composition belongs to the focus: another window or view takes it over.
  ClearPreedit();
  ReleaseCapture();
  if (view_ && initialUpdated_) view_->OnKillFocus();
  RestartBlink();
  UpdateCaretArea();
}

#include "platform/ViewWidget.h"

#include <QClipboard>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleHints>
#include <algorithm>
#include <climits>

#include "platform/Cp932Text.h"
#include "platform/QtSurface.h"

namespace {

QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

// The classic bar's largest position: the last page starts there.
int MaxPosition(const ScrollInfo& info) {
  const long long page = std::max<long long>(static_cast<long long>(info.nPage) - 1, 0);
  const long long last = std::max<long long>(static_cast<long long>(info.nMax) - page, info.nMin);
  return static_cast<int>(std::min<long long>(last, INT_MAX));
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
            [this, kind] { DeliverScroll(kind, SB_ENDSCROLL, Bar(kind)->value()); });
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
  if (CaretDrawn() && blinkOn_) {
    // Inverted, as the classic caret is: a block caret leaves its character readable.
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.fillRect(caret_, Qt::white);
  }
}

void ViewWidget::Invalidate(const Rect* rect, bool /*erase*/) {
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
  // A new caret replaces the old one and starts hidden, as the classic caret does.
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

void ViewWidget::SetScrollInfo(ScrollBarKind bar, const ScrollInfo& info) {
  BarState& state = State(bar);
  if (info.mask & kScrollRange) {
    state.info.nMin = info.nMin;
    state.info.nMax = std::max(info.nMax, info.nMin);
  }
  if (info.mask & kScrollPage) state.info.nPage = info.nPage;
  if (info.mask & kScrollPos) state.info.nPos = info.nPos;
  state.info.mask = info.mask & kScrollDisableNoScroll;
  state.info.nPos = std::clamp(state.info.nPos, state.info.nMin, MaxPosition(state.info));
  state.known = true;
  ApplyBar(bar);
}

void ViewWidget::ApplyBar(ScrollBarKind bar) {
  const BarState& state = State(bar);
  if (!state.known) return;
  QScrollBar* qbar = Bar(bar);
  const QSignalBlocker block(qbar);
  const ScrollInfo& info = state.info;
  const int maxPos = MaxPosition(info);
  qbar->setRange(info.nMin, maxPos);
  qbar->setPageStep(static_cast<int>(std::clamp<unsigned>(info.nPage, 1u, INT_MAX)));
  qbar->setSingleStep(1);
  qbar->setValue(info.nPos);
  const bool scrolls = maxPos > info.nMin;
  const Qt::ScrollBarPolicy policy =
      scrolls || (info.mask & kScrollDisableNoScroll) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (bar == ScrollBarKind::Vertical) {
    if (verticalScrollBarPolicy() != policy) setVerticalScrollBarPolicy(policy);
  } else if (horizontalScrollBarPolicy() != policy) {
    setHorizontalScrollBarPolicy(policy);
  }
  qbar->setEnabled(scrolls);
}

void ViewWidget::DeliverScroll(ScrollBarKind bar, int code, int pos) {
  if (!view_ || !initialUpdated_) return;
  ++delivering_;
  if (bar == ScrollBarKind::Vertical) {
    view_->OnVScroll(code, pos);
  } else {
    view_->OnHScroll(code, pos);
  }
  --delivering_;
  // The bar shows where the view went, not where the mouse put it.
  ApplyBar(bar);
}

void ViewWidget::OnBarAction(ScrollBarKind bar, int action) {
  QScrollBar* qbar = Bar(bar);
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      DeliverScroll(bar, SB_LINEUP, qbar->value());
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      DeliverScroll(bar, SB_LINEDOWN, qbar->value());
      break;
    case QAbstractSlider::SliderPageStepSub:
      DeliverScroll(bar, SB_PAGEUP, qbar->value());
      break;
    case QAbstractSlider::SliderPageStepAdd:
      DeliverScroll(bar, SB_PAGEDOWN, qbar->value());
      break;
    case QAbstractSlider::SliderToMinimum:
      DeliverScroll(bar, SB_TOP, qbar->minimum());
      break;
    case QAbstractSlider::SliderToMaximum:
      DeliverScroll(bar, SB_BOTTOM, qbar->maximum());
      break;
    case QAbstractSlider::SliderMove:
      DeliverScroll(bar, SB_THUMBTRACK, qbar->sliderPosition());
      break;
    default:
      break;
  }
}

void ViewWidget::OnBarValueChanged(ScrollBarKind bar, int value) {
  // Actions arrive through OnBarAction; this is a position set from outside (setValue).
  if (delivering_ > 0 || value == State(bar).info.nPos) return;
  DeliverScroll(bar, SB_THUMBPOSITION, value);
}

// --- Input method, status, capture, keys -------------------------------------------------

QVariant ViewWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled:
      return true;
    case Qt::ImCursorRectangle: {
      // The focus widget is the scroll area; the composition point is in viewport pixels.
      const QPoint at = viewport()->geometry().topLeft() + imePos_;
      const int height = font_ ? font_->LineHeight() : caret_.height();
      return QRect(at, QSize(std::max(caret_.width(), 1), std::max(height, 1)));
    }
    case Qt::ImFont:
      return imeFont_;
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}

void ViewWidget::SetImeCompositionPos(Point p) {
  const QPoint at(p.x, p.y);
  if (at == imePos_) return;
  imePos_ = at;
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

void ViewWidget::SetImeFont(const FontRequest& font) {
  imeFont_ = ViewFont::MakeQFont(font);
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImFont);
}

void ViewWidget::SetStatusText(std::string_view utf8) {
  // Sent every time, unchanged or not: the frame's message pane may show something else since.
  statusText_ = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  emit statusTextChanged(statusText_);
}

void ViewWidget::SetCapture() { captured_ = true; }
void ViewWidget::ReleaseCapture() { captured_ = false; }

bool ViewWidget::IsShiftDown() const {
  return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

bool ViewWidget::IsCtrlDown() const {
  return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
}

void ViewWidget::keyPressEvent(QKeyEvent* event) { event->ignore(); }
void ViewWidget::keyReleaseEvent(QKeyEvent* event) { event->ignore(); }

// --- Clipboard, wait cursor, font --------------------------------------------------------

bool ViewWidget::SetClipboardText(std::string_view cp932) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(Cp932ToQString(cp932));
  return true;
}

std::optional<std::string> ViewWidget::GetClipboardText() { return std::nullopt; }

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
  if (view_ && initialUpdated_) view_->OnKillFocus();
  RestartBlink();
  UpdateCaretArea();
}

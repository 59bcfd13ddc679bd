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

// --- Status, capture, keys (the input method: ViewWidgetIme.cpp) -----------------------

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
  const QString text = WithoutControls(event->text());
  if (text.isEmpty()) return event->ignore();
  if (const std::optional<std::string> bytes = EncodeTyped(text)) view_->OnTypedText(*bytes);
  event->accept();
}

void ViewWidget::keyReleaseEvent(QKeyEvent* event) { event->ignore(); }

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

QString ViewWidget::WithoutControls(const QString& text) {
  QString out;
  for (const QChar c : text) {
    if (c.category() != QChar::Other_Control) out += c;
  }
  return out;
}

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

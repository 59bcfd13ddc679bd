// The input method on the cell grid: what it asks of the window (the caret's place, the font,
// the text around the caret), finished text into the document, and the text being composed
// drawn over the cells at the caret.
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QPainter>
#include <QTextCharFormat>
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "platform/Cp932Text.h"
#include "platform/QtSurface.h"
#include "platform/ViewWidget.h"

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

void ViewWidget::inputMethodEvent(QInputMethodEvent* event) {
  event->accept();
  if (!view_ || !initialUpdated_) return;
  // The finished text goes in first, then the new composition (empty when it ended) is shown.
  Commit(*event);
  SetPreedit(event->preeditString(), event->attributes());
}

void ViewWidget::Commit(const QInputMethodEvent& event) {
  const QString text = WithoutControls(event.commitString());
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

#include "platform/ViewFont.h"

#include <QChar>
#include <QCoreApplication>
#include <QGlyphRun>
#include <QList>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <utility>

#include "base/Cp932.h"

namespace {

bool IsInvisible(char32_t ch) {
  switch (QChar::category(ch)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_NotAssigned:
    case QChar::Other_Surrogate:
      return true;
    default:
      return false;
  }
}

}  // namespace

QFont ViewFont::MakeQFont(const FontRequest& request) {
  QFont font;
  // Japanese faces whose kana and kanji are exactly two half-width cells wide.
  font.setFamilies({QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Source Han Mono"),
                    QStringLiteral("IPAGothic"), QStringLiteral("TakaoGothic"), QStringLiteral("VL Gothic"),
                    QStringLiteral("monospace")});
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setKerning(false);
  // The request comes from the view, but keep a hostile value from asking for a huge face.
  font.setPixelSize(std::clamp(std::abs(request.height), 6, 200));
  font.setWeight(request.weight <= 0 ? QFont::Normal
                                     : static_cast<QFont::Weight>(std::clamp(request.weight, 100, 900)));
  return font;
}

ViewFont::ViewFont(const FontRequest& request) : font_(MakeQFont(request)), raw_(QRawFont::fromFont(font_)) {
  lineHeight_ = std::max(1, font_.pixelSize());
  cellWidth_ = std::max(1, lineHeight_ / 2);
  baseline_ = IdeographicBaseline();
  asciiBaseline_ = AsciiBaselineFor(baseline_);
}

int ViewFont::IdeographicBaseline() const {
  // The typographic ascender and descender of a Japanese face span its em box; faces that do
  // not say so get the usual proportion.
  double ratio = 0.88;
  const QByteArray os2 = raw_.isValid() ? raw_.fontTable("OS/2") : QByteArray();
  // sTypoAscender and sTypoDescender: signed big-endian 16-bit values at bytes 68 and 70.
  auto signed16 = [&os2](qsizetype at) {
    const auto high = static_cast<unsigned>(static_cast<unsigned char>(os2.at(at)));
    const auto low = static_cast<unsigned>(static_cast<unsigned char>(os2.at(at + 1)));
    return static_cast<int>(static_cast<std::int16_t>(static_cast<std::uint16_t>(high << 8 | low)));
  };
  if (os2.size() >= 72) {
    const int ascender = signed16(68);
    const int descender = signed16(70);
    const double em = raw_.unitsPerEm();
    if (em > 0 && ascender > 0 && descender <= 0 && std::abs((ascender - descender) / em - 1.0) < 0.05)
      ratio = ascender / static_cast<double>(ascender - descender);
  }
  return std::clamp(static_cast<int>(std::lround(lineHeight_ * ratio)), 1, lineHeight_);
}

int ViewFont::AsciiBaselineFor(int ideographic) const {
  if (!raw_.isValid()) return ideographic;
  QRectF box;
  for (const quint32 index : raw_.glyphIndexesForString(
           QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")))
    if (index != 0) box |= raw_.boundingRect(index);
  if (box.isEmpty()) return ideographic;
  const int ascent = static_cast<int>(std::ceil(-box.top()));
  const int descent = static_cast<int>(std::ceil(box.bottom()));
  if (ascent + descent <= lineHeight_) return std::clamp(ideographic, ascent, lineHeight_ - descent);
  return (ascent + lineHeight_ - descent + 1) / 2;
}

namespace {

using FontCache = std::map<std::pair<int, int>, std::shared_ptr<ViewFont>>;

FontCache& SharedFonts() {
  static FontCache fonts;
  return fonts;
}

// Qt's font engines go with the application object: the fonts must go first.
void DropSharedFonts() { SharedFonts().clear(); }

}  // namespace

std::shared_ptr<ViewFont> ViewFont::For(const FontRequest& request) {
  FontCache& fonts = SharedFonts();
  if (fonts.empty()) qAddPostRoutine(DropSharedFonts);
  auto& slot = fonts[std::make_pair(request.height, request.weight)];
  if (!slot) slot = std::make_shared<ViewFont>(request);
  return slot;
}

const QString& ViewFont::FallbackText(unsigned code) const {
  static const QString none;
  auto it = fallback_.find(code);
  return it == fallback_.end() ? none : it->second;
}

const ViewFont::Glyph& ViewFont::Resolve(unsigned code) {
  auto& page = pages_[(code >> 8) & 0xFF];
  if (!page) page = std::make_unique<std::array<Glyph, 256>>();
  Glyph& g = (*page)[code & 0xFF];
  g = Glyph{};
  g.known = true;

  const int cells = code > 0xFF ? 2 : 1;
  g.baseline = static_cast<std::int16_t>(code >= 0x20 && code < 0x7F ? asciiBaseline_ : baseline_);
  const char32_t ch = code > 0xFF ? cp932::DecodePair(static_cast<unsigned char>(code >> 8),
                                                      static_cast<unsigned char>(code & 0xFF))
                                  : cp932::DecodeByte(static_cast<unsigned char>(code));
  if (ch == cp932::kNoChar || ch > 0x10FFFF || IsInvisible(ch)) {
    g.kind = GlyphKind::Symbol;
    return g;
  }
  if (ch == U' ' || ch == U'\u3000') {
    g.kind = GlyphKind::Blank;
    return g;
  }
  // User-defined characters: no installed face can be trusted to show them.
  if (ch >= 0xE000 && ch <= 0xF8FF) {
    g.kind = GlyphKind::Symbol;
    return g;
  }
  const QString text = QString::fromUcs4(&ch, 1);
  QList<quint32> indexes = raw_.isValid() ? raw_.glyphIndexesForString(text) : QList<quint32>{};
  double advance = 0;
  if (indexes.size() != 1 || indexes[0] == 0) {
    g.kind = GlyphKind::Fallback;
    fallback_[code] = text;
    advance = QFontMetricsF(font_).horizontalAdvance(text);
  } else {
    g.kind = GlyphKind::Glyph;
    g.index = indexes[0];
    const QList<QPointF> advances = raw_.advancesForGlyphIndexes(indexes);
    advance = advances.isEmpty() ? 0.0 : advances[0].x();
  }
  // A glyph narrower than its cells sits in their middle; a wider one starts at the left edge.
  const double room = cells * cellWidth_ - advance;
  if (room > 0) g.dx = static_cast<std::int16_t>(std::lround(room / 2));
  return g;
}

void ViewFont::DrawSpecial(QPainter& painter, unsigned code, const Glyph& glyph, const QRect& cells,
                           QRgb ink) const {
  const QColor color(ink);
  if (glyph.kind == GlyphKind::Fallback) {
    painter.setFont(font_);
    painter.setPen(color);
    painter.save();
    painter.setClipRect(cells, Qt::IntersectClip);
    painter.drawText(QPointF(cells.left() + glyph.dx, cells.top() + glyph.baseline), FallbackText(code));
    painter.restore();
    return;
  }
  if (glyph.kind != GlyphKind::Symbol) return;
  // A hollow box inside the cells, from about cap height down to the baseline.
  const int top = cells.top() + std::max(1, baseline_ * 3 / 10);
  const int bottom = cells.top() + std::max(2, baseline_ - 1);
  const int inset = cells.width() >= 4 ? 1 : 0;
  const int left = cells.left() + inset;
  const int right = cells.right() - inset;
  painter.fillRect(QRect(QPoint(left, top), QPoint(right, top)), color);
  painter.fillRect(QRect(QPoint(left, bottom), QPoint(right, bottom)), color);
  painter.fillRect(QRect(QPoint(left, top), QPoint(left, bottom)), color);
  painter.fillRect(QRect(QPoint(right, top), QPoint(right, bottom)), color);
}

ViewFont::CellCache& ViewFont::Cells(QRgb ink, QRgb back) {
  // A few pairs of colours are in use at a time (text, selection, the bookmark mark).
  constexpr std::size_t kMaxBytes = std::size_t{24} << 20;
  if (cachedBytes_ > kMaxBytes) {
    cellCaches_.clear();
    cachedBytes_ = 0;
  }
  for (auto& cache : cellCaches_)
    if (cache->Ink() == ink && cache->Back() == back) return *cache;
  cellCaches_.push_back(std::make_unique<CellCache>(*this, ink, back));
  return *cellCaches_.back();
}

const QImage& ViewFont::CellCache::Render(unsigned code) {
  auto& page = pages_[(code >> 8) & 0xFF];
  if (!page) page = std::make_unique<std::array<QImage, 256>>();
  QImage& image = (*page)[code & 0xFF];
  const Glyph& glyph = font_.GlyphFor(code);
  const int cells = code > 0xFF ? 2 : 1;
  image = QImage(cells * font_.cellWidth_, font_.lineHeight_, QImage::Format_RGB32);
  image.fill(back_);
  if (glyph.kind != GlyphKind::Blank) {
    QPainter painter(&image);
    if (glyph.kind == GlyphKind::Glyph) {
      QGlyphRun run;
      run.setRawFont(font_.raw_);
      const quint32 index = glyph.index;
      const QPointF position(glyph.dx, glyph.baseline);
      run.setRawData(&index, &position, 1);
      painter.setPen(QColor(ink_));
      painter.drawGlyphRun(QPointF(0, 0), run);
    } else {
      font_.DrawSpecial(painter, code, glyph, image.rect(), ink_);
    }
  }
  font_.cachedBytes_ += static_cast<std::size_t>(image.sizeInBytes());
  return image;
}

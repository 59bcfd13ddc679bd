#include "platform/ViewFont.h"

#include <QChar>
#include <QList>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

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

ViewFont::ViewFont(const FontRequest& request)
    : request_(request), font_(MakeQFont(request)), raw_(QRawFont::fromFont(font_)) {
  QFontMetrics metrics(font_);
  // The face's average width is the full width; the cell is the half-width advance.
  cellWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
  lineHeight_ = std::max(1, metrics.height());
  ascent_ = metrics.ascent();
}

std::shared_ptr<ViewFont> ViewFont::For(const FontRequest& request) {
  static std::map<std::tuple<int, int, int, int>, std::shared_ptr<ViewFont>> cache;
  auto key = std::make_tuple(request.height, request.weight, request.charSet, request.pitchAndFamily);
  auto& slot = cache[key];
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
  const QString text = QString::fromUcs4(&ch, 1);
  QList<quint32> indexes = raw_.isValid() ? raw_.glyphIndexesForString(text) : QList<quint32>{};
  if (indexes.size() != 1 || indexes[0] == 0) {
    g.kind = GlyphKind::Fallback;
    fallback_[code] = text;
    return g;
  }
  g.kind = GlyphKind::Glyph;
  g.index = indexes[0];
  const QList<QPointF> advances = raw_.advancesForGlyphIndexes(indexes);
  const double room = cells * cellWidth_ - (advances.isEmpty() ? 0.0 : advances[0].x());
  // A glyph narrower than its cells sits in their middle; a wider one starts at the left edge.
  if (room > 0) g.dx = static_cast<std::int16_t>(std::lround(room / 2));
  return g;
}

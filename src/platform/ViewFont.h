#pragma once
// The view's fixed-pitch font and what drawing on the cell grid needs from it: the cell
// metrics and, per code page 932 character, the glyph to draw and where in its cells.
//
// A cell is as high as the font request and half as wide; glyphs are drawn with an em of that
// height, clipped to their cells. Japanese characters stand on the baseline of the face's
// ideographic em box, whose bottom is the cell's bottom. The Latin letters of the Japanese
// faces reach further down than that box; where their descenders would be cut off, ASCII
// characters stand on a baseline of their own, as high as it takes to keep both ascenders and
// descenders in the cell (or splitting the difference when nothing can).
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QRect>
#include <QRgb>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "view/ViewHost.h"

class ViewFont {
 public:
  // How a character is drawn.
  enum class GlyphKind : std::uint8_t {
    Blank,     // nothing to draw (space)
    Glyph,     // glyph `index` of RawFont() at `dx` inside its cells
    Fallback,  // not in the face: drawn as FallbackText() with Qt's font merging
    Symbol,    // a control byte, bytes that decode to nothing, a user-defined character: a box
  };
  struct Glyph {
    std::uint32_t index = 0;
    std::int16_t dx = 0;
    std::int16_t baseline = 0;  // from the top of the cells
    GlyphKind kind = GlyphKind::Blank;
    bool known = false;
  };

  explicit ViewFont(const FontRequest& request);
  ViewFont(const ViewFont&) = delete;
  ViewFont& operator=(const ViewFont&) = delete;

  // One shared font per request; the widgets of one process reuse them across zoom steps.
  static std::shared_ptr<ViewFont> For(const FontRequest& request);
  // The face asked for, before any measuring.
  static QFont MakeQFont(const FontRequest& request);

  const QFont& Font() const { return font_; }
  const QRawFont& RawFont() const { return raw_; }
  int CellWidth() const { return cellWidth_; }
  int LineHeight() const { return lineHeight_; }
  // The baselines of Japanese and of ASCII characters, from the top of the cell.
  int Baseline() const { return baseline_; }
  int AsciiBaseline() const { return asciiBaseline_; }
  TextMetrics Metrics() const { return {lineHeight_, cellWidth_}; }

  // code is a single byte (0..255, one cell) or lead << 8 | trail (two cells).
  const Glyph& GlyphFor(unsigned code) {
    auto& page = pages_[(code >> 8) & 0xFF];
    if (page && (*page)[code & 0xFF].known) return (*page)[code & 0xFF];
    return Resolve(code);
  }
  // The text of a Fallback glyph.
  const QString& FallbackText(unsigned code) const;
  // Draws a character that is not a plain glyph (Fallback, Symbol) in its cells.
  void DrawSpecial(QPainter& painter, unsigned code, const Glyph& glyph, const QRect& cells, QRgb ink) const;

  // Finished pictures of characters' cells in one pair of colours: drawing a character is then
  // a copy, with no blending.
  class CellCache {
   public:
    CellCache(ViewFont& font, QRgb ink, QRgb back) : font_(font), ink_(ink), back_(back) {}
    QRgb Ink() const { return ink_; }
    QRgb Back() const { return back_; }
    // Cells of code, CellWidth() or twice that wide, LineHeight() high.
    const QImage& For(unsigned code) {
      auto& page = pages_[(code >> 8) & 0xFF];
      if (page && !(*page)[code & 0xFF].isNull()) return (*page)[code & 0xFF];
      return Render(code);
    }

   private:
    const QImage& Render(unsigned code);
    ViewFont& font_;
    QRgb ink_;
    QRgb back_;
    std::array<std::unique_ptr<std::array<QImage, 256>>, 256> pages_;
  };
  // The cache for ink on back. The caches are dropped together when they grow too big, so a
  // reference is good until the next call.
  CellCache& Cells(QRgb ink, QRgb back);

 private:
  const Glyph& Resolve(unsigned code);
  int IdeographicBaseline() const;
  int AsciiBaselineFor(int ideographic) const;

  QFont font_;
  QRawFont raw_;
  int cellWidth_ = 1;
  int lineHeight_ = 1;
  int baseline_ = 0;
  int asciiBaseline_ = 0;
  // Two-level table: a page of 256 entries per first byte, made on first use.
  std::array<std::unique_ptr<std::array<Glyph, 256>>, 256> pages_;
  std::unordered_map<unsigned, QString> fallback_;
  std::vector<std::unique_ptr<CellCache>> cellCaches_;
  std::size_t cachedBytes_ = 0;
};

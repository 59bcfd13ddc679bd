// The view font's cells at every zoom step: as high as asked and half as wide; the cells cut off
// at most the edge of a glyph's anti-aliasing, and ASCII letters keep their descenders.
#include <gtest/gtest.h>

#include <QGlyphRun>
#include <QMargins>
#include <QPainter>

#include "ImageProbe.h"
#include "platform/ViewFont.h"

namespace {

// The ink of a glyph drawn with no cell around it: what its cells may cut off.
QRect FreeInk(ViewFont& font, unsigned code, int cells) {
  const ViewFont::Glyph& g = font.GlyphFor(code);
  const int lh = font.LineHeight();
  QImage image(cells * font.CellWidth() + 2 * lh, 3 * lh, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QGlyphRun run;
  run.setRawFont(font.RawFont());
  const quint32 index = g.index;
  const QPointF at(lh + g.dx, lh + g.baseline);
  run.setRawData(&index, &at, 1);
  painter.setPen(Qt::black);
  painter.drawGlyphRun(QPointF(0, 0), run);
  painter.end();
  return InkBox(image, image.rect(), qRgb(255, 255, 255)).translated(-lh, -lh);
}

TEST(ViewFontTest, EveryZoomStepKeepsJapaneseWholeAndAsciiDescendersInTheCell) {
  for (int height = 12; height <= 24; height += 2) {
    ViewFont font(FontRequest{height, 400});
    ASSERT_EQ(font.Metrics().height, height);
    ASSERT_EQ(font.Metrics().aveCharWidth, height / 2);
    EXPECT_NEAR(font.Baseline(), 0.88 * height, 1.0) << height;
    ViewFont::CellCache& cells = font.Cells(qRgb(0, 0, 0), qRgb(255, 255, 255));
    // 漢 あ ア 「 and the half-width ｶ, then letters with ascenders and descenders.
    for (unsigned code : {0x8ABFu, 0x82A0u, 0x8341u, 0x8175u, 0xB6u, unsigned{'g'}, unsigned{'j'},
                          unsigned{'p'}, unsigned{'q'}, unsigned{'y'}, unsigned{'b'}, unsigned{'d'},
                          unsigned{'f'}, unsigned{'l'}, unsigned{'H'}, unsigned{'Q'}}) {
      const int wide = code > 0xFF ? 2 : 1;
      const QImage& image = cells.For(code);
      ASSERT_EQ(image.size(), QSize(wide * font.CellWidth(), height));
      const QRect ink = InkBox(image, image.rect(), qRgb(255, 255, 255));
      const QRect free = FreeInk(font, code, wide);
      // What lies outside the cells is cut off: at most one pixel line at any edge.
      const QRect outside = free.marginsRemoved(QMargins(1, 1, 1, 1));
      EXPECT_TRUE(image.rect().contains(outside)) << height << " " << std::hex << code << Describe(free);
      EXPECT_EQ(ink, free & image.rect()) << height << " " << std::hex << code;
      if (code == 'g' || code == 'j' || code == 'p' || code == 'q' || code == 'y') {
        EXPECT_GE(ink.bottom() - font.AsciiBaseline(), height / 8) << height << " " << char(code);
      }
    }
  }
}

}  // namespace

// The Qt row surface on its own: widths advanced, tab stops and hostile runs, in both ways of
// composing a row.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <string>

#include "ImageProbe.h"
#include "platform/QtSurface.h"
#include "platform/ViewFont.h"

namespace {

constexpr Color kInk = 0x000000;
constexpr Color kBack = 0x80FFFF;

class RowSurfaceTest : public ::testing::TestWithParam<bool> {
 protected:
  RowSurfaceTest() : font(FontRequest{}), screen(1200, 2 * font.LineHeight(), QImage::Format_RGB32) {
    screen.fill(Qt::white);
  }

  // Draws one run on a fresh row at (x, 0), copies the row to the screen's first line and
  // returns the width advanced.
  int Draw(int x, std::string_view bytes, int tabPx, int tabOrigin) {
    screen.fill(Qt::white);
    QPainter painter(&screen);
    QtSurface surface(painter, font, screen.rect(), GetParam() ? &row : nullptr);
    surface.PrepareRow(screen.width(), font.LineHeight());
    surface.FillRow(Rect{0, 0, screen.width(), font.LineHeight()}, 0xFFFFFF);
    const int advanced = surface.DrawRowText(x, bytes, kInk, kBack, font.CellWidth(), tabPx, tabOrigin);
    surface.CopyRowToScreen(0, screen.width(), 0);
    return advanced;
  }

  // The run's background: where it starts and ends on the row's last pixel line, below the
  // letters of runs without descenders.
  QRect BackSpan() {
    QRect span;
    const int y = font.LineHeight() - 1;
    for (int x = 0; x < screen.width(); ++x)
      if ((screen.pixel(x, y) & 0xFFFFFF) == (Rgb(kBack) & 0xFFFFFF)) span |= QRect(x, 0, 1, 1);
    return span;
  }

  ViewFont font;
  QImage screen;
  QImage row;
};

TEST_P(RowSurfaceTest, AdvancesByCellsAndTabStops) {
  const int cw = font.CellWidth();
  const int tab = 8 * cw;
  const int origin = 2 * cw;
  // A tab from column 1 to 8; from a stop to the next; a double-byte character; a lone lead
  // byte at the end is one cell.
  EXPECT_EQ(Draw(origin, "a\tb", tab, origin), 9 * cw);
  EXPECT_EQ(BackSpan(), QRect(origin, 0, 9 * cw, 1));
  EXPECT_EQ(Draw(origin, "\x95\x5C", tab, origin), 2 * cw);
  EXPECT_EQ(Draw(origin, "a\x95", tab, origin), 2 * cw);
  // Pens left of the tab origin (runs begun under the margin): stops lie below it too.
  EXPECT_EQ(Draw(origin - cw, "\tX", tab, origin), 2 * cw);
  EXPECT_EQ(Draw(2 * cw, "\tX", tab, 11 * cw), 2 * cw);
  // The background stops at the row's left edge.
  EXPECT_EQ(Draw(-3 * cw, "abcdef", tab, origin), 6 * cw);
  EXPECT_EQ(BackSpan(), QRect(0, 0, 3 * cw, 1));
}

TEST_P(RowSurfaceTest, SurvivesHostileRuns) {
  const int cw = font.CellWidth();
  // No tab distance: tabs fall back to one cell rather than dividing by zero.
  EXPECT_EQ(Draw(0, "\t\t", 0, 0), 2 * cw);
  EXPECT_EQ(Draw(0, "\t", -5, 3), 3);
  // A megabyte in one run: the width is still exact, and nothing is drawn past the row.
  const std::string huge(1 << 20, '\x82');
  EXPECT_EQ(Draw(0, huge, 8 * cw, 0), (1 << 19) * 2 * cw);
  EXPECT_EQ(BackSpan(), QRect(0, 0, screen.width(), 1));
  // Every byte value, begun left of the row: a cell per byte, whether paired or not.
  std::string all;
  for (int b = 0; b < 256; ++b)
    if (b != '\t') all += static_cast<char>(b);
  EXPECT_EQ(Draw(-50 * cw, all, 8 * cw, 0), 255 * cw);
}

INSTANTIATE_TEST_SUITE_P(Composition, RowSurfaceTest, ::testing::Values(true, false),
                         [](const auto& param) { return param.param ? "RowImage" : "GlyphRuns"; });

}  // namespace

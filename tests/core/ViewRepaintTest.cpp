// Every state change of the view is followed by invalidating what changed: a picture kept up
// to date from the view's own scrolls and invalidations must equal a full repaint.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RepaintCheck.h"
#include "ViewFakes.h"

namespace {

std::vector<std::string> Text(int lines) {
  std::vector<std::string> out;
  for (int i = 0; i < lines; ++i) {
    std::string s = std::to_string(i) + ":";
    for (int k = 0; k < i % 17; ++k) s += (k % 5 == 4) ? '\t' : static_cast<char>('a' + k);
    if (i % 3 == 0) s += "\x95\x5C\x88\x9F";  // kanji with trail bytes 5C and 9F
    out.push_back(s);
  }
  return out;
}

struct RepaintRig : ViewRig {
  RepaintRig() : ViewRig(Text(60), 14, 6, 8) {
    view->bookmarks = {0, 3, 7, 12, 40};
    view->OnSetFocus();
  }
};

TEST(ViewRepaint, TheCheckNoticesAMissedRepaint) {
  RepaintRig rig;
  CVeloView& v = *rig.view;
  EXPECT_FALSE(RepaintsMatch(v, rig.host, [&] { v.origin = rig.PosAt(2, 0); }));
  EXPECT_FALSE(RepaintsMatch(v, rig.host, [&] { rig.settings.colors[ColorTable::Margin] = 0x123456; }));
  EXPECT_FALSE(RepaintsMatch(v, rig.host, [&] {  // moving pixels without repainting the strip uncovered
    rig.host.ScrollContent(0, -16);
  }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [] {}));
}

TEST(ViewRepaint, VerticalScrolls) {
  RepaintRig rig;
  CVeloView& v = *rig.view;
  v.caret = rig.PosAt(2, 3);
  v.desiredColumn = 3;
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.ScrollDown(1, false); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.ScrollDown(3, false); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.ScrollUp(2, false); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnVScroll(SB_PAGEDOWN, 0); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.ScrollDown(v.visibleLines + 1, false); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnVScroll(SB_THUMBTRACK, 50); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.ScrollDown(30, false); }));  // against the end
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnVScroll(SB_THUMBTRACK, 0); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.ScrollUp(1, false); }));  // at the top
}

TEST(ViewRepaint, ScrollsThatExtendOrEndASelection) {
  RepaintRig rig;
  CVeloView& v = *rig.view;
  v.caret = rig.PosAt(4, 2);
  v.desiredColumn = 2;
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.ScrollDown(2, true); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.ScrollDown(1, true); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.ScrollUp(4, true); }));  // back over the anchor
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.ScrollUp(1, true); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.ScrollDown(2, false); }));  // ends the selection
  EXPECT_FALSE(v.selecting);
}

TEST(ViewRepaint, HorizontalScrollsAndCaretJumps) {
  RepaintRig rig;
  CVeloView& v = *rig.view;
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnHScroll(SB_LINERIGHT, 0); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnHScroll(SB_THUMBTRACK, 9); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnHScroll(SB_PAGELEFT, 0); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] {
    v.caret = rig.PosAt(33, 15);
    v.EnsureCaretVisible(false);
  }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] {
    v.caret = rig.PosAt(1, 0);
    v.EnsureCaretVisible(false);
  }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] {
    v.caret = rig.PosAt(45, 0);
    v.CenterCaret();
  }));
}

TEST(ViewRepaint, FocusAndSettings) {
  RepaintRig rig;
  CVeloView& v = *rig.view;
  v.caret = rig.PosAt(3, 12);
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnKillFocus(); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnSetFocus(); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.ApplyTabSize(3); }));
  EXPECT_EQ(v.caret.column, rig.PosAt(3, 12).column);
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.ApplyTabSize(8); }));
  ColorTable colors = rig.settings.colors;
  colors[ColorTable::Bk] = 0x00102030;
  colors[ColorTable::Margin] = 0x00405060;
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.ApplyColors(colors); }));
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] { v.OnDocumentChanged(nullptr); }));
}

// Selection changes made through the fields, announced with InvalidateSelection before and
// after, as the movement commands will.
TEST(ViewRepaint, SelectionChanges) {
  RepaintRig rig;
  CVeloView& v = *rig.view;
  auto change = [&](int anchorLine, int anchorByte, int endLine, int endByte) {
    return RepaintsMatch(v, rig.host, [&] {
      v.InvalidateSelection();
      rig.Select(anchorLine, anchorByte, endLine, endByte);
      v.InvalidateSelection();
    });
  };
  EXPECT_TRUE(change(1, 2, 3, 4));
  EXPECT_TRUE(change(1, 2, 2, 0));   // shrinks
  EXPECT_TRUE(change(4, 1, 0, 3));   // reversed
  EXPECT_TRUE(change(0, 0, 30, 0));  // reaching below the window
  EXPECT_TRUE(RepaintsMatch(v, rig.host, [&] {
    v.InvalidateSelection();
    v.selecting = false;
  }));
  v.origin = rig.PosAt(10, 0);
  v.InvalidateAll();
  EXPECT_TRUE(change(2, 0, 12, 1));  // starting above the window
  EXPECT_TRUE(change(2, 0, 11, 1));
}

// Random sequences of the operations above keep the picture right and the origin on a live
// line with its true number.
TEST(ViewRepaint, RandomOperationSequences) {
  RepaintRig rig;
  CVeloView& v = *rig.view;
  unsigned seed = 7;
  auto next = [&](unsigned n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int step = 0; step < 150; ++step) {
    const unsigned op = next(8);
    const int amount = static_cast<int>(next(9));
    const bool extend = next(2) == 1;
    ASSERT_TRUE(
        RepaintsMatch(v, rig.host,
                      [&] {
                        switch (op) {
                          case 0:
                            v.ScrollDown(amount, extend);
                            break;
                          case 1:
                            v.ScrollUp(amount, extend);
                            break;
                          case 2:
                            v.OnHScroll(static_cast<int>(next(4)), amount);
                            break;
                          case 3:
                            v.OnVScroll(static_cast<int>(next(6)), amount * 3);
                            break;
                          case 4:
                            v.caret = rig.PosAt(static_cast<int>(next(60)), static_cast<int>(next(30)));
                            v.EnsureCaretVisible(extend);
                            break;
                          case 5:
                            v.CenterCaret();
                            break;
                          case 6:
                            v.ApplyTabSize(1 + amount);
                            break;
                          default:
                            v.InvalidateSelection();
                            rig.Select(static_cast<int>(next(60)), amount, static_cast<int>(next(60)), 2);
                            v.InvalidateSelection();
                            break;
                        }
                      }))
        << "step " << step << " op " << op;
    ASSERT_EQ(v.origin.node, rig.PosAt(v.origin.line, 0).node) << "step " << step;
    ASSERT_EQ(v.caret.node, rig.PosAt(v.caret.line, 0).node) << "step " << step;
  }
}

}  // namespace

#include "RepaintCheck.h"

#include <algorithm>
#include <vector>

namespace {

Rect Intersect(const Rect& a, const Rect& b) {
  return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

void PaintWithin(CVeloView& view, const FakeViewHost& host, Picture& pic, const Rect& clip) {
  FakeSurface surface(pic, clip, host.metrics.aveCharWidth, host.metrics.height);
  view.OnDraw(surface);
}

}  // namespace

::testing::AssertionResult RepaintsMatch(CVeloView& view, FakeViewHost& host,
                                         const std::function<void()>& op) {
  const Rect client = host.client;
  Picture before(client.Width(), client.Height());
  PaintWithin(view, host, before, client);
  host.paintLog.clear();

  op();

  if (!(host.client == client))
    return ::testing::AssertionFailure() << "the operation resized the window; the check needs a fixed size";
  Picture full(client.Width(), client.Height());
  PaintWithin(view, host, full, client);

  for (bool pendingMoves : {true, false}) {
    Picture pic = before;
    std::vector<Rect> pending;
    for (const PaintRequest& r : host.paintLog) {
      if (!r.scroll) {
        pending.push_back(Intersect(r.rect.value_or(client), client));
        continue;
      }
      pic.Scroll(r.dx, r.dy);
      if (pendingMoves)
        for (Rect& p : pending)
          p = Intersect(Rect{p.left + r.dx, p.top + r.dy, p.right + r.dx, p.bottom + r.dy}, client);
    }
    for (const Rect& p : pending)
      if (!p.IsEmpty()) PaintWithin(view, host, pic, p);
    if (!(pic == full)) {
      const CellReader cells{host.metrics.aveCharWidth, host.metrics.height, view.GetSettings().colors};
      return ::testing::AssertionFailure()
             << "repainting only what the view invalidated (pending repaints "
             << (pendingMoves ? "moving with" : "staying under") << " scrolled content) differs from a full "
             << "repaint after " << host.paintLog.size() << " requests (left: invalidated, right: full)\n"
             << cells.Difference(pic, full);
    }
  }
  return ::testing::AssertionSuccess();
}

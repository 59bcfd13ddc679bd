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
  const Rect client{0, 0, host.client.Width(), host.client.Height()};
  Picture before(client.Width(), client.Height());
  PaintWithin(view, host, before, client);
  host.paintLog.clear();

  op();

  if (host.client.Width() != client.Width() || host.client.Height() != client.Height())
    return ::testing::AssertionFailure() << "the operation resized the window; the check needs a fixed size";
  const std::vector<PaintRequest> log = host.paintLog;
  Picture full(client.Width(), client.Height());
  PaintWithin(view, host, full, client);

  for (bool pendingMoves : {true, false}) {
    Picture pic = before;
    std::vector<Rect> pending;
    for (const PaintRequest& r : log) {
      if (r.kind == PaintRequest::kInvalidate) {
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
      return ::testing::AssertionFailure()
             << "repainting only what the view invalidated (pending repaints "
             << (pendingMoves ? "moving with" : "staying under")
             << " scrolled content) differs from a full repaint "
             << "after " << log.size() << " requests (left: invalidated, right: full)\n"
             << DescribeDifference(pic, full, host.metrics.aveCharWidth, host.metrics.height,
                                   view.GetSettings().colors);
    }
  }
  return ::testing::AssertionSuccess();
}

#pragma once
// The check for missed repaints: after an operation, the picture that the view's own scrolls
// and invalidations make of the old picture must equal a full repaint.
#include <gtest/gtest.h>

#include <functional>

#include "ViewFakes.h"
#include "view/CVeloView.h"

// Paints the whole view, runs op, replays the host's recorded scrolls onto that picture and
// repaints only the invalidated rectangles, then compares with a fresh full paint. Pixels that
// a scroll uncovers are garbage until repainted. The replay runs twice: once with pending
// repaints moving along with scrolled content (as a window does that scrolls its update region
// too) and once with them staying put; a view must be right under both.
::testing::AssertionResult RepaintsMatch(CVeloView& view, FakeViewHost& host,
                                         const std::function<void()>& op);

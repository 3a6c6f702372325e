// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowplacement.h"

#include <algorithm>
#include <array>

namespace sorvel {

namespace {

// A window of `size`, shrunk to fit `area`, at `left`, `top` moved into `area`.
WindowRect fitInto(const WindowRect& area, WindowSize size, int left, int top) {
    WindowRect r;
    r.width = std::min(size.width, area.width);
    r.height = std::min(size.height, area.height);
    r.left = std::clamp(left, area.left, area.right() - r.width);
    r.top = std::clamp(top, area.top, area.bottom() - r.height);
    return r;
}

bool roomFor(const WindowRect& area, WindowSize size) {
    return area.width >= size.width && area.height >= size.height;
}

// The part of `a` that also lies in `b` (empty when they do not meet).
WindowRect intersection(const WindowRect& a, const WindowRect& b) {
    WindowRect r;
    r.left = std::max(a.left, b.left);
    r.top = std::max(a.top, b.top);
    r.width = std::max(0, std::min(a.right(), b.right()) - r.left);
    r.height = std::max(0, std::min(a.bottom(), b.bottom()) - r.top);
    return r;
}

std::optional<WindowRect> preferredPlace(const PlacementRequest& q) {
    if (!q.preferred)
        return std::nullopt;
    const WindowRect& p = *q.preferred;
    const WindowRect& clear = q.keepClear;
    // As asked; then just below or just above what it would cover, on the same side.
    const std::array<int, 3> tops = {p.top, clear.bottom(), clear.top - p.height};
    for (int top : tops) {
        const WindowRect r{p.left, top, p.width, p.height};
        if (q.screen.contains(r) && !r.overlaps(clear))
            return r;
    }
    return std::nullopt;
}

} // namespace

WindowRect placeSecondaryWindow(const PlacementRequest& q) {
    if (auto r = preferredPlace(q))
        return *r;

    const WindowRect& s = q.screen;
    const WindowRect& m = q.mainWindow;
    // The clear strips around `keepClear` are counted within the screen.
    const WindowRect c = intersection(q.keepClear, s);
    struct Area {
        WindowRect area;
        int left; // where the window would like its top-left corner, before it is moved inside
        int top;
    };
    const int rightOfMain = m.right() + placementGap;
    const int leftOfMain = m.left - placementGap;
    const int belowMain = m.bottom() + placementGap;
    const int aboveMain = m.top - placementGap;
    const std::array<Area, 8> areas = {{
        // Beside the main window, top edges level.
        {{rightOfMain, s.top, s.right() - rightOfMain, s.height}, rightOfMain, m.top},
        {{s.left, s.top, leftOfMain - s.left, s.height}, leftOfMain - q.size.width, m.top},
        // Below or above it, left edges level: a wide window need not cover its controls.
        {{s.left, belowMain, s.width, s.bottom() - belowMain}, m.left, belowMain},
        {{s.left, s.top, s.width, aboveMain - s.top}, m.left, aboveMain - q.size.height},
        // Beside what must stay clear: right, left, below, above (every clear place on the
        // screen lies wholly within one of these four strips).
        {{c.right(), s.top, s.right() - c.right(), s.height}, c.right(), m.top},
        {{s.left, s.top, c.left - s.left, s.height}, c.left - q.size.width, m.top},
        {{s.left, c.bottom(), s.width, s.bottom() - c.bottom()}, m.left, c.bottom()},
        {{s.left, s.top, s.width, c.top - s.top}, m.left, c.top - q.size.height},
    }};
    std::optional<WindowRect> best;
    for (const Area& a : areas) {
        const WindowRect area = intersection(a.area, s);
        if (!roomFor(area, q.minimum))
            continue;
        const WindowRect r = fitInto(area, q.size, a.left, a.top);
        if (r.overlaps(q.keepClear))
            continue;
        // The first place that keeps the whole size wins; else the one that shrinks it least.
        if (r.width == q.size.width && r.height == q.size.height)
            return r;
        if (!best || r.width * r.height > best->width * best->height)
            best = r;
    }
    if (best)
        return *best;

    // No clear place: on the screen at least, where it asked to be or right of the main window.
    const WindowSize size{std::max(q.minimum.width, std::min(q.size.width, s.width)),
                          std::max(q.minimum.height, std::min(q.size.height, s.height))};
    const WindowRect wanted = q.preferred.value_or(WindowRect{rightOfMain, m.top, 0, 0});
    return fitInto(roomFor(s, size) ? s : WindowRect{s.left, s.top, size.width, size.height},
                   size, wanted.left, wanted.top);
}

} // namespace sorvel

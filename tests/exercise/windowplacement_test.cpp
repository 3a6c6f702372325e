// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowplacement.h"

#include <gtest/gtest.h>

#include <random>

namespace sorvel {
namespace {

// Whether a window of `size` fits anywhere on `screen` clear of `keep`: tried at every pixel.
bool clearPlaceExists(const WindowRect& screen, const WindowRect& keep, WindowSize size) {
    for (int top = screen.top; top + size.height <= screen.bottom(); ++top)
        for (int left = screen.left; left + size.width <= screen.right(); ++left)
            if (!WindowRect{left, top, size.width, size.height}.overlaps(keep))
                return true;
    return false;
}

// Small screens (so that every place can be tried) with main windows anywhere, partly off the
// screen too, and windows that fit, fit only when shrunk, or do not fit at all.
TEST(window_placement, on_the_screen_and_clear_whenever_any_place_is) {
    std::mt19937 random(2213);
    const auto draw = [&random](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    int clearFound = 0, shrunk = 0, preferredKept = 0;
    for (int round = 0; round < 3000; ++round) {
        PlacementRequest q;
        q.screen = {draw(-40, 40), draw(-40, 40), draw(40, 120), draw(30, 90)};
        q.mainWindow = {q.screen.left + draw(-20, 60), q.screen.top + draw(-10, 40), draw(20, 70),
                        draw(15, 50)};
        // The staff and diagram: the left part of the main window.
        q.keepClear = {q.mainWindow.left, q.mainWindow.top + draw(0, 5),
                       draw(5, q.mainWindow.width), draw(5, q.mainWindow.height - 5)};
        q.minimum = {draw(5, 50), draw(5, 40)};
        q.size = {q.minimum.width + draw(0, 60), q.minimum.height + draw(0, 40)};
        if (round % 3 == 0)
            q.preferred = WindowRect{q.mainWindow.left + draw(0, 60), q.mainWindow.top + draw(0, 40),
                                     q.size.width, q.size.height};
        const WindowRect r = placeSecondaryWindow(q);
        SCOPED_TRACE(round);

        EXPECT_GE(r.width, q.minimum.width);
        EXPECT_GE(r.height, q.minimum.height);
        EXPECT_LE(r.width, std::max(q.size.width, q.minimum.width));
        EXPECT_LE(r.height, std::max(q.size.height, q.minimum.height));
        if (q.minimum.width <= q.screen.width && q.minimum.height <= q.screen.height) {
            EXPECT_TRUE(q.screen.contains(r));
        }
        if (clearPlaceExists(q.screen, q.keepClear, q.minimum)) {
            EXPECT_FALSE(r.overlaps(q.keepClear));
            ++clearFound;
        }
        shrunk += r.width < q.size.width || r.height < q.size.height;
        if (q.preferred && q.screen.contains(*q.preferred) && !q.preferred->overlaps(q.keepClear)) {
            EXPECT_EQ(r, *q.preferred);
            ++preferredKept;
        }
    }
    // The generated cases reach every branch.
    EXPECT_GT(clearFound, 1000);
    EXPECT_GT(shrunk, 300);
    EXPECT_GT(preferredKept, 50);
}

// The record window on a 1280 x 800 screen and on a 1920 x 1080 one, with the main window at the
// top left (no window manager) and centred: it never covers the staff and the diagram.
TEST(window_placement, record_window_beside_the_main_window) {
    const WindowSize record{900, 620}, minimum{560, 400};
    struct Case {
        WindowRect screen, main;
        bool besideMain; // there is room right of the main window for the whole record
    } cases[] = {{{0, 0, 1280, 800}, {0, 0, 938, 511}, false},
                 {{0, 0, 1280, 800}, {171, 144, 938, 536}, false},
                 {{0, 0, 1920, 1080}, {0, 0, 938, 511}, true},
                 {{1920, 0, 1280, 800}, {1920 + 171, 100, 938, 536}, false}};
    for (const Case& c : cases) {
        const WindowRect staffAndDiagram{c.main.left, c.main.top, 465, 470};
        const WindowRect r =
            placeSecondaryWindow({c.screen, c.main, staffAndDiagram, record, minimum, {}});
        EXPECT_TRUE(c.screen.contains(r));
        EXPECT_FALSE(r.overlaps(staffAndDiagram));
        if (c.besideMain) {
            EXPECT_EQ(r, (WindowRect{c.main.right() + placementGap, c.main.top, 900, 620}));
        }
    }
}

// A wide, low tool window that has no room beside the main window goes below it, covering
// none of its controls, where the screen has room there.
TEST(window_placement, a_wide_low_window_goes_below_the_main_window) {
    const WindowRect screen{0, 0, 1280, 800}, main{0, 0, 938, 511};
    const WindowRect staffAndDiagram{0, 20, 465, 470};
    const WindowSize beats{470, 250};
    const WindowRect r =
        placeSecondaryWindow({screen, main, staffAndDiagram, beats, beats, {}});
    EXPECT_EQ(r, (WindowRect{0, 511 + placementGap, 470, 250}));
    EXPECT_FALSE(r.overlaps(main));
}

// A place that would cover the diagram is moved just below it, keeping its left edge.
TEST(window_placement, preferred_place_moves_below_what_it_would_cover) {
    const WindowRect screen{0, 0, 1280, 800}, main{0, 0, 938, 511}, diagram{8, 368, 448, 100};
    const WindowRect asked{167, 440, 272, 160};
    const WindowRect r = placeSecondaryWindow({screen, main, diagram, {272, 160}, {272, 160}, asked});
    EXPECT_EQ(r, (WindowRect{167, 468, 272, 160}));
}

} // namespace
} // namespace sorvel

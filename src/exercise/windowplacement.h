// SPDX-License-Identifier: GPL-3.0-or-later
// Where a secondary window (the session record, the sound options, any tool window) opens: wholly
// on the screen that holds the main window, beside the main window where there is room, and
// clear of the part of the main window the user works in (the staff and the tuning diagram)
// whenever any place of its minimum size is clear of it. Screen coordinates throughout.
//
//   sorvel::WindowRect at = sorvel::placeSecondaryWindow(
//       {screen, mainFrame, staffAndDiagram, {900, 620}, {560, 400}, std::nullopt});
//   window->setGeometry(at.left, at.top, at.width, at.height);
#pragma once

#include <optional>

namespace sorvel {

struct WindowRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; } // one past the last column
    int bottom() const { return top + height; }
    bool contains(const WindowRect& r) const {
        return r.left >= left && r.top >= top && r.right() <= right() && r.bottom() <= bottom();
    }
    bool overlaps(const WindowRect& r) const {
        return r.left < right() && left < r.right() && r.top < bottom() && top < r.bottom();
    }
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

struct WindowSize {
    int width = 0;
    int height = 0;
};

struct PlacementRequest {
    WindowRect screen;     // the available area of the main window's screen
    WindowRect mainWindow; // the main window's frame
    WindowRect keepClear;  // what the new window should not cover
    WindowSize size;       // the window's own size, frame included
    WindowSize minimum;    // the smallest size it may be given to find room
    // Where the window asks to go (the sound options beside their button); kept when it lies on
    // the screen and clear, else moved down or up just clear of `keepClear` when that suffices.
    std::optional<WindowRect> preferred;
};

// Gap between the main window and a window placed beside it.
inline constexpr int placementGap = 10;

// The place and size of the new window. It lies on the screen whenever its minimum size fits
// there, and it is clear of `keepClear` whenever a clear place of its minimum size exists. It
// keeps its own size where it can; otherwise it is shrunk towards its minimum, never below.
WindowRect placeSecondaryWindow(const PlacementRequest& request);

} // namespace sorvel

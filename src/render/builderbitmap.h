// SPDX-License-Identifier: GPL-3.0-or-later
// Paints the drawing list of a VBMP into the score bitmap, with the notation font "Sonora"
// (which the program registers at start-up) at pixel sizes.
//
//   sorvel::VBMP builder;
//   sorvel::BuilderBitmap bitmap;
//   sorvel::buildScore(builder, music);
//   const QImage& image = bitmap.renderScore(builder);   // copy onto the Score image at (0, 0)
#pragma once

#include "vbmp.h"

#include <QImage>

#include <vector>

class QPainter;

namespace sorvel {

inline constexpr const char* notationFontFamily = "Sonora";
inline constexpr const char* textFontFamily = "Times New Roman";

class BuilderBitmap {
public:
    // Appends the ten staff lines and the two clefs to `builder.items` (so it must run right
    // after buildScore), replaces the bitmap by a new one sized from the list and paints every
    // item in list order. The bitmap has (logical size x devicePixelRatio) pixels and that ratio
    // set, so it is painted in the same logical pixels at any screen scale.
    const QImage& renderScore(VBMP& builder, double devicePixelRatio = 1.0);

    // The last rendering; empty before the first.
    const QImage& bitmap() const { return m_bitmap; }

private:
    QImage m_bitmap;
};

// Paints `items` in order with `painter` as renderScore does (for looking at items one by one).
void paintItems(QPainter& painter, const VBMP& builder, const std::vector<vbmp::_ni>& items);

// One redraw with the window's own objects: buildScore, then renderScore; the result is the
// bitmap to copy onto the Score image at (0, 0).
const QImage& redrawScore(VBMP& builder, BuilderBitmap& bitmap, CMusic& score,
                          double devicePixelRatio = 1.0);

// Builds and renders `score` with a fresh VBMP and BuilderBitmap: for tools and tests.
QImage drawScore(CMusic& score, double devicePixelRatio = 1.0);

} // namespace sorvel

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

namespace sorvel {

inline constexpr const char* notationFontFamily = "Sonora";
inline constexpr const char* textFontFamily = "Times New Roman";

class BuilderBitmap {
public:
    // Appends the ten staff lines and the two clefs to `builder.items` (so it must run right
    // after buildScore), replaces the bitmap by a new one sized from the list and paints every
    // item in list order.
    const QImage& renderScore(VBMP& builder);

    // The last rendering; empty before the first.
    const QImage& bitmap() const { return m_bitmap; }

private:
    QImage m_bitmap;
};

// One redraw with the window's own objects: buildScore, then renderScore; the result is the
// bitmap to copy onto the Score image at (0, 0).
const QImage& redrawScore(VBMP& builder, BuilderBitmap& bitmap, CMusic& score);

// Builds and renders `score` with a fresh VBMP and BuilderBitmap: for tools and tests.
QImage drawScore(CMusic& score);

} // namespace sorvel

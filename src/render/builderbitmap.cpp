// SPDX-License-Identifier: GPL-3.0-or-later
#include "builderbitmap.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPoint>
#include <QString>

#include <algorithm>
#include <cmath>

namespace sorvel {

namespace {

int truncated(double v) {
    return static_cast<int>(std::trunc(v));
}

QColor toQColor(int bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

vbmp::_ni staffLine(const VBMP& b, double row, double width) {
    vbmp::_ni line;
    line.kind = vbmp::Line;
    line.code = 1;
    line.x = 0.0;
    line.y = b.rowY(row);
    line.size = width;
    line.height = 0.0;
    return line;
}

vbmp::_ni clef(const VBMP& b, int code, double lineRow, double topRow) {
    vbmp::_ni glyph;
    glyph.kind = vbmp::Glyph;
    glyph.code = code;
    glyph.x = b.glyphSize / 2;
    // The clef's baseline falls on its line (G or F) when the cell top is drawn at y + 1.
    glyph.y = lineRow * b.lineSpacing - (b.ascent / b.unitsPerEm) * b.glyphSize +
              topRow * b.lineSpacing + 1.0;
    glyph.size = b.glyphSize;
    return glyph;
}

class Painter {
public:
    Painter(QPainter& painter, const VBMP& b)
        : m_painter(painter), m_builder(b), m_ratio(painter.device()->devicePixelRatioF()) {
        m_painter.setBackgroundMode(Qt::TransparentMode);
    }

    void paint(const vbmp::_ni& item) {
        switch (truncated(item.kind)) {
        case vbmp::Glyph:
            glyph(item);
            break;
        case vbmp::Line:
            if (truncated(item.height) == 0) {
                horizontalLine(item);
                break;
            }
            setPenWidth(item.code);
            m_painter.drawLine(
                QPoint(truncated(item.x), truncated(item.y)),
                QPoint(truncated(item.x + item.size), truncated(item.y + item.height)));
            break;
        case vbmp::Frame: {
            setPenWidth(item.code);
            const QPoint corners[] = {
                {truncated(item.x), truncated(item.y)},
                {truncated(item.x + item.size), truncated(item.y)},
                {truncated(item.x + item.size), truncated(item.y + item.height)},
                {truncated(item.x), truncated(item.y + item.height)},
                {truncated(item.x), truncated(item.y)},
            };
            m_painter.drawPolyline(corners, 5);
            break;
        }
        case vbmp::Text:
            text(item);
            break;
        default:
            break;
        }
    }

private:
    // Lines use the default black pen, only its width changes.
    void setPenWidth(double width) {
        QPen pen(Qt::black);
        pen.setWidth(truncated(width));
        pen.setCapStyle(Qt::FlatCap);
        m_painter.setPen(pen);
    }

    // A staff or ledger line covers whole device pixels, equally thick for every line at any
    // screen scale: one pixel row per logical pixel of pen, at the row its y falls in.
    void horizontalLine(const vbmp::_ni& item) {
        const double pen = std::max(1, truncated(item.code));
        const double x0 = truncated(item.x);
        const double x1 = truncated(item.x + item.size);
        const double top = std::round(truncated(item.y) * m_ratio) / m_ratio;
        const double thick = std::max(1.0, std::round(pen * m_ratio)) / m_ratio;
        m_painter.fillRect(QRectF(x0, top, x1 - x0 + 1.0, thick), Qt::black);
    }

    void glyph(const vbmp::_ni& item) {
        m_textColour = toQColor(vbmp::itemColour(item));
        const int code = truncated(item.code) & 0xFF;
        if (code == 0) {
            return;
        }
        const int size = m_builder.glyphPixelSize(code, item.size);
        if (size <= 0) {
            return;
        }
        QFont font(notationFontFamily);
        font.setPixelSize(size);
        font.setHintingPreference(QFont::PreferNoHinting);
        font.setStyleStrategy(QFont::NoFontMerging);
        // The cell's top-left corner is the anchor; the baseline lies one ascent below it. The
        // top is not rounded to a pixel: buildScore anchored it so that the symbol sits on the
        // middle of its line or space, and an outline keeps that exactly.
        const double baseline = item.y + m_builder.glyphTop(code) +
                                m_builder.ascent / m_builder.unitsPerEm * static_cast<double>(size);
        QPainterPath path;
        path.addText(QPointF(truncated(item.x), baseline), font, QString(QChar(code)));
        m_painter.save();
        m_painter.setRenderHint(QPainter::Antialiasing);
        m_painter.fillPath(path, m_textColour);
        if (item.colourIndex >= static_cast<int>(vbmp::colourTable.size())) {
            // Revealed colours run to nearly white near the tolerance: a dark rim keeps every
            // shade visible on the white page while the fill still tells green from red.
            // The rim lies inside the head's outline, so it never reaches a neighbouring head.
            m_painter.setClipPath(path, Qt::IntersectClip);
            m_painter.strokePath(path, QPen(QColor(20, 20, 20), 2.2));
        }
        m_painter.restore();
    }

    void text(const vbmp::_ni& item) {
        const int size = truncated(item.size);
        if (size <= 0) {
            return;
        }
        m_textColour = toQColor(vbmp::itemColour(item));
        QFont font(textFontFamily);
        font.setPixelSize(size);
        m_painter.setFont(font);
        m_painter.setPen(m_textColour);
        const QFontMetrics metrics(font);
        m_painter.drawText(QPoint(truncated(item.x), truncated(item.y) + metrics.ascent()),
                           QString::fromStdString(item.text));
    }

    QPainter& m_painter;
    const VBMP& m_builder;
    double m_ratio = 1.0;
    QColor m_textColour = Qt::black;
};

} // namespace

const QImage& BuilderBitmap::renderScore(VBMP& builder, double devicePixelRatio) {
    const VBMP& b = builder;
    const double base = b.items.empty() ? 200.0 : b.items.back().x + 50.0;
    const double width = base + 500.0;

    m_bitmap = QImage();
    const double ratio = devicePixelRatio > 0.0 ? devicePixelRatio : 1.0;
    const int pixelsWide = std::max(1, truncated(width));
    const int pixelsHigh = truncated((b.rows + 5.0) * b.lineSpacing);
    // Drawn at the screen's own scale, so that the same logical geometry comes out crisp.
    m_bitmap = QImage(static_cast<int>(std::ceil(pixelsWide * ratio)),
                      static_cast<int>(std::ceil(pixelsHigh * ratio)), QImage::Format_RGB32);
    m_bitmap.setDevicePixelRatio(ratio);
    m_bitmap.fill(Qt::white);

    for (int i = 0; i < 5; ++i) {
        builder.items.push_back(staffLine(b, i + b.trebleTopRow, width));
        builder.items.push_back(staffLine(b, i + b.bassTopRow, width));
    }
    builder.items.push_back(clef(b, vbmp::TrebleClef, 3.0, b.trebleTopRow));
    builder.items.push_back(clef(b, vbmp::BassClef, 1.0, b.bassTopRow));

    QPainter painter(&m_bitmap);
    paintItems(painter, b, b.items);
    return m_bitmap;
}

void paintItems(QPainter& painter, const VBMP& builder, const std::vector<vbmp::_ni>& items) {
    Painter itemPainter(painter, builder);
    for (const vbmp::_ni& item : items) {
        itemPainter.paint(item);
    }
}

const QImage& redrawScore(VBMP& builder, BuilderBitmap& bitmap, CMusic& score,
                          double devicePixelRatio) {
    buildScore(builder, score);
    return bitmap.renderScore(builder, devicePixelRatio);
}

QImage drawScore(CMusic& score, double devicePixelRatio) {
    VBMP builder;
    BuilderBitmap bitmap;
    return redrawScore(builder, bitmap, score, devicePixelRatio);
}

} // namespace sorvel

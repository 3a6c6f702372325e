#include "builderbitmap.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
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
    Painter(QImage& image, const VBMP& b) : m_painter(&image), m_builder(b) {
        m_painter.setBackgroundMode(Qt::TransparentMode);
    }

    void paint(const vbmp::_ni& item) {
        switch (truncated(item.kind)) {
        case vbmp::Glyph:
            glyph(item);
            break;
        case vbmp::Line:
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

    void glyph(const vbmp::_ni& item) {
        m_textColour = toQColor(vbmp::itemColour(item));
        const int code = truncated(item.code) & 0xFF;
        if (code == 0) {
            return;
        }
        const double s = m_builder.lineSpacing;
        int size = truncated(item.size);
        double top = item.y + 1.0;
        if (code == vbmp::MarkFlat) {
            size = truncated(item.size * 2.0 / 3.0);
            top = item.y + 1.0 + 5.0 * s;
        } else if (code == vbmp::MarkSharp) {
            top = item.y + 3.5 * s;
        }
        if (size <= 0) {
            return;
        }
        QFont font(notationFontFamily);
        font.setPixelSize(size);
        font.setHintingPreference(QFont::PreferNoHinting);
        font.setStyleStrategy(QFont::NoFontMerging);
        m_painter.setFont(font);
        m_painter.setPen(m_textColour);
        // The cell's top-left corner is the anchor; the baseline lies one ascent below it.
        const double baseline =
            truncated(top) + m_builder.ascent / m_builder.unitsPerEm * static_cast<double>(size);
        m_painter.drawText(QPointF(truncated(item.x), baseline), QString(QChar(code)));
    }

    void text(const vbmp::_ni& item) {
        const int size = truncated(item.size);
        if (size <= 0) {
            return;
        }
        QFont font(textFontFamily);
        font.setPixelSize(size);
        m_painter.setFont(font);
        m_painter.setPen(m_textColour);
        const QFontMetrics metrics(font);
        m_painter.drawText(QPoint(truncated(item.x), truncated(item.y) + metrics.ascent()),
                           QString::fromStdString(item.text));
    }

    QPainter m_painter;
    const VBMP& m_builder;
    QColor m_textColour = Qt::black;
};

} // namespace

const QImage& BuilderBitmap::renderScore(VBMP& builder) {
    const VBMP& b = builder;
    const double base = b.items.empty() ? 200.0 : b.items.back().x + 50.0;
    const double width = base + 500.0;

    m_bitmap = QImage();
    const int pixelsWide = std::max(1, truncated(width));
    m_bitmap = QImage(pixelsWide, truncated((b.rows + 5.0) * b.lineSpacing), QImage::Format_RGB32);
    m_bitmap.fill(Qt::white);

    for (int i = 0; i < 5; ++i) {
        builder.items.push_back(staffLine(b, i + b.trebleTopRow, width));
        builder.items.push_back(staffLine(b, i + b.bassTopRow, width));
    }
    builder.items.push_back(clef(b, vbmp::TrebleClef, 3.0, b.trebleTopRow));
    builder.items.push_back(clef(b, vbmp::BassClef, 1.0, b.bassTopRow));

    Painter painter(m_bitmap, b);
    for (const vbmp::_ni& item : b.items) {
        painter.paint(item);
    }
    return m_bitmap;
}

const QImage& redrawScore(VBMP& builder, BuilderBitmap& bitmap, CMusic& score) {
    buildScore(builder, score);
    return bitmap.renderScore(builder);
}

QImage drawScore(CMusic& score) {
    VBMP builder;
    BuilderBitmap bitmap;
    return redrawScore(builder, bitmap, score);
}

} // namespace sorvel

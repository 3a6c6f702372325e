// SPDX-License-Identifier: GPL-3.0-or-later
// The program's icon: one picture of each rendered size, each the same drawing as the largest.
#include "appicon.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace sorvel {
namespace {

TEST(ApplicationIcon, every_size_is_its_own_picture_of_the_same_drawing) {
    ASSERT_NE(QApplication::instance(), nullptr);
    const QIcon icon = applicationIcon();
    const int sizes[] = {16, 24, 32, 48, 64, 128, 256};
    QList<QSize> expected;
    for (int s : sizes)
        expected.append(QSize(s, s));
    QList<QSize> found = icon.availableSizes();
    std::sort(found.begin(), found.end(),
              [](QSize a, QSize b) { return a.width() < b.width(); });
    ASSERT_EQ(found, expected);

    const auto picture = [&](int s) {
        return icon.pixmap(QSize(s, s)).toImage().convertToFormat(QImage::Format_ARGB32);
    };
    const QImage largest = picture(256);
    for (int s : sizes) {
        const QImage image = picture(s);
        ASSERT_EQ(image.size(), QSize(s, s));
        // The rounded card leaves the corner clear and covers the middle.
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << s;
        EXPECT_EQ(qAlpha(image.pixel(s / 2, s / 2)), 255) << s;
        // Against the largest picture scaled down: the same drawing, up to the rendering of
        // edges at a small size (a wrong or shifted picture differs by far more).
        const QImage reference =
            largest.scaled(s, s, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        double difference = 0;
        for (int y = 0; y < s; ++y)
            for (int x = 0; x < s; ++x) {
                const QRgb a = image.pixel(x, y), b = reference.pixel(x, y);
                difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                              std::abs(qBlue(a) - qBlue(b)) + std::abs(qAlpha(a) - qAlpha(b));
            }
        EXPECT_LT(difference / (4.0 * s * s), 12.0) << s;
    }
}

} // namespace
} // namespace sorvel

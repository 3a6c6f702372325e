// SPDX-License-Identifier: GPL-3.0-or-later
#include "fft.h"

#include <cmath>
#include <utility>

namespace sorvel {

// Butterflies are computed in extended precision and stored as float; the rotation factors
// are held in double.
using Wide = long double;

vecf operator-(const vecf& x, float c) {
    vecf r(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        r[i] = x[i] - c;
    }
    return r;
}

vecf operator+(float c, const vecf& x) {
    vecf r(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        r[i] = c + x[i];
    }
    return r;
}

vecf operator/(const vecf& x, int n) {
    vecf r(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        r[i] = x[i] / static_cast<float>(n);
    }
    return r;
}

vecf cos(const vecf& x) {
    vecf r(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        r[i] = std::cos(x[i]);
    }
    return r;
}

void multiplyInPlace(vecf& target, const vecf& window) {
    for (std::size_t i = 0; i < target.size(); ++i) {
        target[i] *= window[i];
    }
}

vecf hannWindow(int n) {
    const float twoPi = 6.2831855f;
    const float pi = 3.1415927f;
    vecf x(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        x[static_cast<std::size_t>(k)] = static_cast<float>(k) * twoPi / static_cast<float>(n);
    }
    return (1.0f + cos(x - pi)) / 2;
}

int frameCount(int sampleCount, int frameLength, int hop) {
    if (sampleCount < frameLength) {
        return 0;
    }
    return (sampleCount - frameLength) / hop + 1;
}

matf spectrogram(const vecf& samples, int n, int hop) {
    const vecf window = hannWindow(n);
    const int frames = frameCount(static_cast<int>(samples.size()), n, hop);
    matf out;
    out.reserve(static_cast<std::size_t>(frames));
    for (int f = 0; f < frames; ++f) {
        auto first = samples.begin() + static_cast<std::ptrdiff_t>(f) * hop;
        vecf frame(static_cast<std::size_t>(n) + 1);
        for (int k = 0; k < n; ++k) {
            frame[static_cast<std::size_t>(k) + 1] = first[k] * window[static_cast<std::size_t>(k)];
        }
        realFFT(frame, n);
        out.push_back(std::move(frame));
    }
    return out;
}

void complexFFT(vecf& data, int m, int direction) {
    const int n = 2 * m;
    int j = 1;
    for (int i = 1; i < n; i += 2) {
        if (j > i) {
            std::swap(data[j], data[i]);
            std::swap(data[j + 1], data[i + 1]);
        }
        int half = m;
        while (half >= 2 && j > half) {
            j -= half;
            half /= 2;
        }
        j += half;
    }

    int mmax = 2;
    while (n > mmax) {
        const int step = 2 * mmax;
        const double theta = direction * (6.28318530717959 / mmax);
        const double s = std::sin(0.5 * theta);
        const double wpr = -2.0 * s * s;
        const double wpi = std::sin(theta);
        double wr = 1.0;
        double wi = 0.0;
        for (int k = 1; k < mmax; k += 2) {
            for (int i = k; i <= n; i += step) {
                const int jj = i + mmax;
                const Wide tr = wr * Wide(data[jj]) - wi * Wide(data[jj + 1]);
                const Wide ti = wr * Wide(data[jj + 1]) + wi * Wide(data[jj]);
                data[jj] = static_cast<float>(data[i] - tr);
                data[jj + 1] = static_cast<float>(data[i + 1] - ti);
                data[i] = static_cast<float>(data[i] + tr);
                data[i + 1] = static_cast<float>(data[i + 1] + ti);
            }
            const double t = wr;
            wr = wr * wpr - wi * wpi + wr;
            wi = wi * wpr + t * wpi + wi;
        }
        mmax = step;
    }
}

void realFFT(vecf& data, int n) {
    complexFFT(data, n / 2, 1);

    const double theta = 3.141592653589793 / (n / 2);
    const double s = std::sin(0.5 * theta);
    const double wpr = -2.0 * s * s;
    const double wpi = std::sin(theta);
    double wr = 1.0 + wpr;
    double wi = wpi;
    for (int i = 2; i <= n / 4; ++i) {
        const int i1 = 2 * i - 1;
        const int i2 = i1 + 1;
        const int i3 = n + 3 - i2;
        const int i4 = i3 + 1;
        const Wide h1r = 0.5L * (Wide(data[i1]) + data[i3]);
        const Wide h1i = 0.5L * (Wide(data[i2]) - data[i4]);
        const Wide h2r = 0.5L * (Wide(data[i2]) + data[i4]);
        const Wide h2i = -0.5L * (Wide(data[i1]) - data[i3]);
        data[i1] = static_cast<float>(h1r + wr * h2r - wi * h2i);
        data[i2] = static_cast<float>(h1i + wr * h2i + wi * h2r);
        data[i3] = static_cast<float>(h1r - wr * h2r + wi * h2i);
        data[i4] = static_cast<float>(-h1i + wr * h2i + wi * h2r);
        const double t = wr;
        wr = wr * wpr - wi * wpi + wr;
        wi = wi * wpr + t * wpi + wi;
    }
    const float h = data[1];
    data[1] = h + data[2];
    data[2] = h - data[2];
}

} // namespace sorvel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "beats.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace sorvel {
namespace {

// The notes' indices from the lowest frequency up; equal frequencies keep their order.
std::vector<int> byPitch(std::span<const double> frequencies) {
    std::vector<int> order(frequencies.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return frequencies[static_cast<std::size_t>(a)] < frequencies[static_cast<std::size_t>(b)];
    });
    return order;
}

// Calls visit(m, n) for each coincidence of the pair, m ascending.
template <class Visit> void coincidences(double low, double high, Visit&& visit) {
    if (!(low > 0.0) || !(high > 0.0) || !std::isfinite(low) || !std::isfinite(high))
        return;
    for (int m = 1; m <= beatHarmonics; ++m)
        for (int n = 1; n <= beatHarmonics; ++n)
            if (std::abs(n * high - m * low) <= beatWindowHz && !visit(m, n))
                return;
}

// Calls visit(i, j, f_i, f_j, m, n) for each coincidence of each pair of notes, the lower
// note first, pairs from the lowest note up.
template <class Visit> void eachCoincidence(std::span<const double> frequencies, Visit&& visit) {
    const std::vector<int> order = byPitch(frequencies);
    for (std::size_t i = 0; i < order.size(); ++i)
        for (std::size_t j = i + 1; j < order.size(); ++j) {
            const double fl = frequencies[static_cast<std::size_t>(order[i])];
            const double fh = frequencies[static_cast<std::size_t>(order[j])];
            coincidences(fl, fh,
                         [&](int m, int n) { return visit(order[i], order[j], fl, fh, m, n); });
        }
}

} // namespace

std::vector<BeatRow> beatRows(std::span<const double> frequencies, std::span<const float> levels,
                              double nyquist, std::span<const double> gainsDb) {
    float strongest = 0.0f;
    for (float l : levels)
        strongest = std::max(strongest, std::abs(l));
    auto levelDb = [&](int h) {
        const float a = h <= static_cast<int>(levels.size())
                            ? std::abs(levels[static_cast<std::size_t>(h - 1)])
                            : 0.0f;
        return a > 0.0f && strongest > 0.0f ? 20.0 * std::log10(a / strongest) : -INFINITY;
    };
    std::vector<BeatRow> rows;
    eachCoincidence(frequencies, [&](int low, int high, double fl, double fh, int m, int n) {
        const auto gain = [&](int note) {
            return static_cast<std::size_t>(note) < gainsDb.size()
                       ? gainsDb[static_cast<std::size_t>(note)]
                       : 0.0;
        };
        const double weaker = std::min(levelDb(m) + gain(low), levelDb(n) + gain(high));
        if (weaker < audibleFloorDb || m * fl >= nyquist || n * fh >= nyquist)
            return true; // look further up
        rows.push_back({low, m, high, n, std::abs(n * fh - m * fl), weaker});
        return false;
    });
    std::stable_sort(rows.begin(), rows.end(), [](const BeatRow& a, const BeatRow& b) {
        return a.audibility != b.audibility ? a.audibility > b.audibility : a.rate < b.rate;
    });
    return rows;
}

std::vector<BeatRow> beatTable(std::span<const double> frequencies) {
    std::vector<BeatRow> rows;
    eachCoincidence(frequencies, [&](int low, int high, double fl, double fh, int m, int n) {
        rows.push_back({low, m, high, n, std::abs(n * fh - m * fl), 0.0});
        return true;
    });
    return rows;
}

double beatBrightness(const BeatRow& row, double phaseLow, double phaseHigh) {
    return 0.5 * (1.0 + std::cos(row.n * phaseHigh - row.m * phaseLow));
}

double beatRateAt(const BeatRow& row, std::span<const double> frequencies) {
    return std::abs(row.n * frequencies[static_cast<std::size_t>(row.high)] -
                    row.m * frequencies[static_cast<std::size_t>(row.low)]);
}

} // namespace sorvel

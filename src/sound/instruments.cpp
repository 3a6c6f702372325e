// SPDX-License-Identifier: GPL-3.0-or-later
#include "instruments.h"

#include <cctype>
#include <cmath>

namespace sorvel {

int findInstrument(std::string_view name) {
    for (std::size_t i = 0; i < instruments.size(); ++i) {
        const std::string_view known = instruments[i].name;
        bool same = known.size() == name.size();
        for (std::size_t k = 0; same && k < known.size(); ++k)
            same = std::tolower(static_cast<unsigned char>(name[k])) == known[k];
        if (same)
            return static_cast<int>(i);
    }
    return -1;
}

std::array<float, 32> syntheticLevels(std::string_view name) {
    // A recording's samples peak at 0.5 * 10^(-1/20); its table reads a harmonic at half its
    // amplitude, so the levels of an in-phase tone with that peak sum to half of it.
    const double peak = 0.5 * std::pow(10.0, -1.0 / 20.0) / 2.0;
    std::array<float, 32> levels{};
    if (name == "sine") {
        levels[0] = static_cast<float>(peak);
        return levels;
    }
    double sum = 0.0;
    for (int h = 1; h <= 32; ++h)
        sum += 1.0 / h;
    for (int h = 1; h <= 32; ++h)
        levels[static_cast<std::size_t>(h - 1)] = static_cast<float>(peak / sum / h);
    return levels;
}

InstrumentLibrary::InstrumentLibrary(std::string folder) : folder_(std::move(folder)) {
    if (!folder_.empty() && folder_.back() != '/')
        folder_ += '/';
}

const CTimbreizer& InstrumentLibrary::voice(int index) {
    auto& slot = voices_.at(static_cast<std::size_t>(index));
    if (!slot) {
        const Instrument& i = instruments[static_cast<std::size_t>(index)];
        slot = std::make_unique<const CTimbreizer>(
            i.file.empty() ? CTimbreizer::fromLevels(syntheticLevels(i.name))
                           : CTimbreizer(folder_ + std::string(i.file)));
    }
    return *slot;
}

} // namespace sorvel

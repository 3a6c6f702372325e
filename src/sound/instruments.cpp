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

std::unique_ptr<const CTimbreizer> InstrumentLibrary::analyse(int index) const {
    const Instrument& i = instruments.at(static_cast<std::size_t>(index));
    return std::make_unique<const CTimbreizer>(
        i.file.empty() ? CTimbreizer::fromLevels(syntheticLevels(i.name))
                       : CTimbreizer(folder_ + std::string(i.file)));
}

void InstrumentLibrary::analyseInBackground(int index) {
    const auto at = static_cast<std::size_t>(index);
    if (voices_.at(at) || pending_[at].valid())
        return;
    // The task reads only the file and its own tables; nothing of the library is shared.
    pending_[at] = std::async(std::launch::async, [this, index] { return analyse(index); });
}

const CTimbreizer& InstrumentLibrary::voice(int index) {
    const auto at = static_cast<std::size_t>(index);
    auto& slot = voices_.at(at);
    if (!slot)
        slot = pending_[at].valid() ? pending_[at].get() : analyse(index);
    return *slot;
}

} // namespace sorvel

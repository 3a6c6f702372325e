// SPDX-License-Identifier: GPL-3.0-or-later
#include "options.h"

#include <stdexcept>
#include <vector>

namespace sorvel {

int chooseOption(const std::vector<bool>& checked, const IndexDraw& draw) {
    if (checked.empty())
        throw std::invalid_argument("chooseOption: an option group without boxes");
    std::vector<int> candidates;
    for (std::size_t i = 0; i < checked.size(); ++i)
        if (checked[i])
            candidates.push_back(static_cast<int>(i));
    if (candidates.empty())
        for (std::size_t i = 0; i < checked.size(); ++i)
            candidates.push_back(static_cast<int>(i));
    const int k = draw(static_cast<int>(candidates.size()));
    return candidates.at(static_cast<std::size_t>(k));
}

ChordChoice chooseChord(const std::vector<bool>& chordBoxes,
                        const std::vector<bool>& inversionBoxes, const IndexDraw& draw) {
    ChordChoice choice;
    choice.chosen = chooseOption(chordBoxes, draw);
    const std::size_t inversions = choice.chosen < triadCount ? 3 : 4;
    if (inversionBoxes.size() < inversions)
        throw std::invalid_argument("chooseChord: four inversion boxes expected");
    const std::vector<bool> allowed(inversionBoxes.begin(),
                                    inversionBoxes.begin() + static_cast<long>(inversions));
    choice.inversion = chooseOption(allowed, draw);
    return choice;
}

} // namespace sorvel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch.h"

#include <cmath>

namespace sorvel {

std::string_view accidentalText(int accidental) {
    static constexpr std::array<std::string_view, 5> texts = {"bb", "b", "", "#", "x"};
    return texts.at(static_cast<std::size_t>(accidental + 2));
}

std::string noteName(int octave, int letter, int accidental) {
    std::string name(1, letterChars.at(static_cast<std::size_t>(letter)));
    name += accidentalText(accidental);
    name += std::to_string(octave);
    return name;
}

double equalFrequency(int pitch) {
    return 440.0 * std::pow(2.0, (pitch - 69) / 12.0);
}

double centsFactor(double cents) {
    return std::pow(2.0, cents / 1200.0);
}

double centsPerNeper() {
    static const double k = 1200.0 / std::log(2.0);
    return k;
}

double cents(double frequency) {
    return centsPerNeper() * std::log(frequency);
}

double centsDifference(double a, double b) {
    return cents(a) - cents(b);
}

const std::map<std::string, Interval>& intervalNames() {
    static const std::map<std::string, Interval> table = [] {
        static constexpr std::array<int, 7> baseSize = {0, 1, 3, 5, 7, 8, 10};
        static constexpr std::array<bool, 7> perfectKind = {true, false, false, true,
                                                            true, false, false};
        std::map<std::string, Interval> names;
        for (int n = 1; n <= 7; ++n) {
            const std::string_view qualities = perfectKind[n - 1] ? "DdPAB" : "DdmMAB";
            for (int q = 0; q < static_cast<int>(qualities.size()); ++q) {
                const int size = baseSize[n - 1] + q - 2;
                if (size < 0)
                    continue;
                std::string name(1, qualities[q]);
                name += static_cast<char>('0' + n);
                names.emplace(name, Interval{n - 1, size});
            }
        }
        return names;
    }();
    return table;
}

std::optional<Interval> findInterval(std::string_view name) {
    const auto& names = intervalNames();
    if (auto it = names.find(std::string(name)); it != names.end())
        return it->second;
    return std::nullopt;
}

std::optional<WrittenNote> parseNoteName(std::string_view text) {
    if (text.size() < 2)
        return std::nullopt;
    const char upper = text[0] >= 'a' && text[0] <= 'z' ? char(text[0] - 'a' + 'A') : text[0];
    const std::size_t letter = letterChars.find(upper);
    if (letter == std::string_view::npos)
        return std::nullopt;
    const std::string_view accidental = text.substr(1, text.size() - 2);
    const char octave = text.back();
    if (octave < '0' || octave > '9')
        return std::nullopt;
    for (int a = -2; a <= 2; ++a)
        if (accidentalText(a) == accidental)
            return WrittenNote{octave - '0', static_cast<int>(letter), a};
    return std::nullopt;
}

} // namespace sorvel

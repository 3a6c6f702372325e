// SPDX-License-Identifier: GPL-3.0-or-later
#include "musicgenerator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <ctime>

namespace sorvel {

namespace {

constexpr int stateSize = 624;
constexpr int shiftSize = 397;
constexpr std::uint32_t matrixA = 0x9908B0DFu;
constexpr std::uint32_t upperMask = 0x80000000u;
constexpr std::uint32_t lowerMask = 0x7FFFFFFFu;

struct TwisterState {
    std::array<std::uint32_t, stateSize> words{};
    int index = stateSize;
    bool seeded = false;
};

// One state for the whole process; a function-local static so that draws made while other
// translation units initialise find it ready.
TwisterState& sharedState() {
    static TwisterState state;
    return state;
}

void seedState(TwisterState& s, std::uint32_t seed) {
    s.words[0] = seed;
    for (int i = 1; i < stateSize; ++i) {
        const std::uint32_t prev = s.words[i - 1];
        s.words[i] = 1812433253u * (prev ^ (prev >> 30)) + static_cast<std::uint32_t>(i);
    }
    s.index = stateSize;
    s.seeded = true;
}

std::uint32_t twistWord(std::uint32_t upper, std::uint32_t lower, std::uint32_t far) {
    const std::uint32_t y = (upper & upperMask) | (lower & lowerMask);
    return far ^ (y >> 1) ^ ((y & 1u) ? matrixA : 0u);
}

void regenerate(TwisterState& s) {
    auto& w = s.words;
    int k = 0;
    for (; k < stateSize - shiftSize; ++k)
        w[k] = twistWord(w[k], w[k + 1], w[k + shiftSize]);
    for (; k < stateSize - 1; ++k)
        w[k] = twistWord(w[k], w[k + 1], w[k + shiftSize - stateSize]);
    w[stateSize - 1] = twistWord(w[stateSize - 1], w[0], w[shiftSize - 1]);
    s.index = 0;
}

std::uint32_t clockSeed() {
    return static_cast<std::uint32_t>(std::time(nullptr));
}

} // namespace

MTRand_int32::MTRand_int32() {
    if (!sharedState().seeded)
        seedState(sharedState(), clockSeed());
}

MTRand_int32::MTRand_int32(std::uint32_t seed) {
    seedState(sharedState(), seed);
}

void MTRand_int32::seed(std::uint32_t seed) {
    seedState(sharedState(), seed);
}

bool MTRand_int32::seeded() {
    return sharedState().seeded;
}

std::uint32_t MTRand_int32::draw_word() {
    TwisterState& s = sharedState();
    if (!s.seeded)
        seedState(s, clockSeed());
    if (s.index >= stateSize)
        regenerate(s);
    std::uint32_t y = s.words[s.index++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

double MTRand::draw() {
    return static_cast<double>(draw_word()) * (1.0 / 4294967296.0);
}

MTRand& RandomGenerator::shared() {
    static MTRand generator;
    return generator;
}

double random_u() {
    return RandomGenerator::shared().draw();
}

int random_index(int n) {
    const double u = random_u();
    if (n < 1)
        return 0;
    return static_cast<int>(u * n);
}

double random_on_grid(double step, double origin, double low, double high) {
    const double u = random_u();
    if (!(step > 0.0))
        return origin;
    const double kmin = std::ceil((low - origin) / step);
    const double kmax = std::floor((high - origin) / step);
    if (kmax < kmin) {
        // The range falls between two neighbouring grid values: take the nearer one.
        const double middle = (low + high) / 2.0;
        const double below = origin + kmax * step;
        const double above = origin + kmin * step;
        return (middle - below <= above - middle) ? below : above;
    }
    const double k = kmin + std::trunc(u * (kmax - kmin + 1.0));
    return origin + k * step;
}

std::vector<int> random_subset(int n, int first, int second) {
    std::vector<int> result;
    if (first < 0 || second < 0 || n < first + second)
        return result;
    std::vector<int> pool(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        pool[static_cast<std::size_t>(i)] = i;
    const int count = first + second;
    result.reserve(static_cast<std::size_t>(count));
    for (int draw = 0; draw < count; ++draw) {
        const int i = random_index(static_cast<int>(pool.size()));
        result.push_back(pool[static_cast<std::size_t>(i)]);
        pool.erase(pool.begin() + i);
    }
    return result;
}

int weighted_choice(const std::vector<double>& weights, double u) {
    if (weights.empty())
        return 0;
    const std::size_t last = weights.size() - 1;
    std::size_t i = 0;
    double c = weights[0];
    while (u >= c && i < last) {
        ++i;
        c += weights[i];
    }
    if (u >= c) {
        // Rounding left the sum below the draw: fall back on the last index that can be chosen
        // at all, never on a weight of zero.
        while (i > 0 && !(weights[i] > 0.0))
            --i;
    }
    return static_cast<int>(i);
}

int weighted_choice(const std::vector<double>& weights) {
    return weighted_choice(weights, random_u());
}

const std::map<std::string, std::vector<Interval>, std::less<>>& intervalDictionary() {
    static const auto dictionary = [] {
        std::map<std::string, std::vector<Interval>, std::less<>> d;
        for (const auto& [name, interval] : intervalNames())
            d[name] = {interval};
        const auto chord = [&](const char* name, std::initializer_list<const char*> parts) {
            std::vector<Interval>& list = d[name];
            for (const char* part : parts)
                list.push_back(intervalNames().at(part));
        };
        chord("Major", {"M3", "P5"});
        chord("Minor", {"m3", "P5"});
        chord("Dim.", {"m3", "d5"});
        chord("Aug.", {"M3", "A5"});
        chord("Major7", {"M3", "P5", "M7"});
        chord("Minor7", {"m3", "P5", "m7"});
        chord("Aug.M7", {"M3", "A5", "M7"});
        chord("Dim.7", {"m3", "d5", "d7"});
        chord("Half-Dim.", {"m3", "d5", "m7"});
        chord("Mm7", {"M3", "P5", "m7"});
        chord("mM7", {"m3", "P5", "M7"});
        return d;
    }();
    return dictionary;
}

const std::vector<Interval>& lookupIntervals(std::string_view name) {
    static const std::vector<Interval> none;
    const auto& d = intervalDictionary();
    const auto it = d.find(name);
    return it == d.end() ? none : it->second;
}

namespace {

int floorDiv(int a, int b) {
    const int q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int floorMod(int a, int b) {
    return a - b * floorDiv(a, b);
}

} // namespace

CNote noteFromGeneratorPitch(int g) {
    const int octave = floorDiv(g, 12);
    const int pitchClass = g - 12 * octave;
    const int letter = pitchClassLetter[static_cast<std::size_t>(pitchClass)];
    return CNote(octave, letter, pitchClass - letterStep[static_cast<std::size_t>(letter)]);
}

const std::vector<CNote>& CGenerateChord::generate() {
    notes.clear();
    if (intervals.empty())
        generateSingleNote();
    else
        generateSonority();
    return notes;
}

void CGenerateChord::generateSingleNote() {
    toneCount = 1;
    chordTones.clear();
    int g = 0;
    if (pitchClass < 0) {
        const double u = random_u();
        g = lowestPitch + static_cast<int>(u * std::max(0, highestPitch - lowestPitch));
    } else {
        g = static_cast<int>(random_on_grid(12.0, pitchClass % 12, lowestPitch, highestPitch));
    }
    notes.push_back(noteFromGeneratorPitch(g));
}

namespace {

// The same pitch written one letter higher (shift +1) or lower (shift -1).
void shiftLetter(CNote& note, int shift) {
    const int pitch = note.pitchNumber();
    const int letter = note.letter + shift;
    note.octave += floorDiv(letter, 7);
    note.letter = floorMod(letter, 7);
    note.accidental = pitch - pitchNumber(note.octave, note.letter, 0);
}

} // namespace

void CGenerateChord::generateSonority() {
    toneCount = static_cast<int>(intervals.size()) + 1;
    chordTones.assign(intervals.begin(), intervals.end());
    chordTones.push_front(Interval{0, 0});
    const bool isOctave = intervals.size() == 1 && intervals[0] == Interval{0, 0};

    int turns = 0;
    if (toneCount > 2) {
        // An inversion beyond the chord's tones wraps around, as the rotation itself would.
        turns = floorMod(inversion, toneCount);
        if (pitchClass >= 0)
            pitchClass =
                floorMod(pitchClass + chordTones[static_cast<std::size_t>(turns)].semitones, 12);
        for (int t = 0; t < turns; ++t) {
            chordTones.push_back(chordTones.front());
            chordTones.pop_front();
        }
    }

    // Relative to the bass, within an octave above it. The octave count comes from the letter
    // steps and is taken off the size too, so that an interval of twelve semitones or more
    // (an augmented seventh) keeps its size instead of being folded down by an octave.
    const Interval b = chordTones.front();
    for (Interval& tone : chordTones) {
        tone.number -= b.number;
        tone.semitones -= b.semitones;
        const int octaves = floorDiv(tone.number, 7);
        tone.number -= 7 * octaves;
        tone.semitones -= 12 * octaves;
    }

    // The octave's upper note is raised after spelling, so the bass needs room for all of it.
    const int topSemitones = chordTones.back().semitones + (isOctave ? 12 : 0);
    const CNote bass = noteFromGeneratorPitch(chooseBass(topSemitones));
    notes.push_back(bass);
    const int bassStep = letterStep[static_cast<std::size_t>(bass.letter)];
    for (int k = 1; k < toneCount; ++k) {
        const Interval& tone = chordTones[static_cast<std::size_t>(k)];
        CNote note = bass;
        note.letter += tone.number;
        note.octave += note.letter / 7;
        note.letter %= 7;
        note.accidental = bass.accidental + bassStep + tone.semitones -
                          12 * (note.octave - bass.octave) -
                          letterStep[static_cast<std::size_t>(note.letter)];
        notes.push_back(note);
    }

    if (toneCount > 2) {
        // A bass spelled by its pitch class can leave the root with a double sharp or flat
        // (C## for a chosen D). Respell the whole chord one letter over, so that the root reads
        // as chosen and every interval keeps its name.
        const int root = floorMod(toneCount - turns, toneCount);
        const int rootAccidental = notes[static_cast<std::size_t>(root)].accidental;
        if (rootAccidental >= 2 || rootAccidental <= -2)
            for (CNote& note : notes)
                shiftLetter(note, rootAccidental > 0 ? 1 : -1);
    }

    if (isOctave)
        notes.back().octave += 1;
}

int CGenerateChord::chooseBass(int topSemitones) {
    const int wanted = pitchClass < 0 ? -1 : pitchClass % 12;
    const int r = highestPitch - lowestPitch - topSemitones;
    std::vector<double> weights(static_cast<std::size_t>(std::max(r, 0)), 0.0);
    double sum = 0.0;
    for (int i = 0; i < r; ++i) {
        if (wanted == -1 || floorMod(lowestPitch + i, 12) == wanted) {
            weights[static_cast<std::size_t>(i)] = r - i;
            sum += r - i;
        }
    }
    if (sum > 0.0) {
        for (double& w : weights)
            w /= sum;
        return lowestPitch + weighted_choice(weights);
    }

    // No admissible candidate (a narrow range, or a range too small for the sonority). Keep the
    // one draw, so that the draws after this one do not shift, and keep the wanted class: take
    // its pitch nearest to the candidates, the lower one on a tie. Where the range can hold the
    // sonority at all, the top note never passes highestPitch: then the lower one is taken.
    random_u();
    if (wanted == -1)
        return lowestPitch;
    const int top = lowestPitch + std::max(r, 1) - 1;
    const int below = lowestPitch - floorMod(lowestPitch - wanted, 12);
    const int above = below + 12;
    if (below < 0)
        return above;
    if (r > 0 && above + topSemitones > highestPitch)
        return below;
    return (lowestPitch - below <= above - top) ? below : above;
}

} // namespace sorvel

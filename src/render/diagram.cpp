// SPDX-License-Identifier: GPL-3.0-or-later
#include "diagram.h"

#include "pitch.h"
#include "tuningsetup.h"

#include <algorithm>
#include <cmath>

namespace sorvel {

namespace {

int trunc(double v) {
    return static_cast<int>(v);
}

// Truncation for positions that follow a frequency: an endlessly retuned note can drive them
// far off the panel, where the conversion to int must not overflow.
int truncClamped(double v) {
    if (!std::isfinite(v))
        return v < 0 ? -100000 : 100000;
    return static_cast<int>(std::clamp(v, -100000.0, 100000.0));
}

// Accidental texts of accidentals -3..+3; the note names elsewhere stop at -2..+2, but a
// neighbour on the next letter can need one more.
std::string accidentalName(int accidental) {
    if (accidental == 3)
        return "#x";
    if (accidental == -3)
        return "bbb";
    return std::string(accidentalText(accidental));
}

} // namespace

std::string neighbourName(int octave, int letter, int accidental, int direction) {
    const int target = pitchNumber(octave, letter, accidental) + direction;
    int nLetter = letter + direction;
    int nOctave = octave;
    if (nLetter < 0) {
        nLetter = 6;
        --nOctave;
    } else if (nLetter > 6) {
        nLetter = 0;
        ++nOctave;
    }
    const int nAccidental = target - pitchNumber(nOctave, nLetter, 0);
    std::string name(1, letterChars.at(static_cast<std::size_t>(nLetter)));
    name += accidentalName(nAccidental);
    name += std::to_string(nOctave);
    return name;
}

TuningDiagram::TuningDiagram(double panelWidth, double panelHeight)
    : width_(panelWidth), height_(panelHeight - legendHeight_), labelGap_(0.05 * height_) {
    correctLeft_ = soundingLeft_ = markerRect().left;
}

double TuningDiagram::centsX(double c) const {
    return scaleFraction_ * width_ * (c + 100) * 0.005 + width_ * (1 - scaleFraction_) / 2;
}

DiagramRect TuningDiagram::outline() const {
    return {0, 0, trunc(width_), trunc(height_)};
}

DiagramRect TuningDiagram::legendFrame() const {
    return {0, trunc(height_ - 1), trunc(width_), trunc(legendHeight_ + 1)};
}

DiagramRect TuningDiagram::centreLine() const {
    return {0, trunc(std::floor(height_ / 2)), trunc(width_), 1};
}

std::vector<DiagramTick> TuningDiagram::ticks() const {
    std::vector<DiagramTick> result;
    for (int c = -100; c <= 100; c += 10) {
        DiagramTick t;
        t.cents = c;
        t.isLong = c % 100 == 0;
        const double length = t.isLong ? longTick_ : shortTick_;
        const double x = centsX(c);
        const double tickTop = (1 - length) / 2 * height_;
        const double tickHeight = std::ceil(length * height_ + 1);
        t.tick = {trunc(x), trunc(tickTop), 1, trunc(tickHeight)};
        t.label = {trunc(x - 19), trunc(tickHeight + tickTop + labelGap_), 40, 13};
        if (t.isLong)
            t.nameIndex = c / 100 + 1;
        else
            t.text = std::to_string(c);
        result.push_back(t);
    }
    return result;
}

DiagramRect TuningDiagram::markerRect() const {
    const double m = std::sqrt(longTick_ * shortTick_);
    return {trunc(centsX(0) - 1), trunc((1 - m) / 2 * height_), 3,
            trunc(std::ceil(m * height_ + 1))};
}

int TuningDiagram::markerLeft(double frequency, const CNote& note) const {
    // Semitones from A4 of the written pitch, accidental included: B#3 is measured against C4.
    const int t = 12 * note.octave + letterStep.at(static_cast<std::size_t>(note.letter)) +
                  note.accidental - 57;
    const double u = a4_ * std::pow(2.0, t / 12.0);
    const double pixelsPerSemitone = width_ * scaleFraction_ * 0.5;
    return truncClamped(std::log(frequency / u) * (12 / std::log(2.0)) * pixelsPerSemitone +
                        width_ * 0.5 - 1);
}

std::string TuningDiagram::referenceText() const {
    return a4_ == 440.0 ? std::string()
                        : "Cents from equal temperament, A4 = " + referencePitchText(a4_);
}

namespace {

double correctFrequency(const CNote& note) {
    const auto system = static_cast<std::size_t>(note.system);
    return system < note.systemFrequencies.size() ? note.systemFrequencies[system] : 0.0;
}

} // namespace

void TuningDiagram::clear() {
    shownNote_ = CNote();
    names_ = {};
    correctLeft_ = soundingLeft_ = markerRect().left;
}

bool TuningDiagram::showNote(const CNote& note) {
    if (shownNote_.soundingFrequency == note.soundingFrequency &&
        correctFrequency(shownNote_) == correctFrequency(note))
        return false;
    if (&note != &shownNote_)
        shownNote_ = note;
    names_[0] = neighbourName(note.octave, note.letter, note.accidental, -1);
    names_[1] = noteName(note.octave, note.letter, note.accidental);
    names_[2] = neighbourName(note.octave, note.letter, note.accidental, +1);
    correctLeft_ = markerLeft(correctFrequency(note), note);
    soundingLeft_ = markerLeft(note.soundingFrequency, note);
    return true;
}

} // namespace sorvel

// SPDX-License-Identifier: GPL-3.0-or-later
// Geometry and state of the tuning diagram: a cents scale from -100 to +100 around a note's
// equal-tempered pitch, with the note's correct and sounding tuning as markers. No widgets here:
// the window creates one shape or label per rectangle and copies texts, lefts and visibility.
//
//   sorvel::TuningDiagram d;                  // 448 x 100 panel
//   for (const auto& t : d.ticks()) { ... }   // tick rectangles and label boxes
//   if (d.showNote(note)) { ... }             // names(), correctLeft(), soundingLeft() changed
#pragma once

#include "tuningdata.h"

#include <array>
#include <string>
#include <vector>

namespace sorvel {

// A rectangle in panel pixels (already truncated).
struct DiagramRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const DiagramRect&, const DiagramRect&) = default;
};

// One of the 21 ticks at -100, -90, ..., +100 cents and the label under it.
struct DiagramTick {
    int cents = 0;
    bool isLong = false; // the three ticks at -100, 0, +100
    DiagramRect tick;
    DiagramRect label;
    std::string text;   // the cents value for short ticks; empty for long ones
    int nameIndex = -1; // 0, 1, 2 for the long ticks (their label shows a note name)
};

class TuningDiagram {
public:
    explicit TuningDiagram(double panelWidth = 448, double panelHeight = 100);

    double width() const { return width_; }
    double height() const { return height_; }
    double legendHeight() const { return legendHeight_; }

    // Panel x of c cents (-100..100) before truncation.
    double centsX(double c) const;

    DiagramRect outline() const;
    DiagramRect legendFrame() const;
    DiagramRect centreLine() const;
    std::vector<DiagramTick> ticks() const;
    // Where the three markers start (the 0 tick); only their left moves afterwards.
    DiagramRect markerRect() const;

    // Takes over a note to display; false when its correct and sounding frequencies are those
    // already shown, and nothing changed.
    bool showNote(const CNote& note);
    void setAnswersShown(bool shown) { answersShown_ = shown; }
    // Forgets the note shown, as before the first: no names, markers back at the 0 tick.
    void clear();

    // The A4 the cents are measured from: equal temperament at the program's reference pitch.
    void setReferencePitch(double a4) { a4_ = a4; }
    double referencePitch() const { return a4_; }
    // The legend's note of that reference; empty at 440 Hz, where nothing needs saying.
    std::string referenceText() const;

    bool answersShown() const { return answersShown_; }
    const CNote& shownNote() const { return shownNote_; }
    // Texts of the name labels at -100, 0, +100 cents; empty before the first note.
    const std::array<std::string, 3>& names() const { return names_; }
    int correctLeft() const { return correctLeft_; }
    int soundingLeft() const { return soundingLeft_; }

    // Left of a marker for frequency f on the scale of the written note.
    int markerLeft(double frequency, const CNote& note) const;

private:
    double legendHeight_ = 25;
    double width_;
    double height_;
    double scaleFraction_ = 0.92;
    double longTick_ = 1.0 / 3.0;
    double shortTick_ = 1.0 / 8.0;
    double labelGap_;

    double a4_ = 440.0;
    bool answersShown_ = false;
    CNote shownNote_;
    std::array<std::string, 3> names_;
    int correctLeft_;
    int soundingLeft_;
};

// Name of the note one semitone below (direction -1) or above (+1) on the neighbouring letter,
// e.g. E4 -> "D#4" and "F4", C4 -> "B3" and "Db4". A neighbour that needs three sharps or
// flats is written with "#x" or "bbb" (below Ax4: "G#x4"; above Dbb4: "Ebbb4").
std::string neighbourName(int octave, int letter, int accidental, int direction);

} // namespace sorvel

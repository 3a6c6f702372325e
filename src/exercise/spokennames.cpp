// SPDX-License-Identifier: GPL-3.0-or-later
#include "spokennames.h"

#include "answering.h"
#include "pitch.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <array>
#include <cstddef>
#include <utility>

namespace sorvel {

namespace {

constexpr std::array<const char*, 7> letters = {"C", "D", "E", "F", "G", "A", "B"};

constexpr std::array<const char*, 15> ordinals = {
    "unison",  "second",   "third",      "fourth",     "fifth",
    "sixth",   "seventh",  "octave",     "ninth",      "tenth",
    "eleventh", "twelfth", "thirteenth", "fourteenth", "fifteenth"};

// The quality letters of interval names; "º" is how the option captions write diminished.
std::string_view qualityWord(std::string_view q) {
    static const std::array<std::pair<std::string_view, std::string_view>, 8> words = {{
        {"D", "doubly diminished"},
        {"d", "diminished"},
        {"\u00ba", "diminished"},
        {"m", "minor"},
        {"M", "major"},
        {"P", "perfect"},
        {"A", "augmented"},
        {"B", "doubly augmented"},
    }};
    for (const auto& [key, word] : words)
        if (key == q)
            return word;
    return {};
}

// Chord captions and dictionary keys, with their words.
struct ChordWords {
    std::string_view caption;
    std::string_view key;
    std::string_view spoken;
    std::string_view type; // as a sonority is named
};
constexpr std::array<ChordWords, 11> chords = {{
    {"Maj", "Major", "major triad", "major triad"},
    {"Min", "Minor", "minor triad", "minor triad"},
    {"Dim", "Dim.", "diminished triad", "diminished triad"},
    {"Aug", "Aug.", "augmented triad", "augmented triad"},
    {"Mm7", "Mm7", "major-minor seventh", "dominant seventh"},
    {"MM7", "Major7", "major seventh", "major seventh"},
    {"mm7", "Minor7", "minor seventh", "minor seventh"},
    {"\u00f87", "Half-Dim.", "half-diminished seventh", "half-diminished seventh"},
    {"mM7", "mM7", "minor-major seventh", "minor-major seventh"},
    {"M+7", "Aug.M7", "augmented-major seventh", "augmented-major seventh"},
    {"\u00ba7", "Dim.7", "diminished seventh", "diminished seventh"},
}};

// "m3" -> "minor third"; empty when `name` is no interval name.
std::string spokenInterval(std::string_view name) {
    const std::size_t digits = name.find_first_of("0123456789");
    if (digits == 0 || digits == std::string_view::npos)
        return {};
    const std::string_view quality = qualityWord(name.substr(0, digits));
    const std::string_view number = name.substr(digits);
    if (quality.empty() || number.size() > 2 ||
        number.find_first_not_of("0123456789") != std::string_view::npos)
        return {};
    const int n = std::stoi(std::string(number));
    if (n < 1 || n > static_cast<int>(ordinals.size()))
        return {};
    return std::string(quality) + " " + ordinals[static_cast<std::size_t>(n - 1)];
}

std::vector<const CNote*> columnNotes(const CMusic& score, int column) {
    std::vector<const CNote*> notes;
    for (const CStaff& staff : score.staves)
        if (column >= 0 && static_cast<std::size_t>(column) < staff.chords.size())
            for (const CNote& note : staff.chords[static_cast<std::size_t>(column)].notes)
                notes.push_back(&note);
    return notes;
}

} // namespace

std::string spokenNoteName(int octave, int letter, int accidental) {
    static const std::array<const char*, 5> signs = {" double flat", " flat", "", " sharp",
                                                     " double sharp"};
    std::string name = letters[static_cast<std::size_t>(std::clamp(letter, 0, 6))];
    if (accidental >= -2 && accidental <= 2)
        name += signs[static_cast<std::size_t>(accidental + 2)];
    return name + " " + std::to_string(octave);
}

std::string spokenAbbreviation(std::string_view abbreviation) {
    for (const ChordWords& c : chords)
        if (abbreviation == c.caption || abbreviation == c.key)
            return std::string(c.spoken);
    if (std::string interval = spokenInterval(abbreviation); !interval.empty())
        return interval;
    return std::string(abbreviation);
}

std::string spokenPhrase(std::string_view shown) {
    std::string out;
    std::size_t i = 0;
    while (i < shown.size()) {
        const std::size_t end = std::min(shown.find_first_of(" ,;()", i), shown.size());
        const std::string_view word = shown.substr(i, end - i);
        std::string spoken(word);
        // A note name: letter, sign, octave ("C5", "G#3", "Bb2"); A5 or B7 here are notes.
        const bool note = word.size() >= 2 && word[0] >= 'A' && word[0] <= 'G' &&
                          word.find_first_not_of("#bx-0123456789", 1) == std::string_view::npos &&
                          std::isdigit(static_cast<unsigned char>(word.back()));
        if (note) {
            const std::size_t digits = word.find_first_of("-0123456789", 1);
            const std::string_view sign = word.substr(1, digits - 1);
            const int accidental = sign == "#"    ? 1
                                   : sign == "x"  ? 2
                                   : sign == "b"  ? -1
                                   : sign == "bb" ? -2
                                                  : 0;
            const int letter = static_cast<int>(std::string_view("CDEFGAB").find(word[0]));
            spoken = spokenNoteName(std::stoi(std::string(word.substr(digits))), letter, accidental);
        } else if (!word.empty() &&
                   std::string_view("mMP\xc2").find(word[0]) != std::string_view::npos) {
            spoken = spokenAbbreviation(word); // the interval captions: m, M, P and the º of º5
        } else {
            for (const ChordWords& c : chords)
                if (word == c.caption || word == c.key)
                    spoken = c.spoken;
        }
        out += spoken;
        if (end < shown.size())
            out += shown[end];
        i = end + 1;
    }
    return out;
}

std::string chordTypeName(std::string_view key) {
    for (const ChordWords& c : chords)
        if (key == c.key || key == c.caption)
            return std::string(c.type);
    return std::string(key);
}

std::string inversionName(int inversion) {
    static const std::array<const char*, 4> names = {"root position", "first inversion",
                                                     "second inversion", "third inversion"};
    if (inversion < 0 || inversion > 3)
        return "inversion " + std::to_string(inversion);
    return names[static_cast<std::size_t>(inversion)];
}

std::string describeNote(const CNote& note) {
    std::string text = spokenNoteName(note.octave, note.letter, note.accidental);
    text += note.locked ? ", white" : ", black";
    if (note.markKind == 1)
        text += ", marked flat";
    else if (note.markKind == 2)
        text += ", marked sharp";
    if (note.selected)
        text += ", selected";
    if (note.displayState >= 4) {
        // Reveal Errors: green within the tolerance, red beyond it or for a wrong mark.
        const int red = note.displayColour & 0xff;
        const int green = note.displayColour >> 8 & 0xff;
        text += green == 0xff && red < 0xff ? ", shown green" : ", shown red";
    }
    return text;
}

std::string describeSonority(const CMusic& score, const NewExercise& made, int column) {
    const std::vector<const CNote*> notes = columnNotes(score, column);
    const int copies = std::max(1, score.copies);
    const int perCopy = std::max(1, score.columnCount / copies);
    std::string text;
    if (made.typeName.empty()) {
        text = notes.size() == 1 ? "note" : "notes";
    } else if (made.category == ExerciseCategory::intervals) {
        text = "interval: " + spokenAbbreviation(made.typeName);
        text += made.oneColumn ? ", harmonic" : ", melodic";
        if (made.wide)
            text += ", compound";
    } else {
        text = "chord: " + chordTypeName(made.typeName) + ", " +
               inversionName(made.chosenInversion) + (made.wide ? ", open" : ", closed");
        if (!made.oneColumn)
            text += ", broken";
    }
    if (perCopy > 1)
        text += ", note " + std::to_string(column % perCopy + 1) + " of " + std::to_string(perCopy);
    // Which copy: the tuning system above it when two are compared, else the white reference.
    const CCaption* caption = nullptr;
    for (const CCaption& c : score.captions)
        if (c.firstColumn <= column && (!caption || c.firstColumn > caption->firstColumn))
            caption = &c;
    if (caption && !caption->text.empty())
        text += ", " + caption->text;
    else if (copies > 1 && !notes.empty() &&
             std::all_of(notes.begin(), notes.end(), [](const CNote* n) { return n->locked; }))
        text += ", correctly tuned copy";
    return text;
}

std::string describeDiagram(const CNote& note, double a4) {
    const double equal = equalFrequency(note.pitchNumber()) * a4 / 440.0;
    char text[160];
    std::snprintf(text, sizeof text,
                  ": sounding pitch %+.1f cents, correct answer %+.1f cents from equal "
                  "temperament",
                  centsDifference(note.soundingFrequency, equal),
                  centsDifference(correctFrequency(note), equal));
    return spokenNoteName(note.octave, note.letter, note.accidental) + text;
}

} // namespace sorvel

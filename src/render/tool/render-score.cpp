// Lays out and renders a few chosen exercises to PNG files, to look at the score as a musician
// would: render-score [output directory]
#include "builderbitmap.h"
#include "layout.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using sorvel::CChord;
using sorvel::CNote;
using sorvel::CTwoStaffChord;

struct Exercise {
    const char* file;
    std::vector<std::vector<CNote>> columns;
};

// letter 0..6 = C..B
CNote n(int octave, int letter, int accidental = 0) {
    return CNote(octave, letter, accidental);
}

CNote marked(CNote note, int kind) {
    note.marked = 1;
    note.markKind = kind;
    note.displayState = 1;
    return note;
}

CNote selected(CNote note) {
    note.selected = 1;
    note.displayState = 2;
    return note;
}

CNote locked(CNote note) {
    note.locked = 1;
    return note;
}

CNote revealed(CNote note, int colour) {
    note.displayState = 4;
    note.displayColour = colour;
    return note;
}

std::vector<Exercise> exercises() {
    return {
        {"c-major-chord.png", {{n(4, 0), n(4, 2), n(4, 4)}, {n(3, 0), n(3, 4), n(4, 2), n(5, 0)}}},
        {"seconds.png",
         {{n(4, 0), n(4, 1), n(4, 2)},
          {n(4, 5), n(4, 6), n(5, 0)},
          {n(2, 4), n(2, 5), n(3, 0)},
          {n(3, 1), n(3, 2), n(3, 3)}}},
        {"accidentals.png",
         {{n(4, 2, -2)},
          {n(4, 2, -1)},
          {n(4, 2, 0)},
          {n(4, 2, 1)},
          {n(4, 2, 2)},
          {n(3, 6, -1), n(4, 3, 1)},
          {n(2, 3, 1), n(3, 5, -2)}}},
        {"ledger-lines.png",
         {{n(4, 0)},
          {n(4, 1)},
          {n(5, 5)},
          {n(5, 6)},
          {n(6, 0)},
          {n(2, 0)},
          {n(1, 6)},
          {n(1, 5)},
          {n(2, 1)}}},
        {"marks.png",
         {{marked(n(4, 4), 1)},
          {marked(n(4, 6, -1), 2)},
          {selected(n(5, 1))},
          {locked(n(4, 5))},
          {marked(n(3, 0), 1), selected(n(3, 4))},
          {locked(n(2, 5)), n(4, 1, 1)},
          {revealed(n(4, 0), 0x00A000), revealed(n(4, 4), 0x0000E0)}}},
        {"grand-staff.png",
         {{locked(n(4, 5))}, {n(3, 0), n(3, 4), n(4, 0), n(4, 4)}, {n(3, 4, 0), n(4, 6)}}},
    };
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    if (QFontDatabase::addApplicationFont(QStringLiteral(SORVEL_FONT_FILE)) < 0) {
        std::fprintf(stderr, "render-score: cannot load the font file %s\n", SORVEL_FONT_FILE);
        return 1;
    }
    QDir().mkpath(out);
    for (const Exercise& e : exercises()) {
        CTwoStaffChord columns;
        for (const std::vector<CNote>& notes : e.columns) {
            CChord chord;
            chord.notes = notes;
            columns.columns.push_back(chord);
        }
        sorvel::CMusic music = sorvel::buildMusic(columns);
        sorvel::layoutMusic(music);
        const QImage image = sorvel::drawScore(music);
        const QString path = out + "/" + e.file;
        if (!image.save(path)) {
            std::fprintf(stderr, "render-score: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}

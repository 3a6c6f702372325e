// SPDX-License-Identifier: GPL-3.0-or-later
// Lays out and renders exercises to PNG files, to look at the score as a musician would: a few
// chosen ones, or many New Exercise draws at once (see usage below).
#include "builderbitmap.h"
#include "layout.h"
#include "newexercise.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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
          {revealed(n(4, 0), 0x00A000), revealed(n(4, 4), 0x0000E0)},
          // the palest shades, just inside and just beyond the tolerance
          {revealed(n(4, 2), 0xD1FFD1), revealed(n(5, 0), 0xDCDCFF)}}},
        {"grand-staff.png",
         {{locked(n(4, 5))}, {n(3, 0), n(3, 4), n(4, 0), n(4, 4)}, {n(3, 4, 0), n(4, 6)}}},
    };
}

const char* const usage =
    "usage: render-score [DIR]\n"
    "         draws a few chosen exercises into DIR (default .)\n"
    "       render-score --random N --seed S --out DIR [--page notes|intervals|chords]\n"
    "                    [--compare] [--larger] [--broken] [--open] [--systems A B]\n"
    "         draws N New Exercise draws (generator seeded with S) as DIR/0001.png ... at the\n"
    "         Score image's size, and DIR/index.tsv: each file name, then the exercise's notes in\n"
    "         column order (e.g. C#4, Bb3, F##5), tab-separated. Options (all others at their\n"
    "         defaults): --page the option page (default notes); --compare with the correctly\n"
    "         tuned copy; --larger intervals larger than an octave; --broken melodic intervals\n"
    "         or broken chords; --open chords in open position; --systems the\n"
    "         Compare Tuning Systems task between systems A and B (0 Equal .. 4 Meantone).\n";

struct RandomRun {
    int count = 0;
    unsigned seed = 1;
    QString out;
    sorvel::ExerciseRequest request;
};

std::string spelled(const CNote& n) {
    static const char letters[] = "CDEFGAB";
    std::string name(1, letters[n.letter]);
    for (int i = 0; i < n.accidental; ++i)
        name += '#';
    for (int i = 0; i > n.accidental; --i)
        name += 'b';
    return name + std::to_string(n.octave);
}

int drawRandom(const RandomRun& run) {
    QDir().mkpath(run.out);
    QFile index(run.out + "/index.tsv");
    if (!index.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "render-score: cannot write %s\n", qPrintable(index.fileName()));
        return 1;
    }
    sorvel::MTRand_int32::seed(run.seed);
    sorvel::CGenerateChord generator;
    for (int i = 1; i <= run.count; ++i) {
        const sorvel::NewExercise made = sorvel::makeNewExercise(run.request, generator);
        sorvel::CMusic music = sorvel::startOver(made.exerciseTemplate);
        const QImage image =
            sorvel::drawScore(music).copy(0, 0, static_cast<int>(sorvel::visibleScoreWidth), 241);
        const QString file = QString::asprintf("%04d.png", i);
        if (!image.save(run.out + "/" + file)) {
            std::fprintf(stderr, "render-score: cannot write %s\n", qPrintable(file));
            return 1;
        }
        std::string line = file.toStdString();
        for (int j = 0; j < music.columnCount; ++j)
            for (std::size_t staff = music.staves.size(); staff-- > 0;)
                for (const CNote& n : music.staves[staff].chords[static_cast<std::size_t>(j)].notes)
                    line += "\t" + spelled(n);
        line += "\n";
        index.write(line.c_str());
    }
    std::printf("%d exercises in %s\n", run.count, qPrintable(run.out));
    return 0;
}

// Reads the --random options; false on a wrong argument.
bool readRandomRun(int argc, char** argv, RandomRun& run) {
    using sorvel::ExerciseCategory;
    bool larger = false, broken = false, open = false, compare = false;
    auto& r = run.request;
    r.category = ExerciseCategory::singleNotes;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--random" && hasValue)
            run.count = std::atoi(argv[++i]);
        else if (a == "--seed" && hasValue)
            run.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--out" && hasValue)
            run.out = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--page" && hasValue) {
            const std::string page = argv[++i];
            if (page == "notes")
                r.category = ExerciseCategory::singleNotes;
            else if (page == "intervals")
                r.category = ExerciseCategory::intervals;
            else if (page == "chords")
                r.category = ExerciseCategory::chords;
            else
                return false;
        } else if (a == "--compare")
            compare = true;
        else if (a == "--larger")
            larger = true;
        else if (a == "--broken")
            broken = true;
        else if (a == "--open")
            open = true;
        else if (a == "--systems" && i + 2 < argc) {
            r.task = sorvel::ExerciseTask::compare;
            r.tuning = std::atoi(argv[++i]);
            r.tuning2 = std::atoi(argv[++i]);
            if (r.tuning < 0 || r.tuning > 4 || r.tuning2 < 0 || r.tuning2 > 4)
                return false;
        } else
            return false;
    }
    r.compareBox = compare;
    r.intervalRangeBoxes = {!larger, larger};
    r.intervalStyleBoxes = {!broken, broken};
    r.chordStyleBoxes = {!broken, broken};
    r.chordPositionBoxes = {!open, open};
    return run.count > 0 && !run.out.isEmpty();
}

} // namespace

int main(int argc, char** argv) {
    // A tool for files: it needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const bool random = argc > 1 && std::strcmp(argv[1], "--help") != 0 && argv[1][0] == '-';
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(usage, stdout);
        return 0;
    }
    RandomRun run;
    if (random && !readRandomRun(argc, argv, run)) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (QFontDatabase::addApplicationFont(QStringLiteral(SORVEL_FONT_FILE)) < 0) {
        std::fprintf(stderr, "render-score: cannot load the font file %s\n", SORVEL_FONT_FILE);
        return 1;
    }
    if (random)
        return drawRandom(run);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
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

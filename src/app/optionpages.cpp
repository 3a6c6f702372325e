// SPDX-License-Identifier: GPL-3.0-or-later
// The option pages of the main window ("Single Notes", "Intervals", "Chords") and the exercise
// options below them: their controls, the Select All / Deselect All rows, the option groups and
// the reading of every control into an exercise request.
#include "controls.h"
#include "sorvelmainform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

#include <algorithm>
#include <array>

namespace sorvel {

namespace {

// A thin horizontal rule between the numbered sections of a page.
void rule(QWidget* page, const char* name, int y) {
    auto* f = new QFrame(page);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    place(f, name, 3, y, 451, 2);
}

// One row of Select All / Deselect All buttons per option row, the first at x = `left`.
void selectButtonRows(QWidget* page, const std::array<std::array<const char*, 2>, 3>& names,
                      const int (&tops)[3], int left) {
    for (int row = 0; row < 3; ++row) {
        button(page, names[row][0], "Select All", left, tops[row], 50, 17);
        button(page, names[row][1], "Deselect All", left + 56, tops[row], 66, 17);
    }
}

const QStringList noteItems = {"Any", "C", "C#", "D", "Eb", "E", "F",
                               "F#",  "G", "G#", "A", "Bb", "B"};
const QStringList tuningItems = {"Equal", "Perfect", "Vallotti", "Werkmeister III", "Meantone"};

// The Select All / Deselect All buttons and the boxes each pair sets.
struct SelectPair {
    const char* select;
    const char* deselect;
    std::vector<const char*> boxes;
};
const std::vector<SelectPair>& selectPairs() {
    static const std::vector<SelectPair> pairs = {
        {"SAPBtn",
         "DAPBtn",
         {"P00", "P01", "P02", "P03", "P04", "P05", "P06", "P07", "P08", "P09", "P10", "P11"}},
        {"SAPCBtn", "DAPCBtn", {"I05", "I07", "I12"}},
        {"SAICBtn", "DAICBtn", {"I03", "I04", "I08", "I09"}},
        {"SADBtn", "DADBtn", {"I01", "I02", "I10", "I11", "I06"}},
        {"SATBtn", "DATBtn", {"C00", "C01", "C10", "C11"}},
        {"SAD7Btn", "DAD7Btn", {"C000", "C001", "C010", "C011"}},
        {"SAC7Btn", "DAC7Btn", {"C100", "C101", "C110"}},
        {"SAInvBtn", "DAInvBtn", {"V0Box", "V1Box", "V2Box", "V3Box"}},
    };
    return pairs;
}

std::vector<bool> checkedStates(const std::vector<QCheckBox*>& boxes) {
    std::vector<bool> states;
    states.reserve(boxes.size());
    for (const QCheckBox* b : boxes)
        states.push_back(b->isChecked());
    return states;
}

} // namespace

// ---- Option groups ------------------------------------------------------------------------

std::string TSorvelMainForm::IntervalsStruct::chooseInterval(const IndexDraw& draw) {
    chosen = chooseOption(checkedStates(boxes), draw);
    return names.at(static_cast<std::size_t>(chosen));
}

std::string TSorvelMainForm::ChordsStruct::chooseChord(const IndexDraw& draw) {
    const ChordChoice c =
        sorvel::chooseChord(checkedStates(boxes), checkedStates(seventhInversionBoxes), draw);
    chosen = c.chosen;
    inversion = c.inversion;
    return names.at(static_cast<std::size_t>(chosen));
}

// ---- Building the pages -------------------------------------------------------------------

void TSorvelMainForm::connectOptionButtons() {
    // Check boxes toggle on the click itself; the handler only gives the keyboard back.
    for (QCheckBox* b : findChildren<QCheckBox*>())
        connect(b, &QCheckBox::clicked, this, &TSorvelMainForm::DFBox);
    for (const SelectPair& pair : selectPairs()) {
        for (bool select : {true, false}) {
            auto* b =
                findChild<QPushButton*>(QString::fromLatin1(select ? pair.select : pair.deselect));
            connect(b, &QPushButton::clicked, this, [this, &pair, select, b] {
                for (const char* name : pair.boxes)
                    box(name)->setChecked(select);
                handBackFrom(b);
            });
        }
    }
}

void TSorvelMainForm::buildSingleNotesPage(QWidget* page) {
    label(page, "Label1", "1. Select pitches to work on:", 3, 15);
    struct Row {
        int top;
        std::array<const char*, 4> names;
        std::array<const char*, 4> captions;
    };
    const Row rows[] = {{34, {"P09", "P10", "P11", "P00"}, {"A", "A#", "B", "C"}},
                        {57, {"P01", "P02", "P03", "P04"}, {"C#", "D", "D#", "E"}},
                        {81, {"P05", "P06", "P07", "P08"}, {"F", "F#", "G", "G#"}}};
    const int lefts[] = {16, 55, 94, 133};
    for (const Row& r : rows)
        for (int i = 0; i < 4; ++i)
            check(page, r.names[i], r.captions[i], lefts[i], r.top, 33);
    button(page, "SAPBtn", "Select All Pitches", 192, 34, 106, 17);
    button(page, "DAPBtn", "Deselect All Pitches", 192, 57, 106, 17);
    check(page, "P99", "Custom Frequency:", 16, 117)->setVisible(false);
    auto* freq = place(new QLineEdit(QStringLiteral("440.00"), page), "FreqBox", 135, 115, 49, 21);
    freq->setVisible(false);
    label(page, "Label2", "Hz", 192, 118)->setVisible(false);
}

void TSorvelMainForm::buildIntervalsPage(QWidget* page) {
    label(page, "Label6", "1. Select intervals to work on:", 3, 15);
    label(page, "Label3", "Perfect Consonances:", 3, 35);
    label(page, "Label4", "Imperfect Consonances:", 3, 57);
    label(page, "Label5", "Dissonances:", 3, 80);
    struct Box {
        const char* name;
        const char* caption;
        int left;
        int top;
    };
    const Box boxes[] = {
        {"I07", "P5", 127, 34}, {"I05", "P4", 167, 34}, {"I12", "P8", 207, 34},
        {"I03", "m3", 127, 56}, {"I04", "M3", 167, 56}, {"I08", "m6", 207, 56},
        {"I09", "M6", 247, 56}, {"I01", "m2", 87, 79},  {"I02", "M2", 127, 79},
        {"I06", "º5", 167, 79}, {"I10", "m7", 207, 79}, {"I11", "M7", 247, 79},
    };
    for (const Box& b : boxes)
        check(page, b.name, QString::fromUtf8(b.caption), b.left, b.top, 34);
    selectButtonRows(page, {{{"SAPCBtn", "DAPCBtn"}, {"SAICBtn", "DAICBtn"}, {"SADBtn", "DADBtn"}}},
                     {34, 56, 79}, 287);
    label(page, "Label23", "Bottom note:", 3, 103);
    BottomNote = combo(page, "BottomNote", noteItems, 87, 98, 47, 21,
                       "This pitch will be the bottom note of the interval.");
    rule(page, "IntervalsRule1", 123);
    label(page, "Label7", "2. Select the range of the intervals:", 3, 128);
    check(page, "SIBox", "Intervals up to an octave", 3, 147, 146);
    check(page, "CIBox", "Intervals larger than an octave", 155, 147, 182);
    rule(page, "IntervalsRule2", 168);
    label(page, "Label8", "3. Select harmonic and/or melodic intervals:", 3, 173);
    check(page, "HIBox", "Harmonic intervals", 3, 192, 146);
    check(page, "MIBox", "Melodic intervals", 155, 192, 118);
}

void TSorvelMainForm::buildChordsPage(QWidget* page) {
    label(page, "Label12", "1. Select chords to work on:", 3, 15);
    label(page, "Label9", "Triads:", 3, 35);
    label(page, "Label10", "Diatonic 7th Chords:", 3, 57);
    label(page, "Label11", "Chromatic 7th Chords:", 3, 80);
    struct Row {
        int top;
        std::vector<std::pair<const char*, const char*>> boxes;
    };
    const Row rows[] = {
        {34, {{"C00", "Maj"}, {"C01", "Min"}, {"C10", "Dim"}, {"C11", "Aug"}}},
        {56, {{"C000", "Mm7"}, {"C001", "MM7"}, {"C010", "mm7"}, {"C011", "ø7"}}},
        {79, {{"C100", "mM7"}, {"C101", "M+7"}, {"C110", "º7"}}},
    };
    const int lefts[] = {115, 167, 223, 278};
    for (const Row& r : rows)
        for (std::size_t i = 0; i < r.boxes.size(); ++i)
            check(page, r.boxes[i].first, QString::fromUtf8(r.boxes[i].second), lefts[i], r.top,
                  48);
    selectButtonRows(page, {{{"SATBtn", "DATBtn"}, {"SAD7Btn", "DAD7Btn"}, {"SAC7Btn", "DAC7Btn"}}},
                     {35, 57, 80}, 326);
    label(page, "Label22", "Chord root:", 3, 103);
    ChordRoot = combo(page, "ChordRoot", noteItems, 115, 98, 47, 21,
                      "This pitch will be the root of the chord.");
    rule(page, "ChordsRule1", 123);
    label(page, "Label13", "2. Select inversions:", 3, 128);
    check(page, "V0Box", "Root position", 3, 147, 97);
    check(page, "V1Box", "1st inversion", 106, 147, 90);
    check(page, "V2Box", "2nd inversion", 199, 147, 90);
    check(page, "V3Box", "3rd inversion", 292, 147, 88);
    button(page, "SAInvBtn", "Select All", 382, 127, 50, 17);
    button(page, "DAInvBtn", "Deselect All", 382, 147, 66, 17);
    rule(page, "ChordsRule2", 168);
    label(page, "Label14", "3. Select open and/or closed position:", 3, 173);
    check(page, "CPBox", "Closed position", 3, 192, 100);
    check(page, "OPBox", "Open position", 106, 192, 100);
    rule(page, "ChordsRule3", 211);
    label(page, "Label15", "4. Select broken and/or stacked chords:", 3, 216);
    check(page, "SCBox", "Stacked", 3, 235, 100);
    check(page, "BCBox", "Broken", 106, 235, 100);
}

void TSorvelMainForm::buildExerciseOptions() {
    auto* panel =
        place(new QLabel(QStringLiteral("Exercise Options"), Content), "Panel1", 476, 294, 451, 41);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setAlignment(Qt::AlignCenter);
    QFont bold = font();
    bold.setBold(true);
    panel->setFont(bold);

    label(Content, "Label16", "Task:", 478, 342);
    IdentifyRB = place(new QRadioButton(QStringLiteral("Identify flat or sharp pitches"), Content),
                       "IdentifyRB", 510, 341, -1, 17);
    IdentifyRB->setToolTip(
        QStringLiteral("Mark out-of-tune pitches as either flat (1 click) or sharp (2 clicks)."));
    TuneRB = place(new QRadioButton(QStringLiteral("Correct the tuning"), Content), "TuneRB", 510,
                   359, -1, 17);
    TuneRB->setToolTip(QStringLiteral(
        "Click on out-of-tune notes, and use arrow keys or mouse wheel to fix them."));
    CompareRB = place(new QRadioButton(QStringLiteral("Compare Tuning Systems"), Content),
                      "CompareRB", 510, 377, -1, 17);
    CompareRB->setToolTip(
        QStringLiteral("Listen to sonorities in different tuning systems selected from the menus "
                       "at right. You may also retune pitches."));
    IdentifyRB->setChecked(true);
    for (QRadioButton* rb : {IdentifyRB, TuneRB, CompareRB})
        connect(rb, &QRadioButton::clicked, this, [this, rb] { IdentifyRBEnter(rb); });

    CompareBox = check(Content, "CompareBox", "Compare with correctly tuned version", 478, 402);
    CompareBox->setToolTip(QStringLiteral("Include a correctly tuned sonority on the staff."));
    CompareBox->setChecked(true);

    label(Content, "Label20", "Tuning System:", 735, 342);
    TuningBox = combo(Content, "TuningBox", tuningItems, 817, 339, 109, 21);
    label(Content, "Label21", "Second Tuning System:", 697, 378);
    Tuning2Box = combo(Content, "Tuning2Box", tuningItems, 817, 375, 109, 21);
    Tuning2Box->setEnabled(false);
    for (QComboBox* c : {TuningBox, Tuning2Box, BottomNote, ChordRoot})
        connect(c, &QComboBox::activated, this, &TSorvelMainForm::TuningBoxClick);

    label(Content, "Label17", "Difficulty", 681, 428);
    DifficultyBar = place(new QSlider(Qt::Horizontal, Content), "DifficultyBar", 476, 441, 451, 30);
    DifficultyBar->setRange(1, 7);
    DifficultyBar->setSingleStep(1);
    DifficultyBar->setPageStep(1);
    DifficultyBar->setTickPosition(QSlider::TicksBelow);
    DifficultyBar->setTickInterval(1);
    DifficultyBar->setValue(3);
    DifficultyBar->setToolTip(QStringLiteral("Harder exercises require more precise answers, and a "
                                             "larger number of pitches may be out-of-tune."));
    connect(DifficultyBar, &QSlider::valueChanged, this, &TSorvelMainForm::DifficultyBarChange);
    connect(DifficultyBar, &QSlider::sliderPressed, this, &TSorvelMainForm::DifficultyBarEnter);
    label(Content, "Label18", "Easy", 476, 471);
    label(Content, "Label19", "Hard", 904, 471);
}

QCheckBox* TSorvelMainForm::box(const char* name) const {
    auto* b = findChild<QCheckBox*>(QString::fromLatin1(name));
    Q_ASSERT(b);
    return b;
}

void TSorvelMainForm::fillOptionGroups() {
    pitchOptions = {};
    for (const char* n :
         {"P00", "P01", "P02", "P03", "P04", "P05", "P06", "P07", "P08", "P09", "P10", "P11"})
        pitchOptions.boxes.push_back(box(n));
    pitchOptions.customBox = box("P99");
    pitchOptions.customEdit = findChild<QLineEdit*>(QStringLiteral("FreqBox"));

    intervalOptions = {};
    for (const char* n :
         {"I01", "I02", "I03", "I04", "I05", "I06", "I07", "I08", "I09", "I10", "I11", "I12"})
        intervalOptions.boxes.push_back(box(n));
    intervalOptions.rangeBoxes = {box("SIBox"), box("CIBox")};
    intervalOptions.styleBoxes = {box("HIBox"), box("MIBox")};
    intervalOptions.names.assign(intervalOptionNames.begin(), intervalOptionNames.end());

    chordOptions = {};
    for (const char* n :
         {"C00", "C01", "C10", "C11", "C000", "C001", "C010", "C011", "C100", "C101", "C110"})
        chordOptions.boxes.push_back(box(n));
    chordOptions.seventhInversionBoxes = {box("V0Box"), box("V1Box"), box("V2Box"), box("V3Box")};
    chordOptions.triadInversionBoxes = {box("V0Box"), box("V1Box"), box("V2Box")};
    chordOptions.positionBoxes = {box("CPBox"), box("OPBox")};
    chordOptions.styleBoxes = {box("SCBox"), box("BCBox")};
    chordOptions.names.assign(chordOptionNames.begin(), chordOptionNames.end());
}

std::vector<QCheckBox*> TSorvelMainForm::optionBoxes() const {
    const QList<QCheckBox*> boxes = findChildren<QCheckBox*>();
    return {boxes.begin(), boxes.end()};
}

ExerciseRequest TSorvelMainForm::readExerciseRequest() const {
    const auto read = [](auto& states, const std::vector<QCheckBox*>& boxes) {
        for (std::size_t i = 0; i < states.size() && i < boxes.size(); ++i)
            states[i] = boxes[i]->isChecked();
    };
    ExerciseRequest request;
    request.category = static_cast<ExerciseCategory>(std::clamp(TabsBox->currentIndex(), 0, 2));
    read(request.pitchBoxes, pitchOptions.boxes);
    read(request.intervalBoxes, intervalOptions.boxes);
    read(request.intervalRangeBoxes, intervalOptions.rangeBoxes);
    read(request.intervalStyleBoxes, intervalOptions.styleBoxes);
    read(request.chordBoxes, chordOptions.boxes);
    read(request.inversionBoxes, chordOptions.seventhInversionBoxes);
    read(request.chordPositionBoxes, chordOptions.positionBoxes);
    read(request.chordStyleBoxes, chordOptions.styleBoxes);
    request.bottomNote = BottomNote->currentIndex();
    request.chordRoot = ChordRoot->currentIndex();
    request.task = IdentifyRB->isChecked() ? ExerciseTask::identify
                   : TuneRB->isChecked()   ? ExerciseTask::tune
                                           : ExerciseTask::compare;
    request.compareBox = CompareBox->isChecked();
    request.tuning = TuningBox->currentIndex();
    request.tuning2 = Tuning2Box->currentIndex();
    request.difficulty = DifficultyBar->value() - 1;
    return request;
}

} // namespace sorvel

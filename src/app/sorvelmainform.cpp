#include "sorvelmainform.h"

#include "answering.h"
#include "fontregistration.h"
#include "helptext.h"
#include "layout.h"
#include "mainmenu.h"
#include "newexercise.h"
#include "sdlaudio.h"
#include "sessionrecordform.h"
#include "soundoptionsform.h"
#include "soundtick.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTextCursor>
#include <QTime>
#include <QTimer>
#include <QWheelEvent>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <iostream>

namespace sorvel {

namespace {

constexpr int clientWidth = 938;
constexpr int clientHeight = 489;
constexpr int scoreWidth = 461;
constexpr int scoreHeight = 241;

QFont formFont() {
    // The captions were laid out for an 8-point Tahoma; Nimbus Sans at 11 pixels has close
    // enough widths for them to fit their boxes.
    QFont f(QStringLiteral("Nimbus Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(11);
    return f;
}

// Places a control: its name, no keyboard focus, and its size (the size hint where none is
// given, like an auto-sized control).
template <typename W>
W* place(W* w, const char* name, int x, int y, int width = -1, int height = -1) {
    w->setObjectName(QString::fromLatin1(name));
    w->setFocusPolicy(Qt::NoFocus);
    const QSize hint = w->sizeHint();
    w->setGeometry(x, y, width < 0 ? hint.width() : width, height < 0 ? hint.height() : height);
    return w;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y) {
    return place(new QLabel(text, parent), name, x, y);
}

QCheckBox* check(QWidget* parent, const char* name, const QString& caption, int x, int y,
                 int width = -1) {
    return place(new QCheckBox(caption, parent), name, x, y, width, 17);
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int x, int y,
                    int width, int height, const QString& hint = {}) {
    auto* b = place(new QPushButton(caption, parent), name, x, y, width, height);
    b->setToolTip(hint);
    return b;
}

QComboBox* combo(QWidget* parent, const char* name, const QStringList& items, int x, int y,
                 int width, int height, const QString& hint = {}) {
    auto* c = new QComboBox(parent);
    c->addItems(items);
    c->setCurrentIndex(0);
    c->setEditable(false);
    c->setToolTip(hint);
    return place(c, name, x, y, width, height);
}

// A thin horizontal rule between the numbered sections of a page.
void rule(QWidget* page, const char* name, int y) {
    auto* f = new QFrame(page);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    place(f, name, 3, y, 451, 2);
}

QFrame* bevel(QWidget* parent, const char* name, int x, int y, int width, int height) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::Box);
    f->setFrameShadow(QFrame::Sunken);
    return place(f, name, x, y, width, height);
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

// ---- Score image and shapes ---------------------------------------------------------------

ScoreImage::ScoreImage(QWidget* parent)
    : QWidget(parent), canvas_(scoreWidth, scoreHeight, QImage::Format_RGB32) {
    canvas_.fill(Qt::white);
    setMouseTracking(true);
}

void ScoreImage::drawBitmap(const QImage& bitmap) {
    // The canvas takes the bitmap's device pixel ratio, so that the score stays crisp at any
    // screen scale while its geometry stays in logical pixels.
    if (canvas_.devicePixelRatio() != bitmap.devicePixelRatio()) {
        const qreal ratio = bitmap.devicePixelRatio();
        canvas_ =
            QImage(qCeil(scoreWidth * ratio), qCeil(scoreHeight * ratio), QImage::Format_RGB32);
        canvas_.setDevicePixelRatio(ratio);
        canvas_.fill(Qt::white);
    }
    QPainter p(&canvas_);
    p.drawImage(0, 0, bitmap);
    update();
}

void ScoreImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, canvas_);
}

void ScoreImage::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit mouseMoved(at.x(), at.y());
}

void ScoreImage::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit mousePressed(event->button(), at.x(), at.y());
}

void ScoreImage::leaveEvent(QEvent*) {
    emit mouseLeft();
}

Shape::Shape(QWidget* parent, const DiagramRect& r, QColor pen, int penWidth, bool clearFill,
             QColor fill)
    : QWidget(parent), pen_(pen), penWidth_(penWidth), clearFill_(clearFill), fill_(fill) {
    setGeometry(r.left, r.top, r.width, r.height);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width();
    const int h = height();
    if (!clearFill_)
        p.fillRect(0, 0, w, h, fill_);
    // The frame lies inside the rectangle; a shape no wider than two pens is all frame.
    p.fillRect(0, 0, w, penWidth_, pen_);
    p.fillRect(0, h - penWidth_, w, penWidth_, pen_);
    p.fillRect(0, 0, penWidth_, h, pen_);
    p.fillRect(w - penWidth_, 0, penWidth_, h, pen_);
}

// ---- Tuning diagram widgets ---------------------------------------------------------------

void buildDiagram(TSorvelMainForm::PopupHandler& d, QWidget* panel) {
    d.panel = panel;
    panel->setVisible(true);
    const TuningDiagram& g = d.diagram;
    auto* outline = new Shape(panel, g.outline(), Qt::black, 1, true);
    outline->setObjectName(QStringLiteral("DiagramOutline"));
    new Shape(panel, g.legendFrame(), Qt::black, 1, true);
    new Shape(panel, g.centreLine());
    for (const DiagramTick& t : g.ticks()) {
        new Shape(panel, t.tick);
        auto* l = new QLabel(QString::fromStdString(t.text), panel);
        l->setGeometry(t.label.left, t.label.top, t.label.width, t.label.height);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
        if (t.nameIndex >= 0) {
            l->setObjectName(QStringLiteral("NameLabel%1").arg(t.nameIndex));
            l->setVisible(false);
            d.nameLabels.at(static_cast<std::size_t>(t.nameIndex)) = l;
        } else {
            l->setObjectName(QStringLiteral("TickLabel%1").arg(t.cents));
        }
    }
    const DiagramRect m = g.markerRect();
    d.soundingMarker = new Shape(panel, m, QColor(255, 0, 0), 3);
    d.spareMarker = new Shape(panel, m, QColor(0, 0, 255), 3);
    d.correctMarker = new Shape(panel, m, QColor(0, 128, 0), 3);
    d.soundingMarker->setObjectName(QStringLiteral("soundingMarker"));
    d.spareMarker->setObjectName(QStringLiteral("spareMarker"));
    d.correctMarker->setObjectName(QStringLiteral("correctMarker"));
    for (Shape* s : {d.soundingMarker, d.spareMarker, d.correctMarker})
        s->setVisible(false);
}

void showNote(TSorvelMainForm::PopupHandler& d, const CNote& note) {
    if (!d.diagram.showNote(note))
        return;
    for (std::size_t i = 0; i < d.nameLabels.size(); ++i)
        d.nameLabels[i]->setText(QString::fromStdString(d.diagram.names()[i]));
    d.correctMarker->move(d.diagram.correctLeft(), d.correctMarker->y());
    d.soundingMarker->move(d.diagram.soundingLeft(), d.soundingMarker->y());
}

void clearDiagram(TSorvelMainForm::PopupHandler& d) {
    d.diagram.clear();
    for (QLabel* l : d.nameLabels)
        l->clear();
    d.correctMarker->move(d.diagram.correctLeft(), d.correctMarker->y());
    d.soundingMarker->move(d.diagram.soundingLeft(), d.soundingMarker->y());
}

void setAnswersShown(TSorvelMainForm::PopupHandler& d, bool shown) {
    d.diagram.setAnswersShown(shown);
    d.soundingMarker->setVisible(shown);
    d.correctMarker->setVisible(shown);
    for (QLabel* l : d.nameLabels)
        l->setVisible(shown);
}

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

// ---- The window ---------------------------------------------------------------------------

TSorvelMainForm::TSorvelMainForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SorvelMainForm"));
    setWindowTitle(QStringLiteral("Sorvel"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(formFont());
    setFocusPolicy(Qt::StrongFocus);
    // The controls keep their places relative to this area; the menu bar sits above it.
    Content = new QWidget(this);
    Content->setObjectName(QStringLiteral("ContentArea"));
    buildControls();
    connectExerciseHandlers();
    // The wheel must reach the window whatever control lies under the mouse.
    qApp->installEventFilter(this);
    connectAnsweringHandlers();
    RecordForm = new TSessionRecordForm(sessionRecord, this);
    connect(this, &TSorvelMainForm::answerChecked, RecordForm, &TSessionRecordForm::refresh);
    Menu = new TMainMenu(*this);
    const int menuHeight = Menu->sizeHint().height();
    Menu->setGeometry(0, 0, clientWidth, menuHeight);
    Content->setGeometry(0, menuHeight, clientWidth, clientHeight);
    setFixedSize(clientWidth, menuHeight + clientHeight);
}

TSorvelMainForm::~TSorvelMainForm() {
    qApp->removeEventFilter(this);
    FormDestroy();
}

void TSorvelMainForm::buildControls() {
    Score = place(new ScoreImage(Content), "Score", 2, 9, scoreWidth, scoreHeight);

    NewBtn = button(Content, "NewBtn", "New Exercise", 2, 256, 111, 25,
                    "Begin a new exercise using the options at right.");
    RestartBtn = button(Content, "RestartBtn", "Start Over", 119, 256, 111, 25,
                        "Restart the current exercise.");
    GradeBtn = button(Content, "GradeBtn", "Check Answer", 236, 256, 111, 25,
                      "See whether your answer is correct or not.");
    AnswersBtn = button(Content, "AnswersBtn", "Reveal Errors", 352, 256, 111, 25,
                        "Incorrectly tuned/marked notes are displayed in red.");
    for (QPushButton* b : {NewBtn, RestartBtn, GradeBtn, AnswersBtn})
        b->setEnabled(false);

    bevel(Content, "Bevel2", 2, 287, 461, 166);
    ShowDiagBtn = button(Content, "ShowDiagBtn", "Show Answers on Tuning Diagram", 8, 295, 448, 37,
                         "Display tuning of correct and sounding pitches.");
    ShowDiagBtn->setCheckable(true);
    connect(ShowDiagBtn, &QPushButton::clicked, this, &TSorvelMainForm::ShowDiagBtnClick);

    AnswerPopupPanel = place(new QFrame(Content), "AnswerPopupPanel", 8, 346, 448, 100);
    AnswerPopupPanel->setFrameShape(QFrame::NoFrame);
    AnswerPopupPanel->setAutoFillBackground(true);
    QPalette white = AnswerPopupPanel->palette();
    white.setColor(QPalette::Window, Qt::white);
    AnswerPopupPanel->setPalette(white);
    auto* red = new Shape(AnswerPopupPanel, {9, 83, 9, 9}, Qt::black, 1, false, QColor(255, 0, 0));
    red->setObjectName(QStringLiteral("SoundingLegendShape"));
    place(new QLabel(QStringLiteral("Sounding Pitch"), AnswerPopupPanel), "SoundingLegendLabel", 21,
          81, -1, 13);
    auto* green =
        new Shape(AnswerPopupPanel, {109, 83, 9, 9}, Qt::black, 1, false, QColor(0, 128, 0));
    green->setObjectName(QStringLiteral("CorrectLegendShape"));
    place(new QLabel(QStringLiteral("Correct Answer"), AnswerPopupPanel), "CorrectLegendLabel", 121,
          81, -1, 13);

    AdvSoundOptBtn = button(Content, "AdvSoundOptBtn", "Advanced Sound Options...", 2, 461, 145, 25,
                            "Fix noisy sound or slow response time.");

    TabsBox = place(new QTabWidget(Content), "TabsBox", 469, 8, 465, 281);
    TabsBox->tabBar()->setFocusPolicy(Qt::NoFocus);
    auto* single = new QWidget;
    single->setObjectName(QStringLiteral("SingleNotesPage"));
    auto* intervals = new QWidget;
    intervals->setObjectName(QStringLiteral("IntervalsPage"));
    auto* chords = new QWidget;
    chords->setObjectName(QStringLiteral("ChordsPage"));
    auto* help = new QWidget;
    help->setObjectName(QStringLiteral("HelpPage"));
    TabsBox->addTab(single, QStringLiteral("Single Notes"));
    TabsBox->addTab(intervals, QStringLiteral("Intervals"));
    TabsBox->addTab(chords, QStringLiteral("Chords"));
    TabsBox->addTab(help, QStringLiteral("Help Me!"));
    buildSingleNotesPage(single);
    buildIntervalsPage(intervals);
    buildChordsPage(chords);
    HelpMemo = place(new QPlainTextEdit(help), "HelpMemo", 3, 3, 451, 247);
    HelpMemo->setReadOnly(true);
    HelpMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    HelpMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    TabsBox->setCurrentIndex(3);
    connect(TabsBox, &QTabWidget::currentChanged, this, &TSorvelMainForm::TabsBoxChange);

    bevel(Content, "Bevel1", 469, 287, 465, 200);
    buildExerciseOptions();

    GradeLabel =
        place(new QLabel(QStringLiteral("CORRECT "), Content), "GradeLabel", 122, 108, 155, 34);
    QFont verdict(QStringLiteral("URW Bookman"));
    verdict.setStyleHint(QFont::Serif);
    verdict.setPixelSize(29);
    verdict.setBold(true);
    verdict.setItalic(true);
    GradeLabel->setFont(verdict);
    QPalette green29 = GradeLabel->palette();
    green29.setColor(QPalette::WindowText, QColor(0, 128, 0));
    GradeLabel->setPalette(green29);
    GradeLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    GradeLabel->setVisible(false);
    GradeLabel->raise();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(20);
    connect(Timer1, &QTimer::timeout, this, &TSorvelMainForm::Timer1Timer);
    MessageTimer = new QTimer(this);
    MessageTimer->setObjectName(QStringLiteral("MessageTimer"));
    MessageTimer->setInterval(2000);

    // Check boxes toggle on the click itself; the handler only gives the keyboard back.
    for (QCheckBox* b : findChildren<QCheckBox*>())
        connect(b, &QCheckBox::clicked, this, &TSorvelMainForm::DFBox);
    for (const SelectPair& pair : selectPairs()) {
        for (bool select : {true, false}) {
            auto* b =
                findChild<QPushButton*>(QString::fromLatin1(select ? pair.select : pair.deselect));
            connect(b, &QPushButton::clicked, this, [this, &pair, select] {
                for (const char* name : pair.boxes)
                    box(name)->setChecked(select);
                removeFocus();
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

void TSorvelMainForm::FormCreate() {
    starting_ = true;
    // 1. The notation font. Its failure is reported where the staff first needs it (step 6), so
    // that a missing recording, read before, is what an empty folder reports first.
    std::string fontError;
    try {
        fontId_ = registerNotationFont();
    } catch (const FontError& e) {
        fontError = e.what();
    }
    // 2, 3.
    task = 0;
    difficulty = DifficultyBar->value() - 1;
    retuneCents = retuneCentsFor(difficulty);
    retuneRatio = retuneRatioFor(retuneCents);
    // 4. Eight voices, each reading and analysing the recording itself.
    synthesizer = std::make_unique<Synthesizer>(std::string("bassoboe.wav"));
    // 5.
    exerciseTemplate.reset();
    exercise.reset();
    // 6. The start-up exercise: one white A4 at 440 Hz.
    if (!fontError.empty())
        throw FontError(fontError);
    CTwoStaffChord startup;
    startup.columns.emplace_back();
    startup.columns[0].notes.emplace_back(4, 5, 0, std::vector<double>(5, 440.0), 0);
    exercise = std::make_unique<CMusic>(buildMusic(startup));
    for (CStaff& staff : exercise->staves)
        for (CChord& chord : staff.chords)
            for (CNote& note : chord.notes)
                note.locked = 1;
    rebuildScore();
    // 7.
    fillOptionGroups();
    // 8. The device, open and idle; one that cannot be opened ends the start-up.
    audioBackend = std::make_unique<SdlAudioBackend>();
    device = std::make_unique<WaveOut>(*audioBackend);
    device->setFatalHandler([this](std::string_view message) {
        if (starting_)
            throw std::runtime_error(std::string(message));
        QMessageBox::critical(this, QStringLiteral("Sorvel"), QString::fromUtf8(message));
        exitOnFatal(message);
    });
    device->start_playing(sampleRate);
    // 9.
    popupHandler = std::make_unique<PopupHandler>();
    buildDiagram(*popupHandler, AnswerPopupPanel);
    starting_ = false;
}

void TSorvelMainForm::FormActivate() {
    if (Form2)
        Form2->FormActivate();
}

void TSorvelMainForm::FormDestroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    stopSound();
    if (fontId_ >= 0)
        unregisterFont(fontId_);
    fontId_ = -1;
}

void TSorvelMainForm::setBlockSize(int bytes) {
    outputBuffers.setBlockSize(bytes);
}

void TSorvelMainForm::startSound() {
    if (Timer1->isActive() || !device)
        return;
    device->start_playing(sampleRate);
    Timer1->start();
}

void TSorvelMainForm::stopSound() {
    if (!Timer1 || !Timer1->isActive())
        return;
    Timer1->stop();
    if (device)
        device->end_playing();
}

void TSorvelMainForm::Timer1Timer() {
    soundTick(*device, outputBuffers, *synthesizer);
}

void TSorvelMainForm::rebuildScore() {
    if (!exercise)
        return;
    layoutMusic(*exercise);
    redrawStaff();
}

// ---- Listening, marking, retuning, grading and revealing -----------------------------------

void TSorvelMainForm::connectAnsweringHandlers() {
    connect(Score, &ScoreImage::mouseMoved, this, &TSorvelMainForm::ScoreMouseMove);
    connect(Score, &ScoreImage::mouseLeft, this, &TSorvelMainForm::ScoreMouseLeave);
    connect(Score, &ScoreImage::mousePressed, this, &TSorvelMainForm::ScoreMouseDown);
    connect(this, &TSorvelMainForm::keyDown, this, &TSorvelMainForm::FormKeyDown);
    connect(this, &TSorvelMainForm::mouseWheel, this, &TSorvelMainForm::FormMouseWheel);
    connect(GradeBtn, &QPushButton::clicked, this, &TSorvelMainForm::GradeBtnClick);
    connect(AnswersBtn, &QPushButton::clicked, this, &TSorvelMainForm::AnswersBtnClick);
}

void TSorvelMainForm::redrawStaff() {
    if (exercise)
        Score->drawBitmap(
            redrawScore(scoreBuilder, scoreBitmap, *exercise, Score->devicePixelRatioF()));
}

void TSorvelMainForm::ScoreMouseMove(int x, int y) {
    if (!synthesizer)
        return;
    const auto hover =
        hoverAt(exercise.get(), synthesizer->soundingNotes, synthesizer->phases, x, y);
    if (!hover)
        return;
    hoveredNote = hover->note;
    if (hoveredNote && popupHandler)
        showNote(*popupHandler, *hoveredNote);
    if (hover->sounding)
        startSound();
    else
        stopSound();
    Score->setCursor(hover->sounding && hoveredNote ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TSorvelMainForm::ScoreMouseLeave() {
    stopSound();
}

void TSorvelMainForm::ScoreMouseDown(Qt::MouseButton button, int x, int y) {
    if (button != Qt::LeftButton && button != Qt::MiddleButton)
        return;
    const MouseButton pressed = button == Qt::LeftButton ? MouseButton::left : MouseButton::middle;
    if (clickAt(exercise.get(), task, pressed, x, y))
        redrawStaff();
}

void TSorvelMainForm::FormKeyDown(int key) {
    if (!synthesizer)
        return;
    if (retuneSelected(exercise.get(), synthesizer->soundingNotes, task, retuneRatio, key) &&
        hoveredNote && popupHandler)
        showNote(*popupHandler, *hoveredNote);
}

bool TSorvelMainForm::FormMouseWheel(int delta) {
    if (synthesizer &&
        retuneByWheel(exercise.get(), synthesizer->soundingNotes, task, retuneRatio, delta) &&
        hoveredNote && popupHandler)
        showNote(*popupHandler, *hoveredNote);
    return false;
}

void TSorvelMainForm::GradeBtnClick() {
    GradeLabel->setVisible(false);
    MessageTimer->stop();
    if (!exercise)
        return;
    const GradeIndex verdict = gradeAnswer(*exercise, gradingRulesOf(exerciseMade));
    showGrade(verdict.column, verdict.row);
    sessionRecord.add(*exercise, exerciseMade, verdict,
                      QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdString());
    emit answerChecked();
}

void TSorvelMainForm::showGrade(int column, int row) {
    const GradeMessage& message = gradeMessage(column, row);
    GradeLabel->setText(
        QString::fromUtf8(message.text.data(), static_cast<qsizetype>(message.text.size())));
    QPalette palette = GradeLabel->palette();
    palette.setColor(QPalette::WindowText, QColor(message.red, message.green, message.blue));
    GradeLabel->setPalette(palette);
    GradeLabel->adjustSize();
    GradeLabel->move(Score->x() + (Score->width() - GradeLabel->width()) / 2,
                     Score->y() + (Score->height() - GradeLabel->height()) / 2);
    GradeLabel->setVisible(true);
    GradeLabel->raise();
    MessageTimer->start();
}

void TSorvelMainForm::AnswersBtnClick() {
    GradeLabel->setVisible(false);
    MessageTimer->stop();
    if (!exercise)
        return;
    revealAnswers(*exercise, task, gradingTolerance(difficulty));
    redrawStaff();
}

void TSorvelMainForm::removeFocus() {
    if (QWidget* active = QApplication::focusWidget(); active && active != this)
        active->clearFocus();
    setFocus(Qt::OtherFocusReason);
}

void TSorvelMainForm::TabsBoxChange(int index) {
    NewBtn->setEnabled(index != 3);
}

void TSorvelMainForm::IdentifyRBEnter(QRadioButton* entered) {
    entered->setChecked(true);
    Tuning2Box->setEnabled(CompareRB->isChecked());
    CompareBox->setEnabled(!CompareRB->isChecked());
    removeFocus();
}

void TSorvelMainForm::DFBox() {
    removeFocus();
}

void TSorvelMainForm::DifficultyBarChange() {
    removeFocus();
}

void TSorvelMainForm::DifficultyBarEnter() {
    removeFocus();
}

void TSorvelMainForm::TuningBoxClick() {
    removeFocus();
}

void TSorvelMainForm::ShowDiagBtnClick() {
    if (popupHandler)
        setAnswersShown(*popupHandler, ShowDiagBtn->isChecked());
}

bool TSorvelMainForm::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QWidget::event(e);
}

void TSorvelMainForm::keyPressEvent(QKeyEvent* e) {
    int virtualKey = 0;
    switch (e->key()) {
    case Qt::Key_Left:
        virtualKey = 37;
        break;
    case Qt::Key_Up:
        virtualKey = 38;
        break;
    case Qt::Key_Right:
        virtualKey = 39;
        break;
    case Qt::Key_Down:
        virtualKey = 40;
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    emit keyDown(virtualKey);
    e->accept();
}

bool TSorvelMainForm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == HelpMemo && (e->type() == QEvent::Enter || e->type() == QEvent::Leave)) {
        if (e->type() == QEvent::Enter)
            HelpMemoMouseEnter();
        else
            HelpMemoMouseLeave();
        return false;
    }
    if (e->type() != QEvent::Wheel || !watched->isWidgetType())
        return false;
    auto* w = static_cast<QWidget*>(watched);
    if (w != this && !isAncestorOf(w))
        return false;
    // The help text scrolls with the wheel while it holds the keyboard.
    if (HelpMemo && HelpMemo->hasFocus() && HelpMemo->isAncestorOf(w))
        return false;
    emit mouseWheel(static_cast<QWheelEvent*>(e)->angleDelta().y());
    return true;
}

// ---- New Exercise, Start Over, the verdict, help and sound options -------------------------

void TSorvelMainForm::connectExerciseHandlers() {
    HelpMemo->setPlainText(QString::fromStdString(helpText()));
    HelpMemo->moveCursor(QTextCursor::Start);
    connect(NewBtn, &QPushButton::clicked, this, &TSorvelMainForm::NewBtnClick);
    connect(RestartBtn, &QPushButton::clicked, this, &TSorvelMainForm::RestartBtnClick);
    connect(MessageTimer, &QTimer::timeout, this, &TSorvelMainForm::MessageTimerTimer);
    connect(AdvSoundOptBtn, &QPushButton::clicked, this, &TSorvelMainForm::AdvSoundOptBtnClick);
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

void TSorvelMainForm::replaceExercise(CMusic music) {
    // The synthesizer and the hovered note point into the old exercise; it is about to go.
    stopSound();
    if (synthesizer)
        synthesizer->clearSounding();
    hoveredNote = nullptr;
    if (popupHandler)
        clearDiagram(*popupHandler); // the old exercise's note is no longer on the staff
    exercise = std::make_unique<CMusic>(std::move(music));
    rebuildScore();
}

void TSorvelMainForm::NewBtnClick() {
    MessageTimerTimer();
    if (TabsBox->currentIndex() > 2)
        return; // the help page has no exercise (the button is disabled there)
    NewExercise made = makeNewExercise(readExerciseRequest(), generator);
    if (made.chosenType >= 0 && TabsBox->currentIndex() == 1)
        intervalOptions.chosen = made.chosenType;
    if (made.chosenType >= 0 && TabsBox->currentIndex() == 2) {
        chordOptions.chosen = made.chosenType;
        chordOptions.inversion = made.chosenInversion;
    }
    difficulty = made.difficulty;
    retuneCents = made.retuneCents;
    retuneRatio = made.retuneRatio;
    task = made.task;
    exerciseTemplate = std::make_unique<CTwoStaffChord>(std::move(made.exerciseTemplate));
    made.exerciseTemplate = {};
    exerciseMade = std::move(made);
    GradeBtn->setEnabled(exerciseMade.gradingEnabled);
    AnswersBtn->setEnabled(exerciseMade.gradingEnabled);
    replaceExercise(startOver(*exerciseTemplate));
    RestartBtn->setEnabled(true);
}

void TSorvelMainForm::RestartBtnClick() {
    if (!exerciseTemplate)
        return;
    replaceExercise(startOver(*exerciseTemplate));
    RestartBtn->setEnabled(true);
}

void TSorvelMainForm::MessageTimerTimer() {
    MessageTimer->stop();
    GradeLabel->setVisible(false);
}

void TSorvelMainForm::HelpMemoMouseEnter() {
    HelpMemo->setFocus(Qt::MouseFocusReason);
}

void TSorvelMainForm::HelpMemoMouseLeave() {
    removeFocus();
}

void TSorvelMainForm::AdvSoundOptBtnClick() {
    if (!Form2)
        return;
    Form2->show();
    if (soundOptionsPlaced_)
        return;
    const QRect window = frameGeometry();
    // The button's place in the whole client area, menu bar included.
    const QPoint button = AdvSoundOptBtn->mapTo(this, QPoint(0, 0));
    const ScreenPoint at = soundOptionsPlacement(
        window.left(), window.top(), button.x(), button.y(), AdvSoundOptBtn->width(),
        AdvSoundOptBtn->height(), Form2->frameGeometry().height());
    Form2->move(at.left, at.top);
    soundOptionsPlaced_ = true;
}

void TSorvelMainForm::showSessionRecord() {
    RecordForm->show();
    RecordForm->raise();
}

std::unique_ptr<TSorvelMainForm> createMainWindow() {
    auto form = std::make_unique<TSorvelMainForm>();
    form->FormCreate();
    form->Form2 = new TForm2(form.get());
    return form;
}

void reportStartupError(const QString& text) {
    std::cerr << text.toStdString() << std::endl;
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Sorvel"), text, QMessageBox::Ok);
    // Without a screen nobody could dismiss the box: show it and go on.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        QTimer::singleShot(0, &box, &QMessageBox::accept);
    box.exec();
}

} // namespace sorvel

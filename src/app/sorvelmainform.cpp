// SPDX-License-Identifier: GPL-3.0-or-later
#include "sorvelmainform.h"

#include "answering.h"
#include "controls.h"
#include "drone.h"
#include "exerciseundo.h"
#include "fontregistration.h"
#include "helptext.h"
#include "keyboardaccess.h"
#include "layout.h"
#include "mainmenu.h"
#include "newexercise.h"
#include "sdlaudio.h"
#include "beatsform.h"
#include "sessionrecordform.h"
#include "soundoptionsform.h"
#include "soundtick.h"
#include "spokennames.h"
#include "staffaccessible.h"
#include "thresholdform.h"
#include "tuningsetup.h"
#include "windowplacement.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
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
#include <QScreen>
#include <QSlider>
#include <QTabWidget>
#include <QTextCursor>
#include <QTime>
#include <QTimer>
#include <QWheelEvent>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

void ScoreImage::setCursorBox(const QRectF& box) {
    if (box == cursorBox_)
        return;
    cursorBox_ = box;
    update();
}

void ScoreImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, canvas_);
    if (!hasFocus())
        return;
    // While the staff has the keyboard: a focus frame round it, and a dashed orange frame round
    // the cursor note, unlike the blue of a selection or a mark and the red and green of Reveal.
    QPen frame(palette().color(QPalette::Highlight), 2);
    p.setPen(frame);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    if (!cursorBox_.isEmpty()) {
        QPen dashed(QColor(230, 110, 0), 1.5, Qt::DashLine);
        p.setPen(dashed);
        p.drawRect(cursorBox_.adjusted(-2, -2, 2, 2));
    }
}

void ScoreImage::focusInEvent(QFocusEvent*) {
    update();
}

void ScoreImage::focusOutEvent(QFocusEvent*) {
    update();
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

namespace {

// Paints `r` (logical pixels) as a frame of `penWidth` inside it, filled unless `clearFill`.
// Edges are placed on whole device pixels and every width is rounded on its own, so that at a
// screen scale such as 1.5 all ticks and frames come out equally thick, not 1 or 2 pixels by
// where they happen to fall.
void paintFrame(QPainter& p, qreal ratio, const QRect& r, QColor pen, int penWidth, bool clearFill,
                QColor fill) {
    auto device = [ratio](int v) { return static_cast<int>(std::lround(v * ratio)); };
    const int x = device(r.x()), y = device(r.y());
    const int w = std::max(1, device(r.width())), h = std::max(1, device(r.height()));
    const int pw = std::max(1, device(penWidth));
    if (!clearFill)
        p.fillRect(x, y, w, h, fill);
    // The frame lies inside the rectangle; a shape no wider than two pens is all frame.
    p.fillRect(x, y, w, pw, pen);
    p.fillRect(x, y + h - pw, w, pw, pen);
    p.fillRect(x, y, pw, h, pen);
    p.fillRect(x + w - pw, y, pw, h, pen);
}

} // namespace

void Shape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const qreal ratio = devicePixelRatioF();
    p.scale(1 / ratio, 1 / ratio);
    paintFrame(p, ratio, rect(), pen_, penWidth_, clearFill_, fill_);
}

DiagramScale::DiagramScale(QWidget* parent) : QWidget(parent) {
    setGeometry(parent->rect());
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void DiagramScale::addFrame(const DiagramRect& r, bool clearFill) {
    frames_.push_back({QRect(r.left, r.top, r.width, r.height), clearFill});
}

void DiagramScale::paintEvent(QPaintEvent*) {
    // One widget for the whole fixed scale: a widget of its own per tick would be clipped to
    // its own rounded device rectangle, which no painting inside it can even out.
    QPainter p(this);
    const qreal ratio = devicePixelRatioF();
    p.scale(1 / ratio, 1 / ratio);
    for (const Frame& f : frames_)
        paintFrame(p, ratio, f.rect, Qt::black, 1, f.clearFill, Qt::white);
}

// ---- Tuning diagram widgets ---------------------------------------------------------------

void buildDiagram(TSorvelMainForm::PopupHandler& d, QWidget* panel) {
    d.panel = panel;
    panel->setVisible(true);
    const TuningDiagram& g = d.diagram;
    auto* scale = new DiagramScale(panel);
    scale->setObjectName(QStringLiteral("DiagramScale"));
    scale->addFrame(g.outline(), true);
    scale->addFrame(g.legendFrame(), true);
    scale->addFrame(g.centreLine());
    for (const DiagramTick& t : g.ticks()) {
        scale->addFrame(t.tick);
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

namespace {

// The markers' reading as text, for a screen reader, while the answers are shown.
void describeDiagramPanel(TSorvelMainForm::PopupHandler& d) {
    const bool shown = d.diagram.answersShown() && !d.diagram.names()[1].empty();
    d.panel->setAccessibleDescription(
        shown ? QString::fromStdString(
                    describeDiagram(d.diagram.shownNote(), d.diagram.referencePitch()))
              : QString());
}

} // namespace

void showNote(TSorvelMainForm::PopupHandler& d, const CNote& note) {
    if (!d.diagram.showNote(note))
        return;
    describeDiagramPanel(d);
    for (std::size_t i = 0; i < d.nameLabels.size(); ++i)
        d.nameLabels[i]->setText(QString::fromStdString(d.diagram.names()[i]));
    d.correctMarker->move(d.diagram.correctLeft(), d.correctMarker->y());
    d.soundingMarker->move(d.diagram.soundingLeft(), d.soundingMarker->y());
}

void clearDiagram(TSorvelMainForm::PopupHandler& d) {
    d.diagram.clear();
    for (QLabel* l : d.nameLabels)
        l->clear();
    describeDiagramPanel(d);
    d.correctMarker->move(d.diagram.correctLeft(), d.correctMarker->y());
    d.soundingMarker->move(d.diagram.soundingLeft(), d.soundingMarker->y());
}

void setAnswersShown(TSorvelMainForm::PopupHandler& d, bool shown) {
    d.diagram.setAnswersShown(shown);
    describeDiagramPanel(d);
    d.soundingMarker->setVisible(shown);
    d.correctMarker->setVisible(shown);
    for (QLabel* l : d.nameLabels)
        l->setVisible(shown);
}

// ---- The window ---------------------------------------------------------------------------

TSorvelMainForm::TSorvelMainForm(QWidget* parent) : QWidget(parent) {
    // Before any control exists: an accessible interface, once made, stays with its widget.
    installStaffAccessibility();
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
    Menu = new TMainMenu(*this);
    const int menuHeight = Menu->sizeHint().height();
    Menu->setGeometry(0, 0, clientWidth, menuHeight);
    Content->setGeometry(0, menuHeight, clientWidth, clientHeight);
    setFixedSize(clientWidth, menuHeight + clientHeight);
    // The staff is the window's default focus: where the arrow keys retune.
    setUpKeyboardAccess(*this);
}

TSorvelMainForm::~TSorvelMainForm() {
    qApp->removeEventFilter(this);
    FormDestroy();
}

void TSorvelMainForm::buildControls() {
    Score = place(new ScoreImage(Content), "Score", 2, 9, scoreWidth, scoreHeight);
    Score->setFocusPolicy(Qt::StrongFocus);

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
    // The diagram is a picture on white: its text keeps its own dark colour on any desktop
    // palette (a dark one would draw light labels on the white panel).
    QPalette white = AnswerPopupPanel->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base})
        white.setColor(role, Qt::white);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        white.setColor(role, Qt::black);
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
    auto* reference = place(new QLabel(AnswerPopupPanel), "ReferenceLegendLabel", 214, 81, 228, 13);
    reference->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    AdvSoundOptBtn = button(Content, "AdvSoundOptBtn", "Advanced Sound Options...", 2, 461, 145, 25,
                            "Fix noisy sound or slow response time.");

    TabsBox = place(new QTabWidget(Content), "TabsBox", 469, 8, 465, 281);
    TabsBox->tabBar()->setFocusPolicy(Qt::TabFocus);
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
    RestTimer = new QTimer(this);
    RestTimer->setObjectName(QStringLiteral("RestTimer"));
    RestTimer->setSingleShot(true);
    RestTimer->setInterval(1000);
    connect(RestTimer, &QTimer::timeout, this, [this] {
        if (device && !Timer1->isActive())
            device->rest();
    });
    MessageTimer = new QTimer(this);
    MessageTimer->setObjectName(QStringLiteral("MessageTimer"));
    MessageTimer->setInterval(2000);

    connectOptionButtons();
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
    // 4. Eight voices sharing one analysis of the chosen instrument; the others are analysed
    // when first chosen.
    if (!instrumentLibrary)
        instrumentLibrary = std::make_unique<InstrumentLibrary>();
    synthesizer = std::make_unique<Synthesizer>(instrumentLibrary->voice(instrument));
    // 5.
    exerciseTemplate.reset();
    exercise.reset();
    // 6. The start-up exercise: one white A4 at the reference pitch.
    if (!fontError.empty())
        throw FontError(fontError);
    showStartupNote();
    // 7.
    fillOptionGroups();
    // 8. The device, open and idle; one that cannot be opened ends the start-up.
    audioBackend = std::make_unique<SdlAudioBackend>();
    device = std::make_unique<WaveOut>(*audioBackend);
    device->setFatalHandler([this](std::string_view message) {
        if (starting_)
            throw std::runtime_error(std::string(message));
        if (deviceStarting_) {
            // The start-up's own opening, made once the window showed: reported as the
            // start-up's other failures are, also where no one could dismiss a box.
            std::fflush(stdout);
            reportStartupError(QString::fromUtf8(message));
            std::_Exit(EXIT_FAILURE);
        }
        QMessageBox::critical(this, QStringLiteral("Sorvel"), QString::fromUtf8(message));
        exitOnFatal(message);
    });
    if (opensDeviceAfterShow)
        deviceStarting_ = true;
    else
        openIdleDevice();
    // 9.
    popupHandler = std::make_unique<PopupHandler>();
    buildDiagram(*popupHandler, AnswerPopupPanel);
    popupHandler->referenceLabel = findChild<QLabel*>(QStringLiteral("ReferenceLegendLabel"));
    showDiagramReference();
    starting_ = false;
}

void TSorvelMainForm::openIdleDevice() {
    if (!Timer1->isActive()) { // else a sound (the drone at start) has opened it already
        device->start_playing(sampleRate);
        RestTimer->start();
    }
    deviceStarting_ = false;
}

void TSorvelMainForm::openSoundDeviceSoon() {
    // The opening's end is handed back to this thread; the backend, and with it the thread,
    // ends before this object does.
    audioBackend->prepare(sampleRate, [this] {
        QMetaObject::invokeMethod(this, &TSorvelMainForm::openIdleDevice, Qt::QueuedConnection);
    });
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
    RestTimer->stop();
    device->start_playing(sampleRate);
    Timer1->start();
    // The first block now, not a tick later: after a rest the device has just been reopened.
    Timer1Timer();
}

void TSorvelMainForm::stopSound() {
    if (!Timer1 || !Timer1->isActive())
        return;
    // The drone sounds on, whatever the notes do, until it is turned off or the window closes.
    if (droneOn && !destroyed_)
        return;
    Timer1->stop();
    if (device)
        device->end_playing();
    RestTimer->start();
}

void TSorvelMainForm::Timer1Timer() {
    if (!soundTick(*device, outputBuffers, *synthesizer))
        return;
    // Sound kept on only for a fading drone ends once the fade has been heard: a block can
    // only be queued when the one four before it is done.
    silentBlocks_ = synthesizer->silent() ? silentBlocks_ + 1 : 0;
    if (!droneOn && synthesizer->soundingNotes.empty() && silentBlocks_ > bufferCount)
        stopSound();
}

bool TSorvelMainForm::chooseInstrument(int index) {
    if (index < 0 || index >= static_cast<int>(instruments.size()) || !synthesizer)
        return false;
    try {
        synthesizer->setInstrument(instrumentLibrary->voice(index));
    } catch (const std::exception& error) {
        QMessageBox::critical(this, QStringLiteral("Sorvel"), QString::fromUtf8(error.what()));
        removeFocus();
        emit soundChoiceChanged();
        return false;
    }
    instrument = index;
    emit soundChoiceChanged();
    return true;
}

void TSorvelMainForm::setDrone(bool on) {
    droneOn = on;
    updateDrone();
    if (on)
        startSound();
    emit soundChoiceChanged();
}

void TSorvelMainForm::setDroneLevel(float level) {
    droneLevel_ = level;
    updateDrone();
}

void TSorvelMainForm::updateDrone() {
    if (!synthesizer)
        return;
    std::optional<double> frequency;
    if (droneOn && exercise) {
        const double f = droneFrequency(*exercise, exerciseMade.tuning);
        if (f > 0.0)
            frequency = f;
    }
    synthesizer->setDrone(frequency, droneLevel_);
}

void TSorvelMainForm::rebuildScore() {
    if (!exercise)
        return;
    layoutMusic(*exercise);
    redrawStaff();
}

// ---- Listening, marking, retuning, grading and revealing -----------------------------------

void TSorvelMainForm::connectAnsweringHandlers() {
    // The mouse takes over from the keyboard: the cursor follows it unframed, as before.
    connect(Score, &ScoreImage::mouseMoved, this, [this](int x, int y) {
        cursorShown_ = false;
        ScoreMouseMove(x, y);
    });
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
    staffCursor.follow(*exercise, hoveredNote, hover->sounding, x);
    showCursor();
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
    if (clickAt(exercise.get(), task, pressed, x, y)) {
        redrawStaff();
        staffNotesChanged(Score);
    }
}

void TSorvelMainForm::moveCursor(int sonorities, int notes) {
    if (!exercise)
        return;
    cursorShown_ = true;
    if (sonorities)
        staffCursor.moveSonority(*exercise, sonorities);
    if (notes)
        staffCursor.moveNote(*exercise, notes);
    // Where the mouse would rest on the note: the same handler decides what sounds.
    if (const auto at = staffCursor.point(*exercise))
        ScoreMouseMove(static_cast<int>(std::lround(at->x)), static_cast<int>(std::lround(at->y)));
}

void TSorvelMainForm::pressAtCursor() {
    if (!exercise)
        return;
    const auto at = staffCursor.point(*exercise);
    if (!at)
        return;
    cursorShown_ = true;
    const int x = static_cast<int>(std::lround(at->x));
    const int y = static_cast<int>(std::lround(at->y));
    // A click comes with the pointer resting there: the sonority sounds, so Up retunes at once.
    ScoreMouseMove(x, y);
    ScoreMouseDown(Qt::LeftButton, x, y);
}

void TSorvelMainForm::showCursor() {
    const CNote* note = exercise ? staffCursor.note(*exercise) : nullptr;
    Score->setCursorBox(note && cursorShown_ ? QRectF(note->hitBox[0], note->hitBox[1],
                                                      note->hitBox[2], note->hitBox[3])
                                             : QRectF());
    if (Score->hasFocus())
        staffCursorMoved(Score, staffCursor);
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
    // Back to the staff first, so that the verdict's announcement is the last thing said.
    removeFocus();
    const GradeIndex verdict = gradeAnswer(*exercise, gradingRulesOf(exerciseMade));
    showGrade(verdict.column, verdict.row);
    const std::string_view heard = instruments[static_cast<std::size_t>(instrument)].caption;
    sessionRecord.setSound(heard, droneOn, beatsForm_ && beatsForm_->isVisible());
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
    announce(GradeLabel);
}

void TSorvelMainForm::AnswersBtnClick() {
    GradeLabel->setVisible(false);
    MessageTimer->stop();
    if (!exercise)
        return;
    revealAnswers(*exercise, task, gradingTolerance(difficulty));
    redrawStaff();
    setBeatsRevealed(true);
    staffNotesChanged(Score);
    removeFocus();
}

void TSorvelMainForm::removeFocus() {
    if (QWidget* active = QApplication::focusWidget(); active && active != Score)
        active->clearFocus();
    Score->setFocus(Qt::OtherFocusReason);
}

void TSorvelMainForm::handBackFrom(QObject* control) {
    auto* w = qobject_cast<QWidget*>(control);
    if (!w || !w->hasFocus())
        removeFocus();
}

void TSorvelMainForm::TabsBoxChange(int index) {
    NewBtn->setEnabled(index != 3);
}

void TSorvelMainForm::IdentifyRBEnter(QRadioButton* entered) {
    entered->setChecked(true);
    Tuning2Box->setEnabled(CompareRB->isChecked());
    CompareBox->setEnabled(!CompareRB->isChecked());
    handBackFrom(entered);
}

void TSorvelMainForm::DFBox() {
    handBackFrom(sender());
}

void TSorvelMainForm::DifficultyBarChange() {
    handBackFrom(sender());
}

void TSorvelMainForm::DifficultyBarEnter() {
    handBackFrom(sender());
}

void TSorvelMainForm::TuningBoxClick() {
    handBackFrom(sender());
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
    if (windowKey(*this, *e)) {
        e->accept();
        return;
    }
    // The staff's keys; a control that holds the keyboard keeps the keys it does not use.
    QWidget* focus = focusWidget();
    const bool onStaff = !focus || focus == this || focus == Score;
    const bool alt = e->modifiers() & Qt::AltModifier;
    int virtualKey = 0;
    switch (onStaff ? e->key() : 0) {
    case Qt::Key_Left:
        virtualKey = 37;
        moveCursor(-1, 0);
        break;
    case Qt::Key_Up:
        if (alt) {
            moveCursor(0, +1);
            e->accept();
            return;
        }
        virtualKey = 38;
        break;
    case Qt::Key_Right:
        virtualKey = 39;
        moveCursor(+1, 0);
        break;
    case Qt::Key_Down:
        if (alt) {
            moveCursor(0, -1);
            e->accept();
            return;
        }
        virtualKey = 40;
        break;
    case Qt::Key_Space:
        pressAtCursor();
        e->accept();
        return;
    case Qt::Key_Escape:
        ScoreMouseLeave();
        e->accept();
        return;
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

void TSorvelMainForm::releaseExercise() {
    // The synthesizer and the hovered note point into the old exercise; it is about to go.
    stopSound();
    if (synthesizer)
        synthesizer->clearSounding();
    hoveredNote = nullptr;
    if (popupHandler)
        clearDiagram(*popupHandler); // the old exercise's note is no longer on the staff
}

void TSorvelMainForm::replaceExercise(CMusic music) {
    releaseExercise();
    ++exerciseSerial_;
    exercise = std::make_unique<CMusic>(std::move(music));
    rebuildScore();
    staffCursor.reset();
    showCursor();
    staffNotesChanged(Score);
    showDiagramReference();
    updateDrone();
}

void TSorvelMainForm::showStartupNote() {
    std::vector<CNote> a4 = {CNote(4, 5, 0)};
    assignFrequencies(a4, 0);
    CTwoStaffChord startup;
    startup.columns.emplace_back();
    startup.columns[0].notes = std::move(a4);
    exerciseMade = {};
    exerciseMade.referencePitch = activeTuning().referencePitch();
    CMusic music = buildMusic(startup);
    for (CStaff& staff : music.staves)
        for (CChord& chord : staff.chords)
            for (CNote& note : chord.notes)
                note.locked = 1;
    if (exercise)
        replaceExercise(std::move(music));
    else {
        exercise = std::make_unique<CMusic>(std::move(music));
        rebuildScore();
    }
}

void TSorvelMainForm::showDiagramReference() {
    if (!popupHandler || !popupHandler->referenceLabel)
        return;
    popupHandler->diagram.setReferencePitch(exerciseMade.referencePitch);
    popupHandler->referenceLabel->setText(
        QString::fromStdString(popupHandler->diagram.referenceText()));
}

bool TSorvelMainForm::importScale(const std::vector<std::string>& paths) {
    try {
        const ScalaFiles files = sortScalaFiles(paths);
        activeTuning().setScale(
            loadScale(files.scale, files.mapping, activeTuning().referencePitch()));
    } catch (const ScalaError& error) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Open Scale"),
                        QString::fromStdString(error.what()), QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("ScaleError"));
        box.exec();
        removeFocus();
        return false;
    }
    refreshTuningBoxes();
    // The new scale is what the musician wants to hear next.
    TuningBox->setCurrentIndex(importedSystem);
    removeFocus();
    return true;
}

void TSorvelMainForm::setReferencePitch(double a4) {
    activeTuning().setReferencePitch(a4);
    if (!exerciseTemplate)
        showStartupNote();
}

void TSorvelMainForm::refreshTuningBoxes() {
    const TuningSetup& tuning = activeTuning();
    for (QComboBox* box : {TuningBox, Tuning2Box}) {
        while (box->count() > tuning.systemCount())
            box->removeItem(box->count() - 1);
        for (int s = 0; s < tuning.systemCount(); ++s) {
            const QString name = QString::fromStdString(tuning.systemName(s));
            if (s < box->count())
                box->setItemText(s, name);
            else
                box->addItem(name);
        }
        // A long description is read in full in the open list. The list is made only where
        // a name is wider than the box, as the fixed systems' names are not.
        int widest = 0;
        for (int s = 0; s < box->count(); ++s)
            widest = std::max(widest, box->fontMetrics().horizontalAdvance(box->itemText(s)));
        if (widest + 24 > box->width())
            box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 24);
    }
}

void TSorvelMainForm::applyStartOptions(const StartOptions& start) {
    refreshTuningBoxes();
    // The start-up note, already shown, is the equal-tempered A at the reference pitch
    // whatever system is chosen.
    if (start.system >= 0 && start.system < TuningBox->count())
        TuningBox->setCurrentIndex(start.system);
}

void TSorvelMainForm::NewBtnClick() {
    // A new or restored answer hides what the correct tuning would give again.
    setBeatsRevealed(false);
    MessageTimerTimer();
    if (TabsBox->currentIndex() > 2)
        return; // the help page has no exercise (the button is disabled there)
    NewExercise made = makeNewExercise(readExerciseRequest(), generator);
    ExerciseState replaced = takeState();
    if (made.chosenType >= 0 && TabsBox->currentIndex() == 1)
        intervalOptions.chosen = made.chosenType;
    if (made.chosenType >= 0 && TabsBox->currentIndex() == 2) {
        chordOptions.chosen = made.chosenType;
        chordOptions.inversion = made.chosenInversion;
    }
    adoptExercise(std::move(made));
    GradeBtn->setEnabled(exerciseMade.gradingEnabled);
    AnswersBtn->setEnabled(exerciseMade.gradingEnabled);
    replaceExercise(startOver(*exerciseTemplate));
    RestartBtn->setEnabled(true);
    undo.keep(std::move(replaced), UndoneStep::newExercise);
    emit undoChanged();
    // The keyboard goes to the new exercise, also when the button was reached by Tab.
    removeFocus();
}

void TSorvelMainForm::adoptExercise(NewExercise made) {
    difficulty = made.difficulty;
    retuneCents = made.retuneCents;
    retuneRatio = made.retuneRatio;
    task = made.task;
    exerciseTemplate = std::make_unique<CTwoStaffChord>(std::move(made.exerciseTemplate));
    made.exerciseTemplate = {};
    exerciseMade = std::move(made);
}

void TSorvelMainForm::showTrial(const NewExercise& trial) {
    MessageTimerTimer();
    const bool keep = !showsTrial();
    ExerciseState replaced = takeState();
    adoptExercise(trial);
    // Check Answer or Reveal Errors would give the answer away.
    GradeBtn->setEnabled(false);
    AnswersBtn->setEnabled(false);
    RestartBtn->setEnabled(false);
    replaceExercise(startOver(*exerciseTemplate));
    trialSerial_ = exerciseSerial_;
    if (keep) {
        undo.keep(std::move(replaced), UndoneStep::newExercise);
        emit undoChanged();
    }
    if (Score->underMouse()) {
        const QPoint at = Score->mapFromGlobal(QCursor::pos());
        ScoreMouseMove(at.x(), at.y());
    }
}

void TSorvelMainForm::RestartBtnClick() {
    // A new or restored answer hides what the correct tuning would give again.
    setBeatsRevealed(false);
    if (!exerciseTemplate)
        return;
    ExerciseState replaced = takeState();
    exerciseTemplate = std::make_unique<CTwoStaffChord>(*replaced.exerciseTemplate);
    exerciseMade = replaced.made;
    replaceExercise(startOver(*exerciseTemplate));
    RestartBtn->setEnabled(true);
    undo.keep(std::move(replaced), UndoneStep::startOver);
    emit undoChanged();
    removeFocus();
}

ExerciseState TSorvelMainForm::takeState() {
    releaseExercise();
    ExerciseState s;
    s.exercise = std::move(exercise);
    s.exerciseTemplate = std::move(exerciseTemplate);
    s.made = std::move(exerciseMade);
    exerciseMade = {};
    s.task = task;
    s.difficulty = difficulty;
    s.retuneCents = retuneCents;
    s.retuneRatio = retuneRatio;
    s.gradingEnabled = GradeBtn->isEnabled();
    s.restartEnabled = RestartBtn->isEnabled();
    return s;
}

void TSorvelMainForm::putState(ExerciseState s) {
    ++exerciseSerial_;
    exercise = std::move(s.exercise);
    exerciseTemplate = std::move(s.exerciseTemplate);
    exerciseMade = std::move(s.made);
    task = s.task;
    difficulty = s.difficulty;
    retuneCents = s.retuneCents;
    retuneRatio = s.retuneRatio;
    GradeBtn->setEnabled(s.gradingEnabled);
    AnswersBtn->setEnabled(s.gradingEnabled);
    RestartBtn->setEnabled(s.restartEnabled);
    // The notes keep their places, marks, colours and retunings as the user left them.
    redrawStaff();
    updateDrone();
    staffCursor.reset();
    showCursor();
    staffNotesChanged(Score);
}

void TSorvelMainForm::UndoClick() {
    // A new or restored answer hides what the correct tuning would give again.
    setBeatsRevealed(false);
    if (!undo.available())
        return;
    MessageTimerTimer();
    putState(undo.swap(takeState()));
    showDiagramReference();
    emit undoChanged();
}

bool TSorvelMainForm::mayQuit() {
    const std::size_t unkept = sessionRecord.unkeptRows();
    if (unkept == 0)
        return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Sorvel"),
                    QStringLiteral("The session record has %1 %2 not saved or copied yet. Save "
                                   "the record before Sorvel closes?")
                        .arg(unkept)
                        .arg(unkept == 1 ? QStringLiteral("row") : QStringLiteral("rows")),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setObjectName(QStringLiteral("QuitQuestion"));
    box.setDefaultButton(QMessageBox::Save);
    const int answer = box.exec();
    removeFocus();
    if (answer == QMessageBox::Save)
        return recordForm()->SaveBtnClick();
    return answer == QMessageBox::Discard;
}

void TSorvelMainForm::QuitActionTriggered() {
    if (mayQuit()) {
        quitConfirmed_ = true;
        close();
        quitConfirmed_ = false;
    }
}

void TSorvelMainForm::closeEvent(QCloseEvent* e) {
    // The close box asks as Quit does; a close by the program (a signal from the desktop's
    // logout, the window tests) does not wait for an answer.
    if (e->spontaneous() && !quitConfirmed_ && !mayQuit()) {
        e->ignore();
        return;
    }
    QWidget::closeEvent(e);
}

void TSorvelMainForm::placeSecondaryWindow(QWidget* window, std::optional<QPoint> preferred,
                                           QSize minimum) {
    // Frames are not known before a window is first shown: take the main window's margins.
    const QRect frame = frameGeometry();
    const QRect inner = geometry();
    const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(),
                           frame.right() - inner.right(), frame.bottom() - inner.bottom());
    const int extraWidth = margins.left() + margins.right();
    const int extraHeight = margins.top() + margins.bottom();
    const auto rect = [](const QRect& r) {
        return WindowRect{r.left(), r.top(), r.width(), r.height()};
    };
    // The staff, its buttons and the tuning diagram: what the user looks at while working.
    const QRect work(Content->mapToGlobal(QPoint(0, 0)),
                     QSize(AnswerPopupPanel->geometry().right() + 10,
                           AnswerPopupPanel->geometry().bottom() + 2));
    PlacementRequest q;
    const QScreen* on = screen();
    q.screen = rect(on ? on->availableGeometry() : frame);
    q.mainWindow = rect(frame);
    q.keepClear = rect(work);
    q.size = {window->width() + extraWidth, window->height() + extraHeight};
    q.minimum = {std::min(q.size.width, minimum.width() + extraWidth),
                 std::min(q.size.height, minimum.height() + extraHeight)};
    if (preferred)
        q.preferred = WindowRect{preferred->x(), preferred->y(), q.size.width, q.size.height};
    const WindowRect at = sorvel::placeSecondaryWindow(q);
    window->resize(at.width - extraWidth, at.height - extraHeight);
    window->move(at.left, at.top);
}

void TSorvelMainForm::MessageTimerTimer() {
    MessageTimer->stop();
    GradeLabel->setVisible(false);
}

void TSorvelMainForm::HelpMemoMouseEnter() {
    memoByMouse_ = !HelpMemo->hasFocus();
    HelpMemo->setFocus(Qt::MouseFocusReason);
}

void TSorvelMainForm::HelpMemoMouseLeave() {
    // Reached by Tab, the help text keeps the keyboard until Tab, Escape or F6 moves on.
    if (memoByMouse_)
        removeFocus();
    memoByMouse_ = false;
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
    // Beside the button as asked, moved onto the screen and off the diagram where needed.
    placeSecondaryWindow(Form2, QPoint(at.left, at.top), Form2->size());
    soundOptionsPlaced_ = true;
}

void TSorvelMainForm::showToolWindow(QWidget* window, bool& placed) {
    // The first time beside the window, so that the staff stays in view; later where it was left.
    if (!placed) {
        placeSecondaryWindow(window, std::nullopt, window->minimumSize());
        placed = true;
    }
    window->show();
    window->raise();
}

TBeatsForm* TSorvelMainForm::beatsForm() {
    if (!beatsForm_) {
        beatsForm_ = new TBeatsForm(*this);
        beatsForm_->setRevealed(beatsRevealed_);
    }
    return beatsForm_;
}

void TSorvelMainForm::setBeatsRevealed(bool revealed) {
    beatsRevealed_ = revealed;
    if (beatsForm_)
        beatsForm_->setRevealed(revealed);
}

void TSorvelMainForm::showBeats() {
    showToolWindow(beatsForm(), beatsPlaced_);
}

TSessionRecordForm* TSorvelMainForm::recordForm() {
    if (!recordForm_) {
        recordForm_ = new TSessionRecordForm(sessionRecord, this);
        connect(this, &TSorvelMainForm::answerChecked, recordForm_, &TSessionRecordForm::refresh);
    }
    return recordForm_;
}

void TSorvelMainForm::showSessionRecord() {
    showToolWindow(recordForm(), recordPlaced_);
}

void TSorvelMainForm::refreshRecordWindow() {
    if (recordForm_)
        recordForm_->refresh();
}

TThresholdForm* TSorvelMainForm::thresholdForm() {
    if (!thresholdForm_)
        thresholdForm_ = new TThresholdForm(*this);
    return thresholdForm_;
}

void TSorvelMainForm::showThresholdTest() {
    showToolWindow(thresholdForm(), thresholdPlaced_);
}

std::unique_ptr<TSorvelMainForm> createMainWindow(const StartOptions& start,
                                                  const SoundChoice& sound) {
    // The recording is analysed while the controls are built.
    auto library = std::make_unique<InstrumentLibrary>();
    library->analyseInBackground(sound.instrument);
    auto form = std::make_unique<TSorvelMainForm>();
    form->instrumentLibrary = std::move(library);
    // The sound system starts once the window is up, beside its first paint: its library,
    // its server connection and its threads would otherwise hold up the building of the
    // controls on a machine with two cores.
    form->opensDeviceAfterShow = true;
    QTimer::singleShot(0, form.get(), &TSorvelMainForm::openSoundDeviceSoon);
    form->instrument = sound.instrument;
    form->FormCreate();
    form->applyStartOptions(start);
    form->Form2 = new TForm2(form.get());
    emit form->soundChoiceChanged();
    if (sound.drone)
        form->setDrone(true);
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

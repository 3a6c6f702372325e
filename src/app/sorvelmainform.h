// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the staff, the exercise buttons, the option pages and the tuning diagram.
// It stays thin: handlers read controls into plain values and call the layers below.
//
//   auto form = sorvel::createMainWindow();   // runs FormCreate; throws on a start-up failure
//   form->show();
#pragma once

#include "builderbitmap.h"
#include "commandline.h"
#include "diagram.h"
#include "exerciseundo.h"
#include "instruments.h"
#include "musicgenerator.h"
#include "newexercise.h"
#include "options.h"
#include "sessionrecord.h"
#include "sound.h"
#include "staffcursor.h"
#include "tuningdata.h"
#include "vbmp.h"
#include "waveout.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QTimer;

namespace sorvel {

class SdlAudioBackend;

class TForm2;
class TMainMenu;
class TSoundMenu;
class TSessionRecordForm;
class TThresholdForm;
class TBeatsForm;

// The `Score` image: a fixed canvas onto which rendered bitmaps are copied at (0, 0).
class ScoreImage : public QWidget {
    Q_OBJECT
public:
    explicit ScoreImage(QWidget* parent);
    // Copies `bitmap` onto the canvas at (0, 0); whatever lies beyond the canvas is cut off.
    void drawBitmap(const QImage& bitmap);
    const QImage& canvas() const { return canvas_; }
    // The keyboard cursor's note (score pixels), framed while the staff has the keyboard and the
    // cursor keys are in use; an empty rectangle for none.
    void setCursorBox(const QRectF& box);

signals:
    void mouseMoved(int x, int y);
    void mousePressed(Qt::MouseButton button, int x, int y);
    void mouseLeft();

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent*) override;
    void focusInEvent(QFocusEvent*) override;
    void focusOutEvent(QFocusEvent*) override;

private:
    QImage canvas_;
    QRectF cursorBox_;
};

// A rectangle shape: a frame of a pen width and colour, filled white or left clear.
class Shape : public QWidget {
public:
    Shape(QWidget* parent, const DiagramRect& r, QColor pen = Qt::black, int penWidth = 1,
          bool clearFill = false, QColor fill = Qt::white);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor pen_;
    int penWidth_;
    bool clearFill_;
    QColor fill_;
};

// The tuning diagram's fixed scale (outline, legend frame, centre line, ticks) in one widget
// over its whole panel, below the labels and markers.
class DiagramScale : public QWidget {
public:
    explicit DiagramScale(QWidget* parent);
    void addFrame(const DiagramRect& r, bool clearFill = false);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    struct Frame {
        QRect rect;
        bool clearFill;
    };
    std::vector<Frame> frames_;
};

// Module-level state shared with New Exercise and Start Over.
inline int difficulty = 0; // DifficultyBar position - 1
inline CGenerateChord generator;
inline std::unique_ptr<CTwoStaffChord> exerciseTemplate;
// What the last New Exercise decided (task, reference copy, inner references, note count ...);
// its template has moved to `exerciseTemplate`.
inline NewExercise exerciseMade;

class TSorvelMainForm : public QWidget {
    Q_OBJECT
public:
    struct PitchesStruct {
        std::vector<QCheckBox*> boxes; // P00..P11: the index is the pitch class
        QCheckBox* customBox = nullptr;
        QLineEdit* customEdit = nullptr;
    };
    struct IntervalsStruct {
        std::vector<QCheckBox*> boxes;      // I01..I12: size in semitones - 1
        std::vector<QCheckBox*> rangeBoxes; // SIBox, CIBox (1 = larger than an octave)
        std::vector<QCheckBox*> styleBoxes; // HIBox, MIBox (0 = harmonic)
        std::vector<std::string> names;
        int chosen = 0;
        // Draws an interval type among the ticked boxes; sets `chosen`.
        std::string chooseInterval(const IndexDraw& draw = random_index);
    };
    struct ChordsStruct {
        std::vector<QCheckBox*> boxes; // C00 .. C110 (0..3 triads)
        std::vector<QCheckBox*> seventhInversionBoxes;
        std::vector<QCheckBox*> triadInversionBoxes;
        std::vector<QCheckBox*> positionBoxes; // CPBox, OPBox (1 = open)
        std::vector<QCheckBox*> styleBoxes;    // SCBox, BCBox (0 = stacked)
        std::vector<std::string> names;
        int chosen = 0;
        int inversion = 0;
        // Draws a chord type and its inversion; sets `chosen` and `inversion`.
        std::string chooseChord(const IndexDraw& draw = random_index);
    };
    // The tuning diagram over AnswerPopupPanel: the geometry below and the widgets showing it.
    struct PopupHandler {
        QWidget* panel = nullptr;
        TuningDiagram diagram;
        std::array<QLabel*, 3> nameLabels{};
        Shape* soundingMarker = nullptr;
        Shape* spareMarker = nullptr;
        Shape* correctMarker = nullptr;
        QLabel* referenceLabel = nullptr; // the A4 the cents count from, when not 440 Hz
    };

    // Builds every control; `FormCreate` is run separately (see createMainWindow).
    explicit TSorvelMainForm(QWidget* parent = nullptr);
    ~TSorvelMainForm() override;

    // The start-up sequence; throws std::exception with the text to report when it fails.
    void FormCreate();
    // Applies the block size chosen in the sound options dialog.
    void FormActivate();
    // Shut-down; runs once, also from the destructor.
    void FormDestroy();

    // Replaces the four output buffers by buffers of `bytes` bytes (blocks still queued keep
    // their old buffers until the device is done with them).
    void setBlockSize(int bytes);
    int blockBytes() const { return outputBuffers.blockBytes(); }
    int blockSamples() const { return outputBuffers.blockSamples(); }

    // Set before FormCreate: the device is not opened there but by openSoundDeviceSoon().
    bool opensDeviceAfterShow = false;
    // Opens the device, idle, on a thread of its own; one that cannot be opened ends the
    // program as a failed start does. createMainWindow calls it once the window shows.
    void openSoundDeviceSoon();

    // Sound on: opens the device and starts Timer1, unless it runs already.
    void startSound();
    // Sound off: stops Timer1 and closes the device, if Timer1 runs; a second later the device
    // rests.
    void stopSound();

    // The instrument every voice plays, at once also while sound plays (crossfaded). Analyses
    // its recording the first time; a recording that cannot be read is reported and the
    // instrument stays as it was. Returns whether the choice took.
    bool chooseInstrument(int index);
    // The drone on or off: while on, it sounds whether or not a sonority is hovered.
    void setDrone(bool on);
    // The drone's level relative to the notes, as a factor (Sound Options).
    void setDroneLevel(float level);
    float droneLevel() const { return droneLevel_; }

    // Redraws the staff from `exercise` (layout, drawing list, bitmap, copy onto Score).
    void rebuildScore();

    // Listening, marking, retuning, grading and revealing.
    // The mouse over the staff: the hovered note on the diagram, the sonority under it sounding.
    void ScoreMouseMove(int x, int y);
    void ScoreMouseLeave();
    // Left and middle buttons mark or select the note under the mouse.
    void ScoreMouseDown(Qt::MouseButton button, int x, int y);
    // Keys 38 and 40 retune the selected note while its sonority was the last hovered.
    void FormKeyDown(int key);
    // One retuning step per wheel event; always false: the event is not handled here.
    bool FormMouseWheel(int delta);
    void GradeBtnClick();
    // Shows the verdict of the message table for two seconds, centred over the staff.
    void showGrade(int column, int row);
    void AnswersBtnClick();

    // Gives the keyboard back to the staff (the arrow keys retune).
    void removeFocus();
    // The same, unless `control` holds the keyboard itself (it was reached by Tab): a mouse click
    // hands the keyboard back, a key pressed on a focused control keeps it there.
    void handBackFrom(QObject* control);

    // The keyboard cursor: `sonorities` left or right, `notes` down or up within the sonority;
    // the sonority sounds and the note shows on the diagram as hovering it would.
    void moveCursor(int sonorities, int notes);
    // Space: a left click on the cursor note.
    void pressAtCursor();
    StaffCursor staffCursor;

    // The Tuning menu's commands. An imported scale becomes the sixth item of both tuning
    // boxes (a later one takes its place); a file that cannot be used is named in a message box
    // and the systems stay as they were. Both apply from the next New Exercise; the start-up A4
    // follows the reference pitch at once while no exercise has been made.
    bool importScale(const std::vector<std::string>& paths);
    void setReferencePitch(double a4);
    // The tuning boxes list the systems of the active tuning.
    void refreshTuningBoxes();
    // Sets up the window as the command line asked.
    void applyStartOptions(const StartOptions& start);

    // The option controls as New Exercise reads them.
    ExerciseRequest readExerciseRequest() const;

    // Every check box of the option groups and CompareBox.
    std::vector<QCheckBox*> optionBoxes() const;

    // Controls that the other handlers use. All of them lie on the content area, under the menu.
    QWidget* Content = nullptr;
    TMainMenu* Menu = nullptr;
    ScoreImage* Score = nullptr;
    QPushButton* NewBtn = nullptr;
    QPushButton* RestartBtn = nullptr;
    QPushButton* GradeBtn = nullptr;
    QPushButton* AnswersBtn = nullptr;
    QPushButton* ShowDiagBtn = nullptr;
    QPushButton* AdvSoundOptBtn = nullptr;
    QFrame* AnswerPopupPanel = nullptr;
    QTabWidget* TabsBox = nullptr;
    QPlainTextEdit* HelpMemo = nullptr;
    QLabel* GradeLabel = nullptr;
    QRadioButton* IdentifyRB = nullptr;
    QRadioButton* TuneRB = nullptr;
    QRadioButton* CompareRB = nullptr;
    QCheckBox* CompareBox = nullptr;
    QComboBox* TuningBox = nullptr;
    QComboBox* Tuning2Box = nullptr;
    QComboBox* BottomNote = nullptr;
    QComboBox* ChordRoot = nullptr;
    QSlider* DifficultyBar = nullptr;
    QTimer* Timer1 = nullptr;
    // Fires once, a second after the sound stopped: the device rests until the next sound.
    QTimer* RestTimer = nullptr;
    QTimer* MessageTimer = nullptr;
    TForm2* Form2 = nullptr;
    // The Session Record, threshold and Beats windows, made when first needed (the record
    // window alone would cost a fifth of the start-up).
    TSessionRecordForm* recordForm();
    TThresholdForm* thresholdForm();
    TBeatsForm* beatsForm();
    // Shows rows added outside Check Answer, where the record window has been made.
    void refreshRecordWindow();
    // Every Check Answer of the run.
    SessionRecord sessionRecord;
    // What the last New Exercise or Start Over replaced.
    ExerciseUndo undo;

    PitchesStruct pitchOptions;
    IntervalsStruct intervalOptions;
    ChordsStruct chordOptions;

    std::unique_ptr<CMusic> exercise;
    std::unique_ptr<PopupHandler> popupHandler;
    CNote* hoveredNote = nullptr;
    int task = 0;
    double retuneCents = 0;
    double retuneRatio = 1;
    // Sound state: the instruments, the voices, the device and its four output buffers.
    std::unique_ptr<InstrumentLibrary> instrumentLibrary;
    int instrument = defaultInstrument;
    bool droneOn = false;
    std::unique_ptr<Synthesizer> synthesizer;
    std::unique_ptr<SdlAudioBackend> audioBackend;
    std::unique_ptr<WaveOut> device;
    OutputBuffers outputBuffers;
    // Drawing objects of the staff.
    VBMP scoreBuilder;
    BuilderBitmap scoreBitmap;

signals:
    // A key pressed while no option control has the keyboard, with its virtual-key code
    // (37 left, 38 up, 39 right, 40 down arrow).
    void keyDown(int virtualKey);
    // A wheel turn anywhere over the window (120 per notch, positive away from the user).
    void mouseWheel(int delta);
    // Check Answer added a row to the session record.
    void answerChecked();
    // An undo became possible, or its words changed.
    void undoChanged();
    // The instrument or the drone changed.
    void soundChoiceChanged();

public slots:
    void TabsBoxChange(int index);
    void IdentifyRBEnter(QRadioButton* entered);
    void DFBox();
    void DifficultyBarChange();
    void DifficultyBarEnter();
    void TuningBoxClick();
    void ShowDiagBtnClick();
    void NewBtnClick();
    void RestartBtnClick();
    // Hides the verdict when its two seconds are over.
    void MessageTimerTimer();
    // The help text takes the keyboard while the mouse is over it, so the wheel scrolls it.
    void HelpMemoMouseEnter();
    void HelpMemoMouseLeave();
    // Shows the sound options; the first time beside the button, later where it was left.
    void AdvSoundOptBtnClick();
    // Each tick queues one block of sound when the device has a free buffer.
    void Timer1Timer();
    // Shows the session record beside the window without taking the keyboard.
    void showSessionRecord();
    // Shows the threshold test's window beside this one without taking the keyboard.
    void showThresholdTest();
    // Shows the Beats window beside the window without taking the keyboard.
    void showBeats();
    // Brings back the exercise and answer that New Exercise or Start Over replaced.
    void UndoClick();
    // Quit: asks first while the session record holds rows not yet saved or copied.
    void QuitActionTriggered();

public:
    // Puts a threshold trial on the staff in place of the exercise, with grading and Start Over
    // off. What it replaces is kept for Undo unless that was a trial too; a mouse resting on
    // the staff hears the new trial at once.
    void showTrial(const NewExercise& trial);
    // The staff still shows the trial last put there.
    bool showsTrial() const { return trialSerial_ == exerciseSerial_; }
    // Whether the program may end now: nothing unsaved, or the user saved or discarded it.
    bool mayQuit();
    // Places a tool window beside this one, wholly on this window's screen and off the staff
    // and the diagram where it can; `preferred` is where it asks to go.
    void placeSecondaryWindow(QWidget* window, std::optional<QPoint> preferred, QSize minimum);

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildControls();
    void connectAnsweringHandlers();
    // The staff drawn again as it stands (no new layout: the notes keep their places).
    void redrawStaff();
    // The option pages, the exercise options and their groups live in optionpages.cpp.
    void buildSingleNotesPage(QWidget* page);
    void buildIntervalsPage(QWidget* page);
    void buildChordsPage(QWidget* page);
    void buildExerciseOptions();
    void fillOptionGroups();
    QCheckBox* box(const char* name) const;
    // Select All / Deselect All set their rows; every box gives the keyboard back.
    void connectOptionButtons();
    void connectExerciseHandlers();
    // Frames the cursor note on the staff and tells assistive technology where it is.
    void showCursor();
    // Stops the sound and forgets every reference into the exercise on the staff.
    void releaseExercise();
    // The drone follows the exercise on the staff, its switch and its level.
    void updateDrone();
    // Puts `music` in place of the exercise, forgetting every reference into the old one.
    void replaceExercise(CMusic music);
    // Moves the exercise and what its New Exercise decided out of the window, and back in.
    ExerciseState takeState();
    void putState(ExerciseState state);
    // The start-up exercise: one white A4 at the reference pitch.
    void showStartupNote();
    // The diagram counts cents from the reference pitch of the exercise on the staff.
    void showDiagramReference();

    bool destroyed_ = false;
    bool starting_ = false;
    bool deviceStarting_ = false; // from FormCreate until the deferred opening is done
    void openIdleDevice();
    int fontId_ = -1;
    bool soundOptionsPlaced_ = false;
    bool recordPlaced_ = false;
    TSessionRecordForm* recordForm_ = nullptr;
    TThresholdForm* thresholdForm_ = nullptr;
    TBeatsForm* beatsForm_ = nullptr;
    bool thresholdPlaced_ = false;
    bool beatsPlaced_ = false;
    bool beatsRevealed_ = false; // Reveal Errors shown: the Beats window adds the correct rates
    void setBeatsRevealed(bool revealed);
    // Makes a new exercise's template, task, difficulty and retuning step the current ones.
    void adoptExercise(NewExercise made);
    void showToolWindow(QWidget* window, bool& placed);
    int exerciseSerial_ = 0; // counts what has been put on the staff
    int trialSerial_ = -1;   // the count when the last trial went there
    bool quitConfirmed_ = false;
    float droneLevel_ = 0.5f; // 6 dB below a note
    int silentBlocks_ = 0;    // blocks rendered since everything fell silent
    bool memoByMouse_ = false; // the help text took the keyboard as the mouse came over it
    bool cursorShown_ = false; // the cursor keys are in use: the cursor note is framed
};

// The diagram's operations on the widgets of a PopupHandler.
void buildDiagram(TSorvelMainForm::PopupHandler& diagram, QWidget* panel);
void showNote(TSorvelMainForm::PopupHandler& diagram, const CNote& note);
void setAnswersShown(TSorvelMainForm::PopupHandler& diagram, bool shown);
// Back to the state before the first note: no names, both markers at the 0 tick.
void clearDiagram(TSorvelMainForm::PopupHandler& diagram);

// The main window and its hidden "Sound Options" dialog, after FormCreate, set up as the
// command line asked and playing the instrument and the drone of `sound`.
std::unique_ptr<TSorvelMainForm> createMainWindow(const StartOptions& start = {},
                                                  const SoundChoice& sound = {});

// The start-up error report: a message box with the text and the text on standard error.
void reportStartupError(const QString& text);

} // namespace sorvel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "soundoptionsform.h"

#include "sorvelmainform.h"
#include "waveout.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cmath>

namespace sorvel {

namespace {

// A slider whose track, clicked above or below the handle, moves it one step towards the click,
// as desktop sliders do (the style here leaves such a click without effect). The handle itself
// is dragged as usual.
class SteppingSlider : public QSlider {
public:
    using QSlider::QSlider;

protected:
    void mousePressEvent(QMouseEvent* e) override {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect handle =
            style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
        const QPoint at = e->position().toPoint();
        if (e->button() != Qt::LeftButton || handle.contains(at)) {
            QSlider::mousePressEvent(e);
            return;
        }
        // Before the handle: towards the top, or the left; the minimum lies there when the
        // appearance is inverted on a vertical slider, or not inverted on a horizontal one.
        const bool before = orientation() == Qt::Vertical ? at.y() < handle.top()
                                                          : at.x() < handle.left();
        const bool towardsMinimum =
            before == (orientation() == Qt::Vertical ? invertedAppearance() : !invertedAppearance());
        triggerAction(towardsMinimum ? SliderSingleStepSub : SliderSingleStepAdd);
        e->accept();
    }
};

} // namespace

TForm2::TForm2(TSorvelMainForm* mainForm)
    : QWidget(mainForm,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      blockSizes(sorvel::blockSizes.begin(), sorvel::blockSizes.end()), mainForm_(mainForm) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Sound Options"));
    setFont(mainForm->font());

    Label1 = new QLabel(QStringLiteral("If you are experiencing noise or static, drag the slider "
                                       "downwards. If you are experiencing delay in the sound, "
                                       "drag the slider upwards. The faster the response time, "
                                       "the higher the chances of poor sound quality."),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // Position 1, "Fast Response Time", is the top end: the slider runs downwards, and the
    // wheel and keys move the handle the way they point.
    TrackBar1 = new SteppingSlider(Qt::Vertical, this);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setRange(1, 17);
    TrackBar1->setInvertedAppearance(true);
    TrackBar1->setInvertedControls(true);
    TrackBar1->setPageStep(1);
    TrackBar1->setSingleStep(1);
    TrackBar1->setTickPosition(QSlider::TicksRight);
    TrackBar1->setTickInterval(1);
    TrackBar1->setValue(10);
    TrackBar1->setFocusPolicy(Qt::NoFocus);
    connect(TrackBar1, &QSlider::valueChanged, this, &TForm2::TrackBar1Change);
    connect(TrackBar1, &QSlider::sliderPressed, this, &TForm2::TrackBar1Enter);
    connect(TrackBar1, &QSlider::sliderReleased, this, &TForm2::handBackKeyboard);

    Label18 = new QLabel(QStringLiteral("Fast Response Time"), this);
    Label18->setObjectName(QStringLiteral("Label18"));
    Label19 = new QLabel(QStringLiteral("High sound quality"), this);
    Label19->setObjectName(QStringLiteral("Label19"));

    DroneLevelLabel = new QLabel(this);
    DroneLevelLabel->setObjectName(QStringLiteral("DroneLevelLabel"));
    DroneLevelBar = new SteppingSlider(Qt::Horizontal, this);
    DroneLevelBar->setObjectName(QStringLiteral("DroneLevelBar"));
    DroneLevelBar->setRange(-30, 0);
    DroneLevelBar->setPageStep(1);
    DroneLevelBar->setSingleStep(1);
    DroneLevelBar->setValue(
        static_cast<int>(std::lround(20.0 * std::log10(mainForm->droneLevel()))));
    DroneLevelBar->setFocusPolicy(Qt::NoFocus);
    DroneLevelBar->setAccessibleName(QStringLiteral("Drone level"));
    connect(DroneLevelBar, &QSlider::valueChanged, this, &TForm2::DroneLevelBarChange);
    connect(DroneLevelBar, &QSlider::sliderReleased, this, &TForm2::handBackKeyboard);
    InstrumentsLabel = new QLabel(
        QStringLiteral("Instruments (Sound > Instrument): English horn, oboe, clarinet, flute, "
                       "violin, cello, French horn, trumpet, choir \"aah\" and pipe organ, each "
                       "from one held F3 rendered with FluidSynth from the FluidR3_GM General "
                       "MIDI sound font (MIT licence); the sine and the bright tone are made "
                       "without a recording."),
        this);
    InstrumentsLabel->setObjectName(QStringLiteral("InstrumentsLabel"));
    InstrumentsLabel->setWordWrap(true);
    InstrumentsLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    DroneLevelBarChange();
    layOut();
    setVisible(false);
}

void TForm2::layOut() {
    // The places were made for a font narrower than ours: the advice keeps its width and grows
    // downwards until all of it shows, the dialog grows with it, and the labels at the slider's
    // ends stay beside them and fit inside. Beside them, in a column of its own, stand the
    // drone's level and where the instruments come from; the dialog is as tall as the taller.
    constexpr int margin = 8;
    constexpr int column = 270;
    const int adviceHeight = std::max(121, Label1->heightForWidth(122));
    const int droneHeight = DroneLevelLabel->sizeHint().height() + 2 + 22 + margin;
    const int sourcesHeight = InstrumentsLabel->heightForWidth(column);
    const int height = std::max({137, margin + adviceHeight + margin,
                                 margin + droneHeight + sourcesHeight + margin});
    const int grown = height - 137;
    Label1->setGeometry(margin, margin, 122, adviceHeight);
    TrackBar1->setGeometry(136, 4, 30, 129 + grown);
    Label18->adjustSize();
    Label19->adjustSize();
    Label18->move(172, 11);
    Label19->move(172, 113 + grown);
    const int width = std::max(
        {272, Label18->geometry().right() + 1 + margin, Label19->geometry().right() + 1 + margin});
    int y = margin;
    DroneLevelLabel->setGeometry(width, y, column, DroneLevelLabel->sizeHint().height());
    y += DroneLevelLabel->height() + 2;
    DroneLevelBar->setGeometry(width, y, column, 22);
    y += DroneLevelBar->height() + margin;
    InstrumentsLabel->setGeometry(width, y, column, sourcesHeight);
    setFixedSize(width + column + margin, height);
}

void TForm2::DroneLevelBarChange() {
    const int db = DroneLevelBar->value();
    DroneLevelLabel->setText(QStringLiteral("Drone level: %1 dB below the notes").arg(-db));
    mainForm_->setDroneLevel(static_cast<float>(std::pow(10.0, db / 20.0)));
    if (!DroneLevelBar->isSliderDown())
        handBackKeyboard();
}

void TForm2::FormActivate() {
    const auto index = static_cast<std::size_t>(TrackBar1->value() - 1);
    mainForm_->setBlockSize(blockSizes.at(index));
}

void TForm2::TrackBar1Change() {
    FormActivate();
    // While the handle is dragged the dialog keeps the mouse; the keyboard goes back on release.
    if (!TrackBar1->isSliderDown())
        handBackKeyboard();
}

void TForm2::TrackBar1Enter() {
    FormActivate();
    mainForm_->removeFocus();
}

void TForm2::handBackKeyboard() {
    mainForm_->removeFocus();
    // Keys go to the active window: the main window must be it again, or the arrow keys would
    // stay here (the dialog may not even know yet that a click made it active).
    if (!mainForm_->isActiveWindow())
        mainForm_->activateWindow();
}

void TForm2::keyPressEvent(QKeyEvent* e) {
    // Whatever holds the keyboard, the arrow keys retune.
    switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        QApplication::sendEvent(mainForm_, e);
        handBackKeyboard();
        return;
    default:
        QWidget::keyPressEvent(e);
    }
}

bool TForm2::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QWidget::event(e);
}

} // namespace sorvel

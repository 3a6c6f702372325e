// SPDX-License-Identifier: GPL-3.0-or-later
// "Sound Options": one vertical slider choosing the output block size, trading the delay of
// the sound against its robustness.
#pragma once

#include <QWidget>

#include <vector>

class QLabel;
class QSlider;

namespace sorvel {

class TSorvelMainForm;

class TForm2 : public QWidget {
    Q_OBJECT
public:
    // A tool window beside `mainForm`, hidden until shown.
    explicit TForm2(TSorvelMainForm* mainForm);

    // Applies the block size of the slider's position to the main window.
    void FormActivate();

    QLabel* Label1 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QLabel* Label18 = nullptr;
    QLabel* Label19 = nullptr;
    // The drone's level below a note, in dB, and where the instruments' sounds come from.
    QLabel* DroneLevelLabel = nullptr;
    QSlider* DroneLevelBar = nullptr;
    QLabel* InstrumentsLabel = nullptr;
    // Bytes per block for slider positions 1..17.
    const std::vector<int> blockSizes;

public slots:
    void TrackBar1Change();
    void TrackBar1Enter();
    // Gives the keyboard back to the main window, so that the arrow keys retune at once.
    void handBackKeyboard();
    void DroneLevelBarChange();

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    // Sizes the dialog and places its controls so that every text shows in the dialog's font.
    void layOut();

    TSorvelMainForm* mainForm_;
};

} // namespace sorvel

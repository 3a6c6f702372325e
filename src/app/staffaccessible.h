// SPDX-License-Identifier: GPL-3.0-or-later
// The staff as assistive technology sees it: the Score image is a named group whose children
// are the sonorities on it, each with its notes as children, named as a screen reader should
// say them ("interval: minor third, harmonic"; "C sharp 4, black, marked sharp"). The keyboard
// cursor's note is the focused child. Also the verdict's announcement.
//
//   sorvel::installStaffAccessibility();            // once, before the window is shown
//   sorvel::staffCursorMoved(form.Score, form.staffCursor);
#pragma once

#include "staffcursor.h"

#include <QComboBox>

class QLabel;

namespace sorvel {

class ScoreImage;

// The window's drop-down lists: one class of their own, so that they are read by their labels'
// names (Qt's own interface on Linux names a list by its current item: both tuning boxes were
// read "Equal").
class LabelledComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
};

// Installs the factory that gives every ScoreImage its accessible tree.
void installStaffAccessibility();
// The notes on the staff were replaced, marked, selected or coloured.
void staffNotesChanged(ScoreImage* score);
// The cursor moved: its note becomes the focused accessible object.
void staffCursorMoved(ScoreImage* score, const StaffCursor& cursor);
// Says the label's text now (an alert: Qt before 6.8 has no announcement event).
void announce(QLabel* label);

} // namespace sorvel

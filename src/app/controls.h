// SPDX-License-Identifier: GPL-3.0-or-later
// Placing the main window's controls at fixed pixel positions: each control gets its name, its
// size, and the keyboard only by Tab (a mouse click leaves the keyboard with the staff, whose
// arrow keys retune).
//
//   sorvel::button(page, "SAPBtn", "Select All Pitches", 192, 34, 106, 17);
#pragma once

#include "staffaccessible.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QStringList>

namespace sorvel {

// Places a control: its name, focus by Tab only (labels and frames stay without), and its size
// (the size hint where none is given, like an auto-sized control).
template <typename W>
W* place(W* w, const char* name, int x, int y, int width = -1, int height = -1) {
    w->setObjectName(QString::fromLatin1(name));
    if (w->focusPolicy() != Qt::NoFocus)
        w->setFocusPolicy(Qt::TabFocus);
    // The size hint measures the caption, which costs a font lookup; a control given both
    // sizes has no need of it.
    const QSize hint = width < 0 || height < 0 ? w->sizeHint() : QSize();
    w->setGeometry(x, y, width < 0 ? hint.width() : width, height < 0 ? hint.height() : height);
    return w;
}

inline QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y) {
    return place(new QLabel(text, parent), name, x, y);
}

inline QCheckBox* check(QWidget* parent, const char* name, const QString& caption, int x, int y,
                        int width = -1) {
    return place(new QCheckBox(caption, parent), name, x, y, width, 17);
}

inline QPushButton* button(QWidget* parent, const char* name, const QString& caption, int x, int y,
                           int width, int height, const QString& hint = {}) {
    auto* b = place(new QPushButton(caption, parent), name, x, y, width, height);
    b->setToolTip(hint);
    return b;
}

inline QComboBox* combo(QWidget* parent, const char* name, const QStringList& items, int x, int y,
                        int width, int height, const QString& hint = {}) {
    auto* c = new LabelledComboBox(parent);
    c->addItems(items);
    c->setCurrentIndex(0);
    c->setEditable(false);
    c->setToolTip(hint);
    return place(c, name, x, y, width, height);
}

inline QFrame* bevel(QWidget* parent, const char* name, int x, int y, int width, int height) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::Box);
    f->setFrameShadow(QFrame::Sunken);
    return place(f, name, x, y, width, height);
}

} // namespace sorvel

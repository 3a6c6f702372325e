// SPDX-License-Identifier: GPL-3.0-or-later
// The main window without a mouse: the staff as the default focus, Tab through the controls in
// reading order, the window's own keys (Ctrl+Tab and Ctrl+PgDn/PgUp for the pages, Escape and F6
// back to the staff, F10 for the menu bar), the buttons' and pages' mnemonics, and an accessible
// name for every control from its caption or its label.
//
//   sorvel::setUpKeyboardAccess(form);          // once, after the controls are built
//   if (sorvel::windowKey(form, *event)) ...    // in the window's key handler
#pragma once

class QKeyEvent;

namespace sorvel {

class TSorvelMainForm;

void setUpKeyboardAccess(TSorvelMainForm& form);

// Acts on a key meant for the whole window, wherever the keyboard is; false for any other key.
bool windowKey(TSorvelMainForm& form, const QKeyEvent& e);

} // namespace sorvel

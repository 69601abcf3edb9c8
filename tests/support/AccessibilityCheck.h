#pragma once

#include <QStringList>

class QWidget;

namespace korvex::test {

/// What a screen reader or a keyboard-only user would miss in `window` as it is shown now:
/// one line per fault, empty when there is none.
///
/// - every control (button, check box, field, list, table, tree, text area, any widget that
///   takes focus) shown in the window has an accessible name, its own, its text or that of the
///   label it is the buddy of;
/// - no two buttons, labels, tabs or menu titles of the window answer the same Alt mnemonic,
///   and no two items of one menu the same letter;
/// - every push button and check box with a text has a mnemonic (but the one button of a
///   message box, which Return and Escape press).
///
/// Widgets hidden in the window's current state are not looked at: call it in each state
/// (scanning, a bar opened ...) that shows other controls.
QStringList accessibilityFaults(const QWidget* window);

/// The mnemonic letter of `text` (the character after a single '&'), lowercased; a null
/// QChar when there is none.
QChar mnemonicOf(const QString& text);

} // namespace korvex::test

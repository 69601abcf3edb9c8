#pragma once

#include <QAccessible>

class QWidget;

namespace korvex {

/// The role a screen reader announces for a plain widget that Qt can only call a "filler": a
/// spinner is an animation, a top-level form a window.
class AccessibleRole {
public:
    /// Gives `widget` `role`. Call it before the widget is first shown: a screen reader keeps
    /// what it was told first.
    static void set(QWidget* widget, QAccessible::Role role);
};

} // namespace korvex

#pragma once

#include <QString>

#include <functional>
#include <map>

class QWidget;

namespace korvex {

/// The identifier of the main window in the storyboard "Main".
inline const QString documentWindowControllerIdentifier =
    QStringLiteral("Document Window Controller");

/// A named set of window makers, looked up by identifier: the program's entry registers how
/// each kind of window is made (form, controller, wiring), the documents ask for one by name.
class Storyboard {
public:
    using ControllerMaker = std::function<QWidget*()>;

    /// The storyboard of that name, made empty on first use. Lives until the program ends.
    static Storyboard& storyboardWithName(const QString& name);

    /// Registers (or replaces) the maker of the controller `identifier`.
    void setController(const QString& identifier, ControllerMaker make);

    /// A new window made by the maker of `identifier`, owned by the caller; none when no maker
    /// is registered under that name.
    QWidget* instantiateControllerWithIdentifier(const QString& identifier) const;

private:
    std::map<QString, ControllerMaker> makers_;
};

} // namespace korvex

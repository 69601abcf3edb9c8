#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

namespace korvex {

/// Makes windows from the application's Qt Designer forms by identifier, the way a storyboard
/// instantiates a controller: "Help Window Controller" is resources/HelpWindow.ui.
class FormLookup {
public:
    using Factory = std::function<std::unique_ptr<QWidget>()>;

    /// A new, hidden window made from the form with `identifier`; null for an unknown one.
    static std::unique_ptr<QWidget> instantiate(const QString& identifier);

    /// Adds (or replaces) the form made for `identifier`.
    static void registerForm(const QString& identifier, Factory factory);
};

} // namespace korvex

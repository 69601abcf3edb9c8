#include "FormLookup.h"

#include "ui_HelpWindow.h"

#include <QHash>

namespace korvex {

namespace {

std::unique_ptr<QWidget> makeHelpWindow() {
    auto window = std::make_unique<QWidget>();
    Ui::HelpWindowController form;
    form.setupUi(window.get());
    return window;
}

QHash<QString, FormLookup::Factory>& forms() {
    static QHash<QString, FormLookup::Factory> table{
        {QStringLiteral("Help Window Controller"), makeHelpWindow},
    };
    return table;
}

} // namespace

std::unique_ptr<QWidget> FormLookup::instantiate(const QString& identifier) {
    const auto found = forms().constFind(identifier);
    if (found == forms().constEnd())
        return nullptr;
    return found.value()();
}

void FormLookup::registerForm(const QString& identifier, Factory factory) {
    forms().insert(identifier, std::move(factory));
}

} // namespace korvex

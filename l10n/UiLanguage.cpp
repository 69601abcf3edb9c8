#include "UiLanguage.h"

#include "QtTextCatalog.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <clocale>
#include <memory>

namespace korvex {

namespace {

const QString catalogueFolder = QStringLiteral(":/translations");
const QString english = QStringLiteral("en");

/// What the process speaks, and the translators that make it.
struct Choice {
    QString language = english;
    std::unique_ptr<QTranslator> korvex;
    std::unique_ptr<QTranslator> qt;
    std::unique_ptr<QtTextCatalog> catalog;
};

Choice& current() {
    static Choice choice;
    return choice;
}

/// The ISO 639 code of a language name of the user's ("de-DE", "de_DE.UTF-8@euro", "C").
QString languageCode(const QString& name) {
    QString code = name.section(QLatin1Char('-'), 0, 0)
                       .section(QLatin1Char('_'), 0, 0)
                       .section(QLatin1Char('.'), 0, 0)
                       .section(QLatin1Char('@'), 0, 0)
                       .toLower();
    if (code == QLatin1String("c") || code == QLatin1String("posix")) {
        return english; // the C library's untranslated messages are English
    }
    return code;
}

QLocale numberLocale(const QString& language) {
    const QLocale user = QLocale::system();
    const QLocale::Language wanted = QLocale::codeToLanguage(language);
    if (user.language() == wanted || (language == english && user.language() == QLocale::C)) {
        return user; // the user's own conventions, when they are of the language spoken
    }
    if (language == english) {
        return QLocale(QLocale::English, QLocale::UnitedStates);
    }
    return QLocale(wanted);
}

void uninstall(Choice& choice) {
    if (QCoreApplication::instance()) {
        for (const auto* translator : {choice.korvex.get(), choice.qt.get()}) {
            if (translator) {
                QCoreApplication::removeTranslator(const_cast<QTranslator*>(translator));
            }
        }
    }
    choice = Choice();
}

} // namespace

QStringList UiLanguage::translatedLanguages() {
    QStringList languages;
    const QStringList files = QDir(catalogueFolder).entryList({QStringLiteral("korvex_*.qm")});
    for (const QString& file : files) {
        languages << file.mid(7, file.size() - 10);
    }
    return languages;
}

QString UiLanguage::choose(const QStringList& preferred) {
    Choice& choice = current();
    uninstall(choice);
    const QStringList translated = translatedLanguages();
    for (const QString& name : preferred) {
        const QString code = languageCode(name);
        if (code == english) {
            break;
        }
        if (!translated.contains(code)) {
            continue;
        }
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(QStringLiteral("korvex_") + code, catalogueFolder)) {
            choice.language = code;
            choice.korvex = std::move(translator);
            break;
        }
    }
    if (choice.korvex) {
        auto qt = std::make_unique<QTranslator>();
        if (qt->load(QLocale(choice.language), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            choice.qt = std::move(qt);
        }
    } else {
        // strerror's words go into reports; English ones in an English report.
        std::setlocale(LC_MESSAGES, "C");
    }
    choice.catalog =
        std::make_unique<QtTextCatalog>(choice.korvex.get(), choice.language.toStdString());
    if (QCoreApplication::instance()) {
        for (QTranslator* translator : {choice.qt.get(), choice.korvex.get()}) {
            if (translator) {
                QCoreApplication::installTranslator(translator);
            }
        }
    }
    QLocale::setDefault(numberLocale(choice.language));
    return choice.language;
}

QString UiLanguage::chooseForUser() {
    return choose(QLocale::system().uiLanguages());
}

QString UiLanguage::language() {
    return current().language;
}

const TextCatalog& UiLanguage::catalog() {
    const Choice& choice = current();
    return choice.catalog ? static_cast<const TextCatalog&>(*choice.catalog)
                          : TextCatalog::english();
}

} // namespace korvex

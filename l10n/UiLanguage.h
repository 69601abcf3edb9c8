#pragma once

#include "TextCatalog.h"

#include <QString>
#include <QStringList>

namespace korvex {

/// The one language a process speaks: its window, dialogs, menus, command-line messages and
/// reports, dates and numbers, all in it, never half in another. English, the language of the
/// sources, unless the user prefers a language with a catalogue (see `translatedLanguages`).
class UiLanguage {
public:
    /// The languages with a catalogue built in, as ISO 639 codes ("de").
    static QStringList translatedLanguages();

    /// Picks the language from `preferred`, the user's languages with the most wanted first
    /// (as QLocale::uiLanguages gives them: "de-DE", "fr", "en-GB", "C"): the first that is
    /// English or has a catalogue, English when none does. Loads its catalogue and Qt's own
    /// (qtbase_XX, where installed) and, when there is an application, installs both in it;
    /// makes the default QLocale (numbers) one of that language, the user's own locale when it
    /// is; for English, makes the C library's messages (strerror) English too. Replaces an
    /// earlier choice; returns the language picked.
    static QString choose(const QStringList& preferred);

    /// `choose` with the user's languages from the environment (LANGUAGE, LC_ALL,
    /// LC_MESSAGES, LANG).
    static QString chooseForUser();

    /// The language picked last ("en" before any).
    static QString language();

    /// The engine's texts in that language; valid until the next `choose`.
    static const TextCatalog& catalog();
};

} // namespace korvex

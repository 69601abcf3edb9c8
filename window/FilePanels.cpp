#include "FilePanels.h"

namespace korvex {

QString fileNameForSuggestion(const QString& suggestion) {
    QString name = suggestion;
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return name;
}

} // namespace korvex

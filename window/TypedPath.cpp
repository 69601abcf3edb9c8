#include "TypedPath.h"

#include <QFile>

namespace korvex {

QString folderPathForTypedText(const QString& text, const QString& homePath) {
    if (text.startsWith(QLatin1Char('~'))) {
        return homePath + text.mid(1);
    }
    return text;
}

FileUrl directoryUrlForPath(const QString& path, const QString& currentFolder) {
    QString absolute = path;
    if (!path.startsWith(QLatin1Char('/'))) {
        absolute = currentFolder;
        if (!absolute.endsWith(QLatin1Char('/'))) {
            absolute += QLatin1Char('/');
        }
        absolute += path;
    }
    return fileUrlWithPath(QFile::encodeName(absolute).toStdString(), true);
}

QString displayPath(const FileUrl& url) {
    return QFile::decodeName(QByteArray::fromStdString(url.path));
}

} // namespace korvex

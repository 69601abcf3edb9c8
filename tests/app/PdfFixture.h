#pragma once

#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QString>

// Writes a small PDF of `pages` pages to `path`.
inline void writePdf(const QString& path, int pages) {
    QPdfWriter writer(path);
    QPainter painter(&writer);
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        painter.drawText(200, 400, QStringLiteral("Page %1").arg(page + 1));
    }
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

#include "PdfOutline.h"

#include <QRegularExpression>

namespace {

/// The body of object `number` ("N 0 obj" ... "endobj"), or empty.
QByteArray objectBody(const QByteArray& pdf, int number) {
    const QRegularExpression start(QStringLiteral("(?:^|[\\r\\n])%1 0 obj\\b").arg(number));
    const QString text = QString::fromLatin1(pdf);
    QRegularExpressionMatchIterator found = start.globalMatch(text);
    qsizetype from = -1;
    while (found.hasNext()) { // the last definition wins, as in an updated file
        from = found.next().capturedEnd();
    }
    if (from < 0) {
        return {};
    }
    const qsizetype end = pdf.indexOf("endobj", from);
    return end < 0 ? QByteArray() : pdf.mid(from, end - from).trimmed();
}

int referenceAfter(const QByteArray& text, const char* key) {
    const QRegularExpression pattern(QStringLiteral("%1\\s+(\\d+)\\s+0\\s+R")
                                         .arg(QRegularExpression::escape(QLatin1String(key))));
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(text));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

/// A PDF text string: UTF-16BE with its byte-order mark, in hexadecimal.
QByteArray textString(const QString& text) {
    QByteArray bytes("\xFE\xFF", 2);
    for (QChar c : text) {
        bytes.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    return '<' + bytes.toHex().toUpper() + '>';
}

} // namespace

bool PdfOutline::append(QByteArray& pdf, const QList<Entry>& entries, QString& error) {
    const qsizetype startxref = pdf.lastIndexOf("startxref");
    const qsizetype trailerAt = pdf.lastIndexOf("trailer");
    if (startxref < 0 || trailerAt < 0 || trailerAt > startxref) {
        error = QStringLiteral("no classic trailer");
        return false;
    }
    const QByteArray trailer = pdf.mid(trailerAt, startxref - trailerAt);
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("/Size\\s+(\\d+)")).match(QString::fromLatin1(trailer));
    const int root = referenceAfter(trailer, "/Root");
    const int info = referenceAfter(trailer, "/Info");
    const QByteArray previous = pdf.mid(startxref + 9, 24).trimmed().split('\n').value(0).trimmed();
    const QByteArray catalog = objectBody(pdf, root);
    const int pages = referenceAfter(catalog, "/Pages");
    const QByteArray pageTree = objectBody(pdf, pages);
    if (!size.hasMatch() || root < 0 || !catalog.endsWith(">>") || pageTree.isEmpty() ||
        catalog.contains("/Outlines")) {
        error = QStringLiteral("catalog or page tree not understood");
        return false;
    }
    const qsizetype kidsFrom = pageTree.indexOf('[', pageTree.indexOf("/Kids"));
    const qsizetype kidsTo = pageTree.indexOf(']', kidsFrom);
    QList<int> pageObjects;
    const QRegularExpression reference(QStringLiteral("(\\d+)\\s+0\\s+R"));
    for (QRegularExpressionMatchIterator it =
             reference.globalMatch(QString::fromLatin1(pageTree.mid(kidsFrom, kidsTo - kidsFrom)));
         it.hasNext();) {
        pageObjects.append(it.next().captured(1).toInt());
    }
    if (kidsFrom < 0 || kidsTo < 0 || pageObjects.isEmpty()) {
        error = QStringLiteral("page tree not understood");
        return false;
    }

    // Object numbers: the outline's root, then one per entry.
    const int first = size.captured(1).toInt();
    const int count = int(entries.size());
    const auto objectOf = [first](int index) { return first + 1 + index; };
    QList<int> parent(count, -1), firstChild(count, -1), lastChild(count, -1), prev(count, -1),
        next(count, -1), descendants(count, 0);
    int rootFirst = -1, rootLast = -1;
    QList<int> open; // the chain of entries the next one may nest in
    for (int i = 0; i < count; ++i) {
        while (!open.isEmpty() && entries[open.last()].level >= entries[i].level) {
            open.removeLast();
        }
        const int up = open.isEmpty() ? -1 : open.last();
        parent[i] = up;
        int& last = up < 0 ? rootLast : lastChild[up];
        if (last >= 0) {
            next[last] = i;
            prev[i] = last;
        } else {
            (up < 0 ? rootFirst : firstChild[up]) = i;
        }
        last = i;
        for (int a = up; a >= 0; a = parent[a]) {
            ++descendants[a];
        }
        open.append(i);
    }

    QByteArray update = "\n";
    QList<qsizetype> offsets;
    const auto add = [&](int number, const QByteArray& body) {
        offsets.append(pdf.size() + update.size());
        update += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
    };
    QByteArray outlineRoot = "<<\n/Type /Outlines\n/Count " + QByteArray::number(count);
    if (count > 0) {
        outlineRoot += "\n/First " + QByteArray::number(objectOf(rootFirst)) + " 0 R\n/Last " +
                       QByteArray::number(objectOf(rootLast)) + " 0 R";
    }
    add(first, outlineRoot + "\n>>");
    for (int i = 0; i < count; ++i) {
        const Entry& entry = entries[i];
        const int page = pageObjects.value(qBound(0, entry.page, int(pageObjects.size()) - 1));
        QByteArray item = "<<\n/Title " + textString(entry.title) + "\n/Parent " +
                          QByteArray::number(parent[i] < 0 ? first : objectOf(parent[i])) +
                          " 0 R\n/Dest [" + QByteArray::number(page) + " 0 R /XYZ null " +
                          QByteArray::number(entry.top, 'f', 1) + " null]";
        if (prev[i] >= 0) {
            item += "\n/Prev " + QByteArray::number(objectOf(prev[i])) + " 0 R";
        }
        if (next[i] >= 0) {
            item += "\n/Next " + QByteArray::number(objectOf(next[i])) + " 0 R";
        }
        if (firstChild[i] >= 0) {
            item += "\n/First " + QByteArray::number(objectOf(firstChild[i])) + " 0 R\n/Last " +
                    QByteArray::number(objectOf(lastChild[i])) + " 0 R\n/Count " +
                    QByteArray::number(descendants[i]); // shown open
        }
        add(objectOf(i), item + "\n>>");
    }
    const qsizetype catalogOffset = pdf.size() + update.size();
    update += QByteArray::number(root) + " 0 obj\n" + catalog.chopped(2).trimmed() +
              "\n/Outlines " + QByteArray::number(first) + " 0 R\n/PageMode /UseOutlines\n>>\n" +
              "endobj\n";

    const auto line = [](qsizetype offset) {
        return QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    };
    const qsizetype xref = pdf.size() + update.size();
    update += "xref\n" + QByteArray::number(root) + " 1\n" + line(catalogOffset) +
              QByteArray::number(first) + ' ' + QByteArray::number(count + 1) + '\n';
    for (qsizetype offset : offsets) {
        update += line(offset);
    }
    update += "trailer\n<<\n/Size " + QByteArray::number(first + count + 1) + "\n/Root " +
              QByteArray::number(root) + " 0 R\n";
    if (info >= 0) {
        update += "/Info " + QByteArray::number(info) + " 0 R\n";
    }
    update += "/Prev " + previous + "\n>>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    pdf += update;
    return true;
}

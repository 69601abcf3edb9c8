#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

/// Adds an outline (the "bookmarks" a PDF viewer shows as contents) to a finished PDF.
///
/// QPdfWriter (Qt 6.4) writes no outline and offers no way to add one. The outline is added
/// the way the PDF format allows for any change to a finished file: an incremental update
/// appended to it (the outline objects, the catalog again with /Outlines, a cross-reference
/// section for them and a trailer pointing back at the first one). The bytes written before
/// stay as they were. Only files with a classic cross-reference table and a flat page tree,
/// as QPdfWriter writes them, are understood.
class PdfOutline {
public:
    struct Entry {
        QString title;
        int level = 1;  ///< 1 for a top heading; deeper levels nest under the entry before
        int page = 0;   ///< zero-based
        double top = 0; ///< points from the page's bottom edge, where the view should start
    };

    /// Appends the outline `entries` (in reading order) to `pdf`. False, with `error` set and
    /// `pdf` untouched, when the file is not understood.
    static bool append(QByteArray& pdf, const QList<Entry>& entries, QString& error);
};

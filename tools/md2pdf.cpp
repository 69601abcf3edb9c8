// md2pdf: turns a Markdown file into an A4 PDF with page numbers.
//
//     md2pdf [--title TITLE] INPUT.md OUTPUT.pdf
//
// Builds the manual KorvexHelp.pdf at build time; runs without a display
// (QT_QPA_PLATFORM=offscreen). The output appears complete or not at all. The headings
// become the PDF's outline, which a viewer shows as contents (see PdfOutline.h).

#include "PdfOutline.h"

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextStream>
#include <QUrl>

#include <cstdio>

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "md2pdf: %s\n", qPrintable(message));
    return 1;
}

// The widest a picture is shown, in the document's units (an A4 page's text is a bit wider).
constexpr qreal maxImageWidth = 520;

// Heading sizes and spacing that read well on paper; body text stays at the default font.
void styleDocument(QTextDocument& document) {
    static const qreal headingPoints[] = {0, 20, 15, 12.5, 11, 11, 11};
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        const int level = format.headingLevel();
        if (level > 0 && level <= 6) {
            format.setTopMargin(level == 1 ? 0 : 14);
            format.setBottomMargin(6);
            if (level == 1)
                format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCharFormat characters;
            characters.setFontPointSize(headingPoints[level]);
            characters.setFontWeight(QFont::Bold);
            cursor.mergeCharFormat(characters);
        } else if (format.hasProperty(QTextFormat::BlockCodeLanguage)) {
            // Code: one block per line, set close together on a grey band, never wrapped.
            format.setTopMargin(0);
            format.setBottomMargin(0);
            format.setNonBreakableLines(true);
            format.setBackground(QColor(0xF0, 0xF0, 0xF0));
            format.setLeftMargin(10);
            QTextCharFormat characters;
            characters.setFontFamilies({QStringLiteral("DejaVu Sans Mono")});
            characters.setFontPointSize(8.5);
            cursor.mergeCharFormat(characters);
        } else {
            format.setBottomMargin(format.bottomMargin() > 0 ? format.bottomMargin() : 5);
        }
        format.setLineHeight(115, QTextBlockFormat::ProportionalHeight);
        QTextCursor(block).setBlockFormat(format);
    }
    // Pictures (screenshots) at most as wide as the text.
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            if (!image.isValid()) {
                continue;
            }
            const QImage picture =
                document.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
            if (picture.isNull() || picture.width() <= maxImageWidth) {
                continue;
            }
            image.setWidth(maxImageWidth);
            image.setHeight(maxImageWidth * picture.height() / picture.width());
            QTextCursor cursor(&document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(image);
        }
    }
    // The first heading starts the first page; no blank page before it.
    QTextBlock first = document.begin();
    QTextBlockFormat format = first.blockFormat();
    format.setPageBreakPolicy(QTextFormat::PageBreak_Auto);
    QTextCursor(first).setBlockFormat(format);
}

QString simplified(QString text) {
    return text.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" ")).trimmed();
}

/// Where each heading of `document` landed in the printed `pdf`: the pages are searched in
/// order for the heading's text, so the outline follows the real page breaks. A heading that
/// can't be found points at the page of the one before it.
QList<PdfOutline::Entry> headingsIn(const QTextDocument& document, const QByteArray& pdf) {
    QList<PdfOutline::Entry> entries;
    QTemporaryFile file;
    QPdfDocument printed;
    if (!file.open() || file.write(pdf) != pdf.size() || !file.flush() ||
        printed.load(file.fileName()) != QPdfDocument::Error::None) {
        return entries;
    }
    int page = 0;
    qsizetype from = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        const QString title = simplified(block.text());
        if (level <= 0 || title.isEmpty())
            continue;
        PdfOutline::Entry entry{title, level, page, printed.pagePointSize(page).height()};
        for (int at = page; at < printed.pageCount(); ++at, from = 0) {
            const QString text = printed.getAllText(at).text();
            const qsizetype index = text.indexOf(title, from);
            if (index < 0)
                continue;
            const QRectF bounds =
                printed.getSelectionAtIndex(at, int(index), int(title.size())).boundingRectangle();
            entry.page = page = at;
            entry.top = printed.pagePointSize(at).height() - bounds.top() + 6;
            from = index + title.size();
            break;
        }
        entries.append(entry);
    }
    return entries;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString title;
    if (args.size() >= 2 && args.first() == QLatin1String("--title")) {
        title = args.at(1);
        args = args.mid(2);
    }
    if (args.size() != 2)
        return fail(QStringLiteral("usage: md2pdf [--title TITLE] INPUT.md OUTPUT.pdf"));

    QFile input(args.at(0));
    if (!input.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("can't read %1: %2").arg(args.at(0), input.errorString()));
    const QString markdown = QString::fromUtf8(input.readAll());

    QTextDocument document;
    QFont body(QStringLiteral("DejaVu Sans"));
    body.setPointSizeF(10.5);
    document.setDefaultFont(body);
    // Pictures are named relative to the Markdown file.
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(args.at(0)).absolutePath() + "/");
    document.setBaseUrl(folder);
    document.setMetaInformation(QTextDocument::DocumentUrl, folder.toString());
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    styleDocument(document);

    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("md2pdf"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(20, 18, 20, 14), QPageLayout::Millimeter));
        document.print(&writer);
    }
    QString error;
    if (!PdfOutline::append(pdf, headingsIn(document, pdf), error))
        return fail(QStringLiteral("can't add the contents: %1").arg(error));

    QSaveFile output(args.at(1));
    if (!output.open(QIODevice::WriteOnly) || output.write(pdf) != pdf.size() || !output.commit())
        return fail(QStringLiteral("can't write %1: %2").arg(args.at(1), output.errorString()));
    return 0;
}

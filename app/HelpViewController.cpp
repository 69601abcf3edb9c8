#include "HelpViewController.h"

#include "HelpPdfView.h"
#include "HelpSearchBar.h"

#include <QAccessible>
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPdfBookmarkModel>
#include <QPdfDocument>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace korvex {

namespace {

HelpViewController::ManualLocator& manualLocator() {
    static HelpViewController::ManualLocator locator;
    return locator;
}

QString defaultManualPath() {
    return HelpViewController::locateManual(QCoreApplication::applicationDirPath(),
                                            QStringLiteral(KORVEX_INSTALLED_DATADIR));
}

constexpr double zoomStep = 1.25;
constexpr double smallestZoom = 0.25;
constexpr double largestZoom = 6.0;
// The manual's text is read whole: a file past this is no manual of ours.
constexpr qint64 largestManualText = 4 * 1024 * 1024;

} // namespace

HelpViewController::HelpViewController(QWidget* parent)
    : QWidget(parent), helpPDFView_(new HelpPdfView(this)), contents_(new QTreeView(this)),
      outline_(new QPdfBookmarkModel(this)), search_(new HelpSearchBar(this)),
      text_(new QTextBrowser(this)), views_(new QTabWidget(this)) {
    helpPDFView_->setObjectName(QStringLiteral("helpPDFView"));
    helpPDFView_->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    contents_->setObjectName(QStringLiteral("helpContents"));
    contents_->setHeaderHidden(true);
    contents_->hide(); // until a manual with an outline is shown
    contents_->setUniformRowHeights(true);
    search_->hide();
    text_->setObjectName(QStringLiteral("helpText"));
    text_->setOpenExternalLinks(true);
    // The pages are pictures to a screen reader: the Text tab holds the same manual as text.
    helpPDFView_->setAccessibleName(tr("Manual pages"));
    helpPDFView_->setAccessibleDescription(
        tr("The manual's pages as pictures; the Text tab (Alt+T) has the same manual as text."));
    contents_->setAccessibleName(tr("Contents"));
    contents_->setAccessibleDescription(tr("The manual's chapters; Return shows one."));
    text_->setAccessibleName(tr("Manual text"));
    views_->setAccessibleName(tr("Manual"));

    auto* splitter = new QSplitter(this);
    splitter->addWidget(contents_);
    splitter->addWidget(helpPDFView_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({190, 790});
    views_->setDocumentMode(true);
    views_->addTab(splitter, tr("&Pages"));
    views_->addTab(text_, tr("&Text"));
    views_->setTabToolTip(1, tr("The manual as text, to select and copy from"));
    views_->setTabEnabled(1, false); // until the text is found
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(search_);
    layout->addWidget(views_, 1);

    connect(contents_, &QTreeView::activated, this, [this](const QModelIndex& index) {
        goTo(index.data(int(QPdfBookmarkModel::Role::Page)).toInt(),
             index.data(int(QPdfBookmarkModel::Role::Location)).toPointF());
    });
    connect(contents_, &QTreeView::clicked, contents_, &QTreeView::activated);
    connect(search_, &HelpSearchBar::resultChosen, this, [this](const QPdfLink& link) {
        helpPDFView_->showMatch(link.page(), link.rectangles());
    });
    connect(search_, &HelpSearchBar::dismissed, this, [this] {
        helpPDFView_->clearMatch();
        views_->currentWidget()->setFocus();
    });
    connect(views_, &QTabWidget::currentChanged, this,
            [this](int index) { search_->setTextView(index == 1 ? text_ : nullptr); });
    addKeys();
}

// The views and models must let go of the document before the document goes.
HelpViewController::~HelpViewController() {
    search_->setDocument(nullptr);
    outline_->setDocument(nullptr);
    helpPDFView_->setDocument(nullptr);
}

void HelpViewController::addKeys() {
    const auto add = [this](const QList<QKeySequence>& keys, auto slot) {
        auto* action = new QAction(this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
        return action;
    };
    add({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
        &HelpViewController::zoomIn);
    add({QKeySequence(Qt::CTRL | Qt::Key_Minus)}, &HelpViewController::zoomOut);
    add({QKeySequence(Qt::CTRL | Qt::Key_0)}, &HelpViewController::fitWidth);
    add({QKeySequence(Qt::Key_Home)}, [this] { scrollTo(false); });
    add({QKeySequence(Qt::Key_End)}, [this] { scrollTo(true); });
    add({QKeySequence(Qt::Key_PageUp)}, [this] { pageStep(false); });
    add({QKeySequence(Qt::Key_PageDown)}, [this] { pageStep(true); });
    add(QKeySequence::keyBindings(QKeySequence::Find), [this] { search_->activate(); });
    // The desktop's own find-next keys, and F3 / Shift+F3 wherever they are not among them.
    const auto withF3 = [](QKeySequence::StandardKey standard, QKeySequence f3) {
        QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
        if (!keys.contains(f3)) {
            keys.append(f3);
        }
        return keys;
    };
    add(withF3(QKeySequence::FindNext, QKeySequence(Qt::Key_F3)), [this] { search_->findNext(); });
    add(withF3(QKeySequence::FindPrevious, QKeySequence(Qt::SHIFT | Qt::Key_F3)),
        [this] { search_->findPrevious(); });
    // Closing only hides the window: the application keeps its one help window.
    add({QKeySequence(Qt::CTRL | Qt::Key_W)}, [this] { window()->close(); });
}

void HelpViewController::zoomIn() {
    zoomBy(zoomStep);
}

void HelpViewController::zoomOut() {
    zoomBy(1.0 / zoomStep);
}

void HelpViewController::fitWidth() {
    const HelpPdfView::Place middle =
        helpPDFView_->placeAt(helpPDFView_->viewport()->rect().center());
    helpPDFView_->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    if (middle.page >= 0)
        helpPDFView_->scrollPlaceTo(middle, helpPDFView_->viewport()->rect().center());
}

void HelpViewController::zoomBy(double factor) {
    if (!thePDFDocument_ || thePDFDocument_->pageCount() == 0)
        return;
    // What is in the middle of the view stays there.
    const QPoint middle = helpPDFView_->viewport()->rect().center();
    const HelpPdfView::Place place = helpPDFView_->placeAt(middle);
    // From a fitted page: the scale it is shown at now.
    const QRect page = helpPDFView_->pageGeometry(place.page);
    const QSizeF points = thePDFDocument_->pagePointSize(place.page);
    const double resolution = helpPDFView_->logicalDpiX() / 72.0;
    double current = helpPDFView_->zoomFactor();
    if (helpPDFView_->zoomMode() != QPdfView::ZoomMode::Custom && points.width() > 0)
        current = page.width() / (points.width() * resolution);
    helpPDFView_->setZoomMode(QPdfView::ZoomMode::Custom);
    helpPDFView_->setZoomFactor(std::clamp(current * factor, smallestZoom, largestZoom));
    helpPDFView_->scrollPlaceTo(place, helpPDFView_->viewport()->rect().center());
}

void HelpViewController::scrollTo(bool end) {
    QScrollBar* bar = views_->currentIndex() == 1 ? text_->verticalScrollBar()
                                                  : helpPDFView_->verticalScrollBar();
    bar->setValue(end ? bar->maximum() : bar->minimum());
}

void HelpViewController::pageStep(bool down) {
    QScrollBar* bar = views_->currentIndex() == 1 ? text_->verticalScrollBar()
                                                  : helpPDFView_->verticalScrollBar();
    bar->triggerAction(down ? QAbstractSlider::SliderPageStepAdd
                            : QAbstractSlider::SliderPageStepSub);
}

void HelpViewController::goTo(int page, QPointF location) {
    views_->setCurrentIndex(0);
    helpPDFView_->scrollPlaceTo({page, location}, QPoint(0, 0));
}

void HelpViewController::setManualLocator(ManualLocator locator) {
    manualLocator() = std::move(locator);
}

QString HelpViewController::locateManual(const QString& executableDir,
                                         const QString& installedDataDir) {
    const QString candidates[] = {
        executableDir + QLatin1Char('/') + QLatin1String(manualFileName),
        executableDir + QStringLiteral("/../share/korvex/") + QLatin1String(manualFileName),
        installedDataDir + QLatin1Char('/') + QLatin1String(manualFileName),
    };
    for (const QString& candidate : candidates) {
        const QFileInfo info(candidate);
        if (info.isFile())
            return info.canonicalFilePath();
    }
    return {};
}

QString HelpViewController::manualTextFromMarkdown(const QString& markdown) {
    static const QRegularExpression picture(QStringLiteral(R"(!\[([^\]]*)\]\([^)]*\))"));
    QString text = markdown;
    text.replace(picture, QStringLiteral("*(Picture: \\1)*"));
    return text;
}

HelpViewController::FileStamp HelpViewController::stampOf(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile())
        return {path, -1, {}};
    return {path, info.size(), info.lastModified()};
}

void HelpViewController::viewDidAppear() {
    const QString path = manualLocator() ? manualLocator()() : defaultManualPath();
    if (path.isEmpty())
        return;
    loadPages(path);
    loadText(QFileInfo(path).dir().filePath(QLatin1String(manualTextFileName)));
}

void HelpViewController::loadPages(const QString& path) {
    const FileStamp stamp = stampOf(path);
    if (stamp == pagesLoaded_)
        return; // the same file: the reader's place and zoom stay
    pagesLoaded_ = stamp;

    auto document = std::make_unique<QPdfDocument>();
    if (document->load(path) != QPdfDocument::Error::None)
        document.reset();

    contents_->setModel(nullptr);
    search_->setDocument(document.get());
    outline_->setDocument(document.get());
    helpPDFView_->setDocument(document.get());
    thePDFDocument_ = std::move(document);
    // Qt 6.4's outline model must not be asked without a document.
    const bool hasOutline = thePDFDocument_ && outline_->rowCount() > 0;
    contents_->setVisible(hasOutline);
    if (hasOutline) {
        contents_->setModel(outline_);
        contents_->expandToDepth(0);
    }
    // As wide as the view: the text is read at a size near print, not a whole page shrunk.
    helpPDFView_->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    helpPDFView_->verticalScrollBar()->setValue(0);
}

void HelpViewController::loadText(const QString& path) {
    const FileStamp stamp = stampOf(path);
    if (stamp == textLoaded_)
        return;
    textLoaded_ = stamp;
    QFile file(path);
    QString markdown;
    if (stamp.size >= 0 && stamp.size <= largestManualText && file.open(QIODevice::ReadOnly))
        markdown = QString::fromUtf8(file.readAll());
    if (markdown.isEmpty()) {
        text_->clear();
    } else {
        text_->setMarkdown(manualTextFromMarkdown(markdown));
    }
    views_->setTabEnabled(1, !markdown.isEmpty());
    // A screen reader can read the text, not the pictures of the pages: it starts there.
    if (!markdown.isEmpty() && QAccessible::isActive())
        views_->setCurrentIndex(1);
}

void HelpViewController::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    viewDidAppear();
}

} // namespace korvex

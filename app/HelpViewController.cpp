#include "HelpViewController.h"

#include "HelpSearchBar.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QPdfBookmarkModel>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
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

} // namespace

HelpViewController::HelpViewController(QWidget* parent)
    : QWidget(parent), helpPDFView_(new QPdfView(this)), contents_(new QTreeView(this)),
      outline_(new QPdfBookmarkModel(this)), search_(new HelpSearchBar(this)) {
    helpPDFView_->setObjectName(QStringLiteral("helpPDFView"));
    helpPDFView_->setPageMode(QPdfView::PageMode::MultiPage);
    contents_->setObjectName(QStringLiteral("helpContents"));
    contents_->setHeaderHidden(true);
    contents_->hide(); // until a manual with an outline is shown
    contents_->setUniformRowHeights(true);
    search_->hide();

    auto* splitter = new QSplitter(this);
    splitter->addWidget(contents_);
    splitter->addWidget(helpPDFView_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({230, 630});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(search_);
    layout->addWidget(splitter, 1);

    connect(contents_, &QTreeView::activated, this, [this](const QModelIndex& index) {
        goTo(index.data(int(QPdfBookmarkModel::Role::Page)).toInt(),
             index.data(int(QPdfBookmarkModel::Role::Location)).toPointF());
    });
    connect(contents_, &QTreeView::clicked, contents_, &QTreeView::activated);
    connect(search_, &HelpSearchBar::resultChosen, this,
            [this](const QPdfLink& link) { goTo(link.page(), link.location()); });
    connect(search_, &HelpSearchBar::dismissed, helpPDFView_, [this] { helpPDFView_->setFocus(); });
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
    add({QKeySequence(Qt::CTRL | Qt::Key_0)}, &HelpViewController::fitPage);
    add({QKeySequence(Qt::Key_Home)}, [this] { scrollTo(false); });
    add({QKeySequence(Qt::Key_End)}, [this] { scrollTo(true); });
    add({QKeySequence(Qt::Key_PageUp)}, [this] {
        helpPDFView_->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    });
    add({QKeySequence(Qt::Key_PageDown)}, [this] {
        helpPDFView_->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    });
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
    // Closing only hides the window: the application keeps every help window it made.
    add({QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_Escape)},
        [this] { window()->close(); });
}

void HelpViewController::zoomIn() {
    zoomBy(zoomStep);
}

void HelpViewController::zoomOut() {
    zoomBy(1.0 / zoomStep);
}

void HelpViewController::fitPage() {
    helpPDFView_->setZoomMode(QPdfView::ZoomMode::FitInView);
}

void HelpViewController::zoomBy(double factor) {
    double current = helpPDFView_->zoomFactor();
    if (helpPDFView_->zoomMode() != QPdfView::ZoomMode::Custom && thePDFDocument_) {
        // From the fitted page: the scale it is shown at now, as the view computes it.
        const QSizeF page = thePDFDocument_->pagePointSize(0);
        const double dpi = helpPDFView_->logicalDpiY() / 72.0;
        const QSize port = helpPDFView_->viewport()->size();
        if (page.width() > 0 && page.height() > 0) {
            current = std::min(port.width() / (page.width() * dpi),
                               port.height() / (page.height() * dpi));
        }
    }
    helpPDFView_->setZoomMode(QPdfView::ZoomMode::Custom);
    helpPDFView_->setZoomFactor(std::clamp(current * factor, smallestZoom, largestZoom));
}

void HelpViewController::scrollTo(bool end) {
    QScrollBar* bar = helpPDFView_->verticalScrollBar();
    bar->setValue(end ? bar->maximum() : bar->minimum());
}

void HelpViewController::goTo(int page, QPointF location) {
    helpPDFView_->pageNavigator()->jump(page, location, helpPDFView_->zoomFactor());
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

void HelpViewController::viewDidAppear() {
    const QString path = manualLocator() ? manualLocator()() : defaultManualPath();
    if (path.isEmpty())
        return;

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
    helpPDFView_->setZoomMode(QPdfView::ZoomMode::FitInView);
}

void HelpViewController::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    viewDidAppear();
}

} // namespace korvex

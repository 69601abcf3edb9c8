#include "HelpViewController.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPdfDocument>
#include <QPdfView>
#include <QVBoxLayout>

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

} // namespace

HelpViewController::HelpViewController(QWidget* parent)
    : QWidget(parent), helpPDFView_(new QPdfView(this)) {
    helpPDFView_->setObjectName(QStringLiteral("helpPDFView"));
    helpPDFView_->setPageMode(QPdfView::PageMode::MultiPage);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(helpPDFView_);
}

// The view must let go of the document before the document goes.
HelpViewController::~HelpViewController() {
    helpPDFView_->setDocument(nullptr);
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

    helpPDFView_->setDocument(document.get());
    thePDFDocument_ = std::move(document);
    helpPDFView_->setZoomMode(QPdfView::ZoomMode::FitInView);
}

void HelpViewController::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    viewDidAppear();
}

} // namespace korvex

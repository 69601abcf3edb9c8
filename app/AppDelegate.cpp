#include "AppDelegate.h"

#include "FormLookup.h"

#include <QDesktopServices>

namespace korvex {

namespace {

QString webBase() {
    QString base = QStringLiteral(KORVEX_WEB_BASE);
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

} // namespace

AppDelegate::AppDelegate(QObject* parent, UrlOpener opener)
    : QObject(parent), opener_(std::move(opener)) {
    if (!opener_)
        opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

AppDelegate::~AppDelegate() = default;

std::vector<QPointer<QWidget>> AppDelegate::myHelpWindow() const {
    std::vector<QPointer<QWidget>> windows;
    windows.reserve(helpWindows_.size());
    for (const auto& window : helpWindows_)
        windows.emplace_back(window.get());
    return windows;
}

QString AppDelegate::updatesPage() {
    return webBase() + QStringLiteral("/updates-sierra-and-high-sierra/");
}

QString AppDelegate::supportPage() {
    return webBase() + QStringLiteral("/support/");
}

bool AppDelegate::openWebPage(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return false;
    return opener_(url);
}

void AppDelegate::openHelp() {
    std::unique_ptr<QWidget> window =
        FormLookup::instantiate(QStringLiteral("Help Window Controller"));
    if (!window)
        return;
    window->show();
    helpWindows_.push_back(std::move(window));
}

void AppDelegate::openUpdates() {
    openWebPage(updatesPage());
}

void AppDelegate::openSupport() {
    openWebPage(supportPage());
}

} // namespace korvex

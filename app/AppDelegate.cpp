#include "AppDelegate.h"

#include "FormLookup.h"

#include <QAction>
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

QString AppDelegate::homePage() {
    return webBase() + QStringLiteral("/");
}

bool AppDelegate::openWebPage(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return false;
    if (!opener_(url)) {
        emit webPageNotOpened(url.toString());
        return false;
    }
    return true;
}

void AppDelegate::openHelp() {
    std::unique_ptr<QWidget> window =
        FormLookup::instantiate(QStringLiteral("Help Window Controller"));
    if (!window)
        return;
    // The keys of the whole application work from a help window too.
    const auto add = [&window](const QKeySequence& key, auto receiver, auto slot) {
        auto* action = new QAction(window.get());
        action->setShortcut(key);
        connect(action, &QAction::triggered, receiver, slot);
        window->addAction(action);
    };
    add(QKeySequence::New, this, &AppDelegate::newWindowRequested);
    add(QKeySequence(Qt::CTRL | Qt::Key_Q), this, &AppDelegate::quitRequested);
    add(QKeySequence(Qt::Key_F1), this, &AppDelegate::openHelp);
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

#include "AppDelegate.h"

#include "AccessibleRole.h"
#include "FormLookup.h"

#include <QAction>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>

namespace korvex {

AppDelegate::AppDelegate(QObject* parent, UrlOpener opener)
    : QObject(parent), opener_(std::move(opener)) {
    if (!opener_)
        opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    setWebBase(QStringLiteral(KORVEX_WEB_BASE));
}

AppDelegate::~AppDelegate() = default;

std::vector<QPointer<QWidget>> AppDelegate::myHelpWindow() const {
    std::vector<QPointer<QWidget>> windows;
    if (helpWindow_)
        windows.emplace_back(helpWindow_.get());
    return windows;
}

void AppDelegate::setWebBase(const QString& base) {
    webBase_ = base.trimmed();
    while (webBase_.endsWith(QLatin1Char('/')))
        webBase_.chop(1);
}

QString AppDelegate::updatesPage() const {
    return webBase_.isEmpty() ? QString()
                              : webBase_ + QStringLiteral("/updates-sierra-and-high-sierra/");
}

QString AppDelegate::supportPage() const {
    return webBase_.isEmpty() ? QString() : webBase_ + QStringLiteral("/support/");
}

QString AppDelegate::homePage() const {
    return webBase_.isEmpty() ? QString() : webBase_ + QStringLiteral("/");
}

QString AppDelegate::updatesFromPackageManagerText() {
    return tr("Korvex is updated with the rest of your system, by its package manager (for "
              "example the Software application, or \"sudo apt upgrade\" in a terminal).");
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
    if (helpWindow_) {
        // The one help window, where the user left it, in front.
        helpWindow_->show();
        helpWindow_->setWindowState(helpWindow_->windowState() & ~Qt::WindowMinimized);
        helpWindow_->raise();
        helpWindow_->activateWindow();
        return;
    }
    std::unique_ptr<QWidget> window =
        FormLookup::instantiate(QStringLiteral("Help Window Controller"));
    if (!window)
        return;
    // Announced as the window it is, not as an unnamed pane.
    AccessibleRole::set(window.get(), QAccessible::Window);
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
    // Never larger than the screen it opens on, whatever its scale.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->resize(window->size().boundedTo(screen->availableGeometry().size() * 0.95));
    helpWindow_ = std::move(window);
    helpWindow_->show();
}

void AppDelegate::openUpdates() {
    if (webBase_.isEmpty()) {
        emit information(tr("Check for Updates"), updatesFromPackageManagerText());
        return;
    }
    openWebPage(updatesPage());
}

void AppDelegate::openSupport() {
    if (webBase_.isEmpty()) {
        openHelp(); // the manual that came with the program is the support there is
        return;
    }
    openWebPage(supportPage());
}

} // namespace korvex

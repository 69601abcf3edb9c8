#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace korvex {

/// The application's delegate: the menu actions Help, Check for Updates and Support.
///
/// There is one help window: the first openHelp() makes it, every later one shows it again and
/// brings it to the front. Closing it only hides it; it goes with the delegate.
///
/// The web pages live under the web base, a build setting (KORVEX_WEB_BASE). A build without
/// one has no web pages: Support shows the installed manual and Check for Updates says that
/// updates come from the system's package manager.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    /// Hands a URL to a browser; answers whether that worked.
    using UrlOpener = std::function<bool(const QUrl&)>;

    /// `opener` defaults to the desktop's default browser (QDesktopServices::openUrl).
    explicit AppDelegate(QObject* parent = nullptr, UrlOpener opener = {});
    ~AppDelegate() override;

    /// The help window, once made: none or one.
    std::vector<QPointer<QWidget>> myHelpWindow() const;

    /// The address of the web site, without a trailing "/"; empty when there is none.
    QString webBase() const { return webBase_; }
    /// Replaces the build's web base (tests); trailing "/" are dropped.
    void setWebBase(const QString& base);

    /// The page openUpdates() opens: the web base + "/updates-sierra-and-high-sierra/".
    /// Empty without a web base, as are the two below.
    QString updatesPage() const;
    /// The page openSupport() opens: the web base + "/support/".
    QString supportPage() const;
    /// The project's home page: the web base + "/".
    QString homePage() const;

    /// What Check for Updates says when there is no updates page.
    static QString updatesFromPackageManagerText();

    /// Opens `address` in the browser. Only well-formed http and https addresses are handed
    /// on; anything else answers false without opening anything. A well-formed address that
    /// no browser took is announced through `webPageNotOpened`, so it can be shown to copy.
    bool openWebPage(const QString& address);

signals:
    /// No browser could be started for `address`.
    void webPageNotOpened(const QString& address);
    /// Ctrl+N in a help window.
    void newWindowRequested();
    /// Ctrl+Q in a help window.
    void quitRequested();
    /// A message for the user that needs no answer (Check for Updates without a web page).
    void information(const QString& title, const QString& text);

public slots:
    void openHelp();
    void openUpdates();
    void openSupport();

private:
    UrlOpener opener_;
    QString webBase_;
    std::unique_ptr<QWidget> helpWindow_;
};

} // namespace korvex

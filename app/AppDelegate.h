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
/// Every openHelp() makes and shows another help window; the delegate keeps every window it
/// made (closing one only hides it) until the delegate itself goes, at the end of the program.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    /// Hands a URL to a browser; answers whether that worked.
    using UrlOpener = std::function<bool(const QUrl&)>;

    /// `opener` defaults to the desktop's default browser (QDesktopServices::openUrl).
    explicit AppDelegate(QObject* parent = nullptr, UrlOpener opener = {});
    ~AppDelegate() override;

    /// Every help window made so far, in the order they were opened; only ever grows.
    std::vector<QPointer<QWidget>> myHelpWindow() const;

    /// The page openUpdates() opens: the web base + "/updates-sierra-and-high-sierra/".
    static QString updatesPage();
    /// The page openSupport() opens: the web base + "/support/".
    static QString supportPage();
    /// The project's home page: the web base + "/".
    static QString homePage();

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

public slots:
    void openHelp();
    void openUpdates();
    void openSupport();

private:
    UrlOpener opener_;
    std::vector<std::unique_ptr<QWidget>> helpWindows_;
};

} // namespace korvex

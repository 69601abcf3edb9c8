#pragma once

#include <QMainWindow>

namespace korvex {

class ViewController;

/// A main window: the menus around one `ViewController`. The Help menu's actions are only
/// signalled here; whoever makes the window connects them to the application's delegate.
class DocumentWindow : public QMainWindow {
    Q_OBJECT
public:
    /// Takes ownership of `content`.
    explicit DocumentWindow(ViewController* content, QWidget* parent = nullptr);

    ViewController* contentViewController() const { return content_; }

    /// The address the About box names as the home page (set once by the program).
    static void setHomePage(const QString& address);

    /// The main window in front: the active one, else the one active last, else any shown.
    static DocumentWindow* frontmost();

    /// Closes every window, which stops every scan, then leaves the event loop.
    static void quitApplication();

    /// `wanted` made to fit `available` (a screen's room for windows): no larger than it, and
    /// moved inside it where it reaches out.
    static QRect fittedGeometry(const QRect& wanted, const QRect& available);

signals:
    void newWindowRequested();
    /// Edit > Preferences...: the program's one Preferences window is wanted.
    void preferencesRequested();
    void helpRequested();
    void updatesRequested();
    void supportRequested();
    /// The window has been closed; it hides right after this signal.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    /// Fits the window to its screen, frame included, as it is shown.
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void showAbout();
    void updateActions();
    /// The settings key of the window's geometry on the screen it is on.
    QString geometryKey() const;
    void restoreWindowGeometry();
    void fitToScreen();

    ViewController* content_;
    QAction* scanFolder_ = nullptr;
    QAction* stop_ = nullptr;
    QAction* rescan_ = nullptr;
    QAction* bigger_ = nullptr;
    QAction* smaller_ = nullptr;
};

} // namespace korvex

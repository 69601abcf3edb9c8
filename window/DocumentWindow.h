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

private:
    void buildMenus();
    void showAbout();

    ViewController* content_;
};

} // namespace korvex

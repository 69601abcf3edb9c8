#pragma once

#include "MovedTargetsSession.h"

#include <QDialog>
#include <QPointer>
#include <QThreadPool>

#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QMessageBox;
class QPushButton;

namespace korvex {

class DesktopOpener;
class SpinnerWidget;

/// The one window a broken alias opens with: where it pointed (the stored path, the disk, a
/// file or a folder, the date), then the candidates of the Find Moved Targets search limited to
/// the alias's folder, its tree and the path mappings (searching, with a Stop, until it ends),
/// "Relink" to the chosen one after the main window's confirmation, "Undo Relink" from the
/// relink journal, "Add Mapping" when a disk moved, and "Show in Folder". Writes nothing
/// unless Relink or Undo Relink is confirmed. Its jobs run on its own pool, which it waits for
/// as it goes.
class BrokenAliasDialog : public QDialog {
    Q_OBJECT
public:
    /// `data`: the alias's bookmark data (or classic record) as read; `opener` shows the
    /// alias in its folder.
    BrokenAliasDialog(const QString& aliasPath, const std::vector<std::uint8_t>& data,
                      std::shared_ptr<DesktopOpener> opener, QWidget* parent = nullptr);
    ~BrokenAliasDialog() override;

    /// Where the alias pointed, one line per fact.
    QLabel* storedLabel = nullptr;
    QLabel* statusLabel = nullptr;
    QListWidget* candidateList = nullptr;
    QPushButton* stopButton = nullptr;
    QPushButton* relinkButton = nullptr;
    QPushButton* undoButton = nullptr;
    QPushButton* addMappingButton = nullptr;
    QPushButton* showButton = nullptr;
    QPushButton* closeButton = nullptr;
    /// The relink confirmation asked now, or null.
    QPointer<QMessageBox> confirmation;

    bool isSearching() const { return searching_; }

signals:
    /// The search has ended (found, stopped or failed); the candidates are shown.
    void searchFinished();
    /// A relink or an undo has been done; the status line says what it did.
    void relinkDone();
    void undoDone();

protected:
    void customEvent(QEvent* event) override;

private:
    void startSearch();
    void showCandidates(std::shared_ptr<MovedTargetsSession> session);
    void confirmRelink();
    void relink(std::size_t candidate);
    void undoRelink();
    void addMapping();
    void updateButtons();

    std::string aliasPath_;
    std::shared_ptr<DesktopOpener> opener_;
    SpinnerWidget* spinner_ = nullptr;
    std::shared_ptr<MovedTargetsSession> session_;
    std::optional<std::size_t> aliasIndex_; // the alias's row in the session's index
    std::optional<PathMapping> suggestion_;
    std::vector<std::uint64_t> lastRelink_; // journal records of the relink to undo
    bool searching_ = false;
    bool busy_ = false; // a relink or an undo running
    std::stop_source stop_;
    QThreadPool pool_; // last: it goes first, waiting for the jobs that post to this dialog
};

} // namespace korvex

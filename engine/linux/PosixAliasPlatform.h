#pragma once

#include "AliasPlatform.h"
#include "AliasRecognizer.h"
#include "BookmarkRefresher.h"
#include "BookmarkResolver.h"
#include "FileCalls.h"
#include "MountTable.h"
#include "PathMapping.h"
#include "PosixFolderWalk.h"

#include <memory>
#include <sys/types.h>
#include <vector>

namespace korvex {

/// The platform beneath the scan engine on Linux: walks folders, recognises Finder aliases
/// wherever their FinderInfo ended up, reads Apple bookmark data with the project's own codec,
/// resolves it without asking anyone and without mounting anything (stored path, then the
/// user's path mappings, then a mounted volume of the same name, then all of these matching
/// names in any Unicode normalisation), and writes alias and sidecar files safely.
/// Every file operation on a walked entry goes through the descriptor of the folder the walk
/// holds, by the entry's bare name, never following a link: whoever controls folders inside
/// the tree, nothing is read or written outside it.
///
/// Aliases made before Mac OS X 10.6 hold a classic alias record in their resource fork and
/// no bookmark data: their data is that record (see AliasDataReader), resolved and described
/// as the bookmark data it stands for. A refresh leaves them as they are: a Mac reads bookmark
/// data in the data fork before the resource fork, so bookmark data written here would hide
/// the record (volume dates and CNIDs by which a Mac finds a moved target) behind data made
/// from this machine's view; and nothing a record holds goes stale on a Mac that follows it.
/// One platform serves one scan at a time (one thread); the mount table is read once for
/// every walk, from the injected source.
class PosixAliasPlatform : public AliasPlatform {
public:
    /// `mappings`: the user's path mappings; `mountTable`: where the mount table comes from
    /// (default: /proc/self/mountinfo); `fileCalls`: the calls alias rewrites go through.
    explicit PosixAliasPlatform(std::vector<PathMapping> mappings = {},
                                MountTableSource mountTable = MountTable::readSystem,
                                FileCalls& fileCalls = FileCalls::system());
    ~PosixAliasPlatform() override;
    // The resolver and refresher keep references to this platform's mount table.
    PosixAliasPlatform(const PosixAliasPlatform&) = delete;
    PosixAliasPlatform& operator=(const PosixAliasPlatform&) = delete;

    std::unique_ptr<FolderWalk> openWalk(const std::string& folderPath) override;
    /// The threads each walk reads ahead with (1: none; see PosixFolderWalk), started after
    /// `poolAfterReads` reads from the disk (0: at once); 0 threads: the walk has no helper
    /// threads at all, everything happens on the caller's.
    void setWalkThreads(std::size_t threads,
                        std::size_t poolAfterReads = PosixFolderWalk::poolAfterDiskReads) {
        walkThreads_ = threads;
        walkPoolAfterReads_ = poolAfterReads;
    }
    void itemUrl(const WalkEntry& entry, const FileUrl& folderUrl, FileUrl& into) override;
    ReadResult<std::string_view> typeIdentifier(const FileUrl& item) override;
    /// The alias file's data fork (at most 16 MiB, a regular file, never through a link), when
    /// it holds bookmark data the codec can read; else the classic alias record of its
    /// resource fork. Damaged when neither holds data that can be read (the engine lists such
    /// an alias as broken); unreadable, with the errno, when the system refused a fork.
    /// The file read is remembered: only it, unchanged, is ever replaced by `writeBookmarkData`.
    ReadResult<BookmarkData> readBookmarkData(const FileUrl& item) override;
    ReadResult<FileUrl> resolveBookmarkData(const BookmarkData& data, std::uint32_t options,
                                            bool& isStale) override;
    std::optional<std::string> storedProperties(std::string_view key,
                                                const BookmarkData& data) override;
    /// False for a classic alias record: it is kept as it is.
    bool refreshable(const BookmarkData& data) override;
    /// Only the creation option 1024 (suitable for an alias file) is supported.
    ReadResult<BookmarkData> makeBookmarkData(const FileUrl& target, std::uint32_t options,
                                              const BookmarkData& previous) override;
    /// Refuses data the codec can't read; writes it in the container form the alias file had.
    /// Replaces only the very file that `readBookmarkData` read last (same device and inode,
    /// same content), in the folder the walk holds; else fails. Bytes equal to the file's are
    /// not written at all. A file with one name is replaced (AtomicFile); a file with other
    /// names (hard links) is rewritten through its inode, so that every name keeps seeing the
    /// same alias (InPlaceRewrite). A failure of the system gives its errno; a refusal says
    /// what was wrong with the file.
    WriteResult writeBookmarkData(const BookmarkData& data, const FileUrl& item) override;
    /// Never writes through a link, never into anything but a regular file with one link,
    /// never over a Finder alias; through a temporary file, so a failure keeps the old text.
    WriteResult writeText(std::string_view text, const FileUrl& beside,
                          std::string_view suffix) override;

private:
    /// The alias file read last, as it was read.
    struct ReadAlias {
        int folderFd = -1;
        std::string name;
        dev_t device = 0;
        ino_t inode = 0;
        BookmarkData bytes;
    };

    const MountTable& mounts();

    MountTableSource mountTableSource_;
    MountTable mountTable_;
    bool mountTableRead_ = false;
    AliasRecognizer recognizer_;
    BookmarkResolver resolver_;
    BookmarkRefresher refresher_;
    FileCalls& fileCalls_;
    ReadAlias lastRead_;
    std::size_t walkThreads_ = PosixFolderWalk::defaultThreads;
    std::size_t walkPoolAfterReads_ = PosixFolderWalk::poolAfterDiskReads;
};

} // namespace korvex

#include "PosixAliasPlatform.h"

#include "AliasDataReader.h"
#include "AppleDoubleFiles.h"
#include "FolderListing.h"
#include "PosixFolderWalk.h"
#include "RegularFileReader.h"
#include "TextFileWriter.h"
#include "bookmark/BookmarkDescription.h"
#include "bookmark/BookmarkReader.h"
#include "bookmark/BookmarkWriter.h"
#include "classic/ClassicAlias.h"

namespace korvex {

/// The walk handed to the engine: tells the platform while it lives, so that type lookups of
/// the entry just yielded take the walk's answer, classified ahead.
class PosixAliasPlatform::TrackedWalk : public FolderWalk {
public:
    TrackedWalk(std::unique_ptr<PosixFolderWalk> walk, PosixAliasPlatform& owner)
        : walk_(std::move(walk)), owner_(owner) {
        owner_.liveWalk_ = walk_.get();
    }
    ~TrackedWalk() override {
        if (owner_.liveWalk_ == walk_.get()) {
            owner_.liveWalk_ = nullptr;
        }
    }
    bool next(std::string_view& relativePath) override { return walk_->next(relativePath); }

private:
    std::unique_ptr<PosixFolderWalk> walk_;
    PosixAliasPlatform& owner_;
};

PosixAliasPlatform::PosixAliasPlatform(std::vector<PathMapping> mappings,
                                       MountTableSource mountTable, FileCalls& fileCalls)
    : mountTableSource_(std::move(mountTable)), resolver_(std::move(mappings), mountTable_),
      refresher_(resolver_, mountTable_), aliasWriter_(fileCalls) {}

PosixAliasPlatform::~PosixAliasPlatform() = default;

const MountTable& PosixAliasPlatform::mounts() {
    if (!mountTableRead_) {
        mountTable_ = mountTableSource_ ? mountTableSource_() : MountTable();
        mountTableRead_ = true;
    }
    return mountTable_;
}

std::unique_ptr<FolderWalk> PosixAliasPlatform::openWalk(const std::string& folderPath) {
    std::unique_ptr<PosixFolderWalk> walk = PosixFolderWalk::open(folderPath, recognizer_);
    if (!walk) {
        return nullptr;
    }
    mountTableRead_ = false; // mounts may have changed since the last scan
    mounts();
    return std::make_unique<TrackedWalk>(std::move(walk), *this);
}

void PosixAliasPlatform::itemUrl(std::string_view relativePath, const FileUrl& folderUrl,
                                 FileUrl& into) {
    makeItemUrl(relativePath, folderUrl, into);
}

std::optional<std::string_view> PosixAliasPlatform::typeIdentifier(const FileUrl& item) {
    if (liveWalk_ && item.path == liveWalk_->currentPath()) {
        return liveWalk_->currentType();
    }
    return recognizer_.typeIdentifier(item.path);
}

std::optional<BookmarkData> PosixAliasPlatform::readBookmarkData(const FileUrl& item) {
    if (liveWalk_ && liveWalk_->currentFolder() && item.path == liveWalk_->currentPath()) {
        const FolderListing& folder = *liveWalk_->currentFolder();
        AppleDoubleFiles files(folder, liveWalk_->currentName());
        return AliasDataReader::read(folder.fd(), liveWalk_->currentName(), files);
    }
    return AliasDataReader::readPath(item.path);
}

std::optional<FileUrl> PosixAliasPlatform::resolveBookmarkData(const BookmarkData& data,
                                                               std::uint32_t, bool& isStale) {
    // Whatever the options ask, nothing is ever mounted and nobody is ever asked.
    bookmark::BookmarkResult<classic::AliasContent> parsed = classic::ClassicAlias::read(data);
    if (!parsed) {
        return std::nullopt;
    }
    mounts();
    std::optional<Resolution> found =
        resolver_.resolve(bookmark::BookmarkInfo::from(parsed->bookmark));
    if (!found) {
        return std::nullopt;
    }
    isStale = found->isStale();
    return fileUrlWithPath(std::move(found->target.path), found->target.isDirectory);
}

std::optional<std::string> PosixAliasPlatform::storedProperties(std::string_view key,
                                                                const BookmarkData& data) {
    if (key != allPropertiesKey) {
        return std::nullopt;
    }
    bookmark::BookmarkResult<classic::AliasContent> parsed = classic::ClassicAlias::read(data);
    if (!parsed) {
        return std::nullopt;
    }
    return bookmark::BookmarkDescription::describe(parsed->bookmark);
}

bool PosixAliasPlatform::refreshable(const BookmarkData& data) {
    // A classic alias record stays as it is: see the class comment.
    return bookmark::BookmarkReader::read(data).ok();
}

std::optional<BookmarkData> PosixAliasPlatform::makeBookmarkData(const FileUrl& target,
                                                                 std::uint32_t options,
                                                                 const BookmarkData& previous) {
    if (options != bookmarkCreationSuitableForBookmarkFile) {
        return std::nullopt;
    }
    mounts();
    return refresher_.refresh(target, previous);
}

bool PosixAliasPlatform::writeBookmarkData(const BookmarkData& data, const FileUrl& item) {
    bookmark::BookmarkResult<bookmark::Bookmark> parsed = bookmark::BookmarkReader::read(data);
    if (!parsed) {
        return false; // never put bytes into an alias that no reader could use
    }
    // Keep the form the file had: an alias-file header stays one, a bare bookmark stays bare.
    std::optional<std::vector<std::uint8_t>> current = RegularFileReader::read(item.path);
    if (!current) {
        return false;
    }
    bookmark::BookmarkResult<bookmark::Bookmark> old = bookmark::BookmarkReader::read(*current);
    if (old && old->container != parsed->container) {
        parsed->container = old->container;
        parsed->header.clear();
        return aliasWriter_.replace(item.path, bookmark::BookmarkWriter::serialise(parsed.value()));
    }
    return aliasWriter_.replace(item.path, data);
}

bool PosixAliasPlatform::writeText(std::string_view text, const std::string& path) {
    return TextFileWriter::write(text, path);
}

} // namespace korvex

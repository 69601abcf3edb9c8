// Writes seed inputs for fuzz_bookmark into the folder given as the only argument: bookmark
// data made by the project's own writer, in every container and shape it knows.
#include "BookmarkInfo.h"
#include "BookmarkWriter.h"

#include <cstdio>
#include <fstream>
#include <string>

using namespace korvex::bookmark;

namespace {

BookmarkInfo fileInHome() {
    BookmarkInfo info;
    info.pathComponents = {"Users", "anna", "Documents", "Report.txt"};
    info.fileIDs = {103, 706090, 706100, 9000001};
    info.resourceProps = {{0x1, 0x21F, 0x21F}};
    info.creationDate = 678901234.5;
    info.volumePath = "/";
    info.volumeURL = "file:///";
    info.volumeName = "Macintosh HD";
    info.volumeUUID = "07FD1A5D-7D66-475A-AF51-934CDEF2D60C";
    info.volumeCapacity = 499963174912;
    info.volumeCreationDate = 616330000.25;
    info.volumeProps = {{0x100000081, 0x1000013EF, 0x1000013EF}};
    info.volumeWasBoot = true;
    info.homeRelativeComponentCount = 2;
    info.creatorUser = "anna";
    info.creatorUid = 501;
    info.displayName = "Report.txt";
    return info;
}

BookmarkInfo fileOnAnotherVolume() {
    BookmarkInfo info = fileInHome();
    info.pathComponents = {"Volumes", "SANDISK", "untitled"};
    info.fileIDs = {23589, std::nullopt, std::nullopt};
    info.volumePath = "/Volumes/SANDISK";
    info.volumeURL = "file:///Volumes/SANDISK/";
    info.volumeName = "SANDISK";
    info.volumeWasBoot = std::nullopt;
    info.volumeCreationDate = -978307200.0;
    info.bootVolume = fileInHome().volume();
    info.diskImage = fileInHome().volume();
    info.diskImage->pathComponents = {"Users", "anna", "disk.dmg"};
    return info;
}

BookmarkInfo volumeRoot() {
    BookmarkInfo info = fileInHome();
    info.pathComponents.clear();
    info.fileIDs.clear();
    info.fileName = "Macintosh HD";
    return info;
}

void save(const std::string& folder, const std::string& name,
          const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(folder + "/" + name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        std::fprintf(stderr, "bookmark_seeds: cannot write %s\n", name.c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bookmark_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const std::pair<const char*, BookmarkContainer> containers[] = {
        {"alias", BookmarkContainer::aliasFile},
        {"raw", BookmarkContainer::raw},
        {"legacy", BookmarkContainer::legacy}};
    for (auto [suffix, container] : containers) {
        save(folder, std::string("home-") + suffix, BookmarkWriter::write(fileInHome(), container));
        save(folder, std::string("volume-") + suffix,
             BookmarkWriter::write(fileOnAnotherVolume(), container));
        save(folder, std::string("root-") + suffix, BookmarkWriter::write(volumeRoot(), container));
    }

    // Every value type, named keys and an unknown record, so the fuzzer starts from them all.
    Bookmark all;
    all.container = BookmarkContainer::raw;
    fileInHome().applyTo(all);
    all.set(1, 0x7001, BookmarkValue::makeInteger(-5, numberType::sInt8));
    all.set(1, 0x7002, BookmarkValue::makeReal(1.5, numberType::float32));
    all.set(1, 0x7003,
            BookmarkValue::makeDictionary(
                {{BookmarkValue::makeString("key"), BookmarkValue::makeBool(false)}}));
    all.set(1, 0x7004, BookmarkValue::makeUuid(std::vector<std::uint8_t>(16, 0xAB)));
    all.set(1, 0x7005,
            BookmarkValue::makeRelativeUrl(BookmarkValue::makeUrl("file:///base/"),
                                           BookmarkValue::makeString("x/y")));
    all.set(1, 0x7006, BookmarkValue::makeUnknown(0x123456, {1, 2, 3}));
    all.set(1, BookmarkKey::makeNamed("NSURLDocumentIdentifierKey"),
            BookmarkValue::makeInteger(77, numberType::sInt32));
    save(folder, "all-types-raw", BookmarkWriter::serialise(all));
    return 0;
}

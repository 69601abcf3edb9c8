#include "BookmarkTestData.h"

#include "BookmarkDescription.h"
#include "BookmarkInfo.h"
#include "BookmarkKeys.h"
#include "BookmarkReader.h"
#include "BookmarkWriter.h"
#include "TypeBinding.h"

#include <gtest/gtest.h>

using namespace korvex::bookmark;
using korvex::test::Bytes;
using korvex::test::readFile;
using korvex::test::samplesDir;

namespace {

/// What the sample list documents about each readable file (volume path "/" unless given).
struct Expected {
    const char* file;
    BookmarkContainer container;
    const char* target; // nullptr: not checked
    const char* volumeName;
    const char* uuid;              // nullptr: not checked
    std::int64_t capacity;         // 0: not checked
    std::vector<std::int64_t> ids; // -1: null; empty: not checked
    std::int64_t options;          // -1: no creation-options key
    const char* volumePath = "/";
};

constexpr auto alias = BookmarkContainer::aliasFile;
constexpr auto raw = BookmarkContainer::raw;
constexpr const char* hd = "Macintosh HD";
constexpr const char* hdUuid = "07FD1A5D-7D66-475A-AF51-934CDEF2D60C";

// clang-format off
const std::vector<Expected> expectations = {
    {"perlmacalias-folder.alias", alias, "/System/Library/Perl", hd, hdUuid, 499963174912, {}, 0x400},
    {"perlmacalias-removable.alias", alias, "/Volumes/SANDISK/untitled", "SANDISK",
     "66D290A3-6692-3D78-ABD5-A2FE6F3F4DBD", 0, {23589, -1, -1}, 0x400, "/Volumes/SANDISK"},
    {"perlmacalias-root.alias", alias, "/", hd, nullptr, 0, {}, 0x400},
    {"cocoa-downloads-wav.alias", alias, nullptr, hd, nullptr, 0, {}, 0x400},
    {"cocoa-exfat-volume.alias", alias, "/Volumes/MattSplice/file.wav", "MattSplice", nullptr, 0,
     {420320, -1, -1}, 0x400, "/Volumes/MattSplice"},
    {"puffycid-downloads.bookmark", raw, "/Users/puffycid/Downloads/powershell-7.2.4-osx-x64.pkg",
     hd, nullptr, 0, {}, 0x28001800},
    {"puffycid-loginitem.bookmark", raw, "/Applications/Syncthing.app", hd, nullptr, 0, {}, -1},
    {"puffycid-poisonapple.bookmark", raw, nullptr, hd, nullptr, 0, {}, 0x20000000},
    {"puffycid-systemevents.bookmark", raw, "/System/Library/CoreServices/System Events.app", hd,
     nullptr, 0, {}, -1},
    {"puffycid-ventura.bookmark", raw, "/Applications/Syncthing.app", hd, nullptr, 122107002880, {},
     0x20000000},
    {"fq-sample1.bookmark", raw, "/Applications/Bitwarden.app", hd, nullptr, 0, {}, 0x20000000},
    {"fq-sample2.bookmark", raw, "/Users/davidmcdonald/hxstore", hd, nullptr, 0, {}, 0x20000000},
    {"fq-sample3.bookmark", raw, "/Users/davidmcdonald/Documents/Arduino/generated_examples/Blink",
     hd, nullptr, 0, {}, 0x20000000},
    {"fq-sample4.bookmark", raw, "/Users/davidmcdonald/go/src/thesis", hd, nullptr, 0, {},
     0x20000000},
};
// clang-format on

class SampleFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = samplesDir();
        if (dir.empty())
            GTEST_SKIP() << "no sample folder at '" << KORVEX_SAMPLES_DIR
                         << "' (set KORVEX_SAMPLES_DIR); real-file checks skipped";
    }
    BookmarkInfo infoOf(const char* file) const {
        return BookmarkInfo::from(BookmarkReader::read(readFile(dir / file)).value());
    }
    std::filesystem::path dir;
};

TEST_F(SampleFiles, ReadTheDocumentedTargetsVolumesAndIds) {
    for (const Expected& e : expectations) {
        SCOPED_TRACE(e.file);
        auto read = BookmarkReader::read(readFile(dir / e.file));
        ASSERT_TRUE(read) << read.error().message;
        EXPECT_EQ(read->container, e.container);
        BookmarkInfo info = BookmarkInfo::from(read.value());
        EXPECT_TRUE(info.pathKnown);
        if (e.target) {
            EXPECT_EQ(info.targetPath(), e.target);
        }
        EXPECT_EQ(info.volumeName, e.volumeName);
        EXPECT_EQ(info.volumePath, e.volumePath);
        if (e.uuid) {
            EXPECT_EQ(info.volumeUUID, e.uuid);
        }
        if (e.capacity) {
            EXPECT_EQ(info.volumeCapacity, e.capacity);
        }
        if (!e.ids.empty()) {
            ASSERT_EQ(info.fileIDs.size(), e.ids.size());
            for (std::size_t i = 0; i < e.ids.size(); ++i)
                EXPECT_EQ(info.fileIDs[i], e.ids[i] < 0 ? std::nullopt : std::optional(e.ids[i]));
        }
        if (e.options < 0)
            EXPECT_FALSE(info.creationOptions);
        else
            EXPECT_EQ(info.creationOptions, e.options);
    }
}

TEST_F(SampleFiles, DetailsOfSingleFiles) {
    auto root = infoOf("perlmacalias-root.alias");
    EXPECT_TRUE(root.pathComponents.empty());
    EXPECT_EQ(root.fileName, "Macintosh HD");
    EXPECT_TRUE(root.fileIDs.empty());

    auto removable = BookmarkReader::read(readFile(dir / "perlmacalias-removable.alias"));
    ASSERT_TRUE(removable);
    ASSERT_EQ(removable->tables.size(), 2u);
    EXPECT_EQ(removable->tables[0].id, tocId::target);
    EXPECT_EQ(removable->tables[1].id, tocId::bootVolume);
    auto info = BookmarkInfo::from(removable.value());
    ASSERT_TRUE(info.bootVolume);
    EXPECT_EQ(info.bootVolume->name, "Macintosh HD");
    EXPECT_EQ(info.bootVolume->uuid, hdUuid);

    auto wav = infoOf("cocoa-downloads-wav.alias");
    EXPECT_EQ(wav.creatorUser, "mattetti");
    EXPECT_EQ(wav.creatorUid, 501);
    ASSERT_EQ(wav.pathComponents.size(), 4u);
    EXPECT_TRUE(wav.targetPath().starts_with("/Users/mattetti/Downloads/3bdc4314"));
    EXPECT_TRUE(wav.targetPath().ends_with(".wav"));

    auto exfat = infoOf("cocoa-exfat-volume.alias");
    EXPECT_EQ(exfat.volumeURL, "file:///Volumes/MattSplice/");
    EXPECT_TRUE(exfat.bootVolume);

    // The one not made by macOS is read all the same.
    auto other = infoOf("puffycid-macAlias.bookmark");
    ASSERT_GE(other.pathComponents.size(), 2u);
    EXPECT_EQ(other.pathComponents[0], "..");
    EXPECT_TRUE(other.targetPath().ends_with("/powershell-7.2.5-osx-arm64.pkg"));
    EXPECT_EQ(other.volumePath, "/System/Volumes/Data");
}

TEST_F(SampleFiles, NegativesAreRejectedWithAClearError) {
    struct Case {
        const char* file;
        const char* says;
    } cases[] = {{"puffycid-bad_content.bookmark", "truncated"},
                 {"puffycid-bad_header.bookmark", "not bookmark data"},
                 {"fq-loop.bookmark", "contains itself"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto read = BookmarkReader::read(readFile(dir / c.file));
        ASSERT_FALSE(read);
        EXPECT_NE(read.error().message.find(c.says), std::string::npos) << read.error().message;
        EXPECT_FALSE(BookmarkDescription::describe(readFile(dir / c.file)));
    }
}

TEST_F(SampleFiles, ReserialisingKeepsEveryKeyAndMacOsBytesExactly) {
    for (const auto& item : std::filesystem::directory_iterator(dir)) {
        Bytes original = readFile(item.path());
        auto read = BookmarkReader::read(original);
        if (!read)
            continue;
        std::string name = item.path().filename().string();
        SCOPED_TRACE(name);
        Bytes again = BookmarkWriter::serialise(read.value());
        if (name != "puffycid-macAlias.bookmark") { // its table size field is wrong
            EXPECT_EQ(again, original);
        }
        auto reread = BookmarkReader::read(again);
        ASSERT_TRUE(reread) << reread.error().message;
        ASSERT_EQ(reread->tables.size(), read->tables.size());
        for (std::size_t t = 0; t < read->tables.size(); ++t) {
            ASSERT_EQ(reread->tables[t].entries.size(), read->tables[t].entries.size());
            for (std::size_t i = 0; i < read->tables[t].entries.size(); ++i) {
                EXPECT_EQ(reread->tables[t].entries[i].key, read->tables[t].entries[i].key);
                EXPECT_EQ(reread->tables[t].entries[i].value, read->tables[t].entries[i].value);
            }
        }
        EXPECT_EQ(BookmarkDescription::describe(reread.value()),
                  BookmarkDescription::describe(read.value()));
    }
}

TEST_F(SampleFiles, TypeBindingsAreMadeAsMacOsMadeThem) {
    for (const char* file : {"cocoa-downloads-wav.alias", "cocoa-exfat-volume.alias",
                             "perlmacalias-folder.alias", "perlmacalias-removable.alias"}) {
        SCOPED_TRACE(file);
        BookmarkInfo info = infoOf(file);
        ASSERT_TRUE(info.typeBindingData && info.resourceProps);
        bool folder = ((*info.resourceProps)[0] & 0x2) != 0;
        EXPECT_EQ(TypeBinding::forItem(info.pathComponents.back(), folder, !info.bootVolume),
                  *info.typeBindingData);
    }
}

TEST_F(SampleFiles, RefreshingChangesOnlyWhatItSets) {
    Bytes original = readFile(dir / "cocoa-exfat-volume.alias");
    Bookmark before = BookmarkReader::read(original).value();
    BookmarkInfo fresh;
    fresh.pathComponents = {"Volumes", "MattSplice", "moved.wav"};
    fresh.fileIDs = {420999, std::nullopt, std::nullopt};
    fresh.displayName = "moved.wav";
    auto after = BookmarkReader::read(BookmarkWriter::update(before, fresh));
    ASSERT_TRUE(after) << after.error().message;
    BookmarkInfo info = BookmarkInfo::from(after.value());
    EXPECT_EQ(info.targetPath(), "/Volumes/MattSplice/moved.wav");
    EXPECT_EQ(info.fileIDs[0], 420999);
    EXPECT_EQ(info.displayName, "moved.wav");
    for (std::uint32_t kept : {key::volUuid, key::typeBindingData, key::relativeDirsUp,
                               key::creationDate, key::volInfoDepths}) {
        ASSERT_TRUE(after->find(tocId::target, kept)) << std::hex << kept;
        EXPECT_EQ(*after->find(tocId::target, kept), *before.find(tocId::target, kept));
    }
    EXPECT_EQ(after->table(tocId::bootVolume)->entries.size(),
              before.table(tocId::bootVolume)->entries.size());
    // The header (with the alias's creation time) is carried over.
    EXPECT_TRUE(std::equal(original.begin() + 28, original.begin() + 56,
                           BookmarkWriter::update(before, fresh).begin() + 28));
}

TEST_F(SampleFiles, SettingWhatIsStoredChangesNoByteAndAChangedValueKeepsItsPlace) {
    for (const auto& item : std::filesystem::directory_iterator(dir)) {
        auto read = BookmarkReader::read(readFile(item.path()));
        if (!read)
            continue;
        SCOPED_TRACE(item.path().filename().string());
        const Bytes as = BookmarkWriter::serialise(read.value());
        // Every field the typed view has, stored again as it is: the same bytes.
        EXPECT_EQ(BookmarkWriter::update(read.value(), BookmarkInfo::from(read.value())), as);

        // A changed creation date (and path) takes the old records' places: every key, in the
        // same order, and the next write of that changes nothing.
        BookmarkInfo changed = BookmarkInfo::from(read.value());
        if (changed.pathComponents.empty())
            continue;
        changed.creationDate = 1.5;
        changed.pathComponents.back() += " 2";
        const Bytes once = BookmarkWriter::update(read.value(), changed);
        auto back = BookmarkReader::read(once);
        ASSERT_TRUE(back);
        ASSERT_EQ(back->tables.size(), read->tables.size());
        for (std::size_t t = 0; t < read->tables.size(); ++t) {
            ASSERT_EQ(back->tables[t].entries.size(), read->tables[t].entries.size());
            for (std::size_t i = 0; i < read->tables[t].entries.size(); ++i) {
                EXPECT_EQ(back->tables[t].entries[i].key, read->tables[t].entries[i].key);
                // Records in the order the Mac wrote them.
                if (i > 0 && read->tables[t].entries[i - 1].value.sourceOffset() <
                                 read->tables[t].entries[i].value.sourceOffset()) {
                    EXPECT_LT(back->tables[t].entries[i - 1].value.sourceOffset(),
                              back->tables[t].entries[i].value.sourceOffset())
                        << "table " << t << " entry " << i;
                }
            }
        }
        EXPECT_EQ(BookmarkWriter::update(back.value(), changed), once);
    }
}

} // namespace

// Which entries of a Linux disk are Finder aliases: every FinderInfo carrier, the order in
// which carriers are believed, aliases that lost their metadata, and the decoys.

#include "AliasRecognizer.h"
#include "SystemXattrSource.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {
namespace {

using test::Bytes;
using namespace std::string_literals;

/// The system's attributes, plus `osx.com.apple.FinderInfo` values (which ext4 cannot hold)
/// kept in memory. Used from the test thread only.
class OsxXattrSource final : public XattrSource {
public:
    void add(const std::string& path, const Bytes& value) { values_[path] = value; }
    Result list(const Item& item, std::span<char> buffer, std::size_t& length) const override {
        const Result result = system_.list(item, buffer, length);
        if (result != Result::ok || !item.path || !values_.count(item.path) ||
            length + sizeof name > buffer.size()) {
            return result;
        }
        std::copy(name, name + sizeof name, buffer.begin() + static_cast<long>(length));
        length += sizeof name;
        return Result::ok;
    }
    Result get(const Item& item, const char* wanted, std::span<std::uint8_t> buffer,
               std::size_t& length) const override {
        auto it = item.path ? values_.find(item.path) : values_.end();
        if (std::string_view(wanted) != name || it == values_.end()) {
            return system_.get(item, wanted, buffer, length);
        }
        length = std::min(it->second.size(), buffer.size());
        std::copy_n(it->second.begin(), length, buffer.begin());
        return Result::ok;
    }
    bool supported(int folderFd) const override { return system_.supported(folderFd); }

private:
    static constexpr char name[] = "osx.com.apple.FinderInfo";
    SystemXattrSource system_;
    std::map<std::string, Bytes> values_;
};

class Recognizer : public ::testing::Test {
protected:
    ReadResult<std::string_view> typeOf(const std::string& relative) const {
        return recognizer_.typeIdentifier(tree_.path(relative));
    }
    bool isAlias(const std::string& relative) const { return typeOf(relative) == TypeIds::alias; }
    /// A plain text file that carries `value` in attribute `name`.
    void carrier(const std::string& relative, const char* name, const Bytes& value) const {
        tree_.file(relative, "some text");
        if (!tree_.xattr(relative, name, value)) {
            GTEST_SKIP() << "the temporary folder keeps no user attributes";
        }
    }

    test::TempTree tree_;
    std::shared_ptr<OsxXattrSource> xattrs_ = std::make_shared<OsxXattrSource>();
    AliasRecognizer recognizer_{xattrs_};
};

TEST_F(Recognizer, EveryFinderInfoCarrierDecidesByTheAliasFlag) {
    for (const bool flag : {true, false}) {
        const std::string as = flag ? " alias" : " file";
        carrier("rsync" + as, "user.com.apple.FinderInfo", test::finderInfoBytes(flag));
        carrier("netatalk" + as, "user.org.netatalk.Metadata", test::netatalkMetadata(flag));
        carrier("samba" + as, "user.DosStream.AFP_AfpInfo:$DATA", test::afpInfo(flag));
        tree_.file("fat" + as);
        tree_.file("._fat" + as, test::macSidecar(flag));
        xattrs_->add(tree_.file("hfs" + as), test::finderInfoBytes(flag));
    }
    for (const char* kind : {"rsync", "netatalk", "samba", "fat", "hfs"}) {
        EXPECT_EQ(typeOf(std::string(kind) + " alias"), TypeIds::alias) << kind;
        EXPECT_EQ(typeOf(std::string(kind) + " file"), TypeIds::data) << kind;
    }
}

// The attribute calls by descriptor and name (newer kernels) and by path (older ones, or a
// caller with a path) must see the same carriers, through every entry point.
TEST_F(Recognizer, DescriptorAndPathCallsAgree) {
    carrier("rsync alias", "user.com.apple.FinderInfo", test::finderInfoBytes(true));
    carrier("samba alias", "user.DosStream.AFP_AfpInfo:$DATA", test::afpInfo(true));
    carrier("rsync file", "user.com.apple.FinderInfo", test::finderInfoBytes(false));
    tree_.file("plain file", "some text");
    const int folder = ::open(tree_.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    for (const bool byDescriptor : {true, false}) {
        const AliasRecognizer recognizer(std::make_shared<SystemXattrSource>(byDescriptor));
        for (const char* name : {"rsync alias", "samba alias", "rsync file", "plain file"}) {
            const bool alias = std::string_view(name).ends_with("alias");
            EXPECT_EQ(recognizer.typeIdentifier(tree_.path(name)) == TypeIds::alias, alias)
                << name << byDescriptor;
            EXPECT_EQ(recognizer.typeIdentifierAt(folder, name) == TypeIds::alias, alias)
                << name << byDescriptor;
        }
    }
    ::close(folder);
}

TEST_F(Recognizer, FirstNonZeroFinderInfoWins) {
    // An attribute beats the sidecar, either way round.
    carrier("flag in xattr", "user.com.apple.FinderInfo", test::finderInfoBytes(true));
    tree_.file("._flag in xattr", test::macSidecar(false));
    carrier("clear in xattr", "user.com.apple.FinderInfo", test::finderInfoBytes(false));
    tree_.file("._clear in xattr", test::macSidecar(true));
    EXPECT_TRUE(isAlias("flag in xattr"));
    EXPECT_FALSE(isAlias("clear in xattr"));

    // All-zero FinderInfo is no FinderInfo: the next carrier speaks.
    carrier("zero then afp", "user.com.apple.FinderInfo", Bytes(32, 0));
    tree_.xattr("zero then afp", "user.DosStream.AFP_AfpInfo:$DATA", test::afpInfo(true));
    EXPECT_TRUE(isAlias("zero then afp"));
    // A damaged carrier is no carrier either.
    carrier("broken then sidecar", "user.org.netatalk.Metadata", Bytes(40, 0xEE));
    tree_.file("._broken then sidecar", test::macSidecar(true));
    EXPECT_TRUE(isAlias("broken then sidecar"));

    // The osx. name of hfsplus comes before the user. one.
    carrier("osx first", "user.com.apple.FinderInfo", test::finderInfoBytes(false));
    xattrs_->add(tree_.path("osx first"), test::finderInfoBytes(true));
    EXPECT_TRUE(isAlias("osx first"));
}

TEST_F(Recognizer, WithoutFinderInfoTheDataForkDecides) {
    tree_.file("copied alias", test::aliasDataFork(600));
    EXPECT_TRUE(isAlias("copied alias"));

    // Zeroed FinderInfo everywhere still counts as none.
    tree_.file("zeroed alias", test::aliasDataFork(600));
    tree_.file("._zeroed alias", test::appleDouble({{9, 50, 32}}, 82, 50, Bytes(32, 0)));
    EXPECT_TRUE(isAlias("zeroed alias"));

    // FinderInfo without the flag overrules the magic.
    tree_.file("cleared alias", test::aliasDataFork(600));
    tree_.file("._cleared alias", test::macSidecar(false));
    EXPECT_FALSE(isAlias("cleared alias"));

    Bytes truncated = test::aliasDataFork(600);
    truncated.resize(400);
    tree_.file("truncated alias", truncated);
    EXPECT_FALSE(isAlias("truncated alias"));
    tree_.file("bookish", "book\0\0\0\0mark but not really, just text that is long enough..."s);
    EXPECT_FALSE(isAlias("bookish"));
    tree_.file("empty", "");
    EXPECT_EQ(typeOf("empty"), TypeIds::data);
}

TEST_F(Recognizer, RealAliasFilesWithoutMetadataAreRecognised) {
    const std::filesystem::path samples = KORVEX_SAMPLES_DIR;
    if (!std::filesystem::is_directory(samples)) {
        GTEST_SKIP() << "no sample folder at " << samples;
    }
    int aliases = 0;
    for (const auto& item : std::filesystem::directory_iterator(samples)) {
        const std::string name = item.path().filename();
        const auto type = recognizer_.typeIdentifier(item.path().string());
        if (name.ends_with(".alias")) {
            EXPECT_EQ(type, TypeIds::alias) << name;
            ++aliases;
        } else {
            EXPECT_NE(type, TypeIds::alias) << name; // raw bookmarks are not alias files
        }
    }
    EXPECT_GT(aliases, 0);
}

TEST_F(Recognizer, DecoysAreNeverAliases) {
    // Sidecars themselves, even with the flag or the magic.
    tree_.file("._orphan", test::macSidecar(true));
    tree_.file("._magic", test::aliasDataFork(600));
    EXPECT_EQ(typeOf("._orphan"), TypeIds::data);
    EXPECT_EQ(typeOf("._magic"), TypeIds::data);

    // A symbolic link named like an alias, with a flagged sidecar, pointing at an alias.
    tree_.file("real alias", test::aliasDataFork(600));
    ASSERT_EQ(::symlink("real alias", tree_.path("link alias").c_str()), 0);
    tree_.file("._link alias", test::macSidecar(true));
    EXPECT_EQ(typeOf("link alias"), TypeIds::symlink);

    // A folder with a flagged sidecar; a pipe with one (never opened: it would block).
    tree_.folder("folder alias");
    tree_.file("._folder alias", test::macSidecar(true));
    EXPECT_EQ(typeOf("folder alias"), TypeIds::folder);
    ASSERT_EQ(::mkfifo(tree_.path("pipe alias").c_str(), 0600), 0);
    tree_.file("._pipe alias", test::macSidecar(true));
    EXPECT_EQ(typeOf("pipe alias"), TypeIds::item);

    // A sidecar that is itself a pipe or a link to a flagged sidecar is not believed.
    tree_.file("piped", "x");
    ASSERT_EQ(::mkfifo(tree_.path("._piped").c_str(), 0600), 0);
    EXPECT_EQ(typeOf("piped"), TypeIds::data);
    tree_.file("linked", "x");
    ASSERT_EQ(::symlink(tree_.path("._fat").c_str(), tree_.path("._linked").c_str()), 0);
    tree_.file("._fat", test::macSidecar(true));
    EXPECT_EQ(typeOf("linked"), TypeIds::data);

    EXPECT_EQ(typeOf("gone"), ReadFailure::gone());
    EXPECT_EQ(typeOf(""), TypeIds::folder); // the tree's root, path ending in a slash
}

/// The system's attributes, except that the calls named fail with `error`, as a file the user
/// may not read, or a failing disk, makes them fail.
class RefusingXattrSource final : public XattrSource {
public:
    std::string refused; ///< the attribute whose reads fail
    bool refuseList = false;
    int error = EACCES;

    Result list(const Item& item, std::span<char> buffer, std::size_t& length) const override {
        if (refuseList) {
            errno = error;
            return Result::failed;
        }
        return system_.list(item, buffer, length);
    }
    Result get(const Item& item, const char* wanted, std::span<std::uint8_t> buffer,
               std::size_t& length) const override {
        if (refused == wanted) {
            errno = error;
            return error == ENODATA ? Result::absent : Result::failed;
        }
        return system_.get(item, wanted, buffer, length);
    }
    bool supported(int folderFd) const override { return system_.supported(folderFd); }

private:
    SystemXattrSource system_;
};

// A FinderInfo that is there but can't be read may say "alias": the answer is that the entry
// could not be examined, with the system's reason, never "not an alias"; and the walk's
// one-byte answers keep that reason.
TEST(RecognizerFailures, RefusedMetadataIsUnreadableWithItsReasonNeverNotAnAlias) {
    test::TempTree tree;
    tree.file("rsync alias", "some text");
    tree.file("plain file", "some text");
    if (!tree.xattr("rsync alias", "user.com.apple.FinderInfo", test::finderInfoBytes(true)) ||
        !tree.xattr("rsync alias", "user.org.netatalk.Metadata", test::netatalkMetadata(true))) {
        GTEST_SKIP() << "the temporary folder keeps no user attributes";
    }
    auto xattrs = std::make_shared<RefusingXattrSource>();
    const AliasRecognizer recognizer(xattrs);

    xattrs->refused = "user.com.apple.FinderInfo";
    for (const int error : {EACCES, EIO, ENOMEM}) {
        xattrs->error = error;
        const ReadResult<std::string_view> type =
            recognizer.typeIdentifier(tree.path("rsync alias"));
        EXPECT_EQ(type, ReadFailure::unreadable(error));
        EXPECT_EQ(TypeIds::fromCode(TypeIds::code(type)), ReadFailure::unreadable(error));
    }
    // Removed between the listing and the read: no FinderInfo there, the next one speaks.
    xattrs->error = ENODATA;
    EXPECT_EQ(recognizer.typeIdentifier(tree.path("rsync alias")), TypeIds::alias);
    // A carrier after the one that decided is never asked.
    xattrs->refused = "user.org.netatalk.Metadata";
    xattrs->error = EIO;
    EXPECT_EQ(recognizer.typeIdentifier(tree.path("rsync alias")), TypeIds::alias);

    // The names can't be listed: whatever the file is, it is unknown whether it is an alias.
    xattrs->refuseList = true;
    EXPECT_EQ(recognizer.typeIdentifier(tree.path("plain file")), ReadFailure::unreadable(EIO));
    EXPECT_EQ(TypeIds::fromCode(TypeIds::code(TypeIds::alias)), TypeIds::alias);
    EXPECT_EQ(TypeIds::fromCode(TypeIds::code(ReadFailure::gone())), ReadFailure::gone());
}

} // namespace
} // namespace korvex

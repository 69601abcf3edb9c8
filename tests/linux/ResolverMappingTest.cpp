// Where a stored path is looked for on this machine, in order: the path itself, below the local
// folder of each mapping whose Mac prefix it lies at or below (longest prefix first, one prefix's
// folders in the order given), then on each volume mounted under the stored volume's name.
#include "BookmarkResolver.h"
#include "TempTree.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

TEST(ResolverMappingTest, PlacesInTheOrderTheyAreTried) {
    const std::string nfc = "Caf\xC3\xA9", nfd = "Cafe\xCC\x81";
    const MountTable mounts(std::vector<MountPoint>{
        {"/", "ext4"}, {"/media/me/STICK", "vfat"}, {"/media/me/" + nfc, "vfat"}});
    const BookmarkResolver resolver({{"/Volumes/A", "/short"},
                                     {"/Volumes/A/P", "/long/"},
                                     {"/Volumes/A/", "/second"},
                                     {"/Volumes/A/P/x.pdf", "/srv/x.pdf"}, // the path itself
                                     {"/Volumes/Rel", "relative/dir"},     // never a place
                                     {"/Volumes/Root", "/"}},
                                    mounts);
    const struct {
        std::string stored, volumePath, volumeName;
        std::vector<std::string> places;
    } rows[] = {
        {"/Volumes/A/P/x.pdf",
         "/Volumes/A",
         "A",
         {"/Volumes/A/P/x.pdf", "/srv/x.pdf", "/long/x.pdf", "/short/P/x.pdf", "/second/P/x.pdf"}},
        {"/Volumes/AB/x", "/Volumes/AB", "AB", {"/Volumes/AB/x"}}, // whole components only
        {"/Volumes/Rel/x", "/Volumes/Rel", "Rel", {"/Volumes/Rel/x"}},
        {"/Volumes/Root/etc/x", "/Volumes/Root", "Root", {"/Volumes/Root/etc/x", "/etc/x"}},
        {"/Volumes/STICK/d/x",
         "/Volumes/STICK",
         "STICK",
         {"/Volumes/STICK/d/x", "/media/me/STICK/d/x"}},
        {"/Volumes/STICK", "/Volumes/STICK", "STICK", {"/Volumes/STICK", "/media/me/STICK"}},
        {"/Volumes/" + nfd + "/d",
         "/Volumes/" + nfc,
         nfc,
         {"/Volumes/" + nfd + "/d", "/media/me/" + nfc + "/d"}},
        {"/Volumes/Other/d", "/Volumes/STICK", "STICK", {"/Volumes/Other/d"}}, // not on it
    };
    for (const auto& row : rows) {
        std::vector<std::string> places;
        for (const ResolutionCandidate& place : resolver.candidates(
                 test::infoOf(test::aliasBytes(row.stored, row.volumePath, row.volumeName)))) {
            places.push_back(place.path);
        }
        EXPECT_EQ(places, row.places) << row.stored;
    }
}

} // namespace
} // namespace korvex

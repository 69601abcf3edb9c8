// Walks a folder the way the scan engine does (PosixFolderWalk, the type of every entry)
// and prints how many entries and Finder aliases it met. Stand-in for korvex-scan in
// bench/walk-vs-find.sh.
//
// usage: bench_walk [--sequential] [--list] FOLDER
#include "AliasRecognizer.h"
#include "PosixFolderWalk.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    bool lookAhead = true;
    bool list = false;
    const char* folder = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sequential") == 0) {
            lookAhead = false;
        } else if (std::strcmp(argv[i], "--list") == 0) {
            list = true;
        } else {
            folder = argv[i];
        }
    }
    if (!folder) {
        std::fprintf(stderr, "usage: bench_walk [--sequential] [--list] FOLDER\n");
        return 2;
    }
    korvex::AliasRecognizer recognizer;
    auto walk = korvex::PosixFolderWalk::open(folder, recognizer, nullptr, lookAhead);
    if (!walk) {
        std::fprintf(stderr, "bench_walk: cannot walk %s\n", folder);
        return 2;
    }
    long long entries = 0;
    long long aliases = 0;
    long long dropped = 0;
    korvex::WalkEntry entry;
    while (walk->next(entry)) {
        ++entries;
        const auto type = entry.type;
        if (!type) {
            ++dropped;
        } else if (*type == korvex::TypeIds::alias) {
            ++aliases;
        }
        if (list) {
            std::printf("%s/%.*s\t%.*s\n", folder, static_cast<int>(entry.relativePath.size()),
                        entry.relativePath.data(), type ? static_cast<int>(type->size()) : 1,
                        type ? type->data() : "-");
        }
    }
    std::printf("entries %lld aliases %lld dropped %lld\n", entries, aliases, dropped);
    return 0;
}

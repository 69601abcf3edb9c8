// Writes a Finder alias file (bookmark data only, no Finder information: its content alone
// makes it an alias) that points at a path, with the project's own writer.
// Usage: write_alias TARGET ALIAS
#include "TempTree.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: write_alias TARGET ALIAS\n", stderr);
        return 2;
    }
    const korvex::test::Bytes bytes = korvex::test::aliasBytes(argv[1]);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return out.good() ? 0 : 1;
}

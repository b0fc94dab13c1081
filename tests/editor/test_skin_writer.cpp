// Writes the tests' plain skin file to the path given, for the end-to-end runs of a
// build whose artwork is not there yet.
#include <cstdio>

#include "tests/editor/test_skin.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SKIN_FILE\n", argv[0]);
        return 2;
    }
    return testskin::WriteTestSkin(argv[1]) ? 0 : 1;
}

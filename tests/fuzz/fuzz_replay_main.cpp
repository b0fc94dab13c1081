// Runs a fuzz target over every file of the folders named on the command line: its seed
// corpus and the inputs that once made it fail. Built with the ordinary compiler, so the
// suite keeps fixed failures fixed without libFuzzer.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    int runs = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<std::string> files;
        if (DIR* dir = ::opendir(argv[i])) {
            while (dirent* e = ::readdir(dir)) {
                const std::string path = std::string(argv[i]) + "/" + e->d_name;
                struct stat st {};
                if (e->d_name[0] != '.' && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
                    files.push_back(path);
            }
            ::closedir(dir);
        }
        std::sort(files.begin(), files.end());
        for (const std::string& path : files) {
            const std::string bytes = fuzz::ReadFileOrEmpty(path);
            std::fprintf(stderr, "replaying %s (%zu bytes)\n", path.c_str(), bytes.size());
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++runs;
        }
    }
    std::printf("%d inputs replayed\n", runs);
    return runs > 0 ? 0 : 1;
}

// Copies 200 files of 5 MB with the list copy loop and with `cp`, alternating, and prints
// the best time of each and their ratio. Optional arguments: file count, MiB per file,
// and the folder to work in (default: the temp folder).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/support/bench_support.h"
#include "playlist/list_copy.h"

namespace fs = std::filesystem;

using bench::TimeMs;

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 200;
    const int mib = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::string base = argc > 3 ? argv[3] : fs::temp_directory_path().string();
    std::string pattern = base + "/veltra-bench-copy-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string root = pattern;
    const std::string src = root + "/src";
    fs::create_directory(src);
    std::vector<std::string> sources;
    std::string block(1 << 20, '\0');
    for (int i = 0; i < files; ++i) {
        for (std::size_t j = 0; j < block.size(); ++j)
            block[j] = static_cast<char>((i * 131 + j * 7) & 0xFF);
        const std::string path = src + "/song " + std::to_string(i) + ".mp3";
        std::ofstream out(path, std::ios::binary);
        for (int m = 0; m < mib; ++m)
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        sources.push_back(path);
    }

    double bestOurs = 1e30, bestCp = 1e30;
    bool ok = true;
    for (int round = 0; round < 3; ++round) {
        const std::string ours = root + "/ours", theirs = root + "/cp";
        fs::create_directory(ours);
        fs::create_directory(theirs);
        const std::string cp = "cp '" + src + "'/* '" + theirs + "'/";
        auto runCp = [&] {
            bestCp = std::min(bestCp, TimeMs([&] { ok &= std::system(cp.c_str()) == 0; }));
        };
        auto runOurs = [&] {
            bestOurs = std::min(bestOurs, TimeMs([&] {
                                    const CopyRunResult run =
                                        CopyNumbered(sources, {"song", ours}, nullptr, nullptr);
                                    ok &= run.copied == files;
                                }));
        };
        if (round % 2 == 0) {
            runCp();
            runOurs();
        } else {
            runOurs();
            runCp();
        }
        fs::remove_all(ours);
        fs::remove_all(theirs);
    }
    std::printf("copy: %d files of %d MiB in %s\n", files, mib, root.c_str());
    std::printf("  list copy  %8.1f ms\n", bestOurs);
    std::printf("  cp         %8.1f ms\n", bestCp);
    std::printf("  ratio list/cp %.2f\n", bestOurs / bestCp);
    fs::remove_all(root);
    return ok ? 0 : 1;
}

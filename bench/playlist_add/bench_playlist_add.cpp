// Adds a generated folder of 10,000 media files to the playlist, then the same folder
// again (every file a duplicate), and prints both next to `find` walking the same tree.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "playlist/playlist_ctrl.h"

namespace {

double Ms(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

template <typename Fn>
double Time(Fn&& fn) {
    const auto start = std::chrono::steady_clock::now();
    fn();
    return Ms(std::chrono::steady_clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
    char pattern[] = "/tmp/veltra-bench-add-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string root = pattern;
    const char* extensions[] = {"mp3", "wav", "avi", "jpg", "wmv"};
    for (int i = 0; i < files; ++i) {
        const std::string folder = root + "/d" + std::to_string(i / 1000);
        if (i % 1000 == 0)
            std::filesystem::create_directory(folder);
        std::ofstream(folder + "/track " + std::to_string(i) + "." + extensions[i % 5]) << "x";
    }

    PlaylistCtrl list;
    list.resize(600, 400);
    list.show();
    QApplication::processEvents();

    const double first = Time([&] { list.AddFolder(root); });
    QApplication::processEvents();
    const double second = Time([&] { list.AddFolder(root); });
    const std::string command = "find '" + root + "' -type f > /dev/null";
    const double find = Time([&] { (void)std::system(command.c_str()); });

    std::printf("playlist_add: %d files, rows %d\n", files, list.RowCount());
    std::printf("  first pass   %8.1f ms\n", first);
    std::printf("  second pass  %8.1f ms (all duplicates)\n", second);
    std::printf("  find         %8.1f ms\n", find);
    std::printf("  ratio first/find %.2f, second/find %.2f\n", first / find, second / find);

    std::filesystem::remove_all(root);
    return list.RowCount() == files ? 0 : 1;
}

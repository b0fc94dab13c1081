// Playlist files through a real folder: rows named by the input become files, the list
// is saved and loaded again. A save must either keep every row it is meant to keep, in
// order, or be refused, and a refusal is only right for names no line can hold. Arbitrary
// playlist bytes, read as any player's list (M3U, PLS, XSPF), must load without harm and
// name only existing files of kinds the list takes.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "playlist/media_kind.h"
#include "playlist/path_helpers.h"
#include "playlist/playlist_file.h"
#include "playlist/playlist_loader.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

constexpr const char* kExtensions[] = {".mp3", ".avi", ".wav", ".jpg", ".ogg", ".Mp3", ".vpl", ""};

// The row's file below root, made on disk; "" when the name cannot be made.
std::string MakeRow(const std::string& root, const std::string& text, uint8_t extension) {
    std::string path = root;
    std::size_t start = 0;
    std::vector<std::string> parts;
    while (start <= text.size()) {
        std::size_t slash = text.find('/', start);
        if (slash == std::string::npos)
            slash = text.size();
        std::string part = text.substr(start, slash - start).substr(0, 120);
        // Climbs and empty parts would leave the folder or fold into another name.
        if (!part.empty() && part != "." && part != "..")
            parts.push_back(part);
        start = slash + 1;
    }
    if (parts.empty())
        return {};
    parts.back() += kExtensions[extension % (sizeof kExtensions / sizeof *kExtensions)];
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        path += "/" + parts[i];
        struct stat st {};
        if (::mkdir(path.c_str(), 0755) != 0 &&
            (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
            return {};
    }
    path += "/" + parts.back();
    if (!FitsMaxPath(path))
        return {};
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return S_ISREG(st.st_mode) ? path : std::string();
    fuzz::WriteFileOrDie(path, "x");
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = fuzz::ScratchFolder("playlist");
    const std::string root = folder + "/run";
    fuzz::RemoveTree(root);
    ::mkdir(root.c_str(), 0755);

    fuzz::Input in(data, size);
    const uint8_t op = in.Byte();
    const bool own = op & 1;
    const bool ogg = op & 2;
    const int rowCount = (op >> 2) % 7;
    const std::string listFolder = (op & 0x40) ? root + "/l/m" : ((op & 0x20) ? root + "/l" : root);
    ::mkdir((root + "/l").c_str(), 0755);
    ::mkdir((root + "/l/m").c_str(), 0755);
    const std::string list = listFolder + (own ? "/list.vpl" : "/list.m3u");

    std::vector<std::string> rows;
    for (int i = 0; i < rowCount; ++i) {
        const uint8_t extension = in.Byte();
        const std::string row = MakeRow(root, in.Text(), extension);
        // The list holds known kinds only, each path once.
        if (row.empty() || !IsKnownExtension(UpperExtensionOf(row), ogg) ||
            std::find(rows.begin(), rows.end(), row) != rows.end())
            continue;
        rows.push_back(row);
    }

    const PlaylistIoResult saved = PlaylistWriter::Write(list, rows, ogg);
    if (!saved.ok) {
        const bool holdsLineBreak = std::any_of(rows.begin(), rows.end(), [](const std::string& r) {
            return r.find_first_of("\r\n") != std::string::npos;
        });
        FUZZ_CHECK(holdsLineBreak);
    } else {
        std::vector<std::string> expected;
        for (const std::string& row : rows) {
            if (own || IsAudioExtension(UpperExtensionOf(row), ogg))
                expected.push_back(row);
        }
        std::vector<std::string> loaded;
        FUZZ_CHECK(PlaylistReader::Read(list, ogg, &loaded).ok);
        FUZZ_CHECK(loaded == expected);
        // The reader that opens lists of any player reads the extended form back the same.
        const PlaylistLoad load = PlaylistLoader::Load(list, ogg);
        FUZZ_CHECK(load.ok == !expected.empty());
        std::vector<std::string> items;
        for (const PlaylistItem& item : load.items) items.push_back(item.path);
        FUZZ_CHECK(items == expected);
    }

    // Whatever else the input holds, as a playlist of another program.
    const std::string rest = in.Rest();
    for (const std::string& path : PlaylistReader::Parse(list, rest, ogg)) {
        struct stat st {};
        FUZZ_CHECK(::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode));
    }
    for (const char* name : {"/list.m3u8", "/list.pls", "/list.xspf"}) {
        const PlaylistLoad load = PlaylistLoader::Parse(listFolder + name, rest, ogg);
        FUZZ_CHECK(load.ok == !load.items.empty());
        FUZZ_CHECK(load.ok || !load.error.empty());
        for (const PlaylistItem& item : load.items) {
            struct stat st {};
            FUZZ_CHECK(FitsMaxPath(item.path) &&
                       IsKnownExtension(UpperExtensionOf(item.path), ogg));
            FUZZ_CHECK(::stat(item.path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode));
        }
    }
    return 0;
}

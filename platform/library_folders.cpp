#include "platform/library_folders.h"

#include <filesystem>

#include "platform/max_path.h"
#include "platform/module_folder.h"

namespace fs = std::filesystem;

std::vector<std::string> LibraryFolders(const std::string& programFolder) {
    if (programFolder.empty())
        return {};
    std::string folder = programFolder;
    if (folder.back() != '/')
        folder += '/';
    // Spelled out without "..", so the paths handed to the registration store and to
    // messages read plainly.
    std::string installed = (fs::path(folder) / ".." / "lib" / "veltra").lexically_normal();
    if (installed.empty() || installed.back() != '/')
        installed += '/';
    return {folder, installed};
}

std::vector<std::string> LibraryFolders() {
    return LibraryFolders(ModuleFolder());
}

std::string FindLibraryFile(const std::string& name, const std::string& programFolder) {
    for (const std::string& folder : LibraryFolders(programFolder)) {
        const std::string path = folder + name;
        std::error_code ec;
        if (path.size() < kMaxPath && fs::is_regular_file(path, ec))
            return path;
    }
    return {};
}

std::string FindLibraryFile(const std::string& name) {
    return FindLibraryFile(name, ModuleFolder());
}

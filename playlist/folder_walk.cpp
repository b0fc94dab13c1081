#include "playlist/folder_walk.h"

#include <cstdint>
#include <set>
#include <utility>

#include "platform/file_system.h"
#include "playlist/path_helpers.h"

namespace {

using Visited = std::set<std::pair<std::uint64_t, std::uint64_t>>;

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

void Tell(const std::function<void(const std::string&)>& to, const std::string& path) {
    if (to)
        to(path);
}

void Walk(const std::string& folder, const FolderWalk& walk, int depth, Visited* visited) {
    if (depth > walk.maxDepth) {
        Tell(walk.onTooDeep, folder);
        return;
    }
    const FolderListing listing = ListFolder(folder);
    if (!listing.ok || !visited->insert({listing.device, listing.inode}).second)
        return;
    for (const FolderEntry& entry : listing.entries) {
        const std::string child = JoinPath(folder, entry.name);
        if (entry.kind == PathKind::Folder) {
            if (!FitsMaxPath(child)) {
                Tell(walk.onTooLong, child);
                continue;
            }
            Walk(child, walk, depth + 1, visited);
        } else if (entry.kind == PathKind::File) {
            Tell(walk.onFile, child);
        }
    }
}

}  // namespace

void WalkFolderTree(const std::string& folder, const FolderWalk& walk) {
    Visited visited;
    Walk(folder, walk, 0, &visited);
}

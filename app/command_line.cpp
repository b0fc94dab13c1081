#include "app/command_line.h"

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    for (const std::string& a : args) {
        if (a == "/3ds") {
            cl.use3D = false;
        } else if (a == kEnqueueSwitch && !cl.enqueue) {
            cl.enqueue = true;
            continue;
        } else if (cl.enqueue) {
            cl.enqueueFiles.push_back(a);
        }
        cl.startFile = a;  // the last argument wins, switches included
    }
    if (cl.enqueue)
        cl.startFile = cl.enqueueFiles.empty() ? std::string() : cl.enqueueFiles.front();
    return cl;
}

CommandLine ParseCommandLine(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        if (argv[i])
            args.emplace_back(argv[i]);
    return ParseCommandLine(args);
}

std::string AbsoluteStartFile(const std::string& path, const std::string& workingFolder) {
    if (path.empty() || path[0] == '/' || workingFolder.empty() || workingFolder[0] != '/')
        return path;
    std::string folder = workingFolder;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    std::string rest = path;
    while (true) {
        if (rest.compare(0, 2, "./") == 0) {
            rest.erase(0, 2);
        } else if (rest.compare(0, 3, "../") == 0) {
            // The working folder is the kernel's own (symbolic links already resolved), so
            // its parent is what ".." means there.
            const auto slash = folder.rfind('/');
            folder.resize(slash == 0 ? 1 : slash);
            rest.erase(0, 3);
        } else {
            break;
        }
    }
    return folder == "/" ? "/" + rest : folder + "/" + rest;
}

// What the command line means: the last argument is the start file, and "/3ds" anywhere
// (the whole argument, case-sensitive) turns 3D sound control off.
#pragma once

#include <string>
#include <vector>

struct CommandLine {
    std::string startFile;  // empty without arguments
    bool use3D = true;
    // "--enqueue FILE...": the files go to the copy that runs already, or, when none does,
    // into the list of this one, the first of them playing. The start file is then the
    // first of them.
    bool enqueue = false;
    std::vector<std::string> enqueueFiles;
};

inline constexpr const char* kEnqueueSwitch = "--enqueue";

// args excludes the program name (argv[1] ... argv[argc - 1]).
CommandLine ParseCommandLine(const std::vector<std::string>& args);
CommandLine ParseCommandLine(int argc, char** argv);

// path made absolute against workingFolder (itself absolute), with leading "./" and "../"
// resolved, so that a list saved later never holds a path that only meant something in
// the folder the program was started from. Absolute and empty paths are returned as is.
std::string AbsoluteStartFile(const std::string& path, const std::string& workingFolder);

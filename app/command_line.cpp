#include "app/command_line.h"

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    for (const std::string& a : args) {
        cl.startFile = a;  // the last argument wins, switches included
        if (a == "/3ds")
            cl.use3D = false;
    }
    return cl;
}

CommandLine ParseCommandLine(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        if (argv[i])
            args.emplace_back(argv[i]);
    return ParseCommandLine(args);
}

#include "app/program_info.h"

#ifndef VELTRA_VERSION
#define VELTRA_VERSION "1.1"
#endif

InfoRequest InfoRequestOf(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--help")
            return InfoRequest::Help;
        if (a == "--version")
            return InfoRequest::Version;
    }
    return InfoRequest::None;
}

std::string HelpText() {
    return "Usage: veltra [/3ds] [FILE]\n"
           "       veltra --cut START END SOURCE TARGET [--volume N]\n"
           "       veltra --help | --version\n"
           "\n"
           "Plays the video, audio and picture files of a list in a skinned window and cuts\n"
           "ranges of them into new files.\n"
           "\n"
           "  FILE       a media file or playlist added to the list at start (with several,\n"
           "             the last one counts)\n"
           "  /3ds       turn the sound device's 3D control off\n"
           "  --cut      write START to END (seconds, or h:mm:ss.fff) of SOURCE to TARGET\n"
           "             without a window: .wav, .avi or .asf as the editor writes them,\n"
           "             or the source's own kind of file with its streams copied;\n"
           "             --volume sets a WAV's volume in percent (10 to 300)\n"
           "  --help     show this text and exit\n"
           "  --version  show the version and exit\n";
}

std::string VersionText() {
    return "VELTRA " VELTRA_VERSION "\n";
}

int AnswerInfoRequest(int argc, char** argv, std::FILE* out) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        if (argv && argv[i])
            args.emplace_back(argv[i]);
    std::string text;
    switch (InfoRequestOf(args)) {
        case InfoRequest::None:
            return -1;
        case InfoRequest::Help:
            text = HelpText();
            break;
        case InfoRequest::Version:
            text = VersionText();
            break;
    }
    // A closed or full output (`veltra --help > /dev/full`) is a failure, not a success.
    const bool written = std::fputs(text.c_str(), out) >= 0;
    return written && std::fflush(out) == 0 && !std::ferror(out) ? 0 : 1;
}

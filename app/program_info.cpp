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
        case InfoRequest::Help:
            return -1;
        case InfoRequest::Version:
            text = VersionText();
            break;
    }
    return WriteAnswer(text, out);
}

int WriteAnswer(const std::string& text, std::FILE* out) {
    // A closed or full output (`veltra --version > /dev/full`) is a failure, not a success.
    const bool written = std::fputs(text.c_str(), out) >= 0;
    return written && std::fflush(out) == 0 && !std::ferror(out) ? 0 : 1;
}

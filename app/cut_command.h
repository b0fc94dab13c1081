// `veltra --cut START END SOURCE TARGET [--volume N]`: a cut for scripts, without a window.
// The kind follows TARGET's extension: .wav, .avi and .asf through the conversion graphs,
// the source's own kind of file as a stream copy, .mp4, .webm, .flac, .opus and .mp3 of
// another kind encoded.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct CutRequest {
    double start = 0;
    double end = 0;
    std::string source;
    std::string target;
    int volume = 100;
};

enum class CutKind { Wav, Avi, Asf, SameFormat, Encoded, Unknown };

// Seconds with decimals ("12.25") or h:mm:ss.fff / mm:ss.fff; false for anything else.
bool ParseCutTime(const std::string& text, double* seconds);
// args excludes the program name; true when they are a cut ("--cut" first), with *error
// empty when the request is complete.
bool ParseCutCommand(const std::vector<std::string>& args, CutRequest* request, std::string* error);
CutKind CutKindOf(const std::string& source, const std::string& target);

enum class UiLanguage;

// Runs a cut when the arguments (without the program name) ask for one: -1 when they do
// not, else the exit status (0 only when the target is complete). Messages go to err, in
// the given language.
int AnswerCutCommand(const std::vector<std::string>& args, UiLanguage language, std::FILE* err);

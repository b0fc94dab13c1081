// What `veltra --help` and `veltra --version` print. Both are answered before anything else
// starts: no display, no window, no single-instance lock, so they work from any terminal,
// also while the program runs.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

enum class InfoRequest { None, Help, Version };

// The first "--help" or "--version" among the arguments (argv[1] on); every other argument
// keeps its meaning as a start file or switch.
InfoRequest InfoRequestOf(const std::vector<std::string>& args);

std::string VersionText();

// Prints the version to `out` when the arguments ask for it first. Returns -1 when they
// do not (start normally; --help is the usage's, which speaks the user's language), else
// the process exit code: 0, or 1 when the text could not be written.
int AnswerInfoRequest(int argc, char** argv, std::FILE* out);

// Writes an answer and flushes it: 0, or 1 when any of it could not be written.
int WriteAnswer(const std::string& text, std::FILE* out);

// What `veltra --help` prints, in the language the program's texts would be shown in.
#pragma once

#include <cstdio>
#include <string>

#include "app/ui_language.h"

// The usage: the start file and every switch, in that language. Needs an application
// object with the language installed.
std::string UsageText();

// When the arguments ask for --help: prints the usage in the language that the arguments,
// VELTRA_LANG or the locale choose and returns the exit code (0, or 1 when it could not be
// written); else -1.
int AnswerUsageRequest(int argc, char** argv, std::FILE* out);

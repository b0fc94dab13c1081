// What a copy of a listed file came to, in the user's words.
#pragma once

#include <string>

#include "platform/file_copy.h"

// The user's words for a status (UTF-8).
std::string CopyStatusText(const CopyOutcome& outcome);

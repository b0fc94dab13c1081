// Why a file operation failed, in the program's language: the C library writes its reasons
// in its own locale, which need not be the one the program speaks.
#pragma once

#include <string>

// Our text for the reasons users meet in practice (no space, no permission, not found,
// read-only, name too long, a generic one for an unknown or I/O failure); the C library's
// own for the rare rest. UTF-8.
// As a phrase, for a reason set into another sentence ("cannot write (access denied)").
std::string ErrorReason(int error);
// As a sentence of its own, for a reason shown on its line ("Access was denied.").
std::string ErrorSentence(int error);

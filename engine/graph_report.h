// The media engine's failure texts, made here and shown by whichever controller asked.
#pragma once

#include "platform/notice.h"

// printf-style text for a modal "警告" box with an OK button and no owner window; the text
// is logged as well.
Notice GraphWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));

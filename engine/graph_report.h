// The one place the media engine shows a build failure to the user.
#pragma once

// printf-style text in a modal "警告" box with an OK button and no owner window.
void ReportError(const char* format, ...) __attribute__((format(printf, 1, 2)));

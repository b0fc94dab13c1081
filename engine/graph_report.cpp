#include "engine/graph_report.h"

#include <QCoreApplication>

#include <QDebug>
#include <cstdarg>
#include <cstdio>

#include "platform/user_prompts.h"

void ReportError(const char* format, ...) {
    char text[512] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    qWarning("engine: %s", text);
    Prompts().MessageBox(nullptr, text,
                         QCoreApplication::translate("GraphReport", "警告").toStdString(), MB_OK);
}

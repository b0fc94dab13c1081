#include "engine/graph_report.h"

#include <QCoreApplication>

#include <QDebug>
#include <cstdarg>
#include <cstdio>

#include "platform/user_prompts.h"

Notice GraphWarning(const char* format, ...) {
    char text[512] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    qWarning("engine: %s", text);
    return Notice{text, QCoreApplication::translate("GraphReport", "警告").toStdString(), MB_OK};
}

#include "playlist/name_lines.h"

#include <QCoreApplication>

#include <QString>

namespace {

constexpr std::size_t kMostNames = 10;

}  // namespace

std::string ShownName(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).toStdString();
}

std::string NameLines(const std::vector<std::string>& entries,
                      const std::function<std::string(const std::string&)>& line) {
    std::string text;
    for (std::size_t i = 0; i < entries.size() && i < kMostNames; ++i)
        text += "\n" + (line ? line(entries[i]) : ShownName(entries[i]));
    if (entries.size() > kMostNames)
        text += QCoreApplication::translate("NameLines", "\nほか %1 件")
                    .arg(QString::number(entries.size() - kMostNames))
                    .toStdString();
    return text;
}

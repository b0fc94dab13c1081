#include "playlist/name_lines.h"

#include <QCoreApplication>

#include <QString>
#include <string>

namespace {

constexpr std::size_t kMostNames = 10;
// Columns (a wide character takes two): what an 800-pixel box line, the narrowest Qt
// allows on a 1280-pixel screen, holds in the default fonts.
constexpr int kLongestName = 100;

bool Wide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF) ||
           (c >= 0x20000 && c <= 0x3FFFD);
}

int Columns(const std::u32string& text) {
    int columns = 0;
    for (char32_t c : text) columns += Wide(c) ? 2 : 1;
    return columns;
}

}  // namespace

std::string ShownName(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).toStdString();
}

std::string BoxName(const std::string& bytes) {
    const std::string shown = ShownName(bytes);
    const std::u32string chars = QString::fromStdString(shown).toStdU32String();
    if (Columns(chars) <= kLongestName)
        return shown;
    // As many columns from each end as fit beside the mark.
    const int half = (kLongestName - 1) / 2;
    std::size_t head = 0, tail = chars.size();
    for (int used = 0; used + (Wide(chars[head]) ? 2 : 1) <= half; ++head)
        used += Wide(chars[head]) ? 2 : 1;
    for (int used = 0; used + (Wide(chars[tail - 1]) ? 2 : 1) <= half; --tail)
        used += Wide(chars[tail - 1]) ? 2 : 1;
    const std::u32string kept = chars.substr(0, head) + U'\u2026' + chars.substr(tail);
    return QString::fromStdU32String(kept).toStdString();
}

std::string NameLines(const std::vector<std::string>& entries,
                      const std::function<std::string(const std::string&)>& line) {
    std::string text;
    for (std::size_t i = 0; i < entries.size() && i < kMostNames; ++i)
        text += "\n" + (line ? line(entries[i]) : BoxName(entries[i]));
    if (entries.size() > kMostNames)
        text += QCoreApplication::translate("NameLines", "\nほか %1 件")
                    .arg(QString::number(entries.size() - kMostNames))
                    .toStdString();
    return text;
}

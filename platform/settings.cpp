#include "platform/settings.h"

#include <unistd.h>

#include <QDir>
#include <cstdlib>

#include "platform/ini_file.h"
#include "platform/module_folder.h"

namespace {

constexpr const char* kFileName = "plInfo.ini";

std::string g_override;

std::string UserConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && *xdg) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : QDir::homePath().toStdString()) + "/.config";
    }
    return base + "/veltra/";
}

// An installed copy: skin.dat in ../share/veltra/ rather than beside the program.
bool InstalledLayout(const std::string& folder) {
    return access((folder + "skin.dat").c_str(), F_OK) != 0 &&
           access((folder + "../share/veltra/skin.dat").c_str(), F_OK) == 0;
}

}  // namespace

std::string SettingsFilePath() {
    if (!g_override.empty())
        return g_override;
    // Installed copies usually sit in a folder the user cannot write; they keep their
    // settings in the user's own config folder instead, also when run by root, so no
    // file lands among the system's programs.
    std::string folder = ModuleFolder();
    if (!folder.empty() && access(folder.c_str(), W_OK) == 0 && !InstalledLayout(folder))
        return folder + kFileName;
    return UserConfigFolder() + kFileName;
}

void SetSettingsFilePath(const std::string& path) {
    g_override = path;
}

std::string ReadSetting(const char* section, const char* key, const char* defaultValue) {
    return GetPrivateProfileString(section, key, defaultValue ? defaultValue : "",
                                   SettingsFilePath());
}

bool WriteSetting(const char* section, const char* key, const std::string& value) {
    std::string path = SettingsFilePath();
    size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0)
        QDir().mkpath(QString::fromStdString(path.substr(0, slash)));
    return WritePrivateProfileString(section, key, value.c_str(), path.c_str()) != 0;
}

bool ReadKeepWindowSize() {
    return ReadSetting("MAIN", "STRECH", "Default") == "TRUE";
}

void WriteKeepWindowSize(bool keep) {
    WriteSetting("MAIN", "STRECH", keep ? "TRUE" : "FALSE");
}

std::string ReadSoundOutput() {
    return ReadSetting("MAIN", "SOUNDOUTPUT", "");
}

bool WriteSoundOutput(const std::string& name) {
    return WriteSetting("MAIN", "SOUNDOUTPUT", name);
}

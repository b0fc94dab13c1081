// plInfo.ini: the one settings file. It sits in the program folder when that folder is
// writable, else in $XDG_CONFIG_HOME/veltra/ (~/.config/veltra/ without the variable).
#pragma once

#include <string>

// Full path of plInfo.ini in use.
std::string SettingsFilePath();
// Points every settings read and write at another file (tests, portable runs); an empty
// path goes back to the default location.
void SetSettingsFilePath(const std::string& path);

// One key of the settings file; defaultValue when the file, section or key is missing.
std::string ReadSetting(const char* section, const char* key, const char* defaultValue);
// False when the file could not be written (the old one is then left as it was).
bool WriteSetting(const char* section, const char* key, const std::string& value);

// "MAIN"/"STRECH": true exactly when the stored text is "TRUE".
bool ReadKeepWindowSize();
void WriteKeepWindowSize(bool keep);

// "MAIN"/"SOUNDOUTPUT": the server's name of the output the user chose; empty (or missing)
// for the server's default.
std::string ReadSoundOutput();
bool WriteSoundOutput(const std::string& name);

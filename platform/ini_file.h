// Private-profile (INI) files read and written the way Windows does it, so a plInfo.ini
// copied between systems reads the same: sections in brackets, one key=value a line,
// section and key names compared without regard to ASCII case, values trimmed of
// surrounding blanks and of one pair of matching quotes. Lines this reader does not
// understand are kept as they are when the file is rewritten.
//
// Every write rewrites the whole file aside and renames it over the old one, so a
// crash, a full disk or a read-only folder leaves the previous file intact.
#pragma once

#include <string>

#include "platform/com.h"

// Value of section/key, or defaultValue (trailing blanks removed) when the file, the
// section or the key is missing or unreadable.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& file);

// Buffer form with the Windows contract: copies at most size - 1 bytes plus a NUL and
// returns the number of bytes copied (size - 1 when the value did not fit). A null
// section lists the section names, a null key the keys of the section, each NUL-ended,
// the list ended by a second NUL (size - 2 is returned when the list did not fit).
DWORD GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                              char* buffer, DWORD size, const char* file);

// Leading decimal (or 0x hexadecimal) number of the value; defaultValue when the key is
// missing or empty, 0 when the value does not start with a number.
UINT GetPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* file);

// Sets section/key to value, creating file and section as needed. A null value removes
// the key, a null key removes the whole section. False when the file could not be
// replaced; the old file is then untouched.
BOOL WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* file);
BOOL WritePrivateProfileInt(const char* section, const char* key, int value, const char* file);

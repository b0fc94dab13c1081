// The system profiles from which an ASF conversion takes its encoding: a fixed table per
// profile version, listed for the user and mapped back by position.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/com.h"

// One encoding: WMV2 video and WMA2 sound inside ASF.
struct SystemProfile {
    std::string name;
    int32_t videoWidth = 0;
    int32_t videoHeight = 0;
    int32_t frameRateNum = 0;
    int32_t frameRateDen = 1;
    int32_t videoBitrate = 0;  // bits per second
    int32_t audioBitrate = 0;  // bits per second
    int32_t audioRate = 0;     // samples per second
    int32_t audioChannels = 0;
};

// Process-wide profile version, major version in the upper 16 bits (initially 7.0).
uint32_t GetProfileVersion();
void SetProfileVersion(uint32_t version);  // only versions in the table are accepted

// Selector 0 lists version 4.0, 1 and 2 version 7.0 (8.0 was reserved for one system we
// do not run on); any other selector keeps the current version. Appends the names (UTF-8)
// in index order and writes the listing to standard output.
BOOL ListProfiles(int selector, std::vector<std::string>* names);

// The profile at index of the version last listed: S_OK, E_POINTER for a null out,
// E_INVALIDARG for an index (taken as unsigned) not below the count.
HRESULT MapProfile(int32_t index, SystemProfile* out);

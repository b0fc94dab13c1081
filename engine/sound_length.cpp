#include "engine/sound_length.h"

#include <filesystem>

#include "engine/adts_length.h"
#include "engine/mp3_length.h"

int64_t SoundFrameLength(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return 0;
    const int64_t units = AdtsLength(path);
    return units > 0 ? units : Mp3Length(path);
}

// Whether the open item has a time line the seek slider and the readout follow: a sound
// or a video does, a picture or nothing does not.
#pragma once

#include "player/playback_ports.h"

namespace player {

inline bool HasTimeLine(ItemMode mode) {
    return mode == ModeAudio || mode == ModeVideo;
}

}  // namespace player

// The row icons (video / image / audio), drawn by the program itself at 16 and 32 px.
#pragma once

#include <QIcon>
#include <vector>

// Index order matches kIconVideo, kIconImage, kIconAudio.
std::vector<QIcon> MakePlaylistIcons();

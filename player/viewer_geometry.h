// The viewer's size arithmetic, free of any window: the proportion rule, the video area in
// normal and full-screen mode, and how a window is fitted to a newly opened video.
// Every ratio is computed in double precision and truncated toward zero.
#pragma once

#include <QRect>
#include <QSize>
#include <optional>

namespace viewer_geometry {

// Smallest video the viewer resizes itself for.
constexpr int kMinFitWidth = 176;
constexpr int kMinFitHeight = 144;
// Room the frame needs around the video area (left + right, top + bottom).
constexpr int kFrameWidth = 30;
constexpr int kFrameHeight = 45;
// Before the first video the viewer keeps at least this size.
constexpr QSize kInitialVideoSize{320, 240};

// The size the window should take so that it follows the video's proportions, or nothing
// when it already does (or no video size is known yet). With a limit (the visible desktop),
// a size past it is answered by the proportional size that shrinks instead of grows.
std::optional<QSize> ProportionalSize(QSize client, QSize video,
                                      std::optional<QSize> limit = std::nullopt);

// Where the picture goes inside an area: as large as fits at the video's proportions,
// centred, the rest left black. The whole area when no video size is known.
QRect FittedVideoRect(QSize area, QSize video);

// The video area inside a client rectangle in normal mode: 15 left, 25 top, 15 right,
// 20 bottom.
QRect NormalVideoArea(QSize client);

// The video area in full screen: as wide as the desktop at least, at the video's
// proportions, shrunk to the desktop's height when taller, centred on the desktop.
QRect FullScreenVideoArea(QRect desktop, QSize video);

struct FitPlan {
    bool storeVideoSize = false;       // the video size becomes the viewer's new one
    std::optional<QSize> minimumSize;  // new minimum track size
    std::optional<QSize> windowSize;   // new window size (top-left corner kept)
};

// What fitting the viewer to a w x h video does. resizeToVideo: give the window the video's
// own size plus the frame, scaled down to the desktop (its visible part) when larger;
// otherwise keep the window's current extent.
FitPlan PlanFitToVideo(int w, int h, bool resizeToVideo, QSize window, QRect desktop);

// Where a viewer of the given size opens next to its owner window so that it covers none
// of it: to the right, else to the left, else below, else above, whichever fits on the
// screen first (top or left edges lined up with the owner's); nothing when none does.
std::optional<QPoint> BesideOwner(QRect owner, QSize size, QRect screen);

// Where a window goes so that it lies on the visible desktop, moved as little as possible;
// a window larger than the desktop keeps its top-left corner on it.
QPoint KeptOnScreen(QRect window, QRect available);

}  // namespace viewer_geometry

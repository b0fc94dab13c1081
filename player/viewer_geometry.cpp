#include "player/viewer_geometry.h"

#include <algorithm>

namespace viewer_geometry {

namespace {
int Scale(int value, int from, int to) {
    return static_cast<int>(static_cast<double>(value) / from * to);
}
}  // namespace

std::optional<QSize> ProportionalSize(QSize client, QSize video) {
    int vw = video.width(), vh = video.height();
    if (vw <= 0 || vh <= 0)
        return std::nullopt;
    int cx = client.width(), cy = client.height();
    QSize wanted =
        (cx - vw > cy - vh) ? QSize(cx, Scale(cx, vw, vh)) : QSize(Scale(cy, vh, vw), cy);
    if (wanted == client)
        return std::nullopt;
    return wanted;
}

QRect NormalVideoArea(QSize client) {
    return QRect(15, 25, std::max(0, client.width() - 30), std::max(0, client.height() - 45));
}

QRect FullScreenVideoArea(QRect desktop, QSize video) {
    int vw = video.width(), vh = video.height();
    if (vw <= 0 || vh <= 0)
        return QRect(QPoint(0, 0), desktop.size());
    int w = std::max(vw, desktop.width());
    int h = Scale(w, vw, vh);
    if (h > desktop.height()) {
        h = desktop.height();
        w = Scale(h, vh, vw);
    }
    return QRect((desktop.width() - w) / 2, (desktop.height() - h) / 2, w, h);
}

FitPlan PlanFitToVideo(int w, int h, bool resizeToVideo, QSize window, QRect desktop) {
    FitPlan plan;
    if (w < kMinFitWidth || h < kMinFitHeight)
        return plan;
    plan.storeVideoSize = true;
    if (w + kFrameWidth > desktop.width() || h + kFrameHeight > desktop.height())
        return plan;
    plan.minimumSize = QSize(206, static_cast<int>(176.0 / w * h + 45));
    if (resizeToVideo) {
        plan.windowSize = QSize(w + kFrameWidth, h + kFrameHeight);
        return plan;
    }
    int width = std::max(window.width(), window.height());
    if (width > desktop.width() - kFrameWidth)
        width = desktop.width();
    if (width < kMinFitWidth)
        width = kMinFitWidth;
    int height = Scale(width, w, h);
    if (height > desktop.height()) {
        height = desktop.height() - 20;
        width = Scale(height, h, w);
    }
    plan.windowSize = QSize(width, height);
    return plan;
}

std::optional<QPoint> BesideOwner(QRect owner, QSize size, QRect screen) {
    constexpr int kGap = 8;
    const int w = size.width(), h = size.height();
    // Lined up with the owner, but kept on the screen along the other axis.
    const int y =
        std::clamp(owner.top(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - h));
    const int x =
        std::clamp(owner.left(), screen.left(), std::max(screen.left(), screen.right() + 1 - w));
    const QPoint candidates[] = {
        {owner.right() + 1 + kGap, y},
        {owner.left() - kGap - w, y},
        {x, owner.bottom() + 1 + kGap},
        {x, owner.top() - kGap - h},
    };
    for (QPoint at : candidates)
        if (screen.contains(QRect(at, size)))
            return at;
    return std::nullopt;
}

}  // namespace viewer_geometry

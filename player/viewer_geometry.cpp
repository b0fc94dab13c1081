#include "player/viewer_geometry.h"

#include <algorithm>

namespace viewer_geometry {

namespace {
int Scale(int value, int from, int to) {
    return static_cast<int>(static_cast<double>(value) / from * to);
}
}  // namespace

std::optional<QSize> ProportionalSize(QSize client, QSize video, std::optional<QSize> limit) {
    int vw = video.width(), vh = video.height();
    if (vw <= 0 || vh <= 0)
        return std::nullopt;
    int cx = client.width(), cy = client.height();
    const QSize byWidth(cx, Scale(cx, vw, vh));
    const QSize byHeight(Scale(cy, vh, vw), cy);
    QSize wanted = (cx - vw > cy - vh) ? byWidth : byHeight;
    auto fits = [&](QSize s) {
        return !limit || (s.width() <= limit->width() && s.height() <= limit->height());
    };
    if (!fits(wanted)) {
        const QSize other = wanted == byWidth ? byHeight : byWidth;
        if (fits(other)) {
            wanted = other;
        } else {
            // Neither does: the largest that fits the limit.
            wanted = QSize(limit->width(), Scale(limit->width(), vw, vh));
            if (wanted.height() > limit->height())
                wanted = QSize(Scale(limit->height(), vh, vw), limit->height());
        }
    }
    if (wanted == client)
        return std::nullopt;
    return wanted;
}

QRect FittedVideoRect(QSize area, QSize video) {
    const int vw = video.width(), vh = video.height();
    if (vw <= 0 || vh <= 0 || area.isEmpty())
        return QRect(QPoint(0, 0), area);
    // Rounded, not truncated: the bars must not eat a line the picture would fill.
    int w = area.width();
    int h = static_cast<int>(static_cast<double>(w) * vh / vw + 0.5);
    if (h > area.height()) {
        h = area.height();
        w = std::min(area.width(), static_cast<int>(static_cast<double>(h) * vw / vh + 0.5));
    }
    w = std::max(w, 1);
    h = std::max(h, 1);
    return QRect((area.width() - w) / 2, (area.height() - h) / 2, w, h);
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
    plan.minimumSize = QSize(206, static_cast<int>(176.0 / w * h + 45));
    if (resizeToVideo) {
        // Larger than the desktop with its frame: scaled down to it, so the picture is
        // never squeezed into the old window and the buttons stay on the screen.
        const int roomW = desktop.width() - kFrameWidth, roomH = desktop.height() - kFrameHeight;
        int sw = w, sh = h;
        if (sw > roomW || sh > roomH) {
            const double scale =
                std::min(static_cast<double>(roomW) / w, static_cast<double>(roomH) / h);
            sw = std::max(1, static_cast<int>(w * scale));
            sh = std::max(1, static_cast<int>(h * scale));
        }
        plan.windowSize = QSize(sw + kFrameWidth, sh + kFrameHeight);
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

QPoint KeptOnScreen(QRect window, QRect available) {
    const int x =
        std::max(available.left(), std::min(window.left(), available.right() + 1 - window.width()));
    const int y =
        std::max(available.top(), std::min(window.top(), available.bottom() + 1 - window.height()));
    return QPoint(x, y);
}

}  // namespace viewer_geometry

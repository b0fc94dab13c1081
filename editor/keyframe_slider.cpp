#include "editor/keyframe_slider.h"

#include <QPainter>
#include <cmath>

void KeyframeSlider::SetMarks(const std::vector<double>& marks) {
    m_Marks = marks;
    update();
}

int KeyframeSlider::MarkX(double v) const {
    // The thumb's centre stands over its value: the marks follow the same scale.
    const int length = ThumbRect().width();
    const double span = std::max(0, width() - length);
    const double range = maximum() - minimum();
    const double at = range > 0 ? (v - minimum()) * span / range : 0.0;
    return static_cast<int>(std::lround(at)) + length / 2;
}

void KeyframeSlider::paintEvent(QPaintEvent* e) {
    SkinSlider::paintEvent(e);
    if (m_Marks.empty() || maximum() <= minimum())
        return;
    QPainter p(this);
    QRegion clip(rect());
    clip -= ThumbRect();  // the thumb stays on top
    p.setClipRegion(clip);
    const QColor tick = isEnabled() ? QColor(40, 110, 220) : QColor(150, 150, 150);
    p.setPen(QPen(tick, 1));
    const int bottom = height() - 1;
    int last = -1;
    for (double v : m_Marks) {
        if (v < minimum() || v > maximum())
            continue;
        const int x = MarkX(v);
        if (x == last)
            continue;  // dense keyframes: one tick a pixel
        last = x;
        p.drawLine(x, bottom - 3, x, bottom);
    }
}

#include "player/seek_readout.h"

#include <QEvent>

#include "player/playback_controller.h"
#include "player/time_readout.h"
#include "player/timed_item.h"
#include "skin/skin_slider.h"

namespace player {

SeekReadout::SeekReadout(TimeReadout& readout, SkinSlider& seek,
                         const PlaybackController& controller)
    : m_readout(readout), m_seek(seek), m_controller(controller) {
    m_seek.installEventFilter(this);  // a stop disables it: the readout empties then
    // The readout follows the thumb: the position while playing, the target while dragged.
    for (auto signal : {&QAbstractSlider::valueChanged, &QAbstractSlider::sliderMoved})
        connect(&m_seek, signal, this, [this] { Update(); });
    for (auto signal : {&QAbstractSlider::sliderPressed, &QAbstractSlider::sliderReleased})
        connect(&m_seek, signal, this, [this] { Update(); });
    connect(&m_seek, &QAbstractSlider::rangeChanged, this, [this] { Update(); });
}

void SeekReadout::Update() {
    if (!HasTimeLine(m_controller.Mode())) {
        m_readout.Clear();
        return;
    }
    if (m_seek.isSliderDown())
        m_readout.ShowTarget(m_seek.sliderPosition(), m_seek.maximum());
    else
        m_readout.ShowElapsed(m_seek.value(), m_seek.maximum());
}

bool SeekReadout::eventFilter(QObject* watched, QEvent* e) {
    if (watched == &m_seek && e->type() == QEvent::EnabledChange)
        Update();
    return QObject::eventFilter(watched, e);
}

}  // namespace player

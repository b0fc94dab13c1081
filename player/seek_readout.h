// Keeps the time readout on the seek slider: the position while an item plays, the target
// while the thumb is dragged, nothing while no item with a time line is open.
#pragma once

#include <QObject>

class SkinSlider;
class TimeReadout;

namespace player {

class PlaybackController;

class SeekReadout : public QObject {
  public:
    SeekReadout(TimeReadout& readout, SkinSlider& seek, const PlaybackController& controller);

    void Update();

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    TimeReadout& m_readout;
    SkinSlider& m_seek;
    const PlaybackController& m_controller;
};

}  // namespace player

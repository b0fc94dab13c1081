// The list between runs: restored at a start without a start file, its playing item
// resumed where the last run left it when that item is the first one played, and kept
// again when the window closes.
#pragma once

#include <QObject>
#include <functional>
#include <string>

class PlaylistCtrl;
class QAbstractSlider;

namespace player {

class PlaybackController;

class ListSession : public QObject {
  public:
    // seekTo: what the seek slider does when its thumb is released at a position.
    ListSession(PlaylistCtrl& list, PlaybackController& controller, QAbstractSlider& seek,
                std::function<void(int)> seekTo);

    void Restore();
    void Save() const;

  private:
    void ResumeIfFirst();

    PlaylistCtrl& m_list;
    PlaybackController& m_controller;
    QAbstractSlider& m_seek;
    std::function<void(int)> m_seekTo;
    // The item that played when the last run ended and where: resumed when it is the
    // first item played in this run.
    std::string m_strResumePath;
    int m_nResumeTenths = 0;
    bool m_bResumePending = false;
};

}  // namespace player

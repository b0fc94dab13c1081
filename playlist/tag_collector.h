// Keeps the playlist's tag columns filled: every row that enters the model is offered to
// the tag reader (pictures and playlists are not read), what does not fit the reader's
// queue waits here, and each result is given to the row of its path, wherever that row
// is by then.
#pragma once

#include <QObject>
#include <cstddef>
#include <deque>
#include <string>

#include "playlist/tag_reader.h"

class PlaylistModel;

class TagCollector : public QObject {
    Q_OBJECT
  public:
    explicit TagCollector(PlaylistModel* model);
    ~TagCollector() override;

    // Files not yet read (waiting here, queued or being read).
    std::size_t Outstanding() const { return m_Backlog.size() + m_nInFlight; }

  private:
    void Offer(int first, int last);
    void Feed();
    void Arrived(const std::string& path, const MediaTags& tags);
    void Forget();

    PlaylistModel* m_pModel;
    TagReader m_Reader;
    std::deque<std::string> m_Backlog;
    std::size_t m_nInFlight = 0;
};

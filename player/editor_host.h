// Runs the editor on the list's selected row: what may be edited, the hand-over of the
// sound device and volume, and the files it wrote put at the top of the list.
#pragma once

#include <memory>

class EditorDialog;
class OggBackend;
class PlaylistCtrl;
class QWidget;
class SoundDevice;

namespace player {

class MediaRulesPort;
class PlaybackController;
class ViewerSlot;

struct EditorNeeds {
    QWidget* owner;  // the main window: owner of the editor and its message boxes
    PlaylistCtrl* list;
    MediaRulesPort* rules;
    OggBackend* ogg;
    SoundDevice* sound;
    ViewerSlot* viewer;
    PlaybackController* controller;
};

class EditorHost {
  public:
    explicit EditorHost(const EditorNeeds& needs);
    ~EditorHost();
    EditorHost(const EditorHost&) = delete;
    EditorHost& operator=(const EditorHost&) = delete;

    // Stops playback and runs the editor modally on the selected row at the main window's
    // volume; a message says why when the row cannot be edited.
    void Run(int volumePosition);
    // A left-over editor goes before tunewell and the sound device do.
    void Discard();

  private:
    EditorNeeds m_n;
    std::unique_ptr<EditorDialog> m_pEditor;
};

}  // namespace player

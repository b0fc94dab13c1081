// Everything the main window plays, shows and answers with, made by the composition root
// and handed to the window, which owns it from then on. Members go in reverse order: the
// window's helpers first, then the playing logic and its ports, then tunewell, the graph
// and last the sound device they all use.
#pragma once

#include <memory>

class MediaGraph;
class OggBackend;
class SoundDevice;

namespace player {

class DisplayAdapter;
class EditorHost;
class GraphAdapter;
class ListAdapter;
class ListSession;
class MainWindowCommands;
class MainWindowLayout;
class OggAdapter;
class PlaybackController;
class PlaylistRules;
class SeekReadout;
class SoundAdapter;
class StartSequence;
class ViewerAdapter;
class ViewerSlot;
class WindowMessagePump;

struct MainWindowParts {
    MainWindowParts();
    MainWindowParts(MainWindowParts&&) noexcept;
    MainWindowParts& operator=(MainWindowParts&&) noexcept;
    ~MainWindowParts();

    std::unique_ptr<SoundDevice> sound;
    std::unique_ptr<MediaGraph> graph;
    std::unique_ptr<OggBackend> ogg;
    std::unique_ptr<ViewerSlot> viewer;

    std::unique_ptr<GraphAdapter> graphPort;
    std::unique_ptr<OggAdapter> oggPort;
    std::unique_ptr<SoundAdapter> soundPort;
    std::unique_ptr<PlaylistRules> rules;
    std::unique_ptr<ListAdapter> listPort;
    std::unique_ptr<ViewerAdapter> viewerPort;
    std::unique_ptr<DisplayAdapter> display;
    std::unique_ptr<PlaybackController> controller;

    std::unique_ptr<WindowMessagePump> pump;
    std::unique_ptr<MainWindowLayout> layout;
    std::unique_ptr<SeekReadout> readout;
    std::unique_ptr<EditorHost> editor;
    std::unique_ptr<MainWindowCommands> commands;
    std::unique_ptr<ListSession> session;
    std::unique_ptr<StartSequence> start;
};

}  // namespace player

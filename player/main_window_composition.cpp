#include "player/main_window_composition.h"

#include "engine/media_graph.h"
#include "engine/ogg_backend.h"
#include "platform/sound_device.h"
#include "player/editor_host.h"
#include "player/engine_adapters.h"
#include "player/list_session.h"
#include "player/main_window.h"
#include "player/main_window_commands.h"
#include "player/main_window_controls.h"
#include "player/main_window_layout.h"
#include "player/playback_controller.h"
#include "player/seek_readout.h"
#include "player/start_sequence.h"
#include "player/viewer_slot.h"
#include "player/window_adapters.h"
#include "player/window_message_pump.h"
#include "skin/skin_button.h"
#include "skin/skin_slider.h"

namespace player {

namespace {

// The engines and the ports the playing logic drives them and the window through.
void ComposePlayback(MainWindow& window, bool use3D, MainWindowParts& p) {
    MainWindowControls& c = window.Controls();
    p.sound = std::make_unique<SoundDevice>(use3D);
    p.graph = std::make_unique<MediaGraph>();
    p.ogg = std::make_unique<OggBackend>();
    p.viewer = std::make_unique<ViewerSlot>(window, *p.graph);
    p.graphPort = std::make_unique<GraphAdapter>(*p.graph, &window);
    p.oggPort = std::make_unique<OggAdapter>(*p.ogg, &WindowMessagePump::OnOggNotify);
    p.soundPort = std::make_unique<SoundAdapter>(*p.sound, &window);
    p.rules = std::make_unique<PlaylistRules>(*p.ogg);
    p.listPort = std::make_unique<ListAdapter>(c.List());
    p.viewerPort = std::make_unique<ViewerAdapter>(*p.viewer);
    DisplayControls controls;
    controls.window = &window;
    controls.play = c.Button(kSlotPlay);
    controls.pause = c.Button(kSlotPause);
    controls.seek = c.Seek();
    controls.volume = c.Volume();
    controls.dropGraphReports = [&window] { WindowMessagePump::DropGraphReports(window); };
    controls.dropOggReports = [&window] { WindowMessagePump::DropOggReports(window); };
    p.display = std::make_unique<DisplayAdapter>(std::move(controls));
    p.controller = std::make_unique<PlaybackController>(
        PlaybackPorts{p.graphPort.get(), p.oggPort.get(), p.soundPort.get(), p.rules.get(),
                      p.listPort.get(), p.viewerPort.get(), p.display.get()});
}

// What turns the window's controls, messages, menu and start into the playing logic's
// calls. The readout connects to the seek slider before the commands do, so it shows a
// press or a release before playback reacts to it.
void ComposeWindowHelpers(MainWindow& window, MainWindowParts& p) {
    MainWindowControls& c = window.Controls();
    p.pump = std::make_unique<WindowMessagePump>(window, *p.controller);
    p.layout = std::make_unique<MainWindowLayout>(window, c);
    p.readout = std::make_unique<SeekReadout>(*c.Readout(), *c.Seek(), *p.controller);
    p.editor = std::make_unique<EditorHost>(EditorNeeds{&window, &c.List(), p.rules.get(),
                                                        p.ogg.get(), p.sound.get(), p.viewer.get(),
                                                        p.controller.get()});
    p.commands = std::make_unique<MainWindowCommands>(CommandNeeds{
        &window, &c, p.controller.get(), p.editor.get(), [&window] { window.CloseWindow(); }});
    MainWindowCommands* commands = p.commands.get();
    p.session = std::make_unique<ListSession>(c.List(), *p.controller, *c.Seek(),
                                              [commands](int tenths) { commands->SeekTo(tenths); });
    p.commands->ConnectControls();
    p.start = std::make_unique<StartSequence>(StartNeeds{&window, p.ogg.get(), p.sound.get(),
                                                         &c.List(), p.commands.get(),
                                                         p.session.get(), p.layout.get()});
}

}  // namespace

std::unique_ptr<MainWindow> ComposeMainWindow(const std::vector<std::string>& files, bool use3D) {
    auto window = std::make_unique<MainWindow>();
    MainWindowParts parts;
    ComposePlayback(*window, use3D, parts);
    ComposeWindowHelpers(*window, parts);
    parts.start->SetStartFiles(files);
    window->Initialise(std::move(parts));
    return window;
}

}  // namespace player

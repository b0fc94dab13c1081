#include "player/main_window_parts.h"

#include "engine/media_graph.h"
#include "engine/ogg_backend.h"
#include "platform/sound_device.h"
#include "player/editor_host.h"
#include "player/engine_adapters.h"
#include "player/list_session.h"
#include "player/main_window_commands.h"
#include "player/main_window_layout.h"
#include "player/playback_controller.h"
#include "player/seek_readout.h"
#include "player/start_sequence.h"
#include "player/viewer_slot.h"
#include "player/window_adapters.h"
#include "player/window_message_pump.h"

namespace player {

MainWindowParts::MainWindowParts() = default;
MainWindowParts::MainWindowParts(MainWindowParts&&) noexcept = default;
MainWindowParts& MainWindowParts::operator=(MainWindowParts&&) noexcept = default;
MainWindowParts::~MainWindowParts() = default;

}  // namespace player

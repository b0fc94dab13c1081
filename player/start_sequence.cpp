#include "player/start_sequence.h"

#include <QIcon>
#include <QTimer>
#include <QWidget>

#include "app/resource_picture.h"
#include "engine/ogg_backend.h"
#include "engine/wav_filter.h"
#include "platform/sound_device.h"
#include "player/list_session.h"
#include "player/main_window_commands.h"
#include "player/main_window_layout.h"
#include "player/once_shown.h"
#include "player/player_log.h"
#include "player/window_message_pump.h"
#include "playlist/playlist_ctrl.h"

namespace player {

namespace {
// Should the window never be painted, the start goes on after this.
constexpr int kUnpaintedStartMs = 500;
}  // namespace

StartSequence::StartSequence(const StartNeeds& needs) : m_n(needs) {}

StartSequence::~StartSequence() = default;

void StartSequence::Arm() {
    m_pShown = std::make_unique<OnceShown>(*m_n.window, kUnpaintedStartMs, [this] { Finish(); });
}

bool StartSequence::Finished() const {
    return m_pShown && m_pShown->Done();
}

void StartSequence::Finish() {
    // The window's icon comes right after its first paint, which does not need it:
    // decoding the picture would only hold the window back.
    m_n.window->setWindowIcon(
        QIcon(LoadResourcePicture(QStringLiteral(":/resources/veltra.png"), "png")));
    OggBackend& ogg = *m_n.ogg;
    if (ogg.Load())
        ogg.VorbisLibInit(m_n.sound->Device(), &WindowMessagePump::OnOggNotify);
    m_n.list->SetOggLoaded(ogg.IsLoaded());
    PrepareWaveDest();
    // The start file is what the user asked to play: it is added and played at once.
    if (m_StartFiles.size() > 1)
        m_n.commands->AddAllAndPlayFirst(m_StartFiles);
    else if (m_StartFiles.size() == 1 && !m_StartFiles.front().empty())
        m_n.commands->AddAndPlay(m_StartFiles.front());
    else
        m_n.session->Restore();
    // Reported once the list has laid out the rows just added: what is reported can be
    // clicked, and "ready" says the start file's rows are there too.
    QTimer::singleShot(0, m_n.window, [this] {
        m_n.layout->Log();
        qCInfo(lcPlayer) << "ready";
    });
}

}  // namespace player

#include "player/editor_host.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "editor/editor_dialog.h"
#include "engine/ogg_backend.h"
#include "platform/sound_device.h"
#include "platform/user_prompts.h"
#include "player/playback_controller.h"
#include "player/viewer_slot.h"
#include "player/window_message_pump.h"
#include "playlist/playlist_ctrl.h"

namespace player {

namespace {

constexpr const char* kProgramName = "VELTRA";
constexpr const char* kSelectContent =
    QT_TRANSLATE_NOOP("MainWindow", "リスト内のコンテンツを選択して下さい。");
constexpr const char* kOnlyVideoOrAudio =
    QT_TRANSLATE_NOOP("MainWindow", "動画または音声コンテンツのみ編集可能です。");
constexpr const char* kSoundDeviceFailed =
    QT_TRANSLATE_NOOP("MainWindow", "DirectSoundの作成に失敗しました。");

}  // namespace

EditorHost::EditorHost(const EditorNeeds& needs) : m_n(needs) {}

EditorHost::~EditorHost() = default;

void EditorHost::Discard() {
    m_pEditor.reset();
}

void EditorHost::Run(int volumePosition) {
    auto refuse = [this](const char* text) {
        Prompts().MessageBox(m_n.owner,
                             QCoreApplication::translate("MainWindow", text).toStdString(),
                             kProgramName, MB_OK);
    };
    m_n.controller->Stop();
    const int row = m_n.list->SelectedRow();
    if (row < 0) {
        refuse(kSelectContent);
        return;
    }
    const std::string path = m_n.list->PathAt(row);
    const std::string ext = m_n.rules->UpperExtensionOf(path);
    if (!m_n.rules->IsVideoExtension(ext) && !m_n.rules->IsAudioExtension(ext)) {
        refuse(kOnlyVideoOrAudio);
        return;
    }
    if (ext == "OGG" && m_n.ogg->IsLoaded() && !m_n.sound->Create(m_n.owner)) {
        refuse(kSoundDeviceFailed);
        return;
    }
    // The editor previews through a graph of its own; the viewer would only show an empty
    // area meanwhile.
    m_n.viewer->Destroy();
    m_pEditor.reset();
    m_pEditor = std::make_unique<EditorDialog>(m_n.owner);
    m_pEditor->SetSoundDevice(m_n.sound->Device());
    m_pEditor->SetSourcePath(path);
    m_pEditor->SetMainVolumePosition(volumePosition);
    m_pEditor->Run();
    for (const std::string& file : m_pEditor->OutputList())
        if (QFileInfo(QString::fromStdString(file)).isFile())
            m_n.list->InsertEntry(0, file);
    m_pEditor.reset();
    // The editor registered a notification function of its own with tunewell.
    if (m_n.ogg->IsLoaded())
        m_n.ogg->VorbisLibInit(m_n.sound->Device(), &WindowMessagePump::OnOggNotify);
}

}  // namespace player

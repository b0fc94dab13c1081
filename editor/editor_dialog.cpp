#include "editor/editor_dialog.h"

#include <QCoreApplication>

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QToolButton>
#include <cstdlib>
#include <map>
#include <mutex>

#include "editor/editor_controller.h"
#include "editor/editor_ports.h"
#include "editor/editor_rules.h"
#include "editor/editor_widgets.h"
#include "editor/frame_scan.h"
#include "editor/graph_preview.h"
#include "editor/keyframe_slider.h"
#include "editor/profile_set_dialog.h"
#include "engine/graph_messages.h"
#include "engine/media_graph.h"
#include "engine/ogg_backend.h"
#include "engine/video_widget.h"
#include "platform/messages.h"
#include "platform/user_prompts.h"
#include "platform/window_message.h"
#include "skin/relabel.h"
#include "skin/skin_button.h"
#include "skin/skin_dialog.h"
#include "skin/skin_slider.h"

using namespace editor;

namespace {

Q_LOGGING_CATEGORY(lcEditor, "veltra.editor", QtWarningMsg)

// Window messages of the editor itself (beyond the graph's UM_* numbers).
// The placeholder pictures' words.
constexpr const char* kConvertingWord = QT_TRANSLATE_NOOP("EditorDialog", "変換中…");
constexpr const char* kPreviewWord = QT_TRANSLATE_NOOP("EditorDialog", "プレビュー");
constexpr int kMsgOggPosition = 2001;  // tunewell position, wParam tenths
constexpr int kMsgOggEnd = 2002;       // tunewell end of playback or output

// The template size of dialog 144; the dialog is not resizable.
constexpr int kDialogWidth = 525;
constexpr int kDialogHeight = 335;

// tunewell's notification has no context: it finds the editor through this pointer. The
// lock keeps the editor from going away between the look-up and the post.
std::mutex g_EditorLock;
EditorDialog* g_pEditor = nullptr;

int32_t OnEditorOggNotify(int32_t code, int32_t value, int32_t) {
    // Runs on tunewell's worker: only post, never touch a widget or wait here.
    std::lock_guard<std::mutex> lock(g_EditorLock);
    if (!g_pEditor)
        return 0;
    if (code == VL_NOTIFY_POSITION)
        PostWindowMessage(g_pEditor, kMsgOggPosition, value);
    else if (code == VL_NOTIFY_END)
        PostWindowMessage(g_pEditor, kMsgOggEnd, 0);
    return 0;
}

}  // namespace

EditorDialog::EditorDialog(QWidget* parent)
    : QDialog(parent),
      m_pGraph(std::make_unique<MediaGraph>()),
      m_pOgg(std::make_unique<OggBackend>()) {
    {
        std::lock_guard<std::mutex> lock(g_EditorLock);
        g_pEditor = this;
    }
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setWindowTitle(QString::fromUtf8(kProgramName));
    setFixedSize(kDialogWidth, kDialogHeight);
    // Without a system caption the top band moves the window.
    new CaptionDrag(this);
    m_pPreview = std::make_unique<GraphPreview>(*m_pGraph);
    m_pWidgets = std::make_unique<EditorWidgets>(*this);
    m_pController = std::make_unique<EditorController>(
        *m_pWidgets, *m_pPreview, *m_pOgg,
        [this] {
            return m_szLibraryFolder.empty() ? m_pOgg->Load() : m_pOgg->Load(m_szLibraryFolder);
        },
        &OnEditorOggNotify);
    m_pWidgets->Build();
}

EditorDialog::~EditorDialog() {
    {
        std::lock_guard<std::mutex> lock(g_EditorLock);
        if (g_pEditor == this)
            g_pEditor = nullptr;
    }
    Shutdown();
    m_pController.reset();
    m_pOgg->Unload();
    // Posted reports for this editor die with it.
    QCoreApplication::removePostedEvents(this);
}

EditorDialog* EditorDialog::Current() {
    std::lock_guard<std::mutex> lock(g_EditorLock);
    return g_pEditor;
}

void EditorDialog::SetSourcePath(const std::string& path) {
    m_szSource = path;
}
void EditorDialog::SetSoundDevice(IDirectSound* device) {
    m_pDevice = device;
}
void EditorDialog::SetMainVolumePosition(int position) {
    m_nMainVolume = position;
}
void EditorDialog::SetLibraryFolder(const std::string& folder) {
    m_szLibraryFolder = folder;
}
void EditorDialog::SetSkinPath(const std::string& path) {
    m_szSkinPath = path;
}

const std::vector<std::string>& EditorDialog::OutputList() const {
    return m_pController->OutputList();
}

QWidget* EditorDialog::Control(int id) const {
    return m_pWidgets->Get(id);
}

void EditorDialog::Initialise() {
    if (m_bInitialised)
        return;
    m_bInitialised = true;
    const SkinRead skinned = LoadEditorSkin(this, &m_Skin, m_szSkinPath);
    if (skinned.failure != SkinFailure::None)
        Prompts().MessageBox(this, SkinFailureText(skinned.failure), kProgramName, MB_OK);
    m_bSkinned = static_cast<bool>(skinned);
    if (!LayoutControls() || !m_bSkinned) {
        // Without its artwork the window is not usable.
        qCWarning(lcEditor) << "editor skin or layout failed";
        m_bSkinned = false;
        reject();
        return;
    }
    SkinSlider* slider = m_pWidgets->Slider();
    slider->SetInteractive(false);
    slider->setFocusPolicy(Qt::NoFocus);
    m_pController->Initialise(m_szSource, m_nMainVolume, m_pDevice);
    // The driver acts on the controls once they are laid out for the source.
    if (!m_pController->Opening())
        LogLayout();
}

bool EditorDialog::LayoutControls() {
    const ButtonImages* images[] = {&m_Skin.close,   &m_Skin.play,     &m_Skin.pause,
                                    &m_Skin.stop,    &m_Skin.still,    &m_Skin.forward,
                                    &m_Skin.back,    &m_Skin.settings, &m_Skin.settings,
                                    &m_Skin.execute, &m_Skin.cancel};
    static_assert(std::size(images) == std::size(EditorWidgets::kButtonOrder));
    for (size_t i = 0; i < std::size(images); ++i) {
        SkinButton* button = m_pWidgets->SkinnedButton(EditorWidgets::kButtonOrder[i]);
        if (!button)
            return false;
        // Sized to the artwork, the top-left corner where the template puts it.
        button->SetSkinBitmaps(*images[i]);
        button->SizeToContent();
    }
    SkinButton* play = m_pWidgets->SkinnedButton(kIdPlay);
    SkinButton* pause = m_pWidgets->SkinnedButton(kIdPause);
    pause->hide();
    pause->move(play->pos());

    SkinSlider* slider = m_pWidgets->Slider();
    slider->SetSkinBitmaps(m_Skin.position);
    slider->FitToSkin();

    SkinButton* close = m_pWidgets->SkinnedButton(kIdClose);
    close->move(width() - 10 - close->width(), 5);
    return true;
}

void EditorDialog::LogLayout() const {
    if (!lcEditor().isInfoEnabled())
        return;
    // The rows laid out by size get their places before the window is first shown.
    for (QLayout* layout : findChildren<QLayout*>()) layout->activate();
    // The end-to-end driver finds the controls through these lines.
    static constexpr std::pair<int, const char*> kNames[] = {{kIdClose, "close"},
                                                             {kIdPlay, "play"},
                                                             {kIdPause, "pause"},
                                                             {kIdStop, "stop"},
                                                             {kIdStill, "still"},
                                                             {kIdStepForward, "forward"},
                                                             {kIdStepBack, "back"},
                                                             {kIdSetPoint, "setpoint"},
                                                             {kIdProfile, "profile"},
                                                             {kIdExecute, "execute"},
                                                             {kIdCancel, "cancel"},
                                                             {kIdSlider, "slider"},
                                                             {kIdStartField, "start"},
                                                             {kIdEndField, "end"},
                                                             {kIdVolumeField, "volume"},
                                                             {kIdModeAsf, "asf"},
                                                             {kIdModeAvi, "avi"},
                                                             {kIdModeWav, "wav"},
                                                             {kIdPointStart, "startpoint"},
                                                             {kIdPointEnd, "endpoint"},
                                                             {kIdPreview, "preview"},
                                                             {kIdModeOther, "other"},
                                                             {kIdOtherKind, "kinds"},
                                                             {kIdFrameBack, "frameback"},
                                                             {kIdFrameForward, "frameforward"},
                                                             {kIdMarkStart, "markstart"},
                                                             {kIdMarkEnd, "markend"}};
    for (auto [id, name] : kNames) {
        QWidget* w = Control(id);
        QRect r(w->mapTo(this, QPoint(0, 0)), w->size());
        qCInfo(lcEditor, "editor layout %s %d %d %d %d", name, r.x(), r.y(), r.width(), r.height());
    }
}

int EditorDialog::Run() {
    Initialise();
    if (!m_bSkinned)
        return QDialog::Rejected;  // cancelled itself before it was ever shown
    return exec();
}

void EditorDialog::Shutdown() {
    if (m_bShutDown)
        return;
    m_bShutDown = true;
    m_pController->Shutdown();
}

void EditorDialog::done(int result) {
    Shutdown();
    QDialog::done(result);
}

void EditorDialog::reject() {
    done(QDialog::Rejected);
}

bool EditorDialog::event(QEvent* e) {
    switch (WindowMessage::MessageOf(e)) {
        case UM_GRAPH_POSITION: {
            auto* m = static_cast<WindowMessage*>(e);
            DrainWindowMessages(this, UM_GRAPH_POSITION);
            if (!m_bShutDown)
                m_pController->OnGraphPosition(static_cast<int>(m->wParam()));
            return true;
        }
        case UM_GRAPH_COMPLETE: {
            auto* m = static_cast<WindowMessage*>(e);
            DrainWindowMessages(this, UM_GRAPH_POSITION);
            if (!m_bShutDown)
                m_pController->OnGraphComplete(m->wParam());
            return true;
        }
        case UM_GRAPH_STOPPED:
            if (!m_bShutDown)
                m_pController->OnGraphStopped();
            return true;
        case UM_GRAPH_OPENED:
            if (!m_bShutDown && m_pController->Opening()) {
                m_pController->OnGraphOpened(static_cast<WindowMessage*>(e)->wParam());
                if (!m_pController->Opening())
                    LogLayout();
            }
            return true;
        case UM_GRAPH_CONVERSION_STARTED:
            if (!m_bShutDown)
                m_pController->OnConversionStarted(static_cast<WindowMessage*>(e)->wParam());
            return true;
        case UM_GRAPH_SEEK_DONE:
            if (!m_bShutDown)
                m_pController->OnGraphSeekDone(static_cast<WindowMessage*>(e)->wParam() != 0);
            return true;
        case kMsgOggPosition:
            if (!m_bShutDown)
                m_pController->OnOggPosition(
                    static_cast<int>(static_cast<WindowMessage*>(e)->wParam()));
            return true;
        case kMsgFrameTimes:
            if (!m_bShutDown)
                m_pController->OnFrameTimesReady();
            return true;
        case kMsgOggEnd:
            if (!m_bShutDown)
                m_pController->OnOggEnd();
            return true;
        case kMsgClose:
            if (isVisible())
                done(static_cast<WindowMessage*>(e)->wParam() ? QDialog::Accepted
                                                              : QDialog::Rejected);
            else
                Shutdown();
            return true;
        default:
            return QDialog::event(e);
    }
}

void EditorDialog::paintEvent(QPaintEvent*) {
    if (!m_bShutDown)
        m_pController->OnEraseBackground();
    // The whole picture is composed aside and copied once, so nothing flickers.
    QPixmap back(size());
    back.fill(m_Skin.background);
    {
        QPainter painter(&back);
        VideoWidget* preview = m_pWidgets->Preview();
        if (!preview->isVisible()) {
            const bool converting = m_pController->IsExecuting();
            const QPixmap& placeholder = converting ? m_Skin.previewConverting : m_Skin.previewIdle;
            painter.drawPixmap(preview->pos(), placeholder);
            // The placeholder's word, in the band above its small line, where the program
            // speaks another language than the picture.
            const char* word = converting ? kConvertingWord : kPreviewWord;
            const QString said = QCoreApplication::translate("EditorDialog", word);
            if (!placeholder.isNull() && said != QString::fromUtf8(word))
                Relabel(painter, preview->pos(), placeholder,
                        QRect(4, placeholder.height() - 64, placeholder.width() - 8, 26), said, 12);
        }
        DrawSkinFrame(painter, size(), m_Skin.frame);
    }
    // The skinned controls and the preview paint all of themselves; the standard controls
    // draw over the background.
    QRegion clip(rect());
    for (int id : EditorWidgets::kButtonOrder)
        if (QWidget* w = Control(id); w && w->isVisible())
            clip -= w->geometry();
    for (QWidget* w : {static_cast<QWidget*>(m_pWidgets->Slider()),
                       static_cast<QWidget*>(m_pWidgets->Preview())})
        if (w->isVisible())
            clip -= w->geometry();
    QPainter screen(this);
    screen.setClipRegion(clip);
    screen.drawPixmap(0, 0, back);
}

void EditorDialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        e->accept();  // Esc does not close the editor
        return;
    }
    QDialog::keyPressEvent(e);
}

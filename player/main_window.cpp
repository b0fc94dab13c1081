#include "player/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "app/about_dialog.h"
#include "app/resource_picture.h"
#include "app/splash_window.h"
#include "editor/editor_dialog.h"
#include "engine/graph_messages.h"
#include "engine/media_graph.h"
#include "engine/ogg_backend.h"
#include "engine/wav_filter.h"
#include "platform/messages.h"
#include "platform/settings.h"
#include "platform/sound_device.h"
#include "platform/user_prompts.h"
#include "platform/window_message.h"
#include "platform/window_placement.h"
#include "player/engine_adapters.h"
#include "player/menus.h"
#include "player/output_device_menu.h"
#include "player/player_log.h"
#include "player/time_readout.h"
#include "player/video_pane.h"
#include "player/viewer_window.h"
#include "player/window_adapters.h"
#include "playlist/file_prompt.h"
#include "playlist/list_copy.h"
#include "playlist/session_store.h"

namespace {

constexpr const char* kProgramName = "VELTRA";
constexpr const char* kSelectContent =
    QT_TRANSLATE_NOOP("MainWindow", "リスト内のコンテンツを選択して下さい。");
constexpr const char* kOnlyVideoOrAudio =
    QT_TRANSLATE_NOOP("MainWindow", "動画または音声コンテンツのみ編集可能です。");
constexpr const char* kSoundDeviceFailed =
    QT_TRANSLATE_NOOP("MainWindow", "DirectSoundの作成に失敗しました。");
const QColor kBackground(222, 230, 245);
constexpr int kSplashBitmap = 138;
constexpr int kSeekStepTenths = 50;
constexpr int kLongSeekStepTenths = 300;
constexpr int kVolumeStep = 5;

std::atomic<MainWindow*> g_mainWindow{nullptr};

// Button slots, in the order the layout hands out their images.
enum Slot {
    kSlotMinimize,
    kSlotClose,
    kSlotEdit,
    kSlotViewer,
    kSlotMenu,
    kSlotOpen,
    kSlotStop,
    kSlotPlay,
    kSlotPause,
    kSlotPrevious,
    kSlotNext,
    kSlotCount
};
constexpr int kSlotIds[kSlotCount] = {
    MainWindow::kMinimize, MainWindow::kClose,    MainWindow::kEdit, MainWindow::kViewerButton,
    MainWindow::kMenu,     MainWindow::kOpen,     MainWindow::kStop, MainWindow::kPlay,
    MainWindow::kPause,    MainWindow::kPrevious, MainWindow::kNext};
constexpr const char* kSlotTexts[kSlotCount] = {"-",
                                                "×",
                                                QT_TRANSLATE_NOOP("MainWindow", "&Edit"),
                                                QT_TRANSLATE_NOOP("MainWindow", "&Viewer"),
                                                QT_TRANSLATE_NOOP("MainWindow", "MENU"),
                                                QT_TRANSLATE_NOOP("MainWindow", "開く"),
                                                QT_TRANSLATE_NOOP("MainWindow", "停止"),
                                                QT_TRANSLATE_NOOP("MainWindow", "再生"),
                                                QT_TRANSLATE_NOOP("MainWindow", "一停"),
                                                QT_TRANSLATE_NOOP("MainWindow", "前へ"),
                                                QT_TRANSLATE_NOOP("MainWindow", "次へ")};
constexpr const char* kSlotNames[kSlotCount] = {"minimize", "close",    "edit", "viewer",
                                                "menu",     "open",     "stop", "play",
                                                "pause",    "previous", "next"};

}  // namespace

namespace player {

// The viewer as the playing logic sees it; the window is made on first need.
class ViewerAdapter : public ViewerPort {
  public:
    explicit ViewerAdapter(MainWindow& main) : m_main(main) {}
    bool Exists() override { return m_main.Viewer() != nullptr; }
    bool Create() override { return m_main.CreateViewer() != nullptr; }
    bool IsVisible() override { return Exists() && m_main.Viewer()->isVisible(); }
    void Show() override {
        if (ViewerWindow* v = m_main.Viewer()) {
            v->show();
            v->raise();
        }
    }
    void Hide() override {
        if (ViewerWindow* v = m_main.Viewer())
            v->hide();
    }
    void SetEngine(EngineId engine) override {
        if (ViewerWindow* v = m_main.Viewer())
            v->SetEngine(engine);
    }
    void SetPicture(bool shown) override {
        if (ViewerWindow* v = m_main.Viewer())
            v->SetPicture(shown);
    }
    void ShowVideoArea(bool shown) override {
        if (ViewerWindow* v = m_main.Viewer())
            v->ShowVideoArea(shown);
    }
    VideoSurface* VideoArea() override {
        ViewerWindow* v = m_main.Viewer();
        return v ? v->VideoArea() : nullptr;
    }
    QRect VideoAreaRect() override {
        ViewerWindow* v = m_main.Viewer();
        return v ? v->VideoAreaClientRect() : QRect();
    }
    void FitToVideo(int width, int height, bool resizeToVideo) override {
        if (ViewerWindow* v = m_main.Viewer())
            v->FitToVideo(width, height, resizeToVideo);
    }

  private:
    MainWindow& m_main;
};

}  // namespace player

MainWindow* MainWindow::Instance() {
    return g_mainWindow.load();
}

MainWindow::MainWindow(const std::string& startFile, bool use3D, QWidget* parent)
    : SkinDialog(parent),
      m_strStartFile(startFile),
      m_pSound(std::make_unique<SoundDevice>(use3D)),
      m_pGraph(std::make_unique<MediaGraph>()),
      m_pOgg(std::make_unique<OggBackend>()) {
    g_mainWindow.store(this);
    setWindowTitle(QString::fromLatin1(kProgramName));
    m_pList = new PlaylistCtrl(this);
    m_pList->SetPlaybackHost(this);
    for (int i = 0; i < kSlotCount; ++i) {
        m_Buttons[i] = new SkinButton(this);
        m_Buttons[i]->setText(tr(kSlotTexts[i]));
        m_Buttons[i]->setObjectName(kSlotNames[i]);
        // Tab reaches every button (with the skin's focus mark); a click does not take
        // the focus away from the list.
        m_Buttons[i]->setFocusPolicy(Qt::TabFocus);
    }
    m_pSeek = new SkinSlider(Qt::Horizontal, this);
    m_pVolume = new SkinSlider(Qt::Horizontal, this);
    m_pSeek->setObjectName("seek");
    m_pVolume->setObjectName("volume");
    m_pSeek->setFocusPolicy(Qt::TabFocus);
    m_pVolume->setFocusPolicy(Qt::TabFocus);
    m_pReadout = new TimeReadout(this);
    m_pReadout->setObjectName("time");
    m_pSeek->installEventFilter(this);  // a stop disables it: the readout empties then

    m_pGraphPort = std::make_unique<player::GraphAdapter>(*m_pGraph, this);
    m_pOggPort = std::make_unique<player::OggAdapter>(*m_pOgg, &MainWindow::OnOggNotify);
    m_pSoundPort = std::make_unique<player::SoundAdapter>(*m_pSound, this);
    m_pRules = std::make_unique<player::PlaylistRules>(*m_pOgg);
    m_pListPort = std::make_unique<player::ListAdapter>(*m_pList);
    m_pViewerPort = std::make_unique<player::ViewerAdapter>(*this);
    player::DisplayControls controls;
    controls.window = this;
    controls.play = m_Buttons[kSlotPlay];
    controls.pause = m_Buttons[kSlotPause];
    controls.seek = m_pSeek;
    controls.volume = m_pVolume;
    controls.dropGraphReports = [this] {
        DrainWindowMessages(this, UM_GRAPH_POSITION);
        DrainWindowMessages(this, UM_GRAPH_COMPLETE);
    };
    controls.dropOggReports = [this] {
        DrainWindowMessages(this, UM_OGG_POSITION);
        DrainWindowMessages(this, UM_OGG_END);
    };
    m_pDisplay = std::make_unique<player::DisplayAdapter>(std::move(controls));
    m_pController = std::make_unique<player::PlaybackController>(player::PlaybackPorts{
        m_pGraphPort.get(), m_pOggPort.get(), m_pSoundPort.get(), m_pRules.get(), m_pListPort.get(),
        m_pViewerPort.get(), m_pDisplay.get()});

    ConnectControls();
    Initialise();
}

MainWindow::~MainWindow() {
    Shutdown();
    MainWindow* self = this;
    g_mainWindow.compare_exchange_strong(self, nullptr);
}

SkinButton* MainWindow::Button(int id) const {
    for (int i = 0; i < kSlotCount; ++i)
        if (kSlotIds[i] == id)
            return m_Buttons[i];
    return nullptr;
}

QAbstractSlider* MainWindow::SeekSlider() const {
    return m_pSeek;
}
QAbstractSlider* MainWindow::VolumeSlider() const {
    return m_pVolume;
}

void MainWindow::Initialise() {
    // The dialog's own size comes first: the frame takes it as the smallest size and the
    // anchored controls measure their margins against it.
    resize(380, 310);
    SkinDialog::OnInitDialog();
    SetShowGrip(true);
    setAcceptDrops(true);
    SplashWindow::SetSplashDuration(600);
    SplashWindow::ShowSplash(kSplashBitmap, this);
    m_pMenu = menus::BuildMainMenu(this);

    const SkinRead skinned = LoadMainSkin(this, &m_Skin);
    if (skinned.failure != SkinFailure::None)
        Prompts().MessageBox(this, SkinFailureText(skinned.failure), kProgramName, MB_OK);
    if (!skinned || !LayoutControls()) {
        // Without its artwork the window cannot be used; the program ends here.
        qCWarning(lcPlayer) << "main window skin or layout failed";
        QTimer::singleShot(0, this, [this] { CloseWindow(); });
        return;
    }
    // The wheel moves both sliders, as in every player: a notch seeks 5 s or steps the
    // volume by 5.
    m_pSeek->SetWheelStep(kSeekStepTenths);
    m_pVolume->SetWheelStep(kVolumeStep);
    m_pSeek->setEnabled(false);
    m_Buttons[kSlotPause]->hide();

    QSize desktop = DesktopSize();
    SetMaxTrackSize(desktop.width(), desktop.height());
    SetMinTrackSize(380, 310);
    if (!RememberPlacement("MAIN", "SIZE"))
        resize(380, 310);
    SetKeepWindowSize(ReadKeepWindowSize());
    menus::CheckCommand(
        m_pMenu.get(), menus::kViewReport,
        {menus::kViewIcon, menus::kViewReport, menus::kViewSmallIcon, menus::kViewList});
    setWindowTitle(QString::fromLatin1(kProgramName));

    m_bInitialised = true;
    InstallKeys();
    // After the keys: its entries choose outputs, they are no commands.
    new OutputDeviceMenu(m_pMenu->findChild<QMenu*>(menus::kOutputDeviceMenu));
    SetToolTips();
    PlaceList();
    UpdateReadout();
    // The Ogg library and the start file follow as soon as the window is on screen (or
    // shortly after, should it never be painted): the window does not need them to appear.
    QTimer::singleShot(500, this, [this] { FinishStart(); });
}

void MainWindow::FinishStart() {
    if (m_bStartFinished)
        return;
    m_bStartFinished = true;
    // The window's icon comes right after its first paint, which does not need it:
    // decoding the picture would only hold the window back.
    setWindowIcon(QIcon(LoadResourcePicture(QStringLiteral(":/resources/veltra.png"), "png")));
    if (m_pOgg->Load())
        m_pOgg->VorbisLibInit(m_pSound->Device(), &MainWindow::OnOggNotify);
    m_pList->SetOggLoaded(m_pOgg->IsLoaded());
    PrepareWaveDest();
    // The start file is what the user asked to play: it is added and played at once.
    if (!m_StartFiles.empty())
        AddAllAndPlayFirst(m_StartFiles);
    else if (!m_strStartFile.empty())
        AddAndPlay(m_strStartFile);
    else
        RestoreSession();
    // Reported once the list has laid out the rows just added: what is reported can be
    // clicked, and "ready" says the start file's rows are there too.
    QTimer::singleShot(0, this, [this] {
        LogLayout();
        qCInfo(lcPlayer) << "ready";
    });
}

bool MainWindow::LayoutControls() {
    move(0, 0);
    auto& b = m_Buttons;
    const ButtonImages* images[kSlotCount] = {};
    images[kSlotMinimize] = &m_Skin.minimize;
    images[kSlotClose] = &m_Skin.close;
    images[kSlotEdit] = &m_Skin.edit;
    images[kSlotViewer] = &m_Skin.viewer;
    images[kSlotMenu] = &m_Skin.menu;
    images[kSlotOpen] = &m_Skin.open;
    images[kSlotStop] = &m_Skin.stop;
    images[kSlotPlay] = &m_Skin.play;
    images[kSlotPause] = &m_Skin.pause;
    images[kSlotPrevious] = &m_Skin.previous;
    images[kSlotNext] = &m_Skin.next;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        b[slot]->SetSkinBitmaps(*images[slot]);
        b[slot]->SizeToContent();
    }
    for (auto [slider, skin] :
         {std::pair{m_pSeek, &m_Skin.seek}, std::pair{m_pVolume, &m_Skin.volume}}) {
        slider->SetSkinBitmaps(*skin);
        slider->FitToSkin();
    }
    m_pList->setGeometry(20, 50, 338, 140);
    b[kSlotMenu]->move(20, 35);
    b[kSlotClose]->move(360 - b[kSlotClose]->width(), 5);
    b[kSlotMinimize]->move(b[kSlotClose]->x() - 10 - b[kSlotMinimize]->width(), 5);
    m_pSeek->move(20, 240);
    // Right above the seek channel's end, clear of the transport buttons.
    m_pReadout->setGeometry(360 - 150, 226, 150, 14);
    m_pVolume->move(20, 270);
    m_pSeek->setRange(0, 100);
    m_pVolume->setRange(0, 100);
    m_pVolume->setValue(50);
    m_pVolume->SetFillToThumb(true);
    b[kSlotViewer]->move(360 - b[kSlotViewer]->width(), 275);
    b[kSlotEdit]->move(b[kSlotViewer]->x() - 10 - b[kSlotEdit]->width(), 275);
    int playWidth = b[kSlotPlay]->width();
    b[kSlotPlay]->move((380 - playWidth) / 2, 196);
    b[kSlotPause]->setGeometry(b[kSlotPlay]->geometry());
    b[kSlotStop]->move(b[kSlotPlay]->x() - 5 - b[kSlotStop]->width(), 199);
    b[kSlotOpen]->move(b[kSlotStop]->x() - 5 - b[kSlotOpen]->width(), 201);
    b[kSlotPrevious]->move((380 + playWidth) / 2 + 8, 201);
    b[kSlotNext]->move(b[kSlotPrevious]->x() + b[kSlotPrevious]->width() + 8, 201);

    for (int slot : {kSlotClose, kSlotMinimize}) AddAnchor(b[slot], kAnchorTopRight);
    for (int slot : {kSlotOpen, kSlotStop, kSlotPlay, kSlotPause, kSlotPrevious, kSlotNext})
        AddAnchor(b[slot], kAnchorBottomCenter);
    AddAnchor(m_pSeek, kAnchorBottomCenter);
    AddAnchor(m_pReadout, kAnchorBottomRight);
    AddAnchor(m_pVolume, kAnchorBottomLeft);
    for (int slot : {kSlotEdit, kSlotViewer}) AddAnchor(b[slot], kAnchorBottomRight);
    return true;
}

void MainWindow::ConnectControls() {
    auto on = [this](int slot, auto fn) {
        connect(m_Buttons[slot], &QAbstractButton::clicked, this, fn);
    };
    on(kSlotMenu, [this] { ShowMenuAtCursor(); });
    on(kSlotOpen, [this] { OnCommand(menus::kOpen); });
    on(kSlotStop, [this] { Stop(); });
    on(kSlotPlay, [this] { PlaySelected(); });
    on(kSlotPause, [this] { Pause(); });
    on(kSlotPrevious, [this] { PlayPrevious(); });
    on(kSlotNext, [this] { PlayNext(); });
    on(kSlotEdit, [this] { OpenEditor(); });
    on(kSlotViewer, [this] { ToggleViewer(); });
    on(kSlotMinimize, [this] { showMinimized(); });
    on(kSlotClose, [this] { CloseWindow(); });
    connect(m_pList, &PlaylistCtrl::PlayRequested, this, [this] { PlaySelected(); });
    // The readout follows the thumb: the position while playing, the target while dragged.
    connect(m_pSeek, &QAbstractSlider::valueChanged, this, [this] { UpdateReadout(); });
    connect(m_pSeek, &QAbstractSlider::sliderMoved, this, [this] { UpdateReadout(); });
    connect(m_pSeek, &QAbstractSlider::sliderPressed, this, [this] { UpdateReadout(); });
    connect(m_pSeek, &QAbstractSlider::sliderReleased, this, [this] { UpdateReadout(); });
    connect(m_pSeek, &QAbstractSlider::rangeChanged, this, [this] {
        UpdateReadout();
        // An item was opened; it starts right after, and only then can it be moved.
        if (m_bResumePending)
            QTimer::singleShot(0, this, [this] { ResumeIfFirst(); });
    });
    connect(m_pVolume, &QAbstractSlider::valueChanged, this,
            [](int position) { qCInfo(lcPlayer) << "volume" << position; });

    // A press or a drag holds playback; the release, or a step or page from a click or
    // a key (which ends at once), is the end of the scroll.
    connect(m_pSeek, &QAbstractSlider::sliderPressed, this,
            [this] { m_pController->OnSeekScroll(false); });
    connect(m_pSeek, &QAbstractSlider::sliderReleased, this,
            [this] { m_pController->OnSeekScroll(true); });
    connect(m_pSeek, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderNoAction || m_pSeek->isSliderDown())
            return;
        m_pController->OnSeekScroll(false);
        QTimer::singleShot(0, this, [this] { m_pController->OnSeekScroll(true); });
    });
    connect(m_pVolume, &QAbstractSlider::sliderReleased, this,
            [this] { m_pController->OnVolumeScroll(true); });
    connect(m_pVolume, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderNoAction || m_pVolume->isSliderDown())
            return;
        QTimer::singleShot(0, this, [this] { m_pController->OnVolumeScroll(true); });
    });
}

void MainWindow::SeekTo(int tenths) {
    m_pController->OnSeekScroll(false);
    m_pSeek->setValue(tenths);
    m_pController->OnSeekScroll(true);
}

void MainWindow::SetVolumePosition(int position) {
    m_pVolume->setValue(position);
    m_pController->OnVolumeScroll(true);
}

bool MainWindow::AddAndPlay(const std::string& path) {
    AddReport report;
    const AddResult result = m_pList->AddPath(path, &report);
    if (report.HasProblems())
        m_pList->ShowAddReport(report);
    const int row = result == AddResult::PlaylistLoaded ? 0 : m_pList->FindPath(path);
    if (row < 0 || row >= m_pList->RowCount())
        return false;
    m_pList->SelectRow(row);
    PlaySelected();
    return true;
}

bool MainWindow::AddAllAndPlayFirst(const std::vector<std::string>& paths) {
    AddReport report;
    std::string first;
    for (const std::string& path : paths) {
        const AddResult result = m_pList->AddPath(path, &report);
        if (!first.empty())
            continue;
        if (result == AddResult::PlaylistLoaded)
            first = m_pList->PathAt(0);
        else if (m_pList->FindPath(path) >= 0)
            first = path;
    }
    if (report.HasProblems())
        m_pList->ShowAddReport(report);
    // A list loaded later replaces the rows, the first file's among them: its own first
    // row plays then.
    int row = first.empty() ? -1 : m_pList->FindPath(first);
    if (row < 0 && !first.empty() && m_pList->RowCount() > 0)
        row = 0;
    if (row < 0)
        return false;
    m_pList->SelectRow(row);
    PlaySelected();
    return true;
}

void MainWindow::ShowMenuAtCursor() {
    // A chosen item reaches OnCommand through its triggered signal, as its shortcut does.
    m_pMenu->exec(QCursor::pos());
}

void MainWindow::InstallKeys() {
    // The menu's commands answer their shortcuts while the menu is closed too.
    QList<QAction*> pending = m_pMenu->actions();
    while (!pending.empty()) {
        QAction* a = pending.takeLast();
        if (QMenu* sub = a->menu()) {
            pending.append(sub->actions());
            continue;
        }
        if (a->isSeparator())
            continue;
        connect(a, &QAction::triggered, this, [this, a] { OnCommand(a->data().toInt()); });
        if (!a->shortcut().isEmpty())
            addAction(a);
    }
    auto key = [this](QList<QKeySequence> keys, auto fn) {
        auto* a = new QAction(this);
        a->setShortcuts(keys);
        connect(a, &QAction::triggered, this, fn);
        addAction(a);
    };
    key({Qt::Key_Space, Qt::Key_MediaTogglePlayPause}, [this] { TogglePlayPause(); });
    key({Qt::Key_Return, Qt::Key_Enter, Qt::KeypadModifier | Qt::Key_Enter},
        [this] { PlaySelected(); });
    key({Qt::Key_Left}, [this] { SeekBy(-kSeekStepTenths); });
    key({Qt::Key_Right}, [this] { SeekBy(kSeekStepTenths); });
    key({Qt::ShiftModifier | Qt::Key_Left}, [this] { SeekBy(-kLongSeekStepTenths); });
    key({Qt::ShiftModifier | Qt::Key_Right}, [this] { SeekBy(kLongSeekStepTenths); });
    key({Qt::Key_Plus, Qt::ShiftModifier | Qt::Key_Plus, Qt::Key_Equal,
         Qt::KeypadModifier | Qt::Key_Plus},
        [this] { StepVolume(kVolumeStep); });
    key({Qt::Key_Minus, Qt::KeypadModifier | Qt::Key_Minus}, [this] { StepVolume(-kVolumeStep); });
    key({Qt::Key_MediaNext}, [this] { PlayNext(); });
    key({Qt::Key_MediaPrevious}, [this] { PlayPrevious(); });
    key({Qt::Key_MediaStop}, [this] { Stop(); });
    key({QKeySequence::Find}, [this] { m_pList->OpenFind(); });
}

void MainWindow::SetToolTips() {
    auto keys = [](const QKeySequence& k) { return k.toString(QKeySequence::NativeText); };
    auto tip = [this](int slot, const QString& text) { m_Buttons[slot]->setToolTip(text); };
    tip(kSlotPlay, tr("再生 (%1 / %2)").arg(keys(Qt::Key_Space), keys(Qt::Key_Return)));
    tip(kSlotPause, tr("一時停止 (%1)").arg(keys(Qt::Key_Space)));
    tip(kSlotStop, tr("停止"));
    tip(kSlotOpen, tr("開く (%1)").arg(keys(QKeySequence::Open)));
    tip(kSlotPrevious, tr("前へ"));
    tip(kSlotNext, tr("次へ"));
    tip(kSlotMenu, tr("メニュー"));
    tip(kSlotEdit, tr("編集"));
    tip(kSlotViewer, tr("ビューア"));
    tip(kSlotMinimize, tr("最小化"));
    tip(kSlotClose, tr("閉じる"));
    m_pSeek->setToolTip(
        tr("再生位置 (%1 %2: 5 秒, %3: 30 秒, ホイール)")
            .arg(keys(Qt::Key_Left), keys(Qt::Key_Right), keys(Qt::ShiftModifier | Qt::Key_Left)));
    m_pVolume->setToolTip(tr("音量 (+ / -, ホイール)"));
    // Screen readers name the sliders; the buttons are named by their texts.
    m_pSeek->setAccessibleName(tr("再生位置"));
    m_pVolume->setAccessibleName(tr("音量"));
}

void MainWindow::RestoreSession() {
    SessionState state;
    if (!SessionStore().Load(&state))
        return;
    // Rows whose files went meanwhile are skipped like any unreadable file.
    for (const std::string& path : state.paths) m_pList->InsertEntry(m_pList->RowCount(), path);
    m_strResumePath = state.resumePath;
    m_nResumeTenths = state.resumeTenths;
    m_bResumePending = !m_strResumePath.empty() && m_nResumeTenths > 0;
}

void MainWindow::SaveSession() {
    SessionState state;
    state.paths = m_pList->Paths();
    const player::ItemMode mode = m_pController->Mode();
    const int row = m_pController->CurrentRow();
    if ((mode == player::ModeAudio || mode == player::ModeVideo) && row >= 0 &&
        row < m_pList->RowCount()) {
        state.resumePath = m_pList->PathAt(row);
        state.resumeTenths = m_pSeek->value();
    }
    if (int error = SessionStore().Save(state); error != 0)
        qCWarning(lcPlayer) << "the list could not be kept for the next run:" << error;
}

void MainWindow::ResumeIfFirst() {
    // Only the first item of the run may resume; any other first choice ends the offer.
    if (!m_bResumePending)
        return;
    const player::ItemMode mode = m_pController->Mode();
    if (mode != player::ModeAudio && mode != player::ModeVideo)
        return;
    m_bResumePending = false;
    const int row = m_pController->CurrentRow();
    if (m_pList->PathAt(row) != m_strResumePath || m_nResumeTenths >= m_pSeek->maximum())
        return;
    qCInfo(lcPlayer) << "resuming at" << m_nResumeTenths;
    SeekTo(m_nResumeTenths);
}

void MainWindow::TogglePlayPause() {
    if (m_Buttons[kSlotPause]->isVisibleTo(this))
        Pause();
    else
        PlaySelected();
}

void MainWindow::SeekBy(int tenths) {
    const player::ItemMode mode = m_pController->Mode();
    if ((mode != player::ModeAudio && mode != player::ModeVideo) || !m_pSeek->isEnabled() ||
        m_pSeek->maximum() <= 0)
        return;
    const long long target = static_cast<long long>(m_pSeek->value()) + tenths;
    SeekTo(static_cast<int>(std::clamp<long long>(target, 0, m_pSeek->maximum())));
}

void MainWindow::StepVolume(int positions) {
    SetVolumePosition(std::clamp(m_pVolume->value() + positions, 0, 100));
}

void MainWindow::UpdateReadout() {
    if (!m_pReadout)
        return;
    const player::ItemMode mode = m_pController->Mode();
    const bool open = mode == player::ModeAudio || mode == player::ModeVideo;
    if (!open) {
        m_pReadout->Clear();
        return;
    }
    if (m_pSeek->isSliderDown())
        m_pReadout->ShowTarget(m_pSeek->sliderPosition(), m_pSeek->maximum());
    else
        m_pReadout->ShowElapsed(m_pSeek->value(), m_pSeek->maximum());
}

void MainWindow::SetKeepWindowSize(bool keep) {
    m_pController->SetKeepWindowSize(keep);
    menus::CheckCommand(m_pMenu.get(), keep ? menus::kKeepWindowSize : menus::kOriginalSize,
                        {menus::kOriginalSize, menus::kKeepWindowSize});
}

void MainWindow::OnCommand(int command) {
    switch (command) {
        case menus::kOpen:
            OpenMediaFile(this, *m_pList);
            break;
        case menus::kSavePlaylist:
            SavePlaylist(this, *m_pList);
            break;
        case menus::kExit:
            QTimer::singleShot(0, this, [this] { CloseWindow(); });
            break;
        case menus::kCopyList:
            CopyListFiles(this, *m_pList, m_pCopyProgress);
            break;
        case menus::kClearList:
            m_pList->ClearList();
            break;
        case menus::kViewIcon:
        case menus::kViewReport:
        case menus::kViewSmallIcon:
        case menus::kViewList:
            m_pList->SetViewMode(PlaylistCtrl::ViewModeForCommand(command));
            menus::CheckCommand(
                m_pMenu.get(), command,
                {menus::kViewIcon, menus::kViewReport, menus::kViewSmallIcon, menus::kViewList});
            break;
        case menus::kOriginalSize:
            SetKeepWindowSize(false);
            break;
        case menus::kKeepWindowSize:
            SetKeepWindowSize(true);
            break;
        case menus::kAbout: {
            AboutDialog about(this);
            about.exec();
            break;
        }
        default:
            break;
    }
}

ViewerWindow* MainWindow::CreateViewer() {
    if (!m_pViewer) {
        m_pViewer = new ViewerWindow(this, *m_pGraph);
        m_pViewer->SetEngine(m_pController->Engine());
    }
    return m_pViewer;
}

void MainWindow::OpenEditor() {
    Stop();
    int row = m_pList->SelectedRow();
    if (row < 0) {
        Prompts().MessageBox(this, tr(kSelectContent).toStdString(), kProgramName, MB_OK);
        return;
    }
    const std::string path = m_pList->PathAt(row);
    const std::string ext = m_pRules->UpperExtensionOf(path);
    if (!m_pRules->IsVideoExtension(ext) && !m_pRules->IsAudioExtension(ext)) {
        Prompts().MessageBox(this, tr(kOnlyVideoOrAudio).toStdString(), kProgramName, MB_OK);
        return;
    }
    if (ext == "OGG" && m_pOgg->IsLoaded() && !m_pSound->Create(this)) {
        Prompts().MessageBox(this, tr(kSoundDeviceFailed).toStdString(), kProgramName, MB_OK);
        return;
    }
    // The editor previews through a graph of its own; the viewer would only show an empty
    // area meanwhile.
    delete m_pViewer;
    m_pViewer = nullptr;
    delete m_pEditor;
    m_pEditor = new EditorDialog(this);
    m_pEditor->SetSoundDevice(m_pSound->Device());
    m_pEditor->SetSourcePath(path);
    m_pEditor->SetMainVolumePosition(m_pVolume->value());
    m_pEditor->Run();
    for (const std::string& file : m_pEditor->OutputList())
        if (QFileInfo(QString::fromStdString(file)).isFile())
            m_pList->InsertEntry(0, file);
    delete m_pEditor;
    m_pEditor = nullptr;
    if (m_pOgg->IsLoaded())
        m_pOgg->VorbisLibInit(m_pSound->Device(), &MainWindow::OnOggNotify);
}

int32_t MainWindow::OnOggNotify(int32_t code, int32_t value, int32_t) {
    // tunewell's worker thread: hand over, never wait for the user-interface thread.
    MainWindow* w = g_mainWindow.load();
    if (!w)
        return 0;
    if (code == VL_NOTIFY_POSITION)
        PostWindowMessage(w, UM_OGG_POSITION, value);
    else if (code == VL_NOTIFY_END)
        PostWindowMessage(w, UM_OGG_END);
    return 0;
}

bool MainWindow::event(QEvent* e) {
    int message = WindowMessage::MessageOf(e);
    if (message >= 0) {
        HandleWindowMessage(message, static_cast<WindowMessage*>(e)->wParam());
        return true;
    }
    return SkinDialog::event(e);
}

void MainWindow::DrainPositions() {
    // Deliver what is queued now; the nested deliveries only record their position, so
    // the thumb jumps straight to the newest one.
    m_bDrainingPositions = true;
    QCoreApplication::sendPostedEvents(this, WindowMessage::TypeOf(UM_GRAPH_POSITION));
    QCoreApplication::sendPostedEvents(this, WindowMessage::TypeOf(UM_OGG_POSITION));
    m_bDrainingPositions = false;
}

void MainWindow::HandleWindowMessage(int message, intptr_t wParam) {
    switch (message) {
        case UM_GRAPH_POSITION:
        case UM_OGG_POSITION:
            m_nLatestPosition = wParam;
            if (m_bDrainingPositions)
                return;
            DrainPositions();
            m_pController->OnGraphPosition(static_cast<int>(m_nLatestPosition));
            break;
        case UM_GRAPH_COMPLETE:
            DrainWindowMessages(this, UM_GRAPH_POSITION);
            m_pController->OnGraphComplete(wParam);
            break;
        case UM_GRAPH_NEXT_STARTED:
            DrainWindowMessages(this, UM_GRAPH_POSITION);
            m_pController->OnGraphNextStarted(wParam != 0);
            break;
        case UM_GRAPH_SEEK_DONE:
            m_pController->OnGraphSeekDone(wParam != 0);
            break;
        case UM_GRAPH_REWOUND:
            m_pController->OnGraphRewound(wParam != 0);
            break;
        case UM_GRAPH_DURATION:
            m_pController->OnGraphDuration(static_cast<int>(wParam));
            break;
        case UM_GRAPH_OPENED:
            m_pController->OnGraphOpened(wParam);
            break;
        case UM_OGG_END:
            DrainWindowMessages(this, UM_OGG_POSITION);
            m_pController->OnOggEnd();
            break;
        case UM_PLAY:
            PlaySelected();
            break;
        case UM_STOP:
            Stop();
            break;
        case UM_PAUSE:
            Pause();
            break;
        case UM_PREV:
            PlayPrevious();
            break;
        case UM_NEXT:
            PlayNext();
            break;
        default:
            break;  // UM_GRAPH_STOPPED and anything else: nothing to do
    }
}

void MainWindow::PlaceList() {
    if (m_pList)
        m_pList->setGeometry(20, 50, std::max(0, width() - 42), std::max(0, height() - 170));
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
    if (m_pList->DropMimeData(e->mimeData()))
        e->acceptProposedAction();
}

void MainWindow::resizeEvent(QResizeEvent* e) {
    SkinDialog::resizeEvent(e);
    if (!m_bInitialised)
        return;
    PlaceList();
    update();
    LogLayout();
}

void MainWindow::LogLayout() {
    if (!lcPlayer().isInfoEnabled())
        return;
    auto log = [](const char* name, const QRect& r) {
        qCInfo(lcPlayer, "layout %s %d %d %d %d", name, r.x(), r.y(), r.width(), r.height());
    };
    log("list", m_pList->geometry());
    log("seek", m_pSeek->geometry());
    log("volume", m_pVolume->geometry());
    log("time", m_pReadout->geometry());
    for (int i = 0; i < kSlotCount; ++i) log(kSlotNames[i], m_Buttons[i]->geometry());
}

void MainWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    // Title and grip first, then kept out of the frame's way.
    QRegion clip(rect());
    const QPixmap& title = m_Skin.title;
    if (!title.isNull()) {
        p.drawPixmap(20, 5, title);
        clip -= QRect(20, 5, title.width(), title.height());
    }
    clip -= DrawSkinGrip(p, m_Skin.grip);
    p.setClipRegion(clip);
    DrawSkinFrame(p, m_Skin.frame);
    // The footer under the list view.
    QRect r = m_pList->geometry();
    int y = r.y() + r.height();
    const auto& [left, middle, right] = m_Skin.footer;
    if (!left.isNull())
        p.drawPixmap(r.x(), y, left);
    int rightX = r.x() + r.width() - right.width();
    if (!right.isNull())
        p.drawPixmap(rightX, y, right);
    TileHorizontally(p, middle, y, r.x() + left.width(), rightX);
    p.end();

    if (!m_bFirstPaintSeen) {
        m_bFirstPaintSeen = true;
        qCInfo(lcPlayer) << "first paint";
        QTimer::singleShot(0, this, [this] { FinishStart(); });
    }
}

void MainWindow::keyPressEvent(QKeyEvent* e) {
    // Enter and Escape are no dialog keys here: they never close the window.
    switch (e->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            e->ignore();
            return;
        default:
            SkinDialog::keyPressEvent(e);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_pSeek && e->type() == QEvent::EnabledChange)
        UpdateReadout();
    return SkinDialog::eventFilter(watched, e);
}

void MainWindow::reject() {}  // Escape: see keyPressEvent; closing goes through CloseWindow

void MainWindow::closeEvent(QCloseEvent* e) {
    CloseWindow();
    e->accept();
}

void MainWindow::CloseWindow() {
    if (isVisible() || result() == 0)
        done(0);
}

void MainWindow::Shutdown() {
    if (m_bShutDown)
        return;
    m_bShutDown = true;
    delete m_pEditor;
    m_pEditor = nullptr;
    if (m_bInitialised && m_bStartFinished)
        SaveSession();
    // tunewell goes before the device it streams into.
    m_pOgg->Unload();
    m_pSound->Release();
    if (m_bInitialised)
        WriteKeepWindowSize(m_pController->KeepWindowSize());
    // The graph paints into the viewer's video area: stop it before that area goes.
    m_pGraph->Close();
    delete m_pViewer;
    m_pViewer = nullptr;
    DrainWindowMessages(this, UM_OGG_POSITION);
    DrainWindowMessages(this, UM_OGG_END);
}

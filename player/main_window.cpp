#include "player/main_window.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <atomic>

#include "app/splash_window.h"
#include "engine/media_graph.h"
#include "engine/ogg_backend.h"
#include "platform/settings.h"
#include "platform/sound_device.h"
#include "platform/user_prompts.h"
#include "platform/window_placement.h"
#include "player/editor_host.h"
#include "player/list_session.h"
#include "player/main_window_commands.h"
#include "player/main_window_layout.h"
#include "player/menus.h"
#include "player/output_device_menu.h"
#include "player/playback_controller.h"
#include "player/player_log.h"
#include "player/seek_readout.h"
#include "player/start_sequence.h"
#include "player/viewer_slot.h"
#include "player/window_message_pump.h"
#include "skin/skin_button.h"
#include "skin/skin_slider.h"

using player::ButtonSlot;

namespace {

constexpr const char* kProgramName = "VELTRA";
const QColor kBackground(222, 230, 245);
constexpr int kSplashBitmap = 138;
constexpr int kSeekStepTenths = 50;
constexpr int kVolumeStep = 5;

std::atomic<MainWindow*> g_mainWindow{nullptr};

// The button of each control id, by slot.
constexpr int kSlotIds[player::kSlotCount] = {
    MainWindow::kMinimize, MainWindow::kClose,    MainWindow::kEdit, MainWindow::kViewerButton,
    MainWindow::kMenu,     MainWindow::kOpen,     MainWindow::kStop, MainWindow::kPlay,
    MainWindow::kPause,    MainWindow::kPrevious, MainWindow::kNext};

}  // namespace

MainWindow* MainWindow::Instance() {
    return g_mainWindow.load();
}

MainWindow::MainWindow(QWidget* parent) : SkinDialog(parent), m_Controls(this) {
    g_mainWindow.store(this);
    setWindowTitle(QString::fromLatin1(kProgramName));
    m_Controls.List().SetPlaybackHost(this);
}

MainWindow::~MainWindow() {
    Shutdown();
    // The parts go while the window no longer has them: what their going sends the window
    // (a menu removed, say) finds none half torn down.
    { const player::MainWindowParts parts = std::move(m_parts); }
    MainWindow* self = this;
    g_mainWindow.compare_exchange_strong(self, nullptr);
}

SkinButton* MainWindow::Button(int id) const {
    for (int i = 0; i < player::kSlotCount; ++i)
        if (kSlotIds[i] == id)
            return m_Controls.Button(ButtonSlot(i));
    return nullptr;
}

QAbstractSlider* MainWindow::SeekSlider() const {
    return m_Controls.Seek();
}
QAbstractSlider* MainWindow::VolumeSlider() const {
    return m_Controls.Volume();
}
ViewerWindow* MainWindow::Viewer() const {
    return m_parts.viewer ? m_parts.viewer->Get() : nullptr;
}
QMenu* MainWindow::MainMenu() const {
    return m_parts.commands ? m_parts.commands->Menu() : nullptr;
}

int MainWindow::CurrentRow() const {
    return m_parts.controller->CurrentRow();
}
void MainWindow::SetCurrentRow(int row) {
    m_parts.controller->SetCurrentRow(row);
}
void MainWindow::Stop() {
    m_parts.controller->Stop();
}

void MainWindow::Initialise(player::MainWindowParts parts) {
    m_parts = std::move(parts);
    player::MainWindowCommands& commands = *m_parts.commands;
    // The dialog's own size comes first: the frame takes it as the smallest size and the
    // anchored controls measure their margins against it.
    resize(380, 310);
    SkinDialog::OnInitDialog();
    SetShowGrip(true);
    setAcceptDrops(true);
    SplashWindow::SetSplashDuration(600);
    SplashWindow::ShowSplash(kSplashBitmap, this);
    QMenu* menu = commands.BuildMenu();

    const SkinRead skinned = LoadMainSkin(this, &m_Skin);
    if (skinned.failure != SkinFailure::None)
        Prompts().MessageBox(this, SkinFailureText(skinned.failure), kProgramName, MB_OK);
    if (!skinned || !m_parts.layout->Apply(m_Skin)) {
        // Without its artwork the window cannot be used; the program ends here.
        qCWarning(lcPlayer) << "main window skin or layout failed";
        QTimer::singleShot(0, this, [this] { CloseWindow(); });
        return;
    }
    // The wheel moves both sliders, as in every player: a notch seeks 5 s or steps the
    // volume by 5.
    m_Controls.Seek()->SetWheelStep(kSeekStepTenths);
    m_Controls.Volume()->SetWheelStep(kVolumeStep);
    m_Controls.Seek()->setEnabled(false);
    m_Controls.Button(player::kSlotPause)->hide();

    QSize desktop = DesktopSize();
    SetMaxTrackSize(desktop.width(), desktop.height());
    SetMinTrackSize(380, 310);
    if (!RememberPlacement("MAIN", "SIZE"))
        resize(380, 310);
    commands.SetKeepWindowSize(ReadKeepWindowSize());
    commands.CheckViewMode(menus::kViewReport);
    setWindowTitle(QString::fromLatin1(kProgramName));

    m_bInitialised = true;
    commands.InstallKeys();
    // After the keys: its entries choose outputs, they are no commands.
    new OutputDeviceMenu(menu->findChild<QMenu*>(menus::kOutputDeviceMenu));
    m_Controls.SetToolTips();
    m_parts.layout->PlaceList();
    m_parts.readout->Update();
    // The Ogg library and the start file follow as soon as the window is on screen (or
    // shortly after, should it never be painted): the window does not need them to appear.
    m_parts.start->Arm();
}

bool MainWindow::event(QEvent* e) {
    if (m_parts.pump && m_parts.pump->Deliver(e))
        return true;
    return SkinDialog::event(e);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
    if (List().DropMimeData(e->mimeData()))
        e->acceptProposedAction();
}

void MainWindow::resizeEvent(QResizeEvent* e) {
    SkinDialog::resizeEvent(e);
    if (!m_bInitialised)
        return;
    m_parts.layout->PlaceList();
    update();
    m_parts.layout->Log();
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
    QRect r = List().geometry();
    int y = r.y() + r.height();
    const auto& [left, middle, right] = m_Skin.footer;
    if (!left.isNull())
        p.drawPixmap(r.x(), y, left);
    int rightX = r.x() + r.width() - right.width();
    if (!right.isNull())
        p.drawPixmap(rightX, y, right);
    TileHorizontally(p, middle, y, r.x() + left.width(), rightX);
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
    if (m_bShutDown || !m_parts.controller)
        return;
    m_bShutDown = true;
    m_parts.editor->Discard();
    if (m_bInitialised && m_parts.start->Finished())
        m_parts.session->Save();
    // tunewell goes before the device it streams into.
    m_parts.ogg->Unload();
    m_parts.sound->Release();
    if (m_bInitialised)
        WriteKeepWindowSize(m_parts.controller->KeepWindowSize());
    // The graph paints into the viewer's video area: stop it before that area goes.
    m_parts.graph->Close();
    m_parts.viewer->Destroy();
    player::WindowMessagePump::DropOggReports(*this);
}

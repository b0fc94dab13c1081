#include "player/viewer_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "engine/media_graph.h"
#include "platform/messages.h"
#include "platform/user_prompts.h"
#include "platform/window_message.h"
#include "platform/window_placement.h"
#include "player/menus.h"
#include "player/player_log.h"
#include "player/video_pane.h"
#include "player/viewer_geometry.h"

namespace vg = viewer_geometry;

namespace {
const QColor kBackground(222, 230, 245);
}

ViewerWindow::ViewerWindow(QWidget* owner, MediaGraph& graph)
    : SkinDialog(owner), m_pOwner(owner), m_Graph(graph) {
    setWindowTitle(QString::fromLatin1(kTitle));
    m_pVideo = new VideoPane(this);
    m_pVideo->hide();
    m_pFullScreen = new SkinButton(this);
    m_pFullScreen->setText(QString::fromUtf8("□"));
    m_pClose = new SkinButton(this);
    m_pClose->setText(QString::fromUtf8("×"));
    for (SkinButton* b : {m_pFullScreen, m_pClose})
        b->setFocusPolicy(Qt::NoFocus);  // keys belong to the viewer's shortcuts
    connect(m_pClose, &QAbstractButton::clicked, this, [this] { CloseViewer(); });
    connect(m_pFullScreen, &QAbstractButton::clicked, this, [this] { ToggleFullScreen(); });
    setFocusPolicy(Qt::StrongFocus);
    Initialise();
}

ViewerWindow::~ViewerWindow() = default;

void ViewerWindow::Initialise() {
    // The dialog's own size first, so the anchors measure against it.
    resize(320, 240);
    SkinDialog::OnInitDialog();
    const SkinRead skinned = LoadViewerSkin(this, &m_Skin);
    if (skinned.failure != SkinFailure::None)
        Prompts().MessageBox(this, SkinFailureText(skinned.failure), "VELTRA", MB_OK);
    m_bSkinLoaded = static_cast<bool>(skinned);
    if (!m_bSkinLoaded || !LayoutControls())
        QDialog::reject();  // hidden; the main window shows it anyway, without images
    m_VideoSize = vg::kInitialVideoSize;
    QSize desktop = DesktopRect().size();
    SetMaxTrackSize(desktop.width(), desktop.height());
    SetMinTrackSize(vg::kInitialVideoSize.width(), vg::kInitialVideoSize.height());
    if (!RememberPlacement("VIEW", "SIZE")) {
        resize(vg::kInitialVideoSize);
        // First time: beside the main window, not over its list.
        if (m_pOwner && m_pOwner->isVisible()) {
            const QScreen* s =
                m_pOwner->screen() ? m_pOwner->screen() : QGuiApplication::primaryScreen();
            if (s)
                if (auto at =
                        vg::BesideOwner(m_pOwner->frameGeometry(), size(), s->availableGeometry()))
                    move(*at);
        }
    }
}

bool ViewerWindow::LayoutControls() {
    for (auto [button, images] :
         {std::pair{m_pFullScreen, &m_Skin.fullScreen}, std::pair{m_pClose, &m_Skin.close}}) {
        button->SetSkinBitmaps(*images);
        button->SizeToContent();
    }
    m_pVideo->setGeometry(vg::NormalVideoArea(QSize(320, 240)));
    m_pClose->move(310 - m_pClose->width(), 5);
    m_pFullScreen->move(m_pClose->x() - 5 - m_pFullScreen->width(), 5);
    AddAnchor(m_pClose, kAnchorTopRight);
    AddAnchor(m_pFullScreen, kAnchorTopRight);
    return true;
}

QRect ViewerWindow::DesktopRect() const {
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->geometry() : QRect(0, 0, 1024, 768);
}

QRect ViewerWindow::AvailableRect() const {
    // The panels' share of the screen is no place for a window the user must reach.
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : DesktopRect();
}

void ViewerWindow::SetPicture(bool shown) {
    m_bPicture = shown;
    if (!shown) {
        m_pVideo->hide();
        // Checked once the main window is done: between two videos of the list the picture
        // is gone only for a moment, and full screen goes on with the next one.
        if (IsFullScreen())
            QTimer::singleShot(0, this, [this] { ExitFullScreenWithoutPicture(); });
    }
    update();
}

void ViewerWindow::ShowVideoArea(bool shown) {
    m_pVideo->setVisible(shown);
    update();
}

QRect ViewerWindow::VideoAreaClientRect() const {
    return QRect(QPoint(0, 0), m_pVideo->size());
}

void ViewerWindow::FitToVideo(int w, int h, bool resizeToVideo) {
    // Whatever the window does, the picture keeps its own proportions inside it.
    m_PictureSize = w > 0 && h > 0 ? QSize(w, h) : QSize();
    const QRect available = AvailableRect();
    vg::FitPlan plan = vg::PlanFitToVideo(w, h, resizeToVideo, size(), available);
    if (plan.storeVideoSize)
        m_VideoSize = QSize(w, h);
    if (plan.minimumSize)
        SetMinTrackSize(plan.minimumSize->width(), plan.minimumSize->height());
    if (plan.windowSize && !IsFullScreen()) {
        m_PendingProportion.reset();
        resize(*plan.windowSize);
        // Grown from where it stood, it may reach past an edge of the screen.
        const QPoint at = vg::KeptOnScreen(QRect(pos(), size()), available);
        if (at != pos())
            move(at);
    }
    PlaceVideoArea();
}

bool ViewerWindow::CanGoFullScreen() const {
    if (m_Engine == player::kEngineOgg || !m_Graph.HasGraph())
        return false;
    MediaContent c = m_Graph.Content();
    return c == MediaContent::AudioVideo || c == MediaContent::VideoOnly;
}

void ViewerWindow::ToggleFullScreen() {
    // Leaving is always possible, also when the video has gone meanwhile: otherwise the
    // screen would stay covered with nothing to show and no way back.
    if (IsFullScreen()) {
        ExitFullScreen();
        return;
    }
    if (!CanGoFullScreen())
        return;
    m_pFullScreen->hide();
    m_pClose->hide();
    EnterFullScreen();
    PlaceVideoArea();
    qCInfo(lcPlayer) << "viewer full screen" << IsFullScreen();
}

void ViewerWindow::ExitFullScreen() {
    if (!IsFullScreen())
        return;
    m_pFullScreen->show();
    m_pClose->show();
    LeaveFullScreen();
    PlaceVideoArea();
    qCInfo(lcPlayer) << "viewer full screen" << IsFullScreen();
}

void ViewerWindow::ExitFullScreenWithoutPicture() {
    if (IsFullScreen() && (!m_bPicture || !CanGoFullScreen()))
        ExitFullScreen();
}

void ViewerWindow::ToggleSubtitles() {
    m_Graph.ShowSubtitles(!m_Graph.SubtitlesShown());
    qCInfo(lcPlayer) << "viewer subtitles" << (m_Graph.SubtitlesShown() ? "shown" : "hidden");
}

void ViewerWindow::CloseViewer() {
    // A picture without its window makes no sense; a sound goes on without one.
    if (m_Engine == player::kEngineGraph && m_Graph.Content() != MediaContent::AudioOnly)
        SendWindowMessage(m_pOwner, UM_STOP);
    ExitFullScreen();
    QDialog::reject();
}

void ViewerWindow::reject() {
    CloseViewer();
}

void ViewerWindow::ForwardCommand(int code) {
    switch (code) {
        case 1:
            SendWindowMessage(m_pOwner, UM_PLAY);
            break;
        case 2:
            SendWindowMessage(m_pOwner, UM_STOP);
            break;
        case 3:
            SendWindowMessage(m_pOwner, UM_PAUSE);
            break;
        case 9:
            CloseViewer();
            break;
        default:
            break;
    }
}

void ViewerWindow::OnMenuCommand(int command) {
    switch (command) {
        case menus::kViewerFullScreen:
            ToggleFullScreen();
            break;
        case menus::kViewerPlay:
            ForwardCommand(1);
            break;
        case menus::kViewerPause:
            ForwardCommand(3);
            break;
        case menus::kViewerStop:
            ForwardCommand(2);
            break;
        case menus::kViewerSubtitles:
            ToggleSubtitles();
            break;
        default:
            break;
    }
}

void ViewerWindow::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Escape:
            // Every player's Esc leaves full screen; only outside it does it close.
            if (IsFullScreen())
                ExitFullScreen();
            else
                ForwardCommand(9);
            break;
        case Qt::Key_F:
        case Qt::Key_F1:
            ToggleFullScreen();
            break;
        case Qt::Key_P:
            ForwardCommand(1);
            break;
        case Qt::Key_S:
        case Qt::Key_V:
            ForwardCommand(2);
            break;
        case Qt::Key_T:
            ForwardCommand(3);
            break;
        case Qt::Key_J:
            // V, the other players' key for this, stops here as it always did.
            ToggleSubtitles();
            break;
        default:
            SkinDialog::keyPressEvent(e);
            return;
    }
    e->accept();
}

void ViewerWindow::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        ToggleFullScreen();
    SkinDialog::mouseDoubleClickEvent(e);
}

void ViewerWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::RightButton) {
        ShowContextMenu(e->globalPosition().toPoint());
        e->accept();
        return;
    }
    SkinDialog::mousePressEvent(e);
}

void ViewerWindow::ShowContextMenu(const QPoint& globalPos) {
    std::unique_ptr<QMenu> menu = menus::BuildViewerMenu(this);
    if (QAction* subtitles = menus::FindCommand(menu.get(), menus::kViewerSubtitles))
        subtitles->setChecked(m_Graph.SubtitlesShown());
    activateWindow();
    QAction* chosen = menu->exec(globalPos);
    if (chosen)
        OnMenuCommand(chosen->data().toInt());
}

void ViewerWindow::resizeEvent(QResizeEvent* e) {
    // In full screen the window simply covers the screen; the picture is centred in it.
    if (!IsFullScreen() && !isMinimized() && !isMaximized())
        KeepProportions();
    SkinDialog::resizeEvent(e);
    PlaceVideoArea();
}

void ViewerWindow::KeepProportions() {
    const std::optional<QSize> wanted =
        vg::ProportionalSize(size(), m_VideoSize, AvailableRect().size());
    if (!wanted) {
        m_PendingProportion.reset();
        return;
    }
    // Answered with another size whose correction is what was just asked for, or asked
    // again from inside its own request: the window system will not give that size (a
    // size limit, a window manager's own idea). Leave it, and forget the request.
    if (wanted == m_PendingProportion || m_nProportionDepth >= 2) {
        m_PendingProportion.reset();
        return;
    }
    m_PendingProportion = wanted;
    ++m_nProportionDepth;
    resize(*wanted);
    --m_nProportionDepth;
}

void ViewerWindow::hideEvent(QHideEvent* e) {
    // However it is hidden, it comes back as a window, not as a black screen.
    ExitFullScreen();
    SkinDialog::hideEvent(e);
}

void ViewerWindow::PlaceVideoArea() {
    if (!m_pVideo)
        return;
    QRect area = IsFullScreen() ? vg::FullScreenVideoArea(DesktopRect(), m_VideoSize)
                                : vg::NormalVideoArea(size());
    m_pVideo->setGeometry(area);
    if (m_Engine == player::kEngineGraph)
        m_Graph.SetVideoPosition(vg::FittedVideoRect(area.size(), m_PictureSize));
    update();
}

void ViewerWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), IsFullScreen() ? Qt::black : kBackground);
    if (!m_bPicture)
        p.fillRect(m_pVideo->geometry(), Qt::black);
    if (!IsFullScreen()) {
        p.setClipRegion(QRegion(rect()) - DrawSkinGrip(p, m_Skin.grip));
        DrawSkinFrame(p, m_Skin.frame);
    }
}

QRect ViewerWindow::PictureRect() const {
    return vg::FittedVideoRect(m_pVideo->size(), m_PictureSize);
}

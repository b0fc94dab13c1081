#include "player/main_window_media_control.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QEvent>
#include <QTimer>

#include "player/main_window.h"
#include "player/main_window_commands.h"
#include "player/playback_controller.h"
#include "player/timed_item.h"
#include "skin/skin_button.h"

MainWindowMediaControl::MainWindowMediaControl(MainWindow& window) : m_window(window) {
    // The play and pause buttons swap when playback starts, pauses or stops; the seek
    // slider is enabled and ranged when an item opens.
    for (int id : {MainWindow::kPlay, MainWindow::kPause})
        if (QWidget* button = m_window.Button(id))
            button->installEventFilter(this);
    QAbstractSlider* seek = m_window.SeekSlider();
    seek->installEventFilter(this);
    connect(seek, &QAbstractSlider::rangeChanged, this, [this] { Changed(); });
    // The window acts on these first (it connected earlier); the position is then the
    // new one. A click or key step is finished by the window from the event loop, so the
    // announcement follows it there.
    connect(seek, &QAbstractSlider::sliderReleased, this, [this] {
        if (m_seeked)
            m_seeked();
    });
    connect(seek, &QAbstractSlider::actionTriggered, this, [this, seek](int action) {
        if (action == QAbstractSlider::SliderNoAction || seek->isSliderDown())
            return;
        QTimer::singleShot(0, this, [this] {
            if (m_seeked)
                m_seeked();
        });
    });
    connect(m_window.VolumeSlider(), &QAbstractSlider::valueChanged, this, [this] { Changed(); });
    PlaylistCtrl& list = m_window.List();
    connect(&list, &PlaylistCtrl::RowInserted, this, [this] { Changed(); });
    connect(&list, &PlaylistCtrl::RowRemoved, this, [this] { Changed(); });
    connect(&list, &PlaylistCtrl::ListCleared, this, [this] { Changed(); });
    connect(&list, &PlaylistCtrl::Sorted, this, [this] { Changed(); });
    // Tags arrive some time after their rows.
    connect(list.Model(), &PlaylistModel::dataChanged, this, [this] { Changed(); });
}

void MainWindowMediaControl::SetListeners(std::function<void()> changed,
                                          std::function<void()> seeked) {
    m_changed = std::move(changed);
    m_seeked = std::move(seeked);
}

void MainWindowMediaControl::Changed() {
    if (m_changed)
        m_changed();
}

bool MainWindowMediaControl::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
        case QEvent::EnabledChange:
            Changed();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

MediaState MainWindowMediaControl::State() {
    player::PlaybackController& controller = m_window.Controller();
    const PlaylistCtrl& list = m_window.List();
    const QAbstractSlider* seek = m_window.SeekSlider();
    MediaState s;
    const bool open = player::HasTimeLine(controller.Mode());
    if (open) {
        const QWidget* pause = m_window.Button(MainWindow::kPause);
        s.status = pause && !pause->isHidden() ? MediaState::Playing : MediaState::Paused;
        s.lengthTenths = seek->maximum();
        s.positionTenths = seek->value();
    }
    const int rows = list.RowCount();
    const int current = controller.CurrentRow();
    int shown = current;
    if (!open && (shown < 0 || shown >= rows))
        shown = list.SelectedRow() >= 0 ? list.SelectedRow() : 0;  // where Play starts
    if (shown >= 0 && shown < rows) {
        s.row = shown;
        s.path = list.PathAt(shown);
        const MediaTags& tags = list.Model()->At(shown).tags;
        s.title = tags.title;
        s.artists = tags.artists;
        s.album = tags.album;
        s.tagLengthMs = tags.lengthMs;
        s.artPath = tags.artPath;
    }
    s.volume = m_window.VolumeSlider()->value();
    s.canGoNext = current != -1 && current + 1 <= rows - 1;
    s.canGoPrevious = current != -1 && current - 1 >= 0;
    s.canPlay = rows > 0;  // without a selection Play starts at the first row
    s.canPause = s.status != MediaState::Stopped;
    s.canSeek = open && s.lengthTenths > 0 && seek->isEnabled();
    return s;
}

bool MainWindowMediaControl::Busy() {
    // The main window itself runs modally; anything modal above it (editor, message box,
    // file prompt) or an open menu keeps the buttons out of reach.
    QWidget* modal = QApplication::activeModalWidget();
    return (modal && modal != &m_window) || QApplication::activePopupWidget() != nullptr;
}

void MainWindowMediaControl::Play() {
    m_window.Controller().PlaySelected();
}
void MainWindowMediaControl::Pause() {
    m_window.Controller().Pause();
}
void MainWindowMediaControl::Stop() {
    m_window.Stop();
}
void MainWindowMediaControl::Next() {
    m_window.Controller().PlayNext();
}
void MainWindowMediaControl::Previous() {
    m_window.Controller().PlayPrevious();
}
void MainWindowMediaControl::SeekTo(int tenths) {
    m_window.Commands().SeekTo(tenths);
}
void MainWindowMediaControl::SetVolume(int position) {
    m_window.Commands().SetVolumePosition(position);
}
void MainWindowMediaControl::OpenFile(const std::string& path) {
    m_window.Commands().AddAndPlay(path);
}

void MainWindowMediaControl::EnqueueFiles(const std::vector<std::string>& paths) {
    m_window.Commands().AddAllAndPlayFirst(paths);
}

void MainWindowMediaControl::Raise() {
    if (m_window.isMinimized())
        m_window.setWindowState(m_window.windowState() & ~Qt::WindowMinimized);
    m_window.show();
    m_window.raise();
    m_window.activateWindow();
}

void MainWindowMediaControl::Quit() {
    m_window.CloseWindow();
}

#include "player/main_window_commands.h"

#include <QAction>
#include <QCursor>
#include <QKeySequence>
#include <QMenu>
#include <QTimer>
#include <algorithm>

#include "app/about_dialog.h"
#include "player/editor_host.h"
#include "player/main_window_controls.h"
#include "player/menus.h"
#include "player/playback_controller.h"
#include "player/player_log.h"
#include "player/timed_item.h"
#include "playlist/file_prompt.h"
#include "playlist/list_copy.h"
#include "playlist/playlist_ctrl.h"
#include "skin/skin_button.h"
#include "skin/skin_slider.h"

namespace player {

namespace {

constexpr int kSeekStepTenths = 50;
constexpr int kLongSeekStepTenths = 300;
constexpr int kVolumeStep = 5;

}  // namespace

MainWindowCommands::MainWindowCommands(CommandNeeds needs) : m_n(std::move(needs)) {}

MainWindowCommands::~MainWindowCommands() = default;

void MainWindowCommands::ConnectControls() {
    MainWindowControls& c = *m_n.controls;
    PlaybackController& controller = *m_n.controller;
    auto on = [this, &c](ButtonSlot slot, auto fn) {
        connect(c.Button(slot), &QAbstractButton::clicked, this, fn);
    };
    on(kSlotMenu, [this] { ShowMenuAtCursor(); });
    on(kSlotOpen, [this] { OnCommand(menus::kOpen); });
    on(kSlotStop, [&controller] { controller.Stop(); });
    on(kSlotPlay, [&controller] { controller.PlaySelected(); });
    on(kSlotPause, [&controller] { controller.Pause(); });
    on(kSlotPrevious, [&controller] { controller.PlayPrevious(); });
    on(kSlotNext, [&controller] { controller.PlayNext(); });
    on(kSlotEdit, [this] { OpenEditor(); });
    on(kSlotViewer, [&controller] { controller.ToggleViewer(); });
    on(kSlotMinimize, [this] { m_n.window->showMinimized(); });
    on(kSlotClose, [this] { m_n.close(); });
    connect(&c.List(), &PlaylistCtrl::PlayRequested, this,
            [&controller] { controller.PlaySelected(); });
    SkinSlider* seek = c.Seek();
    SkinSlider* volume = c.Volume();
    connect(volume, &QAbstractSlider::valueChanged, this,
            [](int position) { qCInfo(lcPlayer) << "volume" << position; });

    // A press or a drag holds playback; the release, or a step or page from a click or
    // a key (which ends at once), is the end of the scroll.
    connect(seek, &QAbstractSlider::sliderPressed, this,
            [&controller] { controller.OnSeekScroll(false); });
    connect(seek, &QAbstractSlider::sliderReleased, this,
            [&controller] { controller.OnSeekScroll(true); });
    connect(seek, &QAbstractSlider::actionTriggered, this, [this, seek, &controller](int action) {
        if (action == QAbstractSlider::SliderNoAction || seek->isSliderDown())
            return;
        controller.OnSeekScroll(false);
        QTimer::singleShot(0, this, [&controller] { controller.OnSeekScroll(true); });
    });
    connect(volume, &QAbstractSlider::sliderReleased, this,
            [&controller] { controller.OnVolumeScroll(true); });
    connect(volume, &QAbstractSlider::actionTriggered, this,
            [this, volume, &controller](int action) {
                if (action == QAbstractSlider::SliderNoAction || volume->isSliderDown())
                    return;
                QTimer::singleShot(0, this, [&controller] { controller.OnVolumeScroll(true); });
            });
}

QMenu* MainWindowCommands::BuildMenu() {
    m_pMenu = menus::BuildMainMenu(m_n.window);
    return m_pMenu.get();
}

void MainWindowCommands::ShowMenuAtCursor() {
    // A chosen item reaches OnCommand through its triggered signal, as its shortcut does.
    m_pMenu->exec(QCursor::pos());
}

void MainWindowCommands::InstallKeys() {
    QWidget* window = m_n.window;
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
            window->addAction(a);
    }
    auto key = [this, window](QList<QKeySequence> keys, auto fn) {
        auto* a = new QAction(window);
        a->setShortcuts(keys);
        connect(a, &QAction::triggered, this, fn);
        window->addAction(a);
    };
    PlaybackController& controller = *m_n.controller;
    key({Qt::Key_Space, Qt::Key_MediaTogglePlayPause}, [this] { TogglePlayPause(); });
    key({Qt::Key_Return, Qt::Key_Enter, Qt::KeypadModifier | Qt::Key_Enter},
        [&controller] { controller.PlaySelected(); });
    key({Qt::Key_Left}, [this] { SeekBy(-kSeekStepTenths); });
    key({Qt::Key_Right}, [this] { SeekBy(kSeekStepTenths); });
    key({Qt::ShiftModifier | Qt::Key_Left}, [this] { SeekBy(-kLongSeekStepTenths); });
    key({Qt::ShiftModifier | Qt::Key_Right}, [this] { SeekBy(kLongSeekStepTenths); });
    key({Qt::Key_Plus, Qt::ShiftModifier | Qt::Key_Plus, Qt::Key_Equal,
         Qt::KeypadModifier | Qt::Key_Plus},
        [this] { StepVolume(kVolumeStep); });
    key({Qt::Key_Minus, Qt::KeypadModifier | Qt::Key_Minus}, [this] { StepVolume(-kVolumeStep); });
    key({Qt::Key_MediaNext}, [&controller] { controller.PlayNext(); });
    key({Qt::Key_MediaPrevious}, [&controller] { controller.PlayPrevious(); });
    key({Qt::Key_MediaStop}, [&controller] { controller.Stop(); });
    key({QKeySequence::Find}, [this] { m_n.controls->List().OpenFind(); });
}

void MainWindowCommands::OnCommand(int command) {
    PlaylistCtrl& list = m_n.controls->List();
    switch (command) {
        case menus::kOpen:
            OpenMediaFile(m_n.window, list);
            break;
        case menus::kSavePlaylist:
            SavePlaylist(m_n.window, list);
            break;
        case menus::kExit:
            QTimer::singleShot(0, this, [this] { m_n.close(); });
            break;
        case menus::kCopyList:
            CopyListFiles(m_n.window, list, m_pCopyProgress);
            break;
        case menus::kClearList:
            list.ClearList();
            break;
        case menus::kViewIcon:
        case menus::kViewReport:
        case menus::kViewSmallIcon:
        case menus::kViewList:
            list.SetViewMode(PlaylistCtrl::ViewModeForCommand(command));
            CheckViewMode(command);
            break;
        case menus::kOriginalSize:
            SetKeepWindowSize(false);
            break;
        case menus::kKeepWindowSize:
            SetKeepWindowSize(true);
            break;
        case menus::kAbout: {
            AboutDialog about(m_n.window);
            about.exec();
            break;
        }
        default:
            break;
    }
}

void MainWindowCommands::OpenEditor() {
    m_n.editor->Run(m_n.controls->Volume()->value());
}

void MainWindowCommands::CheckViewMode(int command) {
    menus::CheckCommand(
        m_pMenu.get(), command,
        {menus::kViewIcon, menus::kViewReport, menus::kViewSmallIcon, menus::kViewList});
}

void MainWindowCommands::SetKeepWindowSize(bool keep) {
    m_n.controller->SetKeepWindowSize(keep);
    menus::CheckCommand(m_pMenu.get(), keep ? menus::kKeepWindowSize : menus::kOriginalSize,
                        {menus::kOriginalSize, menus::kKeepWindowSize});
}

void MainWindowCommands::SeekTo(int tenths) {
    m_n.controller->OnSeekScroll(false);
    m_n.controls->Seek()->setValue(tenths);
    m_n.controller->OnSeekScroll(true);
}

void MainWindowCommands::SetVolumePosition(int position) {
    m_n.controls->Volume()->setValue(position);
    m_n.controller->OnVolumeScroll(true);
}

void MainWindowCommands::SeekBy(int tenths) {
    const SkinSlider* seek = m_n.controls->Seek();
    if (!HasTimeLine(m_n.controller->Mode()) || !seek->isEnabled() || seek->maximum() <= 0)
        return;
    const long long target = static_cast<long long>(seek->value()) + tenths;
    SeekTo(static_cast<int>(std::clamp<long long>(target, 0, seek->maximum())));
}

void MainWindowCommands::StepVolume(int positions) {
    SetVolumePosition(std::clamp(m_n.controls->Volume()->value() + positions, 0, 100));
}

void MainWindowCommands::TogglePlayPause() {
    if (m_n.controls->Button(kSlotPause)->isVisibleTo(m_n.window))
        m_n.controller->Pause();
    else
        m_n.controller->PlaySelected();
}

bool MainWindowCommands::AddAndPlay(const std::string& path) {
    PlaylistCtrl& list = m_n.controls->List();
    AddReport report;
    const AddResult result = list.AddPath(path, &report);
    if (report.HasProblems())
        list.ShowAddReport(report);
    const int row = result == AddResult::PlaylistLoaded ? 0 : list.FindPath(path);
    if (row < 0 || row >= list.RowCount())
        return false;
    list.SelectRow(row);
    m_n.controller->PlaySelected();
    return true;
}

bool MainWindowCommands::AddAllAndPlayFirst(const std::vector<std::string>& paths) {
    PlaylistCtrl& list = m_n.controls->List();
    AddReport report;
    std::string first;
    for (const std::string& path : paths) {
        const AddResult result = list.AddPath(path, &report);
        if (!first.empty())
            continue;
        if (result == AddResult::PlaylistLoaded)
            first = list.PathAt(0);
        else if (list.FindPath(path) >= 0)
            first = path;
    }
    if (report.HasProblems())
        list.ShowAddReport(report);
    // A list loaded later replaces the rows, the first file's among them: its own first
    // row plays then.
    int row = first.empty() ? -1 : list.FindPath(first);
    if (row < 0 && !first.empty() && list.RowCount() > 0)
        row = 0;
    if (row < 0)
        return false;
    list.SelectRow(row);
    m_n.controller->PlaySelected();
    return true;
}

}  // namespace player

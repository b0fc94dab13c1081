#include "player/window_adapters.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QWidget>

#include "platform/sound_device.h"
#include "platform/user_prompts.h"
#include "player/video_pane.h"
#include "player/viewer_slot.h"
#include "player/viewer_window.h"
#include "playlist/playlist_ctrl.h"
#include "playlist/playlist_model.h"

namespace player {

namespace {
constexpr const char* kProgramName = "VELTRA";
}

void DisplayAdapter::ShowPauseButton(bool pauseShown) {
    // Hide first, so the two buttons (which share one place) never show together.
    if (pauseShown) {
        m_c.play->hide();
        m_c.pause->show();
    } else {
        m_c.pause->hide();
        m_c.play->show();
    }
}

void DisplayAdapter::EnableSeek(bool enabled) {
    m_c.seek->setEnabled(enabled);
}

void DisplayAdapter::SetSeekRange(int maximum) {
    m_c.seek->setRange(0, std::max(0, maximum));
}

void DisplayAdapter::SetSeekPos(int tenths) {
    // A report that arrives while the user holds the thumb must not yank it away.
    if (m_c.seek->isSliderDown())
        return;
    m_c.seek->setValue(tenths);
    m_c.seek->update();
}

int DisplayAdapter::SeekPos() {
    return m_c.seek->value();
}
int DisplayAdapter::VolumePos() {
    return m_c.volume->value();
}

void DisplayAdapter::SetWaitCursor(bool waiting) {
    if (waiting)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void DisplayAdapter::ShowMessage(const std::string& text) {
    Prompts().MessageBox(m_c.window, text, kProgramName, MB_OK);
}

void DisplayAdapter::ShowNotice(const Notice& notice) {
    Prompts().MessageBox(nullptr, notice.text, notice.caption, notice.style);
}

void DisplayAdapter::DropStaleGraphReports() {
    if (m_c.dropGraphReports)
        m_c.dropGraphReports();
}

void DisplayAdapter::DropStaleOggReports() {
    if (m_c.dropOggReports)
        m_c.dropOggReports();
}

int ListAdapter::RowCount() {
    return m_list.RowCount();
}
std::string ListAdapter::PathOf(int row) {
    return m_list.PathAt(row);
}
int ListAdapter::SelectedRow() {
    return m_list.SelectedRow();
}
void ListAdapter::SelectAndFocus(int row) {
    m_list.SelectRow(row);
}
void ListAdapter::MarkPlaying(int row) {
    m_list.Model()->SetPlayingRow(row);
}
int ListAdapter::PlayingRow() {
    return m_list.Model()->PlayingRow();
}

bool SoundAdapter::Create() {
    return m_device.Create(m_owner) != FALSE;
}
void SoundAdapter::Release() {
    m_device.Release();
}
void SoundAdapter::SetPrimaryVolume(int hundredthsDb) {
    m_device.SetPrimaryVolume(hundredthsDb);
}
IDirectSound* SoundAdapter::Device() {
    return m_device.Device();
}

bool ViewerAdapter::Exists() {
    return m_slot.Get() != nullptr;
}
bool ViewerAdapter::Create() {
    return m_slot.Create() != nullptr;
}
bool ViewerAdapter::IsVisible() {
    return Exists() && m_slot.Get()->isVisible();
}
void ViewerAdapter::Show() {
    if (ViewerWindow* v = m_slot.Get()) {
        v->show();
        v->raise();
    }
}
void ViewerAdapter::Hide() {
    if (ViewerWindow* v = m_slot.Get())
        v->hide();
}
void ViewerAdapter::SetEngine(EngineId engine) {
    if (ViewerWindow* v = m_slot.Get())
        v->SetEngine(engine);
}
void ViewerAdapter::SetPicture(bool shown) {
    if (ViewerWindow* v = m_slot.Get())
        v->SetPicture(shown);
}
void ViewerAdapter::ShowVideoArea(bool shown) {
    if (ViewerWindow* v = m_slot.Get())
        v->ShowVideoArea(shown);
}
VideoSurface* ViewerAdapter::VideoArea() {
    ViewerWindow* v = m_slot.Get();
    return v ? v->VideoArea() : nullptr;
}
QRect ViewerAdapter::VideoAreaRect() {
    ViewerWindow* v = m_slot.Get();
    return v ? v->VideoAreaClientRect() : QRect();
}
void ViewerAdapter::FitToVideo(int width, int height, bool resizeToVideo) {
    if (ViewerWindow* v = m_slot.Get())
        v->FitToVideo(width, height, resizeToVideo);
}

}  // namespace player

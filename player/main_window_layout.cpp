#include "player/main_window_layout.h"

#include <QRect>
#include <algorithm>
#include <utility>

#include "player/main_window_controls.h"
#include "player/player_log.h"
#include "player/time_readout.h"
#include "playlist/playlist_ctrl.h"
#include "skin/skin_button.h"
#include "skin/skin_dialog.h"
#include "skin/skin_file.h"
#include "skin/skin_slider.h"

namespace player {

bool MainWindowLayout::Apply(const MainSkin& skin) {
    m_window.move(0, 0);
    auto b = [this](ButtonSlot slot) { return m_c.Button(slot); };
    const ButtonImages* images[kSlotCount] = {};
    images[kSlotMinimize] = &skin.minimize;
    images[kSlotClose] = &skin.close;
    images[kSlotEdit] = &skin.edit;
    images[kSlotViewer] = &skin.viewer;
    images[kSlotMenu] = &skin.menu;
    images[kSlotOpen] = &skin.open;
    images[kSlotStop] = &skin.stop;
    images[kSlotPlay] = &skin.play;
    images[kSlotPause] = &skin.pause;
    images[kSlotPrevious] = &skin.previous;
    images[kSlotNext] = &skin.next;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        b(ButtonSlot(slot))->SetSkinBitmaps(*images[slot]);
        b(ButtonSlot(slot))->SizeToContent();
    }
    SkinSlider* seek = m_c.Seek();
    SkinSlider* volume = m_c.Volume();
    for (auto [slider, images] : {std::pair{seek, &skin.seek}, std::pair{volume, &skin.volume}}) {
        slider->SetSkinBitmaps(*images);
        slider->FitToSkin();
    }
    m_c.List().setGeometry(20, 50, 338, 140);
    b(kSlotMenu)->move(20, 35);
    b(kSlotClose)->move(360 - b(kSlotClose)->width(), 5);
    b(kSlotMinimize)->move(b(kSlotClose)->x() - 10 - b(kSlotMinimize)->width(), 5);
    seek->move(20, 240);
    // Right above the seek channel's end, clear of the transport buttons.
    m_c.Readout()->setGeometry(360 - 150, 226, 150, 14);
    volume->move(20, 270);
    seek->setRange(0, 100);
    volume->setRange(0, 100);
    volume->setValue(50);
    volume->SetFillToThumb(true);
    b(kSlotViewer)->move(360 - b(kSlotViewer)->width(), 275);
    b(kSlotEdit)->move(b(kSlotViewer)->x() - 10 - b(kSlotEdit)->width(), 275);
    int playWidth = b(kSlotPlay)->width();
    b(kSlotPlay)->move((380 - playWidth) / 2, 196);
    b(kSlotPause)->setGeometry(b(kSlotPlay)->geometry());
    b(kSlotStop)->move(b(kSlotPlay)->x() - 5 - b(kSlotStop)->width(), 199);
    b(kSlotOpen)->move(b(kSlotStop)->x() - 5 - b(kSlotOpen)->width(), 201);
    b(kSlotPrevious)->move((380 + playWidth) / 2 + 8, 201);
    b(kSlotNext)->move(b(kSlotPrevious)->x() + b(kSlotPrevious)->width() + 8, 201);

    for (ButtonSlot slot : {kSlotClose, kSlotMinimize})
        m_window.AddAnchor(b(slot), kAnchorTopRight);
    for (ButtonSlot slot : {kSlotOpen, kSlotStop, kSlotPlay, kSlotPause, kSlotPrevious, kSlotNext})
        m_window.AddAnchor(b(slot), kAnchorBottomCenter);
    m_window.AddAnchor(seek, kAnchorBottomCenter);
    m_window.AddAnchor(m_c.Readout(), kAnchorBottomRight);
    m_window.AddAnchor(volume, kAnchorBottomLeft);
    for (ButtonSlot slot : {kSlotEdit, kSlotViewer})
        m_window.AddAnchor(b(slot), kAnchorBottomRight);
    return true;
}

void MainWindowLayout::PlaceList() {
    m_c.List().setGeometry(20, 50, std::max(0, m_window.width() - 42),
                           std::max(0, m_window.height() - 170));
}

void MainWindowLayout::Log() const {
    if (!lcPlayer().isInfoEnabled())
        return;
    auto log = [](const char* name, const QRect& r) {
        qCInfo(lcPlayer, "layout %s %d %d %d %d", name, r.x(), r.y(), r.width(), r.height());
    };
    log("list", m_c.List().geometry());
    log("seek", m_c.Seek()->geometry());
    log("volume", m_c.Volume()->geometry());
    log("time", m_c.Readout()->geometry());
    for (int i = 0; i < kSlotCount; ++i)
        log(MainWindowControls::NameOf(ButtonSlot(i)), m_c.Button(ButtonSlot(i))->geometry());
}

}  // namespace player

// The main window's own controls: the list, the eleven skinned buttons, the two sliders and
// the time readout, made as children of the window under the names that tests, screen
// readers and the layout log know them by.
#pragma once

#include <array>

class PlaylistCtrl;
class QWidget;
class SkinButton;
class SkinSlider;
class TimeReadout;

namespace player {

// Button slots, in the order the layout hands out their images.
enum ButtonSlot {
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

class MainWindowControls {
  public:
    // Made in the order Tab visits them: the list, the buttons, the seek, the volume.
    explicit MainWindowControls(QWidget* window);

    PlaylistCtrl& List() const { return *m_pList; }
    SkinButton* Button(ButtonSlot slot) const { return m_Buttons[slot]; }
    SkinSlider* Seek() const { return m_pSeek; }
    SkinSlider* Volume() const { return m_pVolume; }
    TimeReadout* Readout() const { return m_pReadout; }
    // The object name a button is known by ("play", "pause", ...).
    static const char* NameOf(ButtonSlot slot);

    // The tips name each control's keys; the sliders get their names for screen readers.
    void SetToolTips();

  private:
    PlaylistCtrl* m_pList = nullptr;
    std::array<SkinButton*, kSlotCount> m_Buttons{};
    SkinSlider* m_pSeek = nullptr;
    SkinSlider* m_pVolume = nullptr;
    TimeReadout* m_pReadout = nullptr;
};

}  // namespace player

// Where the main window's controls sit: their skin images and default places at the
// dialog's own size of 380 x 310, the anchors that move them as the window is resized, and
// the list that grows with it.
#pragma once

class SkinDialog;
struct MainSkin;

namespace player {

class MainWindowControls;

class MainWindowLayout {
  public:
    MainWindowLayout(SkinDialog& window, MainWindowControls& controls)
        : m_window(window), m_c(controls) {}

    // Gives every control its images and default place and anchors it; false when the
    // controls cannot be laid out.
    bool Apply(const MainSkin& skin);
    // The list fills the window between the menu button and the transport.
    void PlaceList();
    // Writes each control's rectangle to the player log (what the end-to-end tests click).
    void Log() const;

  private:
    SkinDialog& m_window;
    MainWindowControls& m_c;
};

}  // namespace player

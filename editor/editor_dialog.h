// The modal cut-and-convert window. The main window creates one per run, hands it the
// item, its sound device and its volume slider position, runs it and then inserts every
// file of OutputList() that exists at the top of the playlist.
//
//     EditorDialog editor(this);
//     editor.SetSourcePath(path);
//     editor.SetSoundDevice(device);
//     editor.SetMainVolumePosition(volumeSlider);
//     editor.Run();
//     for (const std::string& file : editor.OutputList()) ...
//
// Ogg Vorbis items go through the editor's own tunewell binding, which replaces the
// main window's callback: call VorbisLibInit again with your own after the editor is gone.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QDialog>

#include "skin/skin_file.h"

class IDirectSound;
class EditorWidgets;
class QKeyEvent;
namespace editor {
class EditorController;
class PreviewPort;
}  // namespace editor
class MediaGraph;
class OggBackend;

class EditorDialog : public QDialog {
    // No signals of its own: the main window reads OutputList() after Run().
  public:
    explicit EditorDialog(QWidget* parent = nullptr);
    ~EditorDialog() override;

    // Inputs, set between construction and Run.
    void SetSourcePath(const std::string& path);  // UTF-8 / file-system bytes
    void SetSoundDevice(IDirectSound* device);    // may be null; not owned
    void SetMainVolumePosition(int position);     // 0 ... 100

    // Where tunewell is looked for before the library path (default: the program folder).
    void SetLibraryFolder(const std::string& folder);
    // The skin file to read instead of skin.dat in the program folder (tests).
    void SetSkinPath(const std::string& path);

    // False when the skin could not be read: the dialog then cancelled itself and Run
    // returns at once.
    bool IsSkinned() const { return m_bSkinned; }
    const EditorSkin& Skin() const { return m_Skin; }

    // Runs the dialog modally; QDialog::Accepted after a finished conversion.
    int Run();
    // Sets the dialog up from its inputs without running it (Run does this first): its
    // skin and layout, then the source. Without a usable skin.dat the user is told and
    // the dialog cancels itself.
    void Initialise();
    // A control by its id (tests and the end-to-end driver), or null.
    QWidget* Control(int id) const;
    editor::EditorController* Controller() const { return m_pController.get(); }

    // Every target of a started execution and every still written, in order.
    const std::vector<std::string>& OutputList() const;

    // The one live editor (tunewell's notification finds it through this), or null.
    static EditorDialog* Current();

  protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  public:
    void reject() override;
    void done(int result) override;

  private:
    friend class EditorWidgets;
    void Shutdown();
    // Hands the buttons and the slider their images and places them (dialog 144).
    bool LayoutControls();
    void LogLayout() const;

    std::unique_ptr<MediaGraph> m_pGraph;
    std::unique_ptr<OggBackend> m_pOgg;
    std::unique_ptr<EditorWidgets> m_pWidgets;
    std::unique_ptr<editor::PreviewPort> m_pPreview;
    std::unique_ptr<editor::EditorController> m_pController;
    std::string m_szLibraryFolder;
    std::string m_szSkinPath;
    EditorSkin m_Skin;
    bool m_bSkinned = false;
    bool m_bInitialised = false;
    std::string m_szSource;
    IDirectSound* m_pDevice = nullptr;
    int m_nMainVolume = 0;
    bool m_bShutDown = false;
};

// The editor's controls, made on its dialog, and the EditorView its controller talks to.
#pragma once

#include <QRect>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "editor/editor_ports.h"

class EditorDialog;
class KeyframeSlider;
class QButtonGroup;
class QComboBox;
class QObject;
class QWidget;
class SkinButton;
class VideoWidget;

namespace editor {
// The dialog's own close request; wParam 1 after a finished output.
inline constexpr int kMsgClose = 16;
}  // namespace editor

class EditorWidgets : public editor::EditorView {
  public:
    explicit EditorWidgets(EditorDialog& dialog) : m_Dialog(dialog) {}

    void Build();
    QWidget* Get(int id) const;
    VideoWidget* Preview() const;
    KeyframeSlider* Slider() const;
    SkinButton* SkinnedButton(int id) const;
    // The eleven skinned buttons in the order the layout hands out their images.
    static constexpr int kButtonOrder[] = {
        editor::kIdClose,   editor::kIdPlay,        editor::kIdPause,    editor::kIdStop,
        editor::kIdStill,   editor::kIdStepForward, editor::kIdStepBack, editor::kIdSetPoint,
        editor::kIdProfile, editor::kIdExecute,     editor::kIdCancel};

    void SetText(int id, const std::string& text) override;
    std::string Text(int id) const override;
    void SetCaret(int id, int position) override;
    int Caret(int id) const override;
    void Enable(int id, bool enable) override;
    void Show(int id, bool show) override;
    void Check(int id, bool on) override;
    bool IsChecked(int id) const override;
    void SetSliderRange(int maximum) override;
    void SetSliderPosition(int position) override;
    int SliderPosition() const override;
    void SetVolumeSpin(int minimum, int maximum, int position) override;
    void SetSliderMarks(const std::vector<double>& tenths) override;
    void SetOtherKinds(const std::vector<std::pair<int, std::string>>& kinds) override;
    int ChosenOtherKind() const override;
    void SetWaitCursor(bool wait) override;
    void Repaint() override;
    VideoSurface* PreviewSurface() override;
    QRect PreviewRect() const override;
    QObject* NotifyTarget() override;
    QWidget* Owner() override;
    void PostClose(bool completed) override;
    bool RunProfileDialog(int* index) override;

    void VolumeStep(int delta);

  private:
    template <class T>
    T* Add(int id, T* widget, const QRect& geometry);
    SkinButton* Button(int id, const char* text, const QRect& geometry);
    // The further kinds and the frame controls, in the free band under the transport.
    void BuildPrecisionRows(QButtonGroup* modes);
    // Labels, options and group captions sit on the dialog's painted background.
    template <class T>
    T* Static(int id, T* widget, const QRect& geometry);

    EditorDialog& m_Dialog;
    std::map<int, QWidget*> m_Controls;
    VideoWidget* m_pPreview = nullptr;
    KeyframeSlider* m_pSlider = nullptr;
    QComboBox* m_pOtherKind = nullptr;
    int m_nVolumeMin = 10;
    int m_nVolumeMax = 300;
    int m_nVolumePos = 100;
};

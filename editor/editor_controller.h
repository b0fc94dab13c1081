// The editor's behaviour without its painting: preview transport, the start and end
// points and their fields, the volume, execution of a cut and still capture. Every
// handler runs on the user-interface thread; the window forwards its notifications here.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editor/editor_ports.h"
#include "editor/output_kinds.h"
#include "engine/keyframe_index.h"
#include "engine/media_graph.h"
#include "tunewell/tunewell.h"

class OggBackend;
class IDirectSound;

namespace editor {

struct FieldEdit;

class EditorController {
  public:
    // loadOgg binds tunewell for an Ogg item (true when it is there).
    EditorController(EditorView& view, PreviewPort& preview, OggBackend& ogg,
                     std::function<bool()> loadOgg, VorbisLibCallback oggCallback);
    ~EditorController();
    EditorController(const EditorController&) = delete;
    EditorController& operator=(const EditorController&) = delete;

    // Initialisation once the window and its controls exist.
    void Initialise(const std::string& source, int mainVolumePosition, IDirectSound* device);
    // The window is going: previews and unfinished outputs are closed.
    void Shutdown();

    // Transport.
    void OnPlay();
    void OnPause();
    void OnStop();
    void OnStep(bool forward);
    // Slider notifications: any code but end-of-track, then end-of-track.
    void OnSliderMoving();
    void OnSliderEnd();

    // The preview graph has read the source (UM_GRAPH_OPENED): the window shows the item.
    void OnGraphOpened(intptr_t ticket);
    // UM_GRAPH_CONVERSION_STARTED: a failed start is told as a failed conversion is.
    void OnConversionStarted(intptr_t ticket);
    // The source is still being read by the preview graph; the controls wait for it.
    bool Opening() const { return m_bOpening; }

    // Reports from the preview graph and from tunewell (already on this thread).
    void OnGraphPosition(int tenths);
    void OnGraphComplete(intptr_t code);
    void OnGraphStopped();
    // A seek has been carried out (landed) or refused by the graph.
    void OnGraphSeekDone(bool landed);
    void OnOggPosition(int tenths);
    void OnOggEnd();

    // Points and fields.
    void OnPointOption(bool start);
    void OnTimeFieldChanged(int id);
    void OnVolumeFieldChanged();
    // Enter, or the field lost the focus: it shows the volume that applies.
    void OnVolumeFieldDone();
    void OnTimeSpin(int spinId, int delta);
    void OnSetPoint();
    void OnProfile();

    // Frame precision: one frame on or back, the shown position as start or end, and
    // the source's frame times once they have been read.
    void OnFrameStep(bool forward);
    void OnMarkHere(bool start);
    void OnFrameTimesReady();
    // A kind radio button was clicked or another kind chosen in the list.
    void OnKindChanged();
    void OnOtherKindChosen();

    void OnExecute();
    void OnStill();
    void OnEraseBackground();

    // State, for the window's painting and for tests.
    bool IsOgg() const { return m_nIsOgg == 2; }
    bool IsExecuting() const { return m_bExecuting != 0; }
    MediaContent Kind() const { return m_Content; }
    double Duration() const { return m_dDuration; }
    double Start() const { return m_dStart; }
    double End() const { return m_dEnd; }
    double Volume() const { return m_dVolume; }
    int ProfileIndex() const { return m_nProfile; }
    bool TrackingStart() const { return m_bTrackStart != 0; }
    bool PreviewPlays() const;
    // Where the preview stands, to the frame (seconds).
    double Here() const { return m_dHere; }
    const FrameTimes& Frames() const { return m_Frames; }
    const std::vector<std::string>& OutputList() const { return m_Output; }

  private:
    // The field's text when it differs from last, which then becomes it.
    std::optional<std::string> ChangedText(int id, std::string& last);
    // Takes the edit's value into value and puts back the text and caret it rewrote.
    void ApplyFieldEdit(int id, const FieldEdit& e, double& value);
    void DisableControls();
    void EnableControls(bool enable);
    // Shows the source of `total` tenths and offers what suits it.
    void ShowSource(int total);
    void BeginExecuting();
    void ShowPosition(int tenths, bool toStart);
    void PauseFirst();
    void SeekPreview(int tenths, bool* ok);
    // A drag's seek failed: the slider and the followed point go back to the start.
    void ShowSeekRefused();
    void Fail();
    // After Convert or ConvertEncoded: a refused start's boxes now, else on its report.
    void TellRefusedStart(bool started);
    // Asks whether to go on when the cut may not fit on the target's disk.
    bool GoOnDespiteFreeSpace(ConversionMode mode, const std::string& target);
    void StartOggOutput(const std::string& target, int volume);
    void FinishOggOutput();
    void DropPartialOutput();
    void OfferOtherKinds();
    bool OtherKindChosen(OutputKind* kind) const;
    bool StartOtherOutput(OutputKind kind);
    void ShowExact(double seconds, bool toStart);
    void SeekExact(double seconds);
    int FollowingField() const { return m_bTrackStart ? kIdStartField : kIdEndField; }

    EditorView& m_View;
    PreviewPort& m_Preview;
    OggBackend& m_Ogg;
    std::function<bool()> m_LoadOgg;
    VorbisLibCallback m_OggCallback;

    std::string m_szSource;
    int m_nIsOgg = 1;
    MediaContent m_Content = MediaContent::None;
    double m_dDuration = 0.0;
    double m_dStart = 0.0;
    double m_dEnd = 0.0;
    double m_dVolume = 100.0;
    int m_nProfile = 0;
    int m_bTrackStart = 1;
    int m_bExecuting = 0;
    bool m_bStarting = false;  // the preview graph is starting the conversion
    int m_bResumeAfterDrag = 0;
    bool m_bDragSeekPending = false;  // a slider drag's seek is on its way
    std::string m_szLastText[3];      // following field, other field, volume
    std::vector<std::string> m_Output;
    bool m_bOpened = false;
    bool m_bOpening = false;
    int m_nPreviewVolume = 0;  // hundredths of a decibel, applied once the graph is open
    bool m_bOggOpened = false;
    bool m_bShutDown = false;

    double m_dHere = 0.0;  // exact where a frame step or a mark put it
    FrameTimes m_Frames;
    std::vector<OutputKind> m_OtherKinds;
    bool m_bGraphUsed = false;  // an Ogg item's cut went through the graph

    // Ogg output goes to a scratch file beside the target until tunewell reports its end.
    std::string m_szOggTarget;
    std::string m_szOggPartial;
};

}  // namespace editor

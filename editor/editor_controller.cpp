#include "editor/editor_controller.h"

#include <QCoreApplication>

#include <QDebug>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "editor/editor_rules.h"
#include "engine/encoded_kinds.h"
#include "engine/ogg_backend.h"
#include "engine/still_capture.h"
#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "platform/free_space.h"
#include "platform/messages.h"
#include "platform/scratch_journal.h"
#include "platform/user_prompts.h"
#include "playlist/file_prompt.h"

namespace editor {

namespace {

constexpr const char* kStartAfterEnd =
    QT_TRANSLATE_NOOP("EditorController", "始点時間が、終点時間より大きい値になっています。");
// The figures have a line of their own, so that a box never parts a number from its unit.
constexpr const char* kMayNotFit = QT_TRANSLATE_NOOP(
    "EditorController",
    "出力先の空き容量が足りないかもしれません。\n必要な見込み %1 MB、空き %2 MB\n続けますか？");
constexpr const char* kSomethingFailed =
    QT_TRANSLATE_NOOP("EditorController", "何らかのエラーが発生しました。");

void Message(QWidget* owner, const std::string& text) {
    Prompts().MessageBox(owner, text, kProgramName, MB_OK);
}

// The boxes the preview's graph had for the user, as it described them.
void Tell(const Notices& notices) {
    for (const Notice& n : notices) Prompts().MessageBox(nullptr, n.text, n.caption, n.style);
}

// A WAV file as tunewell writes it is complete when its header accounts for every byte
// behind it; a write that ran out of room leaves the two apart.
bool IsCompleteWav(const std::string& path) {
    const std::optional<FileStart> start = ReadFileStart(path, 46);
    if (!start || start->bytes.size() < 46)
        return false;
    const auto* header = reinterpret_cast<const unsigned char*>(start->bytes.data());
    if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0 ||
        std::memcmp(header + 38, "data", 4) != 0)
        return false;
    uint32_t data = uint32_t(header[42]) | uint32_t(header[43]) << 8 | uint32_t(header[44]) << 16 |
                    uint32_t(header[45]) << 24;
    return start->size == 46ull + data;
}

// Adapter between the still capture and the editor.
class StillHost : public StillCaptureHost {
  public:
    StillHost(EditorController& editor, PreviewPort& preview, EditorView& view,
              const std::string& source)
        : m_Editor(editor), m_Preview(preview), m_View(view), m_Source(source) {}
    bool IsOggItem() const override { return m_Editor.IsOgg(); }
    bool PreviewRunning() const override { return m_Preview.IsRunning(); }
    void PausePreview() override { m_Editor.OnPause(); }
    bool CaptureCurrentImage(uint8_t** dib) override {
        // Only the still waits for a pause or a seek to complete: it takes the frame they
        // leave on screen.
        m_Preview.AwaitPaused();
        return m_Preview.CaptureCurrentImage(dib);
    }
    std::string MediaPath() const override { return m_Source; }
    bool ChooseStillPath(const FilePromptRequest& request, std::string* path) override {
        std::vector<std::string> chosen;
        if (!Prompts().PromptForFiles(m_View.Owner(), request, &chosen) || chosen.empty())
            return false;
        *path = chosen.front();
        return true;
    }

  private:
    EditorController& m_Editor;
    PreviewPort& m_Preview;
    EditorView& m_View;
    std::string m_Source;
};

}  // namespace

EditorController::EditorController(EditorView& view, PreviewPort& preview, OggBackend& ogg,
                                   std::function<bool()> loadOgg, VorbisLibCallback oggCallback)
    : m_View(view),
      m_Preview(preview),
      m_Ogg(ogg),
      m_LoadOgg(std::move(loadOgg)),
      m_OggCallback(oggCallback) {}

EditorController::~EditorController() {
    Shutdown();
}

void EditorController::DisableControls() {
    EnableControls(false);
}

void EditorController::EnableControls(bool enable) {
    for (int id :
         {kIdModeAsf,   kIdModeAvi,   kIdModeWav,      kIdPointStart, kIdPointEnd, kIdStartField,
          kIdEndField,  kIdProfile,   kIdVolumeField,  kIdSetPoint,   kIdStepBack, kIdStepForward,
          kIdSlider,    kIdPlay,      kIdStop,         kIdStill,      kIdExecute,  kIdModeOther,
          kIdOtherKind, kIdFrameBack, kIdFrameForward, kIdMarkStart,  kIdMarkEnd})
        m_View.Enable(id, enable);
}

void EditorController::Initialise(const std::string& source, int mainVolumePosition,
                                  IDirectSound* device) {
    m_szSource = source;
    if (source.empty()) {
        DisableControls();
        return;
    }
    m_Output.clear();
    m_dVolume = 100.0;
    m_bExecuting = 0;
    m_nProfile = 0;
    m_nIsOgg = IsOggPath(source) ? 2 : 1;

    m_View.SetText(kIdFileName, FileNameOfPath(source));
    if (!IsOgg()) {
        m_nPreviewVolume = PreviewVolumeFor(mainVolumePosition);
        // The source is read on the graph's own thread; until it is, only the way out is
        // offered.
        m_bOpening = m_Preview.Open(source, m_View.NotifyTarget(), m_View.PreviewSurface(),
                                    m_View.PreviewRect());
        Tell(m_Preview.TakeNotices());
        if (m_bOpening) {
            DisableControls();
            return;
        }
        ShowSource(0);  // refused at once: as a source the graph cannot open
        return;
    }
    if (!m_LoadOgg || !m_LoadOgg()) {
        m_View.PostClose(false);
        return;
    }
    m_Ogg.VorbisLibInit(device, m_OggCallback);
    double seconds = 0.0;
    m_bOggOpened = m_Ogg.VorbisLibOpen(source, &seconds) != 0;
    if (!m_bOggOpened || !(seconds > 0.0))
        seconds = 0.0;
    m_dDuration = seconds;
    m_Content = MediaContent::AudioOnly;
    ShowSource(static_cast<int>(seconds) * 10);
}

void EditorController::OnGraphOpened(intptr_t ticket) {
    if (!m_bOpening || m_bShutDown)
        return;
    const PreviewPort::Opened opened = m_Preview.FinishOpen(ticket);
    if (opened == PreviewPort::Opened::Stale)
        return;
    Tell(m_Preview.TakeNotices());
    m_bOpening = false;
    m_bOpened = opened == PreviewPort::Opened::Yes;
    m_Preview.SetVolume(m_nPreviewVolume);
    m_Content = m_Preview.Content();
    const int total = std::max(0, m_Preview.Duration());
    m_dDuration = total * 0.1;
    EnableControls(true);
    ShowSource(total);
}

void EditorController::ShowSource(int total) {
    m_View.SetText(kIdLength, FormatLength(total));

    ModeChoice choice = ModeChoiceFor(m_Content);
    m_View.Enable(kIdModeAsf, choice.asf);
    m_View.Enable(kIdModeAvi, choice.avi);
    m_View.Enable(kIdModeWav, choice.wav);
    m_View.Enable(kIdVolumeField, choice.volume);
    m_View.Enable(kIdProfile, choice.settings);
    m_View.Enable(kIdStill, choice.still);
    if (!choice.preview)
        m_View.Show(kIdPreview, false);
    m_View.Check(kIdModeAsf, choice.selected == ConversionMode::Asf);
    m_View.Check(kIdModeAvi, choice.selected == ConversionMode::Avi);
    m_View.Check(kIdModeWav, choice.selected == ConversionMode::Wav);
    OfferOtherKinds();
    // tunewell seeks by whole seconds: frames are for the graph's items.
    m_View.Enable(kIdFrameBack, !IsOgg());
    m_View.Enable(kIdFrameForward, !IsOgg());
    m_dHere = 0.0;
    if (!IsOgg() && (m_Content == MediaContent::AudioVideo || m_Content == MediaContent::VideoOnly))
        m_Preview.ScanFrames(m_szSource, m_View.NotifyTarget());

    m_View.Check(kIdPointStart, true);
    m_View.Check(kIdPointEnd, false);
    m_bTrackStart = 1;
    m_bResumeAfterDrag = 0;

    m_View.SetSliderRange(total);
    m_View.SetSliderPosition(0);

    m_dStart = 0.0;
    m_dEnd = m_dDuration;
    m_View.SetText(kIdStartField, "0.0");
    m_View.SetText(kIdEndField, FormatTenths(total));
    // The field notifications above may have read the texts back; the points stay exact.
    m_dStart = 0.0;
    m_dEnd = m_dDuration;

    m_View.SetVolumeSpin(10, 300, 100);
    m_View.SetText(kIdVolumeField, "100");
    m_dVolume = 100.0;
}

// While a cut runs nothing can be changed, and the slider follows the start point again.
void EditorController::BeginExecuting() {
    DisableControls();
    if (m_View.IsChecked(kIdPointEnd)) {
        m_View.Check(kIdPointEnd, false);
        m_View.Check(kIdPointStart, true);
        m_bTrackStart = 1;
    }
    m_bExecuting = 1;
}

void EditorController::Shutdown() {
    if (m_bShutDown)
        return;
    m_bShutDown = true;
    if (!IsOgg()) {
        m_Preview.Close();
    } else {
        if (m_bGraphUsed)
            m_Preview.Close();
        // Ends a running writer before its decoder goes (tunewell's stop does not reach it
        // while the player is stopped, so Close is the last word either way).
        m_Ogg.VorbisLibStop();
        m_Ogg.VorbisLibClose();
    }
    DropPartialOutput();
}

bool EditorController::PreviewPlays() const {
    if (IsOgg())
        return m_Ogg.VorbisLibIsPlay() != 0;
    return m_Preview.IsRunning();
}

void EditorController::PauseFirst() {
    if (PreviewPlays())
        OnPause();
}

void EditorController::ShowPosition(int tenths, bool toStart) {
    double seconds = tenths * 0.1;
    m_dHere = seconds;
    if (toStart)
        m_dStart = seconds;
    else
        m_dEnd = seconds;
    m_View.SetText(toStart ? kIdStartField : kIdEndField, FormatTenths(tenths));
    // The change notification of that text reads it back; the exact value is kept.
    if (toStart)
        m_dStart = seconds;
    else
        m_dEnd = seconds;
}

void EditorController::OnPlay() {
    m_View.Show(kIdPlay, false);
    m_View.Show(kIdPause, true);
    if (IsOgg())
        m_Ogg.VorbisLibPlay();
    else
        m_Preview.PlayPause();
}

void EditorController::OnPause() {
    m_View.Show(kIdPause, false);
    m_View.Show(kIdPlay, true);
    if (IsOgg())
        m_Ogg.VorbisLibPause();
    else if (m_Preview.IsRunning())
        m_Preview.PlayPause();  // toggles: only a running graph is to be paused
}

void EditorController::OnStop() {
    if (IsOgg())
        m_Ogg.VorbisLibStop();
    else
        m_Preview.StopAndRewind();
    m_View.Show(kIdPause, false);
    m_View.Show(kIdPlay, true);
    m_View.SetSliderPosition(0);
    ShowPosition(0, TrackingStart());
}

void EditorController::OnGraphPosition(int tenths) {
    m_View.SetSliderPosition(tenths);
    // A still preview reports in tenths where a frame step put it exactly: the exact
    // position stays.
    if (!m_bExecuting && !PreviewPlays() && ToTenths(m_dHere) == tenths) {
        ShowExact(m_dHere, TrackingStart());
        return;
    }
    ShowPosition(tenths, TrackingStart());
}

void EditorController::OnGraphComplete(intptr_t code) {
    if (code != kGraphCompleteCode)
        return;
    OnStop();
    if (m_bExecuting)
        m_View.PostClose(true);
}

void EditorController::OnGraphStopped() {
    // While converting, a graph that stops without reaching its end failed to write.
    if (!m_bExecuting || (IsOgg() && !m_bGraphUsed))
        return;
    Fail();
}

void EditorController::OnOggPosition(int tenths) {
    m_View.SetSliderPosition(tenths);
    ShowPosition(tenths, TrackingStart());
}

void EditorController::OnOggEnd() {
    if (!m_bExecuting)
        return;
    FinishOggOutput();
}

void EditorController::OnSliderMoving() {
    if (PreviewPlays()) {
        m_bResumeAfterDrag = 1;
        if (IsOgg())
            m_Ogg.VorbisLibPause();
        else
            m_Preview.PlayPause();
    }
}

void EditorController::SeekPreview(int tenths, bool* ok) {
    bool done;
    if (IsOgg())
        done = m_Ogg.VorbisLibSetTime(static_cast<double>(tenths / 10)) != 0;
    else
        done = m_Preview.Seek(tenths);
    if (ok)
        *ok = done;
}

void EditorController::OnSliderEnd() {
    m_View.SetWaitCursor(true);
    int p = m_View.SliderPosition();
    bool ok = false;
    SeekPreview(p, &ok);
    if (!ok)
        ShowSeekRefused();
    else
        ShowPosition(p, TrackingStart());
    // The graph tells later whether it got there.
    m_bDragSeekPending = ok && !IsOgg();
    if (m_bResumeAfterDrag) {
        m_bResumeAfterDrag = 0;
        if (IsOgg())
            m_Ogg.VorbisLibPlay();
        else
            m_Preview.PlayPause();
    }
    m_View.SetWaitCursor(false);
}

void EditorController::ShowSeekRefused() {
    m_View.SetSliderPosition(0);
    ShowPosition(0, TrackingStart());
}

void EditorController::OnGraphSeekDone(bool landed) {
    const bool dragged = m_bDragSeekPending;
    m_bDragSeekPending = false;
    if (!landed && dragged && !IsOgg() && !m_bExecuting)
        ShowSeekRefused();
}

void EditorController::OnStep(bool forward) {
    PauseFirst();
    if (IsOgg()) {
        double t = 0.0;
        m_Ogg.VorbisLibGetTime(&t);
        double target = 0.0;
        if (!StepOggSeconds(t, m_dDuration, forward, &target))
            return;
        m_Ogg.VorbisLibSetTime(target);
        int tenths = ToTenths(target);
        m_View.SetSliderPosition(tenths);
        ShowPosition(tenths, TrackingStart());
        return;
    }
    int target = 0;
    if (!StepPosition(m_Preview.Position(), m_Preview.Duration(), forward, &target))
        return;
    m_Preview.Seek(target);
    m_View.SetSliderPosition(target);
    ShowPosition(target, TrackingStart());
}

void EditorController::OnTimeSpin(int spinId, int delta) {
    PauseFirst();
    bool start = spinId == kIdStartSpin;
    double& point = start ? m_dStart : m_dEnd;
    point = SpinTimePoint(point, delta, m_dDuration);
    m_View.SetText(start ? kIdStartField : kIdEndField, FormatTenths(ToTenths(point)));
}

void EditorController::OnSetPoint() {
    PauseFirst();
    int field = FollowingField();
    double value = ParseTimeText(m_View.Text(field));
    if (m_bTrackStart)
        m_dStart = value;
    else
        m_dEnd = value;
    int p = ToTenths(value);
    SeekPreview(p, nullptr);
    m_View.SetSliderPosition(p);
    m_dHere = p * 0.1;
}

void EditorController::OnProfile() {
    int index = m_nProfile;
    if (m_View.RunProfileDialog(&index))
        m_nProfile = index;
}

void EditorController::OnPointOption(bool start) {
    m_bTrackStart = start ? 1 : 0;
}

void EditorController::OnTimeFieldChanged(int id) {
    if (m_bShutDown)
        return;
    bool following = id == FollowingField();
    if (following && PreviewPlays())
        return;  // position reports are writing it
    const std::optional<std::string> text = ChangedText(id, m_szLastText[following ? 0 : 1]);
    if (!text)
        return;
    double& point = id == kIdStartField ? m_dStart : m_dEnd;
    ApplyFieldEdit(id, EditTimeField(*text, point, m_dDuration, m_View.Caret(id)), point);
}

void EditorController::OnVolumeFieldChanged() {
    if (m_bShutDown)
        return;
    const std::optional<std::string> text = ChangedText(kIdVolumeField, m_szLastText[2]);
    if (!text)
        return;
    FieldEdit e = EditVolumeField(*text, m_View.Caret(kIdVolumeField));
    // Putting back what the user typed would only move the caret.
    e.rewrite = e.rewrite && e.text != *text;
    ApplyFieldEdit(kIdVolumeField, e, m_dVolume);
}

std::optional<std::string> EditorController::ChangedText(int id, std::string& last) {
    std::string text = m_View.Text(id);
    if (text == last)
        return std::nullopt;
    last = text;
    return text;
}

void EditorController::ApplyFieldEdit(int id, const FieldEdit& e, double& value) {
    if (e.ignore)
        return;
    if (e.setValue)
        value = e.value;
    if (e.rewrite) {
        m_View.SetText(id, e.text);
        m_View.SetCaret(id, e.caret);
    }
}

void EditorController::OnVolumeFieldDone() {
    if (m_bShutDown)
        return;
    std::string text = m_View.Text(kIdVolumeField);
    std::string done = VolumeTextWhenDone(text, m_dVolume);
    if (done != text)
        m_View.SetText(kIdVolumeField, done);
}

void EditorController::TellRefusedStart(bool started) {
    // A start on its way tells its boxes once the source has been read.
    m_bStarting = started;
    if (!started)
        Tell(m_Preview.TakeNotices());
}

void EditorController::OnConversionStarted(intptr_t ticket) {
    if (!m_bStarting || m_bShutDown)
        return;
    const PreviewPort::Started started = m_Preview.FinishConversion(ticket);
    if (started == PreviewPort::Started::Stale)
        return;
    m_bStarting = false;
    Tell(m_Preview.TakeNotices());
    if (started == PreviewPort::Started::No)
        Fail();
}

void EditorController::Fail() {
    Message(m_View.Owner(),
            QCoreApplication::translate("EditorController", kSomethingFailed).toStdString());
    m_View.PostClose(false);
}

bool EditorController::GoOnDespiteFreeSpace(ConversionMode mode, const std::string& target) {
    // Only the uncompressed AVI grows fast enough to fill a disk unnoticed; its frames are
    // a known size. The AVI carries no sound.
    if (mode != ConversionMode::Avi)
        return true;
    int width = 0, height = 0;
    double fps = 0.0;
    if (!m_Preview.VideoFormat(&width, &height, &fps))
        return true;
    const uint64_t needed = UncompressedAviBytes(width, height, fps, m_dEnd - m_dStart, 0);
    const std::optional<uint64_t> free = FreeBytesFor(target);
    if (!free || needed <= *free)
        return true;
    constexpr uint64_t kMiB = 1024 * 1024;
    const std::string text = QCoreApplication::translate("EditorController", kMayNotFit)
                                 .arg((needed + kMiB - 1) / kMiB)
                                 .arg(*free / kMiB)
                                 .toStdString();
    return Prompts().MessageBox(m_View.Owner(), text, kProgramName, MB_YESNO | MB_ICONQUESTION) ==
           IDYES;
}

void EditorController::OnExecute() {
    PauseFirst();
    if (!(m_dStart < m_dEnd)) {
        Message(m_View.Owner(),
                QCoreApplication::translate("EditorController", kStartAfterEnd).toStdString());
        return;
    }
    OutputKind other;
    if (OtherKindChosen(&other)) {
        StartOtherOutput(other);
        return;
    }
    ConversionMode mode = ConversionMode::Asf;
    if (m_View.IsChecked(kIdModeAvi))
        mode = ConversionMode::Avi;
    else if (m_View.IsChecked(kIdModeWav))
        mode = ConversionMode::Wav;
    if (IsOgg())
        mode = ConversionMode::Wav;  // tunewell writes WAV only

    std::string target;
    if (!PromptFileName(m_View.Owner(), &target, TargetFilterFor(mode), false))
        return;
    std::string refusal = RefuseTarget(m_szSource, target);
    if (!refusal.empty()) {
        Message(m_View.Owner(), refusal);
        return;
    }
    if (!GoOnDespiteFreeSpace(mode, target))
        return;
    int extra = mode == ConversionMode::Asf ? m_nProfile : static_cast<int>(m_dVolume);
    OnVolumeFieldDone();  // a number still being typed shows the volume that is used

    BeginExecuting();

    if (!IsOgg()) {
        bool ok =
            m_Preview.Convert(m_szSource, mode, target, m_dStart * 10.0, m_dEnd * 10.0, extra);
        TellRefusedStart(ok);
        m_View.Show(kIdPreview, false);
        m_Output.push_back(target);
        m_View.Repaint();
        if (!ok)
            Fail();
        return;
    }
    StartOggOutput(target, extra);
}

void EditorController::StartOggOutput(const std::string& target, int volume) {
    m_View.Show(kIdPreview, false);
    m_Output.push_back(target);
    m_View.Repaint();

    // tunewell refuses output while its player is playing or paused.
    m_Ogg.VorbisLibStop();

    // Hidden, and noted with the aside files tunewell makes from its name, so that a run
    // killed in the middle leaves nothing once the program starts again.
    m_szOggPartial = AtomicFile::CreateScratchBeside(target);
    m_szOggTarget = target;
    if (!m_szOggPartial.empty())
        ScratchJournal::Remember(m_szOggPartial, true);
    double start = m_dStart;
    double end = m_dEnd;
    if (m_szOggPartial.empty() || m_szOggPartial.size() + 1 > kMaxPath ||
        !m_Ogg.VorbisLibWaveDest(m_szOggPartial, volume, &start, &end)) {
        DropPartialOutput();
        Fail();
    }
}

void EditorController::FinishOggOutput() {
    if (m_szOggPartial.empty()) {
        m_View.PostClose(true);
        return;
    }
    bool ok = IsCompleteWav(m_szOggPartial);
    if (ok)
        ok = AtomicFile::CommitScratch(m_szOggPartial, m_szOggTarget,
                                       AtomicFile::Commit::Replace) == 0;
    if (!ok) {
        qWarning("[editor] WAV output %s is incomplete", m_szOggTarget.c_str());
        DropPartialOutput();
        Fail();
        return;
    }
    ScratchJournal::Forget(m_szOggPartial, true);
    m_szOggPartial.clear();
    m_View.PostClose(true);
}

void EditorController::DropPartialOutput() {
    if (!m_szOggPartial.empty()) {
        RemoveFile(m_szOggPartial);
        ScratchJournal::Forget(m_szOggPartial);
        ScratchJournal::Forget(m_szOggPartial, true);
    }
    m_szOggPartial.clear();
}

void EditorController::OnStill() {
    if (m_bOpening)
        return;  // no frame yet
    StillHost host(*this, m_Preview, m_View, m_szSource);
    const StillOutcome still = CaptureStill(host);
    if (still)
        m_Output.push_back(still.path);
    if (const std::string text = StillOutcomeText(still); !text.empty())
        Message(m_View.Owner(), text);
}

void EditorController::OnEraseBackground() {
    if (!IsOgg() && m_Preview.HasGraph() && !m_Preview.IsRunning())
        m_Preview.PlaceVideo(m_View.PreviewRect());
}

}  // namespace editor

namespace editor {

// ---- The further output kinds -------------------------------------------------------

void EditorController::OfferOtherKinds() {
    m_OtherKinds = OutputKindsFor(m_Content, m_szSource);
    std::vector<std::pair<int, std::string>> items;
    for (OutputKind kind : m_OtherKinds)
        items.emplace_back(static_cast<int>(kind), OutputKindLabel(kind));
    m_View.SetOtherKinds(items);
    m_View.Check(kIdModeOther, false);
    m_View.Enable(kIdModeOther, !items.empty());
    m_View.Enable(kIdOtherKind, !items.empty());
}

bool EditorController::OtherKindChosen(OutputKind* kind) const {
    if (!m_View.IsChecked(kIdModeOther))
        return false;
    const int chosen = m_View.ChosenOtherKind();
    for (OutputKind k : m_OtherKinds)
        if (static_cast<int>(k) == chosen) {
            *kind = k;
            return true;
        }
    return false;
}

void EditorController::OnOtherKindChosen() {
    if (m_bExecuting || m_OtherKinds.empty())
        return;
    for (int id : {kIdModeAsf, kIdModeAvi, kIdModeWav}) m_View.Check(id, false);
    m_View.Check(kIdModeOther, true);
    OnKindChanged();
}

void EditorController::OnKindChanged() {
    if (m_bExecuting)
        return;
    // The volume applies wherever sound is encoded; a copy keeps the sound as it is.
    bool volume = ModeChoiceFor(m_Content).volume;
    OutputKind kind;
    if (OtherKindChosen(&kind) && !KindReencodesSound(kind))
        volume = false;
    m_View.Enable(kIdVolumeField, volume);
    m_View.Enable(kIdVolumeSpin, volume);
}

bool EditorController::StartOtherOutput(OutputKind kind) {
    std::string target;
    if (!PromptFileName(m_View.Owner(), &target, OutputKindFilter(kind, m_szSource), false))
        return false;
    target = TargetForKind(target, kind, m_szSource);
    std::string refusal = RefuseTarget(m_szSource, target);
    if (!refusal.empty()) {
        Message(m_View.Owner(), refusal);
        return false;
    }
    OnVolumeFieldDone();
    BeginExecuting();
    if (IsOgg()) {
        // tunewell's preview steps aside; the graph (or the copy) reports to the window.
        m_Ogg.VorbisLibStop();
        m_bGraphUsed = true;
    }
    bool ok;
    EncodedKind encoded;
    if (EncodedKindOf(kind, &encoded)) {
        if (IsOgg()) {
            m_Preview.Open(m_szSource, m_View.NotifyTarget(), nullptr, m_View.PreviewRect());
            Tell(m_Preview.TakeNotices());
        }
        ok = m_Preview.ConvertEncoded(m_szSource, encoded, target, m_dStart * 10.0, m_dEnd * 10.0,
                                      static_cast<int>(m_dVolume));
        TellRefusedStart(ok);
    } else {
        ok = m_Preview.CopyCut(m_szSource, target, m_dStart, m_dEnd, m_View.NotifyTarget());
    }
    m_View.Show(kIdPreview, false);
    m_Output.push_back(target);
    m_View.Repaint();
    if (!ok)
        Fail();
    return ok;
}

// ---- Frame precision ------------------------------------------------------------------

void EditorController::ShowExact(double seconds, bool toStart) {
    m_dHere = seconds;
    double& point = toStart ? m_dStart : m_dEnd;
    point = seconds;
    m_View.SetText(toStart ? kIdStartField : kIdEndField, FormatPoint(seconds));
    point = seconds;  // the field's notification read the shown text back
}

void EditorController::SeekExact(double seconds) {
    // A tenth of a millisecond on, so that rounding to the graph's units never lands in
    // the frame before.
    m_Preview.Seek(seconds * 10.0 + 0.001);
}

void EditorController::OnFrameStep(bool forward) {
    if (IsOgg() || m_bExecuting || m_bOpening)
        return;
    PauseFirst();
    // After playing, the preview stands where it stopped, past the last report.
    const int shown = m_Preview.Position();
    if (shown != ToTenths(m_dHere))
        m_dHere = shown * 0.1;
    double target = 0.0;
    if (!FrameStepTarget(m_Frames.frames, m_Frames.frameRate, m_dHere, m_dDuration, forward,
                         &target))
        return;
    SeekExact(target);
    m_View.SetSliderPosition(ToTenths(target));
    ShowExact(target, TrackingStart());
}

void EditorController::OnMarkHere(bool start) {
    if (m_bExecuting || m_bOpening || m_szSource.empty())
        return;
    PauseFirst();
    if (IsOgg()) {
        double seconds = 0.0;
        if (m_Ogg.VorbisLibGetTime(&seconds) &&
            static_cast<int>(m_dHere) != static_cast<int>(seconds))
            m_dHere = seconds;
    } else {
        const int shown = m_Preview.Position();
        if (shown != ToTenths(m_dHere))
            m_dHere = shown * 0.1;
    }
    const double here = m_dHere;
    ShowExact(here, start);
    if (start && m_bTrackStart) {
        // The start is placed: from here on the position is looking for the end.
        m_View.Check(kIdPointStart, false);
        m_View.Check(kIdPointEnd, true);
        m_bTrackStart = 0;
    }
}

void EditorController::OnFrameTimesReady() {
    FrameTimes times;
    if (m_bShutDown || !m_Preview.TakeFrameTimes(&times) || !times.ok)
        return;
    m_Frames = std::move(times);
    std::vector<double> marks;
    marks.reserve(m_Frames.keyframes.size());
    for (double t : m_Frames.keyframes) marks.push_back(t * 10.0);
    m_View.SetSliderMarks(marks);
}

}  // namespace editor

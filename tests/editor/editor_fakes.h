// Fakes for the editor's seams: a window that remembers what it was told, a preview
// graph and a tunewell binding that do what the test scripts.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "editor/editor_controller.h"
#include "editor/editor_ports.h"
#include "engine/encoded_kinds.h"
#include "engine/keyframe_index.h"
#include "engine/media_graph.h"
#include "engine/ogg_backend.h"

class FakeView : public editor::EditorView {
  public:
    editor::EditorController* controller = nullptr;
    std::map<int, std::string> texts;
    std::map<int, int> carets;
    std::set<int> disabled;
    std::set<int> hidden;
    std::set<int> checked;
    int sliderMax = -1;
    int sliderPos = 0;
    int closes = 0;
    bool closedCompleted = false;
    bool profileOk = false;
    std::vector<double> marks;
    std::vector<std::pair<int, std::string>> otherKinds;
    int otherChosen = -1;
    int profileAnswer = 0;

    // Types text into a field as the user would: the field changes, then it notifies.
    void Type(int id, const std::string& text) { SetText(id, text); }

    void SetText(int id, const std::string& text) override {
        bool changed = texts[id] != text;
        texts[id] = text;
        if (!changed || !controller)
            return;
        if (id == editor::kIdStartField || id == editor::kIdEndField)
            controller->OnTimeFieldChanged(id);
        else if (id == editor::kIdVolumeField)
            controller->OnVolumeFieldChanged();
    }
    std::string Text(int id) const override {
        auto it = texts.find(id);
        return it == texts.end() ? std::string() : it->second;
    }
    void SetCaret(int id, int position) override { carets[id] = position; }
    int Caret(int id) const override {
        auto it = carets.find(id);
        return it == carets.end() ? static_cast<int>(Text(id).size()) : it->second;
    }
    void Enable(int id, bool enable) override {
        if (enable)
            disabled.erase(id);
        else
            disabled.insert(id);
    }
    void Show(int id, bool show) override {
        if (show)
            hidden.erase(id);
        else
            hidden.insert(id);
    }
    void Check(int id, bool on) override {
        if (on)
            checked.insert(id);
        else
            checked.erase(id);
    }
    bool IsChecked(int id) const override { return checked.count(id) != 0; }
    void SetSliderRange(int maximum) override { sliderMax = maximum; }
    void SetSliderPosition(int position) override { sliderPos = position; }
    int SliderPosition() const override { return sliderPos; }
    void SetVolumeSpin(int, int, int) override {}
    void SetSliderMarks(const std::vector<double>& m) override { marks = m; }
    void SetOtherKinds(const std::vector<std::pair<int, std::string>>& kinds) override {
        otherKinds = kinds;
        otherChosen = kinds.empty() ? -1 : kinds.front().first;
    }
    int ChosenOtherKind() const override { return otherChosen; }
    // Picks a further kind in the list, as the user would.
    void ChooseOther(editor::OutputKind kind) {
        otherChosen = static_cast<int>(kind);
        controller->OnOtherKindChosen();
    }
    void SetWaitCursor(bool) override {}
    void Repaint() override {}
    VideoSurface* PreviewSurface() override { return nullptr; }
    QRect PreviewRect() const override { return QRect(0, 0, 240, 180); }
    QObject* NotifyTarget() override { return nullptr; }
    QWidget* Owner() override { return nullptr; }
    void PostClose(bool completed) override {
        ++closes;
        closedCompleted = completed;
    }
    bool RunProfileDialog(int* index) override {
        if (profileOk)
            *index = profileAnswer;
        return profileOk;
    }
};

class FakePreview : public editor::PreviewPort {
  public:
    bool opens = true;
    MediaContent content = MediaContent::AudioVideo;
    int duration = 600;  // tenths
    int position = 0;
    bool running = false;
    bool seekOk = true;
    bool convertOk = true;
    int volume = 1;
    int playPauses = 0;
    int stops = 0;
    int closes = 0;
    std::vector<double> seeks;
    struct ConvertCall {
        std::string source, target;
        ConversionMode mode;
        double start, stop;
        int extra;
    };
    std::vector<ConvertCall> converts;
    struct EncodedCall {
        EncodedKind kind;
        std::string target;
        double start, stop;
        int volume;
    };
    std::vector<EncodedCall> encodes;
    struct CopyCall {
        std::string target;
        double start, end;
    };
    std::vector<CopyCall> copies;
    std::vector<std::string> scans;
    FrameTimes scanned;
    bool scanReady = false;
    int videoWidth = 0;  // 0: no picture format known
    int videoHeight = 0;
    double videoFps = 0.0;
    bool VideoFormat(int* width, int* height, double* fps) override {
        if (videoWidth <= 0)
            return false;
        *width = videoWidth;
        *height = videoHeight;
        *fps = videoFps;
        return true;
    }

    // On its way at once, as the graph's opens are; FinishOpen tells whether it opened.
    bool Open(const std::string&, QObject*, VideoSurface*, const QRect&) override {
        ++openCalls;
        return true;
    }
    Opened FinishOpen(intptr_t ticket) override {
        if (ticket != openCalls)
            return Opened::Stale;
        if (!opens) {
            duration = 0;
            content = MediaContent::None;
        }
        return opens ? Opened::Yes : Opened::No;
    }
    Notices TakeNotices() override { return std::exchange(notices, {}); }
    Notices notices;    // what the next call hands over
    int openCalls = 0;  // also the ticket of the last open
    void SetVolume(int v) override { volume = v; }
    MediaContent Content() const override { return content; }
    int Duration() const override { return duration; }
    int Position() override { return position; }
    bool Seek(double tenths) override {
        seeks.push_back(tenths);
        if (seekOk)
            position = static_cast<int>(tenths);
        return seekOk;
    }
    void PlayPause() override {
        ++playPauses;
        running = !running;
    }
    void StopAndRewind() override {
        ++stops;
        running = false;
        position = 0;
    }
    void Close() override { ++closes; }
    bool HasGraph() const override { return opens; }
    bool IsRunning() const override { return running; }
    bool Convert(const std::string& source, ConversionMode mode, const std::string& target,
                 double start, double stop, int extra) override {
        converts.push_back({source, target, mode, start, stop, extra});
        if (convertOk)
            running = true;
        return convertOk;
    }
    bool ConvertEncoded(const std::string&, EncodedKind kind, const std::string& target,
                        double start, double stop, int volume) override {
        encodes.push_back({kind, target, start, stop, volume});
        return convertOk;
    }
    // Starts on their way when convertOk; FinishConversion tells how they ended.
    bool startOk = true;
    int StartTicket() const { return static_cast<int>(converts.size() + encodes.size()); }
    Started FinishConversion(intptr_t ticket) override {
        if (ticket != StartTicket())
            return Started::Stale;
        return startOk ? Started::Yes : Started::No;
    }
    bool CopyCut(const std::string&, const std::string& target, double start, double end,
                 QObject*) override {
        copies.push_back({target, start, end});
        return convertOk;
    }
    void ScanFrames(const std::string& source, QObject*) override { scans.push_back(source); }
    bool TakeFrameTimes(FrameTimes* times) override {
        if (!scanReady)
            return false;
        *times = scanned;
        scanReady = false;
        return true;
    }
    bool CaptureCurrentImage(uint8_t**) override { return false; }
    void PlaceVideo(const QRect&) override {}
};

class FakeOgg : public OggBackend {
  public:
    double total = 123.45;
    bool opens = true;
    int state = 0;  // 0 stopped, 2 playing, 3 paused
    double time = 0.0;
    bool waveOk = true;
    std::string wavePath;
    int waveVolume = 0;
    double waveStart = -1, waveEnd = -1;
    int closes = 0;

    void VorbisLibInit(IDirectSound*, VorbisLibCallback) override {}
    int VorbisLibOpen(const std::string&, double* seconds) override {
        if (opens)
            *seconds = total;
        return opens;
    }
    void VorbisLibClose() override { ++closes; }
    int VorbisLibPlay() override {
        state = 2;
        return 1;
    }
    void VorbisLibPause() override {
        if (state == 2)
            state = 3;
    }
    void VorbisLibStop() override { state = 0; }
    int VorbisLibSetTime(double s) override {
        time = s;
        return opens;
    }
    int VorbisLibGetTime(double* s) override {
        *s = static_cast<double>(static_cast<int>(time));
        return 1;
    }
    int VorbisLibIsPlay() override { return state == 2; }
    int VorbisLibIsPause() override { return state == 3; }
    int VorbisLibWaveDest(const std::string& path, int volume, const double* start,
                          const double* end) override {
        if (state != 0 || !waveOk)
            return 0;
        wavePath = path;
        waveVolume = volume;
        waveStart = *start;
        waveEnd = *end;
        return 1;
    }
};

// Initialises the editor and lets its preview's open finish, as the graph's report would.
inline void InitialiseOpened(editor::EditorController& editor, FakePreview& preview,
                             const std::string& source, int mainVolume = 100) {
    editor.Initialise(source, mainVolume, nullptr);
    if (editor.Opening())
        editor.OnGraphOpened(preview.openCalls);
}

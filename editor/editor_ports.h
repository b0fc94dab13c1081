// The seams between the editor's logic and the things it drives: its preview graph and
// its window. The dialog supplies the real ones; tests supply fakes.
#pragma once

#include <QRect>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/notice.h"

class QObject;
class QWidget;
class VideoSurface;
enum class MediaContent : int32_t;
enum class ConversionMode : int32_t;
enum class EncodedKind : int32_t;
struct FrameTimes;

namespace editor {

// Control ids of the editor window.
enum ControlId : int {
    kIdCancel = 2,
    kIdSlider = 1019,
    kIdStartField = 1020,
    kIdEndField = 1021,
    kIdVolumeField = 1022,
    kIdStartSpin = 1023,
    kIdEndSpin = 1024,
    kIdVolumeSpin = 1025,
    kIdPreview = 1028,
    kIdExecute = 1029,
    kIdModeAsf = 1030,
    kIdModeAvi = 1031,
    kIdModeWav = 1032,
    kIdStepBack = 1033,
    kIdStepForward = 1034,
    kIdPlay = 1035,
    kIdStop = 1036,
    kIdFileName = 1037,
    kIdLength = 1038,
    kIdPointStart = 1039,
    kIdPointEnd = 1040,
    kIdSetPoint = 1042,
    kIdStill = 1043,
    kIdPause = 1044,
    kIdProfile = 1045,
    kIdClose = 1058,
    // Beside the controls of dialog 144: the further output kinds and frame precision.
    kIdModeOther = 1070,
    kIdOtherKind = 1071,
    kIdFrameBack = 1072,
    kIdFrameForward = 1073,
    kIdMarkStart = 1074,
    kIdMarkEnd = 1075,
};

// What the editor asks of its preview graph (a MediaGraph in the product).
class PreviewPort {
  public:
    virtual ~PreviewPort() = default;
    // SetWindows and an open (not running) that reads the file off this thread: true when
    // it is on its way, and UM_GRAPH_OPENED with the open's ticket then tells notify that
    // FinishOpen has its outcome.
    virtual bool Open(const std::string& path, QObject* notify, VideoSurface* owner,
                      const QRect& rect) = 0;
    // The boxes the last open, Convert or ConvertEncoded has for the user (the texts of
    // its failed steps), handed over once: the controller shows them, the graph never.
    virtual Notices TakeNotices() = 0;
    enum class Opened { Yes, No, Stale };
    // The outcome of the open of ticket; Stale for a report of an open given up since.
    virtual Opened FinishOpen(intptr_t ticket) = 0;
    virtual void SetVolume(int hundredthsDb) = 0;
    virtual MediaContent Content() const = 0;
    virtual int Duration() const = 0;  // tenths
    virtual int Position() = 0;        // tenths
    // Moves the preview without waiting for it: true when handed on, and the outcome
    // comes as UM_GRAPH_SEEK_DONE (OnGraphSeekDone). Position() says where it goes.
    virtual bool Seek(double tenths) = 0;
    // Toggles without waiting for a pause to complete.
    virtual void PlayPause() = 0;
    // Waits, bounded, until a pause and a seek have completed, so that a still is the frame
    // on screen.
    virtual void AwaitPaused() {}
    virtual void StopAndRewind() = 0;
    virtual void Close() = 0;
    virtual bool HasGraph() const = 0;
    virtual bool IsRunning() const = 0;
    // Starts writing the range without waiting for the source to be read: false when it is
    // refused at once; else UM_GRAPH_CONVERSION_STARTED with the start's ticket tells
    // notify that FinishConversion has its outcome, and a conversion that runs reports its
    // end as UM_GRAPH_COMPLETE (15), a failure as UM_GRAPH_STOPPED.
    virtual bool Convert(const std::string& source, ConversionMode mode, const std::string& target,
                         double startTenths, double stopTenths, int extra) = 0;
    // An encoded kind (MP4, WebM, FLAC, Opus, MP3); it starts and reports like Convert.
    virtual bool ConvertEncoded(const std::string& source, EncodedKind kind,
                                const std::string& target, double startTenths, double stopTenths,
                                int volumePercent) = 0;
    enum class Started { Yes, No, Stale };
    // The outcome of the conversion start of ticket; Stale for a report of one given up.
    virtual Started FinishConversion(intptr_t ticket) = 0;
    // The range kept in the source's own format, on a thread of its own; it reports to
    // notify like Convert (positions, the end with 15, a stop on failure). Close ends it.
    virtual bool CopyCut(const std::string& source, const std::string& target, double startSeconds,
                         double endSeconds, QObject* notify) = 0;
    // Starts reading the source's frame times off this thread; kMsgFrameTimes tells
    // notify when TakeFrameTimes has them.
    virtual void ScanFrames(const std::string& source, QObject* notify) = 0;
    virtual bool TakeFrameTimes(FrameTimes* times) = 0;
    // Packed 24-bit bitmap (info header, rows); the caller frees it with CoTaskMemFree.
    virtual bool CaptureCurrentImage(uint8_t** dib) = 0;
    virtual void PlaceVideo(const QRect& rect) = 0;
    // Picture size and frames per second of the open source; false when not known.
    virtual bool VideoFormat(int* width, int* height, double* framesPerSecond) {
        (void)width;
        (void)height;
        (void)framesPerSecond;
        return false;
    }
};

// What the editor asks of its window.
class EditorView {
  public:
    virtual ~EditorView() = default;

    virtual void SetText(int id, const std::string& text) = 0;  // fields and labels
    virtual std::string Text(int id) const = 0;
    virtual void SetCaret(int id, int position) = 0;
    virtual int Caret(int id) const = 0;
    virtual void Enable(int id, bool enable) = 0;
    virtual void Show(int id, bool show) = 0;
    virtual void Check(int id, bool checked) = 0;
    virtual bool IsChecked(int id) const = 0;

    virtual void SetSliderRange(int maximum) = 0;
    virtual void SetSliderPosition(int position) = 0;
    virtual int SliderPosition() const = 0;
    virtual void SetVolumeSpin(int minimum, int maximum, int position) = 0;

    // Ticks under the position slider (keyframes), in slider units (tenths).
    virtual void SetSliderMarks(const std::vector<double>& tenths) = 0;
    // The further output kinds offered (kind number, label); the chosen one, or -1.
    virtual void SetOtherKinds(const std::vector<std::pair<int, std::string>>& kinds) = 0;
    virtual int ChosenOtherKind() const = 0;

    virtual void SetWaitCursor(bool wait) = 0;
    virtual void Repaint() = 0;

    // Where the preview goes: the video area and its client rectangle.
    virtual VideoSurface* PreviewSurface() = 0;
    virtual QRect PreviewRect() const = 0;
    virtual QObject* NotifyTarget() = 0;
    virtual QWidget* Owner() = 0;

    // Asks the window to close once control returns to its event loop.
    virtual void PostClose(bool completed) = 0;

    // The ProfileSet dialog; true with *index set when the user pressed OK.
    virtual bool RunProfileDialog(int* index) = 0;
};

}  // namespace editor

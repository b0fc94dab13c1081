// One media pipeline: plays a file into the program's video area and sound output,
// reports position and end to a notify window from its own event thread, captures the
// frame on screen, and writes a range of the file as WAV, AVI or ASF.
//
// Every operation runs on the user-interface thread and returns without waiting on the
// pipeline: an open may read its file on a thread of its own (OpenAsync), and seeks,
// restarts and rewinds are carried out on another, each reported by a posted message. Times cross
// this interface in tenths of a second; inside, the pipeline works in 100-ns media time (factor 1
// 000 000).
#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <atomic>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/conversion_file.h"
#include "engine/encoded_kinds.h"
#include "engine/graph_results.h"
#include "platform/com.h"
#include "platform/event.h"
#include "platform/notice.h"

class VideoOutput;
class VideoSurface;

typedef struct _GstElement GstElement;
typedef struct _GstBus GstBus;
typedef struct _GstPad GstPad;

#include "platform/max_path.h"

enum class GraphState : int32_t { Idle = 0, Paused = 1, Running = 2, Ended = 3 };
enum class MediaContent : int32_t { None = 0, AudioVideo = 1, VideoOnly = 2, AudioOnly = 3 };
enum class ConversionMode : int32_t { Asf = 0, Avi = 1, Wav = 2 };

struct GraphShared;
class ItemBranch;
class TransportRunner;
class OpenRunner;
class PipelineRetirer;
typedef struct _GstObject GstObject;

class MediaGraph {
  public:
    MediaGraph();
    ~MediaGraph();
    MediaGraph(const MediaGraph&) = delete;
    MediaGraph& operator=(const MediaGraph&) = delete;

    // notify receives UM_GRAPH_* messages; owner is the video area (null: sound only, the
    // notify object then stands in as owner); rect is the video's place inside the owner.
    BOOL SetWindows(QObject* notify, VideoSurface* owner, const QRect* rect);
    // S_OK once the graph is built and cued on its first frame (running when run is set);
    // otherwise why it failed (a failure of a step that has a text leaves it in
    // TakeNotices), with nothing left open. path is UTF-8.
    HRESULT Open(const char* path, BOOL run);
    // The same without waiting: the graph is made here and its file read up to the first
    // frame on a thread of its own; UM_GRAPH_OPENED, with this open's ticket, tells when
    // FinishOpen completes it. S_OK when the open is on its way, else why it was refused.
    // Until then the graph is Opening(): it neither runs nor seeks, and a new open, a
    // SetWindows or a Close gives it up.
    HRESULT OpenAsync(const char* path, BOOL run);
    // On UM_GRAPH_OPENED (wParam: the ticket): the outcome, as Open gives it. S_FALSE with
    // nothing to take over when the ticket is not the open in progress (one that was given
    // up), or when the open goes on (a later UM_GRAPH_OPENED finishes it).
    HRESULT FinishOpen(uintptr_t ticket);
    bool Opening() const { return m_bOpening; }
    HRESULT BuildPlaybackGraph(const char* path, BOOL run);
    // Returns at once: the pipeline is stopped and freed on a thread of its own, and it
    // tells nothing more of its file. The graph is empty (Ended) from here on.
    void Close();
    // Waits, at most `ms`, until every pipeline given up has been freed; true when so.
    bool AwaitRetired(int ms);

    BOOL PlayPause();
    // The same without waiting for a pause to complete (a graph that stalls completes it
    // late, or never): for the player, which takes no stills; the editor's still after a
    // pause needs the wait.
    BOOL PlayPauseAsync();
    // Waits (at most 2 s) until a pause, and a seek or rewind asked for, have completed:
    // the frame on screen is then the current image, which a still takes.
    void AwaitPaused();
    // Both are carried out on the transport thread and reported by UM_GRAPH_REWOUND; the
    // state is the new one at once (Idle, or Running for a restart). TRUE when handed on
    // (StopAndRewind: also when there is nothing to rewind, Restart: without a graph). A
    // seek asked for earlier is dropped, or lands before them.
    BOOL StopAndRewind();
    BOOL Restart();
    BOOL Run();
    // An animated picture, opened without running, shows its frames in turn on its own.
    // The graph stays Idle: it reports no position and plays nothing as far as its
    // callers can tell, just as for a still.
    BOOL Animate();
    // The seek is carried out on the transport thread and reported by UM_GRAPH_SEEK_DONE,
    // for a graph that is not running once it shows the frame of the new place. TRUE when
    // it was handed on. The newest request wins.
    BOOL SeekAsync(double tenths);
    // Until a seek, restart or rewind has landed, the place it goes to.
    int32_t GetPosition();
    int32_t GetDuration() const;
    BOOL SetVolume(int32_t hundredthsDb);
    BOOL GetVideoDimensions(int32_t* width, int32_t* height);
    // Frames per second as a fraction; FALSE without a video stream or a known rate.
    BOOL GetFrameRate(int* num, int* den);
    BOOL SetVideoPosition(const QRect& rect);
    HRESULT InitVideoWindow(const QRect& rect);
    // Copies the open path (NUL-terminated) into a buffer of kMaxPath bytes.
    BOOL GetFileName(char* buffer);
    // A packed bitmap: BITMAPINFOHEADER (40 bytes), no colour table, 24-bit rows
    // bottom-up padded to 4 bytes. Free it with CoTaskMemFree.
    BOOL CaptureCurrentImage(uint8_t** out);
    // The subtitles of the video (a file beside it, else its first subtitle stream) are
    // drawn on the picture unless hidden; the choice holds for the files opened later.
    void ShowSubtitles(bool shown);
    bool SubtitlesShown() const;

    // Writes [start, stop] (tenths of a second) of source to target. extra: volume in
    // percent for Wav, profile index for Asf, ignored for Avi. TRUE when the conversion
    // runs; its end arrives as UM_GRAPH_COMPLETE (15) once the file is complete, a failure
    // while running as UM_GRAPH_STOPPED with GetLastError() telling why. It waits while
    // the source is read: ConvertAsync does not.
    BOOL Convert(const char* source, ConversionMode mode, const char* target, double start,
                 double stop, int32_t extra);
    // The same for the encoded kinds (MP4, WebM, FLAC, Opus, MP3), with the sound at
    // volumePercent (100 unchanged). A sound-only source gives a sound-only MP4 or WebM.
    BOOL ConvertEncoded(const char* source, EncodedKind kind, const char* target, double start,
                        double stop, int32_t volumePercent);
    // The same without waiting: the request is checked here (FALSE, GetLastError telling
    // why, when refused), the source read and the writers readied on the open's thread,
    // and UM_GRAPH_CONVERSION_STARTED (wParam: this start's ticket) tells when
    // FinishConversion completes it. Until then the graph is Opening(); a Close gives it
    // up.
    BOOL ConvertAsync(const char* source, ConversionMode mode, const char* target, double start,
                      double stop, int32_t extra);
    BOOL ConvertEncodedAsync(const char* source, EncodedKind kind, const char* target, double start,
                             double stop, int32_t volumePercent);
    // On UM_GRAPH_CONVERSION_STARTED (wParam: the ticket): S_OK when the conversion runs
    // (it ends as Convert's does), S_FALSE for a start given up since, else why it failed
    // (its boxes in TakeNotices), with nothing left open.
    HRESULT FinishConversion(uintptr_t ticket);

    // While a sound file plays without a picture, the list's next item (a sound file too)
    // is prepared behind it, so that its sound follows the current one's last sample in
    // the same output stream. TRUE when it is on its way; UM_GRAPH_NEXT_STARTED with 1
    // tells when it is heard, with 0 that it could not be played (the current item then
    // ends as before).
    BOOL QueueNext(const char* path);
    // On UM_GRAPH_NEXT_STARTED (1): the next item becomes the graph's open file, with its
    // own length and time line. FALSE when nothing prepared is being heard.
    BOOL TakeQueuedItem();
    // Gives up the prepared item (it failed, or the list changed under it).
    void DropQueuedItem();
    // The prepared item's path; empty when none.
    std::string QueuedFile() const;

    // State for the windows that borrow this graph.
    bool HasGraph() const { return m_pGB != nullptr; }
    GraphState State() const { return m_State.load(); }
    MediaContent Content() const { return m_Content; }
    int32_t Volume() const { return m_Volume; }
    // Linear gain the sound renderer applies for a volume in hundredths of a decibel.
    static double LinearGain(int32_t hundredthsDb);
    // Why the last build or conversion failed (S_OK when it did not).
    HRESULT GetLastError() const { return m_LastError.load(); }
    // The boxes the last open, FinishOpen or conversion start has for the user (the texts
    // of its failed steps), handed over once: the graph shows nothing itself, its caller
    // tells them. Each of those calls begins with none.
    Notices TakeNotices();

  private:
    // What reading the file up to its first frame found, for the interface thread.
    struct Preroll {
        HRESULT hr = E_FAIL;
        int64_t startOffset = 0;  // ns
        int64_t totalTime = 0;    // 100-ns units; 0 when not known yet
    };
    // The three steps of an open: the graph made on the interface thread, the file read
    // and cued (anywhere; it touches only the pipeline and m_Shared), then the result
    // taken over on the interface thread again.
    HRESULT PrepareOpen(const char* path);
    HRESULT MakePlaybackGraph(const std::string& path);
    Preroll PrerollFile(const std::string& path, const std::atomic<bool>& cancelled);
    HRESULT TakePreroll(const Preroll& preroll, BOOL run);
    // What TakePreroll keeps of the preroll, without the video area (any thread while the
    // open's thread has the graph). On a failure its boxes are noted and nothing is closed.
    HRESULT AdoptPreroll(const Preroll& preroll);
    // After the preroll: only a sound renderer (with its volume) got a stream.
    bool SoundOnlyRouted() const;
    // Gives up an open in progress, waiting until its thread lets go of the pipeline.
    void CancelOpen();
    // Keeps the text of a failed build step, where it has one, for TakeNotices.
    void NoteBuildFailure(HRESULT hr);
    void NoteNoVideoSize();
    // Runs work on the open's thread; `message` (wParam: a new ticket, lParam: what the
    // work returned) tells its end.
    void HandToRunner(std::function<intptr_t(const std::atomic<bool>&)> work, int message);

    BOOL BuildWavGraph(const char* target, int32_t volume);
    BOOL BuildAviGraph(const char* target);
    BOOL BuildAsfGraph(const char* target, int32_t profileIndex);
    BOOL BuildEncodedGraph(const char* target, EncodedKind kind, int32_t volumePercent);
    // The checks and the interface thread's part of a conversion's start; the rest goes to
    // the open's thread.
    BOOL StartConversion(const char* source, const char* target, double start, double stop,
                         bool soundOnly, std::function<BOOL(const char*)> build);
    // On the open's thread: the source read (when the graph was made anew), its renderers
    // replaced by the writers and the range's seek sent.
    HRESULT PrepareConversion(bool rebuilt, const std::string& target, int64_t startUnits,
                              int64_t stopUnits, const std::function<BOOL(const char*)>& build,
                              const std::atomic<bool>& cancelled);
    // The thin wait of Convert on its asynchronous start.
    BOOL AwaitConversionStart(BOOL started);

    HRESULT RenderFile(const std::string& path, const std::atomic<bool>& cancelled);
    HRESULT WaitForPreroll(const std::atomic<bool>& cancelled);
    void ClassifyContent();
    void ReleaseInterfaces();
    void EventThread();
    // A length that arrived after the open: kept, and told to the notify object.
    void ReportLateLength();
    void JoinEventThread();
    bool StartEventThread();
    bool SetPipelineState(int state);
    BOOL TogglePause(bool waitForPause);
    // What a transport step works on: the pipeline it was asked for (which the graph may
    // have given up by the time the step runs), its shared block, the notify object then,
    // and the pipeline's generation.
    struct StepTarget {
        std::shared_ptr<GstElement> pipeline;
        std::shared_ptr<GraphShared> shared;
        QObject* notify = nullptr;
        uint64_t generation = 0;
    };
    StepTarget CurrentTarget();
    // On the transport thread: waits, bounded, until the pipeline has completed its state
    // change (a paused one has prerolled), giving up when superseded. False on a failure
    // or when the bound passed.
    bool AwaitSettled(GstElement* pipeline, const std::atomic<bool>& superseded, int64_t boundNs);
    // On the transport thread, after a step: the pipeline runs or stands as the interface
    // thread asked for meanwhile. False when it would not run.
    bool ApplyAskedState(const StepTarget& target);
    // The step's place is reached and its outcome told, unless its pipeline was given up.
    void Report(const StepTarget& target, int32_t tenths, int message, intptr_t wParam,
                intptr_t lParam);
    // Hands a seek, restart or rewind to the transport thread; until it has landed the
    // position reported is `tenths`.
    void HandSeek(int32_t tenths, std::function<void(const std::atomic<bool>&)> step);
    void HandRewind(std::function<void(const std::atomic<bool>&)> step);
    void Landed(int32_t tenths);
    void RemoveRenderer(const char* name);
    bool DetachRenderer(const char* name);
    bool DetachBothRenderers();
    bool StartRange(int64_t startUnits, int64_t stopUnits, const std::atomic<bool>& cancelled);
    // Seeks to a position of the user's time line (ns), the range's stop with it when
    // stopNs is not negative; through `target` when given, else through the pipeline.
    bool SeekStream(GraphShared& shared, GstElement* pipeline, GstPad* target, int64_t positionNs,
                    int64_t stopNs);
    bool SeekStream(const StepTarget& target, int64_t positionNs, int64_t stopNs);
    // Hands the pipeline, and what only it uses, to the retiring thread, which stops and
    // frees it; the graph is empty at once.
    void RetirePipeline();
    // The reports of the closed file still queued for the notify object go with it.
    void ForgetQueuedReports();
    // The video area is being destroyed: the graph stops drawing into it at once.
    void OnSurfaceGone();

    GstElement* m_pGB = nullptr;  // the pipeline
    GstBus* m_pME = nullptr;      // graph events
    GstElement* m_pVW = nullptr;  // the connected video renderer, if any
    GstElement* m_pBA = nullptr;  // volume of the connected sound renderer, if any
    QObject* m_hwnd = nullptr;
    QObject* m_hwndNotify = nullptr;
    VideoSurface* m_pSurface = nullptr;
    std::thread m_hThread;
    std::atomic<bool> m_bThreadAlive{false};
    Event m_Wake;           // cuts the event thread's sleep short when the graph closes
    bool m_bSpent = false;  // a conversion ran: the graph must not write again
    std::atomic<bool> m_bQuietEnd{false};  // the event thread ends without a final message
    std::atomic<GraphState> m_State{GraphState::Ended};
    int32_t m_Volume = 0;
    MediaContent m_Content = MediaContent::None;
    QRect m_Rect;
    // Both read by the event thread for its position reports; the next item brings its own.
    std::atomic<int64_t> m_TotalTime{0};
    std::atomic<int64_t> m_StartOffset{0};  // ns where the file's time line starts
    std::string m_szFile;
    std::string m_szFilterPath;
    std::atomic<HRESULT> m_LastError{S_OK};
    Notices m_Notices;  // interface thread only

    std::shared_ptr<GraphShared> m_Shared;  // what streaming threads may touch
    std::unique_ptr<VideoOutput> m_pVideo;  // the picture side: renderer, frames, capture

    // A sound-only playback graph joins the list's items in one renderer: the branch of
    // the item heard and the one prepared after it.
    bool m_bJoinable = false;
    std::unique_ptr<ItemBranch> m_Current;
    std::unique_ptr<ItemBranch> m_Queued;
    std::atomic<GstObject*> m_QueuedWatch{nullptr};  // for the event thread: its errors

    std::unique_ptr<TransportRunner> m_Transport;
    // Counts the pipelines given up (under m_StateLock): a step of an earlier one is stale.
    uint64_t m_Generation = 0;
    std::unique_ptr<PipelineRetirer> m_Retirer;
    // Held while the state is changed together with the pipeline's, by either thread, so
    // that the transport thread's last step and a pause or run between never cross.
    std::mutex m_StateLock;
    // Tenths of the place a seek, restart or rewind in hand goes to; -1 when none.
    std::atomic<int32_t> m_SeekTarget{-1};
    std::mutex m_LandedLock;
    std::condition_variable m_LandedSignal;  // m_SeekTarget went back to -1

    // The open file is an animated picture of this size (empty: it is not).
    QSize m_AnimationSize;
    // The open in progress, if any: its ticket, run flag and, once read, what it found.
    std::unique_ptr<OpenRunner> m_Opener;
    bool m_bOpening = false;
    bool m_bConverting = false;        // the open's thread is starting a conversion
    HRESULT m_StartResult = E_FAIL;    // its outcome, once reported
    bool m_bAwaitingRegistry = false;  // the first open waits for GStreamer's registry
    uintptr_t m_OpenTicket = 0;
    BOOL m_bRunWhenOpen = FALSE;
    Preroll m_Preroll;

    // A running conversion writes beside its target and renames it there when complete.
    ConversionFile m_Conversion;
};

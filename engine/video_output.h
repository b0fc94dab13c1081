// The picture side of a playback graph: its video renderer (a bin named "VideoRenderer")
// and the way frames reach the video area.
//
// - Embedded: a sink of the media framework draws into the area's native window. XVideo and
//   OpenGL sinks scale on the graphics hardware; for plain X images the frames are
//   converted and scaled to the area's size in one pass before the sink.
// - Painted: frames are converted and scaled to the area's size in one pass and handed to
//   the widget without a copy; it paints them as they are.
// - Hidden: no area (a graph for sound, or a test); frames are kept, never converted.
//
// In every path the frames that enter the renderer are kept at the video's own size for
// still capture, and for the picture at a new size of the area while no frame comes.
#pragma once

#include <QObject>
#include <QRect>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/recent_frames.h"
#include "engine/still_scaler.h"
#include "engine/video_sink_choice.h"
#include "engine/video_surface.h"

typedef struct _GstElement GstElement;

constexpr const char* kVideoRendererName = "VideoRenderer";

enum class VideoPath { Hidden, Painted, Embedded };

class VideoOutput : public QObject, private VideoSurfaceClient {
  public:
    VideoOutput();
    ~VideoOutput() override;

    // Told when the video area is destroyed while a graph may draw into it (UI thread).
    void SetSurfaceGoneHandler(std::function<void()> handler) { m_OnGone = std::move(handler); }

    // Where the picture goes (null: nowhere); registers with the surface for its exposures
    // and its end.
    void SetSurface(VideoSurface* surface);
    // A new renderer (floating) for the surface, with the video at rect inside it; null when
    // an element is missing. Forgets the previous renderer. A renderer for a surface draws
    // the subtitles of sideSubtitle (a file) or, without one, of a stream linked to its
    // kSubtitlePadName pad, at the size the picture is shown.
    GstElement* MakeRenderer(const QRect& rect, const std::string& sideSubtitle = {});
    // Subtitles shown or hidden, now and for the renderers made later.
    void ShowSubtitles(bool shown);
    bool SubtitlesShown() const { return m_bSubtitlesShown; }
    // The renderer got its stream: the picture is shown (UI thread).
    void Attach();
    // Moves and sizes the video inside the surface (UI thread).
    void SetVideoRect(const QRect& rect);
    // The graph is gone: nothing reaches the surface any more, the frames are dropped.
    void Release();

    // The video's own size (upright, as its rotation tag says) and frame rate.
    bool VideoSize(int32_t* width, int32_t* height) const;
    bool FrameRate(int* num, int* den) const;
    // The frame on screen as a packed 24-bit bitmap (see FrameDib), or null.
    uint8_t* CaptureDib() const;

    // The newest painted frame, for the widget (streaming threads write it); one for each
    // renderer, which its callbacks keep for as long as its pipeline may call them.
    struct Painted;
    // A still scaled on the scaler's thread, with its ticket.
    struct ScaledStill;

  protected:
    bool event(QEvent* e) override;

  private:
    void SurfaceExposed() override;
    void SurfaceGone() override;
    void SetTargetSize(QSize size);
    void ShowStill(QSize size);
    void PresentStill(const QImage& still);
    // A fresh block for the next renderer's frames; the previous one stops reporting.
    void RenewFrameBlocks();

    std::function<void()> m_OnGone;
    VideoSurface* m_pSurface = nullptr;
    VideoPath m_Path = VideoPath::Hidden;
    VideoSinkChoice m_Choice;
    GstElement* m_pBin = nullptr;  // one reference each, while a graph holds them
    GstElement* m_pSink = nullptr;
    GstElement* m_pFilter = nullptr;     // size (and format) of the scaling pass, if any
    GstElement* m_pSubtitles = nullptr;  // the subtitle overlay, if any
    GstPad* m_pUpright = nullptr;        // where the picture is upright, at its own size
    QSize m_Size;
    bool m_bAttached = false;
    bool m_bSubtitlesShown = true;

    std::shared_ptr<RecentFrames> m_Recent;
    std::shared_ptr<Painted> m_pPainted;
    std::unique_ptr<ScaledStill> m_pStill;
    // After m_pStill, which it reports into; stills of another ticket are stale.
    std::unique_ptr<StillScaler> m_pScaler;
    unsigned m_StillTicket = 0;
};

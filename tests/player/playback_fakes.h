// Recording fakes of the ports the playing logic drives.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "player/playback_ports.h"

namespace fakes {

using player::EngineId;

struct CallLog {
    std::vector<std::string> calls;
    void Add(const std::string& c) { calls.push_back(c); }
    bool Has(const std::string& c) const {
        for (const auto& x : calls)
            if (x == c)
                return true;
        return false;
    }
    int Count(const std::string& c) const {
        int n = 0;
        for (const auto& x : calls) n += x == c;
        return n;
    }
};

class FakeGraph : public player::GraphPort {
  public:
    explicit FakeGraph(CallLog& log) : m_log(log) {}
    bool SetWindows(VideoSurface* owner, const QRect* rect) override {
        m_log.Add(owner ? "graph.SetWindows(video)" : "graph.SetWindows(none)");
        lastRect = rect ? *rect : QRect();
        state = Ended;
        hasGraph = false;
        opening = false;
        return true;
    }
    // An open stays in progress until the test hands its ticket to the controller.
    OpenResult OpenAsync(const std::string& path) override {
        m_log.Add("graph.Open(" + path + ")");
        if (refused.count(path))
            return {Opened::No, NoticesOf(path)};
        file = path;
        hasGraph = true;
        state = Idle;
        opening = true;
        ticket += 1;
        return {Opened::Yes, {}};
    }
    bool Opening() override { return opening; }
    OpenResult FinishOpen(intptr_t t) override {
        m_log.Add("graph.FinishOpen");
        if (!opening || t != ticket)
            return {Opened::Stale, {}};
        opening = false;
        if (unreadable.count(file)) {
            hasGraph = false;
            state = Ended;
            return {Opened::No, NoticesOf(file)};
        }
        return {Opened::Yes, {}};
    }
    bool GetVideoDimensions(int* w, int* h) override {
        auto it = dims.find(file);
        if (it == dims.end())
            return false;
        *w = it->second.first;
        *h = it->second.second;
        return true;
    }
    int GetDuration() override { return durations.count(file) ? durations[file] : 0; }
    bool Restart() override {
        m_log.Add("graph.Restart");
        if (failing.count(file))
            return false;
        state = Running;
        return true;
    }
    bool PlayPause() override {
        m_log.Add("graph.PlayPause");
        state = (state == Idle || state == Paused) ? Running : Paused;
        return true;
    }
    bool Seek(double t) override {
        m_log.Add("graph.Seek(" + std::to_string(static_cast<int>(t)) + ")");
        return seekOk;
    }
    bool SetVolume(int v) override {
        volume = v;
        return true;
    }
    std::string GetFileName() override { return file; }
    void Close() override {
        m_log.Add("graph.Close");
        state = Ended;
        hasGraph = false;
        opening = false;
    }
    State GetState() override { return state; }
    bool HasGraph() override { return hasGraph; }
    bool QueueNext(const std::string& path) override {
        m_log.Add("graph.QueueNext(" + path + ")");
        if (!hasGraph || !queueAccepted)
            return false;
        queued = path;
        return true;
    }
    bool TakeQueuedItem() override {
        m_log.Add("graph.TakeQueuedItem");
        if (queued.empty())
            return false;
        file = queued;
        queued.clear();
        return true;
    }
    void DropQueuedItem() override {
        m_log.Add("graph.DropQueuedItem");
        queued.clear();
    }

    std::map<std::string, int> durations;
    std::string queued;
    bool queueAccepted = true;
    std::map<std::string, std::pair<int, int>> dims;
    std::map<std::string, bool> failing;     // the start fails
    std::map<std::string, bool> refused;     // the open is refused at once
    std::map<std::string, bool> unreadable;  // the open fails once the file is read
    std::map<std::string, Notices> notices;  // what a refused or unreadable file's open tells
    bool opening = false;
    intptr_t ticket = 0;
    std::string file;
    State state = Ended;
    bool hasGraph = false;
    bool seekOk = true;
    int volume = 1;
    QRect lastRect;

  private:
    Notices NoticesOf(const std::string& path) {
        auto it = notices.find(path);
        return it == notices.end() ? Notices() : it->second;
    }
    CallLog& m_log;
};

class FakeOgg : public player::OggPort {
  public:
    explicit FakeOgg(CallLog& log) : m_log(log) {}
    bool IsLoaded() override { return loaded; }
    void Init(IDirectSound* device) override {
        m_log.Add(device ? "ogg.Init(device)" : "ogg.Init(null)");
    }
    int Open(const std::string& path, double* seconds) override {
        m_log.Add("ogg.Open(" + path + ")");
        if (!loaded || openFails)
            return 0;
        *seconds = lengthSeconds;
        file = path;
        active = true;
        return 1;
    }
    void Close() override {
        m_log.Add("ogg.Close");
        active = playing = paused = false;
    }
    int Play() override {
        m_log.Add("ogg.Play");
        playing = active;
        paused = false;
        return active ? 1 : 0;
    }
    void Pause() override {
        m_log.Add("ogg.Pause");
        playing = false;
        paused = true;
    }
    int SetTime(double s) override {
        seekSeconds = s;
        return active ? 1 : 0;
    }
    int IsActive() override { return active; }
    int IsPlay() override { return playing; }
    int IsPause() override { return paused; }
    std::string GetFile() override { return active ? file : std::string(); }

    bool loaded = true;
    bool openFails = false;
    double lengthSeconds = 12.39;
    double seekSeconds = -1;
    bool active = false, playing = false, paused = false;
    std::string file;

  private:
    CallLog& m_log;
};

class FakeSound : public player::SoundPort {
  public:
    explicit FakeSound(CallLog& log) : m_log(log) {}
    bool Create() override {
        m_log.Add("sound.Create");
        created = !createFails;
        return created;
    }
    void Release() override {
        m_log.Add("sound.Release");
        created = false;
    }
    void SetPrimaryVolume(int v) override { volume = v; }
    IDirectSound* Device() override {
        return created ? reinterpret_cast<IDirectSound*>(this) : nullptr;
    }

    bool created = false, createFails = false;
    int volume = 1;

  private:
    CallLog& m_log;
};

// The playlist's extension rules, reduced to what the tests use.
class FakeRules : public player::MediaRulesPort {
  public:
    bool oggLoaded = true;
    std::string UpperExtensionOf(const std::string& path) override {
        auto dot = path.rfind('.');
        std::string e = dot == std::string::npos ? path : path.substr(dot + 1);
        for (auto& c : e) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        return e;
    }
    EngineId EngineForExtension(const std::string& e) override {
        if (IsVideoExtension(e) || IsImageExtension(e))
            return player::kEngineGraph;
        if (e == "OGG")
            return player::kEngineOgg;
        return IsAudioExtension(e) ? player::kEngineGraph : player::kEngineNone;
    }
    bool IsVideoExtension(const std::string& e) override { return e == "AVI" || e == "WMV"; }
    bool IsImageExtension(const std::string& e) override { return e == "JPG" || e == "BMP"; }
    bool IsAudioExtension(const std::string& e) override {
        return e == "WAV" || e == "MP3" || (e == "OGG" && oggLoaded);
    }
};

class FakeList : public player::ListPort {
  public:
    std::vector<std::string> rows;
    int selected = -1;
    int RowCount() override { return static_cast<int>(rows.size()); }
    std::string PathOf(int row) override {
        return row >= 0 && row < RowCount() ? rows[static_cast<size_t>(row)] : std::string();
    }
    int SelectedRow() override { return selected; }
    void SelectAndFocus(int row) override { selected = row; }
    void MarkPlaying(int row) override { playing = row; }
    int PlayingRow() override { return playing; }
    int playing = -1;
};

class FakeViewer : public player::ViewerPort {
  public:
    explicit FakeViewer(CallLog& log) : m_log(log) {}
    bool Exists() override { return exists; }
    bool Create() override {
        m_log.Add("viewer.Create");
        exists = !createFails;
        return exists;
    }
    bool IsVisible() override { return visible; }
    void Show() override { visible = true; }
    void Hide() override { visible = false; }
    void SetEngine(EngineId e) override { engine = e; }
    void SetPicture(bool p) override { picture = p; }
    void ShowVideoArea(bool s) override { areaShown = s; }
    VideoSurface* VideoArea() override { return reinterpret_cast<VideoSurface*>(this); }
    QRect VideoAreaRect() override { return QRect(0, 0, 290, 195); }
    void FitToVideo(int w, int h, bool resize) override {
        m_log.Add("viewer.Fit(" + std::to_string(w) + "x" + std::to_string(h) +
                  (resize ? ",resize)" : ",keep)"));
    }

    bool exists = false, createFails = false, visible = false, picture = false, areaShown = false;
    EngineId engine = -1;

  private:
    CallLog& m_log;
};

class FakeDisplay : public player::DisplayPort {
  public:
    explicit FakeDisplay(CallLog& log) : m_log(log) {}
    void ShowPauseButton(bool p) override { pauseShown = p; }
    void EnableSeek(bool e) override { seekEnabled = e; }
    void SetSeekRange(int m) override { seekMax = m; }
    void SetSeekPos(int t) override { seekPos = t; }
    int SeekPos() override { return seekPos; }
    int VolumePos() override { return volumePos; }
    void SetWaitCursor(bool w) override { waitCursor = w; }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowNotice(const Notice& notice) override {
        shownNotices.push_back(notice);
        if (whileNoticeShows)
            whileNoticeShows();  // what the user does while the box runs its event loop
    }
    void DropStaleGraphReports() override { m_log.Add("drop.graph"); }
    void DropStaleOggReports() override { m_log.Add("drop.ogg"); }

    bool pauseShown = false, seekEnabled = false, waitCursor = false;
    int seekMax = -1, seekPos = 0, volumePos = 50;
    std::vector<std::string> messages;
    Notices shownNotices;
    std::function<void()> whileNoticeShows;

  private:
    CallLog& m_log;
};

}  // namespace fakes

// The MPRIS view of the player without a bus: metadata and track ids, which changes are
// announced, how Seek, SetPosition, Volume and OpenUri map onto the window's controls, and
// that commands run later from the event loop, go to the button the window shows, and are
// dropped while a dialog holds the input.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <cmath>
#include <limits>
#include <vector>

#include "app/mpris_player_adaptor.h"
#include "app/mpris_properties.h"
#include "app/mpris_root_adaptor.h"
#include "app/mpris_service.h"

namespace {

MediaState PlayingAt(int row, const std::string& path, int length, int position) {
    MediaState s;
    s.status = MediaState::Playing;
    s.row = row;
    s.path = path;
    s.lengthTenths = length;
    s.positionTenths = position;
    s.canPause = true;
    s.canSeek = length > 0;
    return s;
}

class FakeControl : public MediaControl {
  public:
    MediaState State() override { return state; }
    bool Busy() override { return busy; }
    void Play() override {
        Record("play");
        state.status = MediaState::Playing;
    }
    void Pause() override {
        Record("pause");
        state.status = MediaState::Paused;
    }
    void Stop() override {
        Record("stop");
        state.status = MediaState::Stopped;
    }
    void Next() override { Record("next"); }
    void Previous() override { Record("previous"); }
    void SeekTo(int tenths) override {
        Record("seek " + std::to_string(tenths));
        state.positionTenths = tenths;
    }
    void SetVolume(int position) override {
        Record("volume " + std::to_string(position));
        state.volume = position;
    }
    void OpenFile(const std::string& path) override { Record("open " + path); }
    void Raise() override { Record("raise"); }
    void Quit() override { Record("quit"); }
    void SetListeners(std::function<void()> c, std::function<void()> s) override {
        changed = std::move(c);
        seeked = std::move(s);
    }

    void Record(const std::string& what) { calls.push_back(what); }

    MediaState state;
    bool busy = false;
    std::vector<std::string> calls;
    std::function<void()> changed;
    std::function<void()> seeked;
};

void RunQueued() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

}  // namespace

TEST(MprisProperties, TagsFillTheMetadataAlsoWhileStopped) {
    MediaState s = PlayingAt(0, "/music/a.flac", 57, 10);
    s.title = "Blue Sky";
    s.artists = {"Ann", "Bob"};
    s.album = "Albüm";
    s.tagLengthMs = 5743;
    s.artPath = "/cache/art/0f 1.jpg";
    QVariantMap m = mpris::Metadata(s);
    EXPECT_EQ(m.value("xesam:title").toString(), "Blue Sky");
    ASSERT_EQ(m.value("xesam:artist").metaType(), QMetaType::fromType<QStringList>())
        << "the interface's artist is a list";
    EXPECT_EQ(m.value("xesam:artist").toStringList(), (QStringList{"Ann", "Bob"}));
    EXPECT_EQ(m.value("xesam:album").toString(), "Albüm");
    EXPECT_EQ(m.value("mpris:artUrl").toString(), "file:///cache/art/0f%201.jpg");
    EXPECT_EQ(m.value("mpris:length").toLongLong(), 5700000) << "the open item's own figure";

    s.status = MediaState::Stopped;
    m = mpris::Metadata(s);
    ASSERT_EQ(m.value("mpris:length").metaType(), QMetaType::fromType<qlonglong>());
    EXPECT_EQ(m.value("mpris:length").toLongLong(), 5743000) << "the tags' length";

    // Tags arriving for the shown row are announced.
    MediaState before = s;
    before.title.clear();
    const QVariantMap changed = mpris::ChangedValues(mpris::AnnouncedPlayerProperties(before),
                                                     mpris::AnnouncedPlayerProperties(s));
    EXPECT_EQ(changed.keys(), QStringList{"Metadata"});
}

TEST(MprisProperties, MetadataDescribesTheCurrentRow) {
    EXPECT_TRUE(mpris::Metadata(MediaState{}).isEmpty()) << "no current row, no track";
    EXPECT_EQ(mpris::TrackId(MediaState{}).path(),
              QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));

    const MediaState s = PlayingAt(2, "/music/新しい曲 1.wav", 57, 10);
    const QVariantMap m = mpris::Metadata(s);
    ASSERT_EQ(m.value("mpris:trackid").metaType(), QMetaType::fromType<QDBusObjectPath>());
    EXPECT_EQ(m.value("mpris:trackid").value<QDBusObjectPath>().path(), mpris::TrackId(s).path());
    EXPECT_EQ(m.value("xesam:url").toString(),
              QStringLiteral("file:///music/%E6%96%B0%E3%81%97%E3%81%84%E6%9B%B2%201.wav"));
    EXPECT_EQ(m.value("xesam:title").toString(), QStringLiteral("新しい曲 1.wav"));
    ASSERT_EQ(m.value("mpris:length").metaType(), QMetaType::fromType<qlonglong>());
    EXPECT_EQ(m.value("mpris:length").toLongLong(), 5700000);

    MediaState stopped = s;
    stopped.status = MediaState::Stopped;
    EXPECT_FALSE(mpris::Metadata(stopped).contains("mpris:length"))
        << "a stopped item whose tags are not read has no length to show";
    EXPECT_FALSE(mpris::Metadata(stopped).contains("xesam:artist"));
    EXPECT_FALSE(mpris::Metadata(stopped).contains("mpris:artUrl"));

    // The id is a valid object path and changes with the file under the same row.
    const QString id = mpris::TrackId(s).path();
    EXPECT_TRUE(QDBusObjectPath(id).path() == id);
    EXPECT_NE(id, mpris::TrackId(PlayingAt(2, "/music/other.wav", 57, 0)).path());
    EXPECT_NE(id, mpris::TrackId(PlayingAt(3, s.path, 57, 0)).path());
    EXPECT_EQ(id, mpris::TrackId(PlayingAt(2, s.path, 99, 40)).path());
}

TEST(MprisProperties, OnlyRealChangesAreAnnounced) {
    MediaState a = PlayingAt(0, "/a.wav", 50, 10);
    MediaState b = a;
    b.positionTenths = 30;  // position is never announced, only Seeked
    EXPECT_TRUE(mpris::ChangedValues(mpris::AnnouncedPlayerProperties(a),
                                     mpris::AnnouncedPlayerProperties(b))
                    .isEmpty());

    b.status = MediaState::Paused;
    b.volume = 20;
    QVariantMap changed = mpris::ChangedValues(mpris::AnnouncedPlayerProperties(a),
                                               mpris::AnnouncedPlayerProperties(b));
    EXPECT_EQ(changed.keys(), (QStringList{"PlaybackStatus", "Volume"}));
    EXPECT_EQ(changed.value("PlaybackStatus").toString(), QStringLiteral("Paused"));
    EXPECT_DOUBLE_EQ(changed.value("Volume").toDouble(), 0.2);

    MediaState c = a;
    c.row = 1;
    c.path = "/b.wav";
    c.canGoPrevious = true;
    changed = mpris::ChangedValues(mpris::AnnouncedPlayerProperties(a),
                                   mpris::AnnouncedPlayerProperties(c));
    EXPECT_EQ(changed.keys(), (QStringList{"CanGoPrevious", "Metadata"}));
    EXPECT_EQ(changed.value("Metadata").toMap().value("xesam:title").toString(), "b.wav");
    // Everything is new against nothing.
    EXPECT_EQ(mpris::ChangedValues({}, mpris::AnnouncedPlayerProperties(a)).size(), 8);
}

TEST(MprisProperties, SeekAndSetPositionStayWithinTheTrack) {
    const MediaState s = PlayingAt(0, "/a.wav", 100, 40);  // 10 s long, at 4 s
    auto seek = [&](qint64 offset) { return mpris::PlanSeek(s, offset); };
    EXPECT_EQ(seek(2500000).kind, mpris::SeekPlan::SeekTo);
    EXPECT_EQ(seek(2500000).tenths, 65);
    EXPECT_EQ(seek(-1000000).tenths, 30);
    EXPECT_EQ(seek(-9000000).kind, mpris::SeekPlan::SeekTo);
    EXPECT_EQ(seek(-9000000).tenths, 0) << "before the start means the start";
    EXPECT_EQ(seek(6000000).tenths, 100) << "exactly the end is still within";
    EXPECT_EQ(seek(6000001).kind, mpris::SeekPlan::Next) << "past the end acts like Next";
    EXPECT_EQ(seek(std::numeric_limits<qint64>::max()).kind, mpris::SeekPlan::Next);
    EXPECT_EQ(seek(std::numeric_limits<qint64>::min()).tenths, 0);

    MediaState fixed = s;
    fixed.canSeek = false;
    EXPECT_EQ(mpris::PlanSeek(fixed, 1000000).kind, mpris::SeekPlan::Ignore);
    EXPECT_EQ(mpris::PlanSeek(MediaState{}, 1000000).kind, mpris::SeekPlan::Ignore);

    const QDBusObjectPath id = mpris::TrackId(s);
    EXPECT_EQ(mpris::PlanSetPosition(s, id, 7000000).tenths, 70);
    EXPECT_EQ(mpris::PlanSetPosition(s, id, 7000000).kind, mpris::SeekPlan::SeekTo);
    EXPECT_EQ(mpris::PlanSetPosition(s, id, -1).kind, mpris::SeekPlan::Ignore);
    EXPECT_EQ(mpris::PlanSetPosition(s, id, 10000001).kind, mpris::SeekPlan::Ignore);
    // A client that still holds the previous track's id must not move the new one.
    EXPECT_EQ(
        mpris::PlanSetPosition(s, mpris::TrackId(PlayingAt(1, "/b.wav", 100, 0)), 7000000).kind,
        mpris::SeekPlan::Ignore);
}

TEST(MprisProperties, VolumeAndUrisMapOntoTheWindow) {
    EXPECT_EQ(mpris::VolumePosition(0.5), 50);
    EXPECT_EQ(mpris::VolumePosition(0.234), 23);
    EXPECT_EQ(mpris::VolumePosition(0.236), 24);
    EXPECT_EQ(mpris::VolumePosition(-0.3), 0);
    EXPECT_EQ(mpris::VolumePosition(7.0), 100);
    EXPECT_LT(mpris::VolumePosition(std::nan("")), 0);
    EXPECT_DOUBLE_EQ(mpris::VolumeOf(73), 0.73);

    EXPECT_EQ(mpris::LocalPathOfUri("file:///tmp/a%20b.wav"), QStringLiteral("/tmp/a b.wav"));
    EXPECT_EQ(mpris::LocalPathOfUri("file:///tmp/%E6%9B%B2.ogg"), QStringLiteral("/tmp/曲.ogg"));
    EXPECT_EQ(mpris::LocalPathOfUri("/tmp/plain.wav"), QStringLiteral("/tmp/plain.wav"));
    EXPECT_TRUE(mpris::LocalPathOfUri("http://example.org/a.mp3").isEmpty());
    EXPECT_TRUE(mpris::LocalPathOfUri("file://otherhost/a.mp3").isEmpty());
    EXPECT_TRUE(mpris::LocalPathOfUri("a.wav").isEmpty());
    EXPECT_TRUE(mpris::LocalPathOfUri("").isEmpty());
}

TEST(MprisService, CommandsRunLaterThroughTheShownButton) {
    FakeControl control;
    MprisService service(control);
    MprisPlayerAdaptor& player = *service.Player();

    control.state = PlayingAt(0, "/a.wav", 100, 40);
    player.PlayPause();
    EXPECT_TRUE(control.calls.empty()) << "the bus call is answered first";
    RunQueued();
    EXPECT_EQ(control.calls, (std::vector<std::string>{"pause"}));

    player.Pause();  // paused: the pause button is hidden, so nothing
    RunQueued();
    EXPECT_EQ(control.calls, (std::vector<std::string>{"pause"}));
    player.PlayPause();  // the play button is the one shown
    RunQueued();
    EXPECT_EQ(control.calls, (std::vector<std::string>{"pause", "play"}));
    player.Play();  // playing already: nothing
    player.Next();
    player.Previous();
    player.Stop();
    player.Play();
    RunQueued();
    EXPECT_EQ(control.calls,
              (std::vector<std::string>{"pause", "play", "next", "previous", "stop", "play"}));
}

TEST(MprisService, SeeksVolumeAndOpenGoToTheSlidersAndTheList) {
    FakeControl control;
    MprisService service(control);
    MprisPlayerAdaptor& player = *service.Player();
    QSignalSpy seeked(&player, &MprisPlayerAdaptor::Seeked);
    control.state = PlayingAt(0, "/a.wav", 100, 40);

    player.Seek(-1500000);
    player.SetPosition(mpris::TrackId(control.state), 8000000);
    player.SetPosition(QDBusObjectPath("/org/veltra/track/old"), 1000000);
    RunQueued();
    EXPECT_EQ(control.calls, (std::vector<std::string>{"seek 25", "seek 80"}));
    ASSERT_EQ(seeked.count(), 2);
    EXPECT_EQ(seeked.at(0).at(0).toLongLong(), 2500000);
    EXPECT_EQ(seeked.at(1).at(0).toLongLong(), 8000000);
    EXPECT_EQ(player.Position(), 8000000);

    control.calls.clear();
    player.Seek(5000000);  // past the end
    player.SetVolume(0.25);
    player.SetVolume(std::nan(""));
    player.OpenUri("file:///media/x%20y.ogg");
    player.OpenUri("https://example.org/stream.mp3");
    RunQueued();
    EXPECT_EQ(control.calls,
              (std::vector<std::string>{"next", "volume 25", "open /media/x y.ogg"}));
    EXPECT_DOUBLE_EQ(player.Volume(), 0.25);
    EXPECT_EQ(seeked.count(), 2);

    // The user's own seek with the slider is announced as well.
    ASSERT_TRUE(control.seeked);
    control.state.positionTenths = 12;
    control.seeked();
    ASSERT_EQ(seeked.count(), 3);
    EXPECT_EQ(seeked.at(2).at(0).toLongLong(), 1200000);
}

TEST(MprisService, CommandsWaitForNoDialogExceptRaise) {
    FakeControl control;
    MprisService service(control);
    control.state = PlayingAt(0, "/a.wav", 100, 40);
    control.busy = true;
    service.Player()->PlayPause();
    service.Player()->Next();
    service.Player()->SetVolume(0.9);
    service.Root()->Quit();
    service.Root()->Raise();
    RunQueued();
    EXPECT_EQ(control.calls, (std::vector<std::string>{"raise"}));
    control.busy = false;
    service.Root()->Quit();
    RunQueued();
    EXPECT_EQ(control.calls, (std::vector<std::string>{"raise", "quit"}));
}

TEST(MprisService, ChangesAreAnnouncedOnceAndOnlyWhenTheyHappen) {
    FakeControl control;
    MprisService service(control);
    QSignalSpy announced(&service, &MprisService::Announced);
    service.Refresh();  // nothing was announced yet: the whole set goes out
    ASSERT_EQ(announced.count(), 1);
    EXPECT_EQ(announced.at(0).at(0).toMap().value("PlaybackStatus").toString(), "Stopped");

    // Several reports before the event loop runs make one comparison.
    control.state = PlayingAt(0, "/a.wav", 100, 0);
    control.changed();
    control.changed();
    control.changed();
    RunQueued();
    ASSERT_EQ(announced.count(), 2);
    const QVariantMap changed = announced.at(1).at(0).toMap();
    EXPECT_EQ(changed.value("PlaybackStatus").toString(), "Playing");
    EXPECT_TRUE(changed.contains("Metadata"));
    EXPECT_TRUE(changed.contains("CanSeek"));
    EXPECT_FALSE(changed.contains("Volume"));

    control.state.positionTenths = 55;  // playing on: nothing to announce
    control.changed();
    RunQueued();
    EXPECT_EQ(announced.count(), 2);

    // A command's own effect is announced right after it ran.
    service.Player()->PlayPause();
    RunQueued();
    ASSERT_EQ(announced.count(), 3);
    EXPECT_EQ(announced.at(2).at(0).toMap().value("PlaybackStatus").toString(), "Paused");
}

TEST(MprisService, RootPropertiesNameTheProgram) {
    FakeControl control;
    MprisService service(control);
    const MprisRootAdaptor& root = *service.Root();
    EXPECT_EQ(root.Identity(), "VELTRA");
    EXPECT_EQ(root.DesktopEntry(), "veltra");
    EXPECT_TRUE(root.CanQuit());
    EXPECT_TRUE(root.CanRaise());
    EXPECT_FALSE(root.HasTrackList());
    EXPECT_EQ(root.SupportedUriSchemes(), QStringList{"file"});
    EXPECT_TRUE(root.SupportedMimeTypes().contains("audio/x-vorbis+ogg"));
    EXPECT_FALSE(service.Started());
}

// Still capture: numbered names beside the media file, the exact BMP layout, and that
// no existing file is ever replaced behind the user's back.
#include <gtest/gtest.h>

#include <QImage>
#include <cstring>

#include "engine/still_capture.h"
#include "tests/support/media_factory.h"
#include "tests/support/scripted_prompts.h"

namespace {

uint32_t U32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t U16(const std::string& b, size_t at) {
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}

// A pattern where every pixel differs, so row order and channel order both show.
QImage Pattern(int w, int h) {
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 7 & 0xFF, y * 11 & 0xFF, (x + y) * 3 & 0xFF));
    return image;
}

// The packed bitmap a MediaGraph hands out: info header, no table, 24-bit rows bottom-up.
std::string PackedDib(const QImage& image) {
    std::string file = BitmapFileBytes(image.convertToFormat(QImage::Format_RGB888));
    return file.substr(14);
}

class FakeHost : public StillCaptureHost {
  public:
    std::string media;
    bool ogg = false;
    bool running = false;
    int pauses = 0;
    std::string dib;
    bool IsOggItem() const override { return ogg; }
    bool PreviewRunning() const override { return running; }
    void PausePreview() override {
        ++pauses;
        running = false;
    }
    bool CaptureCurrentImage(uint8_t** out) override {
        if (dib.empty())
            return false;
        *out = static_cast<uint8_t*>(CoTaskMemAlloc(dib.size()));
        std::memcpy(*out, dib.data(), dib.size());
        return true;
    }
    std::string MediaPath() const override { return media; }
    bool ChooseStillPath(const FilePromptRequest& request, std::string* path) override {
        requests.push_back(request);
        if (answers.empty())
            return false;
        *path = answers.front();
        answers.erase(answers.begin());
        return !path->empty();
    }
    std::vector<FilePromptRequest> requests;
    std::vector<std::string> answers;
};

TEST(StillCapture, NamesBesideTheMediaFile) {
    EXPECT_EQ(StillPathFor("/v/clip.avi", 0), "/v/clip_000.bmp");
    EXPECT_EQ(StillPathFor("/v/clip.avi", 999), "/v/clip_999.bmp");
    EXPECT_EQ(StillPathFor("/clip.avi", 1), "/clip_001.bmp");
    EXPECT_EQ(StillPathFor("/v/a.b.mp4", 2), "/v/a.b_002.bmp");
    EXPECT_EQ(StillPathFor("/v/.hidden", 0), "/v/.hidden_000.bmp");
}

TEST(StillCapture, HeadersAndRowsAreExact) {
    QImage image = Pattern(322, 3);  // 966 bytes of pixels, 2 of fill per row
    std::string b = BitmapFileBytes(image);
    ASSERT_EQ(b.size(), 54u + 968u * 3);
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(U32(b, 2), b.size());
    EXPECT_EQ(U32(b, 6), 0u);
    EXPECT_EQ(U32(b, 10), 54u);
    EXPECT_EQ(U32(b, 14), 40u);
    EXPECT_EQ(U32(b, 18), 322u);
    EXPECT_EQ(U32(b, 22), 3u);
    EXPECT_EQ(U16(b, 26), 1);
    EXPECT_EQ(U16(b, 28), 24);
    for (size_t at = 30; at < 54; ++at) EXPECT_EQ(b[at], 0) << at;
    for (int y = 0; y < 3; ++y) {
        size_t row = 54 + 968 * (2 - y);  // bottom row first
        for (int x = 0; x < 322; ++x) {
            QRgb p = image.pixel(x, y);
            ASSERT_EQ(uint8_t(b[row + 3 * x]), qBlue(p));
            ASSERT_EQ(uint8_t(b[row + 3 * x + 1]), qGreen(p));
            ASSERT_EQ(uint8_t(b[row + 3 * x + 2]), qRed(p));
        }
        EXPECT_EQ(b[row + 966], 0);
        EXPECT_EQ(b[row + 967], 0);
    }

    QImage rgb32 = Pattern(320, 240).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(BitmapFileBytes(rgb32).size(), 307254u);

    QImage indexed(5, 2, QImage::Format_Indexed8);
    indexed.setColorCount(3);
    indexed.setColor(2, qRgb(1, 2, 3));
    indexed.fill(2);
    std::string i8 = BitmapFileBytes(indexed);
    EXPECT_EQ(U32(i8, 10), 1078u);
    EXPECT_EQ(i8.size(), 1078u + 8 * 2);
    EXPECT_EQ(i8.substr(54 + 8, 4), std::string("\x03\x02\x01\x00", 4));
    EXPECT_EQ(i8.substr(54 + 12, 4), std::string(4, '\0'));  // entries not given stay 0

    QImage mono(9, 1, QImage::Format_Mono);
    mono.fill(1);
    std::string m1 = BitmapFileBytes(mono);
    EXPECT_EQ(U32(m1, 10), 62u);
    EXPECT_EQ(U16(m1, 28), 1);
    EXPECT_EQ(uint8_t(m1[62]), 0xFF);
    EXPECT_EQ(uint8_t(m1[63]), 0x80);  // the bits past pixel 9 are fill
}

TEST(StillCapture, PackedBitmapRoundTrips) {
    QImage image = Pattern(17, 5);
    std::string dib = PackedDib(image);
    QImage back = ImageFromPackedDib(reinterpret_cast<const uint8_t*>(dib.data()), dib.size());
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.depth(), 24);
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB888), image);
    // A buffer shorter than its header claims is refused, not overrun.
    EXPECT_TRUE(
        ImageFromPackedDib(reinterpret_cast<const uint8_t*>(dib.data()), dib.size() - 1).isNull());
    EXPECT_TRUE(ImageFromPackedDib(nullptr).isNull());
}

TEST(StillCapture, NumbersFillGapsAndNeverReplaceFiles) {
    std::string dir = testmedia::MakeTempDir("still");
    FakeHost host;
    host.media = dir + "/clip.avi";
    host.running = true;
    QImage image = Pattern(32, 24);
    host.dib = PackedDib(image);
    testmedia::WriteBytes(dir, "clip_000.bmp", "mine");
    testmedia::WriteBytes(dir, "clip_002.bmp", "mine too");

    StillOutcome still = CaptureStill(host);
    ASSERT_TRUE(still);
    EXPECT_EQ(still.path, dir + "/clip_001.bmp");
    EXPECT_EQ(host.pauses, 1);
    EXPECT_EQ(StillOutcomeText(still), still.path + " に\nサムネイルを作成しました。");
    std::string file = testmedia::ReadFile(still.path);
    EXPECT_EQ(file, BitmapFileBytes(image));

    still = CaptureStill(host);
    ASSERT_TRUE(still);
    EXPECT_EQ(still.path, dir + "/clip_003.bmp");
    EXPECT_EQ(testmedia::ReadFile(dir + "/clip_000.bmp"), "mine");
    EXPECT_EQ(testmedia::ReadFile(dir + "/clip_002.bmp"), "mine too");

    EXPECT_FALSE(SaveBitmapFile(image, dir + "/clip_000.bmp"));
    EXPECT_EQ(testmedia::ReadFile(dir + "/clip_000.bmp"), "mine");
    EXPECT_TRUE(SaveBitmapFile(image, dir + "/clip_000.bmp", true));
    EXPECT_EQ(testmedia::ReadFile(dir + "/clip_000.bmp"), file);
    testmedia::RemoveTree(dir);
}

TEST(StillCapture, FailuresAreToldAndNothingIsShownByTheCapture) {
    std::string dir = testmedia::MakeTempDir("still_fail");
    ScriptedPrompts prompts;
    FakeHost host;
    host.media = dir + "/clip.avi";
    StillOutcome still = CaptureStill(host);  // no frame
    EXPECT_EQ(still.kind, StillOutcome::Kind::CaptureFailed);
    EXPECT_FALSE(still);
    EXPECT_EQ(StillOutcomeText(still), "サムネイルの取得に失敗しました。");

    host.dib = PackedDib(Pattern(8, 8));
    host.media = dir + "/missing/clip.avi";
    still = CaptureStill(host);
    EXPECT_EQ(still.kind, StillOutcome::Kind::SaveFailed);
    EXPECT_EQ(StillOutcomeText(still), "サムネイルの作成に失敗しました。");

    host.ogg = true;
    still = CaptureStill(host);
    EXPECT_EQ(still.kind, StillOutcome::Kind::NotOffered);
    EXPECT_EQ(StillOutcomeText(still), "");
    EXPECT_TRUE(prompts.Boxes().empty()) << "the editor tells the user, not the capture";
    testmedia::RemoveTree(dir);
}

TEST(StillCapture, AllNumbersTakenAsksForAName) {
    std::string dir = testmedia::MakeTempDir("still_full");
    for (int i = 0; i < 1000; ++i) {
        std::string name = StillPathFor(dir + "/clip.avi", i);
        testmedia::WriteBytes(dir, name.substr(name.rfind('/') + 1), "");
    }
    FakeHost host;
    host.media = dir + "/clip.avi";
    host.dib = PackedDib(Pattern(8, 8));
    StillOutcome still = CaptureStill(host);  // declined
    EXPECT_EQ(still.kind, StillOutcome::Kind::Declined);
    EXPECT_EQ(StillOutcomeText(still), "");
    ASSERT_EQ(host.requests.size(), 1u);
    EXPECT_TRUE(host.requests[0].save);
    EXPECT_EQ(host.requests[0].initialPath, dir + "/clip_999.bmp");
    EXPECT_EQ(host.requests[0].filter, "Still Files (*.bmp)|*.bmp||");

    host.answers = {dir + "/chosen.bmp"};
    still = CaptureStill(host);
    EXPECT_TRUE(still);
    EXPECT_EQ(still.path, dir + "/chosen.bmp");
    testmedia::RemoveTree(dir);
}

}  // namespace

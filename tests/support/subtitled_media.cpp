#include "tests/support/subtitled_media.h"

#include <cstdio>
#include <filesystem>

#include "tests/support/media_factory.h"

namespace testmedia {

namespace {

std::string Clock(double seconds, const char* fraction) {
    const int centis = static_cast<int>(seconds * 100 + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d%s%02d", centis / 360000, centis / 6000 % 60,
                  centis / 100 % 60, fraction, centis % 100);
    return text;
}

}  // namespace

std::string Srt(const std::string& dir, const std::string& name, double start, double end,
                const std::string& text) {
    return WriteBytes(
        dir, name, "1\n" + Clock(start, ",") + "0 --> " + Clock(end, ",") + "0\n" + text + "\n\n");
}

std::string Ass(const std::string& dir, const std::string& name, double start, double end,
                const std::string& text) {
    auto clock = [](double s) { return Clock(s, ".").substr(1); };  // h:mm:ss.cc
    return WriteBytes(
        dir, name,
        "[Script Info]\nScriptType: v4.00+\nPlayResX: 320\nPlayResY: 240\n\n"
        "[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, "
        "OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, "
        "Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n"
        "Style: Default,Sans,28,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,-1,0,0,0,100,100,"
        "0,0,1,2,0,2,10,10,10,1\n\n"
        "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, "
        "Text\nDialogue: 0," +
            clock(start) + "," + clock(end) + ",Default,,0,0,0,," + text + "\n");
}

std::string PlainVideo(const std::string& dir, const std::string& name, double seconds, int width,
                       int height, const std::string& subtitles) {
    const std::string out = dir + "/" + name;
    const std::string ext = std::filesystem::path(name).extension().string();
    const std::string length = std::to_string(seconds);
    std::string subs;
    if (!subtitles.empty()) {
        const bool ass = std::filesystem::path(subtitles).extension() == ".ass";
        subs = " -i '" + subtitles + "' -map 2:s -c:s " +
               (ext == ".mp4" ? "mov_text"
                : ass         ? "ass"
                              : "srt");
    }
    const std::string command =
        "ffmpeg -v error -y -f lavfi -i color=c=0x203060:s=" + std::to_string(width) + "x" +
        std::to_string(height) + ":r=25:d=" + length + " -f lavfi -i sine=d=" + length + subs +
        " -map 0:v -map 1:a -c:v mpeg4 -q:v 3 -pix_fmt yuv420p -c:a " +
        (ext == ".avi" ? "pcm_s16le" : "aac") + " '" + out + "'";
    return Run(command) ? out : std::string();
}

int LightPixels(const QImage& image, const QRect& rect) {
    int n = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb c = image.pixel(x, y);
            n += qRed(c) >= 200 && qGreen(c) >= 200 && qBlue(c) >= 200;
        }
    return n;
}

}  // namespace testmedia

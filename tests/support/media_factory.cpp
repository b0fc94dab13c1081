#include "tests/support/media_factory.h"

#include <QColor>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace testmedia {
namespace {

std::string Ext(const std::string& name) {
    auto dot = name.rfind('.');
    return dot == std::string::npos ? "" : name.substr(dot + 1);
}

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string Launch(const std::string& pipeline) {
    // A crashing element must fail the generator, not leave it spinning for a debugger.
    return "timeout -k 5 120 gst-launch-1.0 -q --no-fault " + pipeline + " >/dev/null 2>&1";
}

std::string AudioSource(double seconds, int rate, int channels, int freq) {
    int perBuffer = rate / 10;
    int buffers = static_cast<int>(seconds * 10 + 0.5);
    std::ostringstream s;
    s << "audiotestsrc num-buffers=" << buffers << " samplesperbuffer=" << perBuffer
      << " freq=" << freq << " ! audio/x-raw,format=S16LE,layout=interleaved,rate=" << rate
      << ",channels=" << channels;
    return s.str();
}

}  // namespace

std::string MakeTempDir(const std::string& tag) {
    std::random_device rd;
    for (int i = 0; i < 100; ++i) {
        fs::path p = fs::temp_directory_path() /
                     ("veltra-" + tag + "-" + std::to_string(rd() % 1000000000u));
        std::error_code ec;
        if (fs::create_directory(p, ec))
            return p.string();
    }
    return {};
}

void RemoveTree(const std::string& dir) {
    std::error_code ec;
    if (!dir.empty())
        fs::remove_all(dir, ec);
}

bool Run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

std::string Tone(const std::string& dir, const std::string& name, double seconds, int rate,
                 int channels, int freq) {
    std::string out = (fs::path(dir) / name).string();
    std::string ext = Ext(name);
    std::string src = AudioSource(seconds, rate, channels, freq);
    bool ok = false;
    if (ext == "wav") {
        ok = Run(Launch(src + " ! wavenc ! filesink location=" + Quote(out)));
    } else if (ext == "mp3") {
        ok = Run(Launch(src + " ! audioconvert ! lamemp3enc ! filesink location=" + Quote(out)));
    } else if (ext == "wma") {
        ok = Run(Launch(
            src + " ! audioconvert ! avenc_wmav2 ! asfmux ! filesink location=" + Quote(out)));
    } else if (ext == "ogg") {
        std::string wav = out + ".src.wav";
        ok = Run(Launch(src + " ! wavenc ! filesink location=" + Quote(wav))) &&
             Run("oggenc -Q -o " + Quote(out) + " " + Quote(wav));
        std::remove(wav.c_str());
    }
    return ok ? out : std::string();
}

std::string Video(const std::string& dir, const std::string& name, double seconds, int width,
                  int height, bool withAudio) {
    std::string out = (fs::path(dir) / name).string();
    std::string ext = Ext(name);
    int frames = static_cast<int>(seconds * 25 + 0.5);
    std::ostringstream v;
    v << "videotestsrc pattern=smpte num-buffers=" << frames << " ! video/x-raw,width=" << width
      << ",height=" << height << ",framerate=25/1 ! videoconvert";
    std::string audio = AudioSource(seconds, 44100, 2, 440) + " ! audioconvert";
    std::string venc, aenc, mux;
    if (ext == "avi") {
        venc = "jpegenc";
        aenc = "identity";
        mux = "avimux";
    } else if (ext == "mpg" || ext == "vob") {
        // libav's MPEG-1 encoder rejects every frame rate GStreamer hands it; mjpegtools'
        // encoder in MPEG-1 mode does not.
        venc = "mpeg2enc format=0 bitrate=800 ! mpegvideoparse";
        aenc = "avenc_mp2 ! mpegaudioparse";
        mux = "mpegpsmux";
    } else if (ext == "wmv" || ext == "asf") {
        venc = "avenc_wmv2";
        aenc = "avenc_wmav2";
        mux = "asfmux";
    } else if (ext == "mp4" || ext == "mov") {
        venc = "x264enc ! h264parse";
        aenc = "lamemp3enc ! mpegaudioparse";
        mux = ext == "mp4" ? "mp4mux" : "qtmux";
    } else {
        return {};
    }
    std::string p = mux + " name=m ! filesink location=" + Quote(out) + " " + v.str() + " ! " +
                    venc + " ! queue ! m. ";
    if (withAudio)
        p += audio + " ! " + aenc + " ! queue ! m.";
    return Run(Launch(p)) ? out : std::string();
}

std::string Picture(const std::string& dir, const std::string& name, int width, int height) {
    std::string out = (fs::path(dir) / name).string();
    QImage img(width, height, QImage::Format_RGB32);
    // Eight vertical bars of known colours: white, yellow, cyan, green, magenta, red, blue, black.
    static const QRgb bars[8] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00,
                                 0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) img.setPixel(x, y, 0xFF000000u | bars[x * 8 / width]);
    std::string ext = Ext(name);
    const char* fmt = ext == "png" ? "PNG" : ext == "jpg" || ext == "jpeg" ? "JPG" : "BMP";
    return img.save(QString::fromStdString(out), fmt) ? out : std::string();
}

std::string Midi(const std::string& dir, const std::string& name) {
    std::string track;
    auto note = [&](int key) {
        track += std::string("\x00\x90", 2) + char(key) + char(0x60);  // note on, delta 0
        track += std::string("\x60\x80", 2) + char(key) + char(0x40);  // note off after 96 ticks
    };
    track += std::string("\x00\xC0\x00", 3);  // piano
    for (int k : {60, 64, 67, 72}) note(k);
    track += std::string("\x00\xFF\x2F\x00", 4);  // end of track
    std::string file = std::string("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60", 14);
    uint32_t len = track.size();
    file += "MTrk";
    file += char(len >> 24);
    file += char(len >> 16);
    file += char(len >> 8);
    file += char(len);
    file += track;
    return WriteBytes(dir, name, file);
}

std::string WriteBytes(const std::string& dir, const std::string& name, const std::string& bytes) {
    std::string out = (fs::path(dir) / name).string();
    std::ofstream f(out, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return f ? out : std::string();
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string Truncated(const std::string& source, const std::string& dir, const std::string& name,
                      long bytes) {
    std::string data = ReadFile(source);
    if (bytes < static_cast<long>(data.size()))
        data.resize(static_cast<size_t>(bytes));
    return WriteBytes(dir, name, data);
}

}  // namespace testmedia

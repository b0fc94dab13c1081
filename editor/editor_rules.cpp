#include "editor/editor_rules.h"

#include <QCoreApplication>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/media_graph.h"
#include "platform/file_system.h"

namespace editor {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

double Atof(const std::string& text) {
    return std::atof(text.c_str());
}

}  // namespace

std::string FormatTenths(int tenths) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d.%d", tenths / 10, tenths % 10);
    return buffer;
}

std::string FormatLength(int tenths) {
    std::string label;
    char buffer[48];
    if (tenths / 36000 != 0) {
        std::snprintf(buffer, sizeof buffer,
                      QCoreApplication::translate("EditorRules", "%d 時間").toUtf8().constData(),
                      tenths / 36000);
        label += buffer;
    }
    if ((tenths / 600) % 60 != 0) {
        std::snprintf(buffer, sizeof buffer,
                      QCoreApplication::translate("EditorRules", "%d 分").toUtf8().constData(),
                      (tenths / 600) % 60);
        label += buffer;
    }
    if (tenths % 600 != 0) {
        std::snprintf(buffer, sizeof buffer,
                      QCoreApplication::translate("EditorRules", "%d.%d 秒").toUtf8().constData(),
                      (tenths % 600) / 10, tenths % 10);
        label += buffer;
    }
    return label;
}

std::string FormatCut(double value, bool oneDecimal) {
    return FormatCutDigits(value, oneDecimal ? 1 : 0);
}

std::string FormatCutDigits(double value, int digits) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%f", value);
    std::string text = buffer;
    size_t dot = text.find('.');
    if (dot == std::string::npos)
        return text;
    return text.substr(0, digits > 0 ? std::min(text.size(), dot + 1 + digits) : dot);
}

std::string FormatPoint(double seconds) {
    if (!(seconds > 0))
        return "0.0";
    if (seconds > INT_MAX / 100)
        return FormatTenths(ToTenths(seconds));
    // A hair below a hundredth is that hundredth (frame times are rarely exact in binary).
    const long long hundredths = static_cast<long long>(std::ceil(seconds * 100.0 - 1e-6));
    char buffer[48];
    if (hundredths % 10 == 0)
        std::snprintf(buffer, sizeof buffer, "%lld.%lld", hundredths / 100, hundredths / 10 % 10);
    else
        std::snprintf(buffer, sizeof buffer, "%lld.%02lld", hundredths / 100, hundredths % 100);
    return buffer;
}

double ParseTimeText(const std::string& text) {
    double total = 0;
    size_t at = 0;
    for (;;) {
        const size_t colon = text.find(':', at);
        const std::string part = text.substr(at, colon == std::string::npos ? colon : colon - at);
        total = total * 60 + Atof(part);
        if (colon == std::string::npos)
            return total;
        at = colon + 1;
    }
}

bool FrameStepTarget(const std::vector<double>& frames, double frameRate, double here,
                     double duration, bool forward, double* target) {
    constexpr double kSlack = 1e-6;
    if (!frames.empty()) {
        // The frame on screen is the last one that starts at or before `here`.
        auto after = std::upper_bound(frames.begin(), frames.end(), here + kSlack);
        if (forward) {
            if (after == frames.end())
                return false;
            *target = *after;
            return true;
        }
        if (after == frames.begin())
            return false;
        auto shown = after - 1;
        if (shown == frames.begin()) {
            if (here <= kSlack)
                return false;
            *target = 0.0;  // back to the very start from inside the first frame
            return true;
        }
        *target = *(shown - 1);
        return true;
    }
    const double step = frameRate > 0 ? 1.0 / frameRate : 0.04;
    if (forward) {
        if (here >= duration - kSlack)
            return false;
        *target = std::min(here + step, duration);
        return true;
    }
    if (here <= kSlack)
        return false;
    *target = std::max(here - step, 0.0);
    return true;
}

int ToTenths(double seconds) {
    double tenths = seconds * 10.0;
    if (!(tenths > INT_MIN && tenths < INT_MAX))
        return tenths > 0 ? INT_MAX : 0;
    return static_cast<int>(tenths);
}

int PreviewVolumeFor(int mainVolumePosition) {
    int v = 100 - mainVolumePosition;
    if (v == 100)
        v = 200;  // position 0 means "quiet", not "silent"
    return v * -30;
}

TimeCorrection CorrectTimeText(const std::string& text) {
    TimeCorrection r;
    r.text = text;
    r.parsed = text;

    // 1. A stray character, a second '.', a ':' after the '.' or a third ':' (times go
    // as seconds or as h:mm:ss).
    bool seenDot = false;
    int colons = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool bad = !(IsDigit(c) || c == '.' || c == ':') || (c == '.' && seenDot) ||
                   (c == ':' && (seenDot || colons == 2));
        if (c == '.')
            seenDot = true;
        if (c == ':')
            ++colons;
        if (bad) {
            r.text.erase(i, 1);
            r.parsed = r.text;
            r.corrected = true;
            r.caret = static_cast<int>(i);
            return r;
        }
    }
    // 2. A leading dot. The dot alone keeps its dot, so that typing on after it gives the
    // fraction that was meant (".5" key by key is 0.5, not 5).
    if (text == ".") {
        r.text = "0.";
        r.parsed = "0";
        r.corrected = true;
        r.caret = 2;
        return r;
    }
    if (!text.empty() && text[0] == '.') {
        r.text = "0" + text;
        r.parsed = r.text;
        r.corrected = true;
        r.caret = static_cast<int>(r.text.size());
        return r;
    }
    // 3. A trailing dot or colon stays in the field while the time is being typed.
    if (!text.empty() && (text.back() == '.' || text.back() == ':')) {
        r.parsed = text.substr(0, text.size() - 1);
        return r;
    }
    // 4. More than two digits after the dot: the fields hold hundredths.
    size_t dot = text.find('.');
    if (dot != std::string::npos && text.size() - dot - 1 > 2) {
        r.text.pop_back();
        r.parsed = r.text;
        r.corrected = true;
        r.caret = static_cast<int>(r.text.size());
        return r;
    }
    // 5. A leading zero before a digit (not in h:mm:ss, where "00:" is ordinary).
    if (text.size() >= 2 && text[0] == '0' && IsDigit(text[1]) && colons == 0) {
        r.text.erase(0, 1);
        r.parsed = r.text;
        r.corrected = true;
        r.caret = 0;
        return r;
    }
    return r;
}

FieldEdit EditTimeField(const std::string& text, double point, double duration, int caret) {
    FieldEdit e;
    if (text.empty()) {
        e.value = 0.0;
        e.setValue = true;
        return e;
    }
    TimeCorrection c = CorrectTimeText(text);
    double value = ParseTimeText(c.parsed);
    const size_t dot = c.text.find('.');
    const int digits =
        dot == std::string::npos ? 0 : std::max(1, static_cast<int>(c.text.size() - dot - 1));
    const bool clock = c.text.find(':') != std::string::npos;
    e.corrected = c.corrected;
    e.caret = c.corrected ? c.caret : caret;
    if (!c.corrected && value == point) {
        e.ignore = true;
        return e;
    }
    bool clamped = false;
    if (value > duration) {
        value = duration;
        clamped = true;
        e.caret = static_cast<int>(text.size());
    }
    e.value = value;
    e.setValue = true;
    if (c.corrected && c.text.empty()) {
        // Only the stray character was there: the field becomes empty again, which
        // the next notification turns into the point 0.
        e.rewrite = true;
        e.text.clear();
        e.caret = 0;
    } else if (c.corrected && c.text == "0.") {
        e.rewrite = true;
        e.text = c.text;
    } else if (clamped) {
        e.rewrite = true;
        e.text = FormatCutDigits(value, digits);
    } else if (c.corrected) {
        e.rewrite = true;
        e.text = clock ? c.text : FormatCutDigits(value, digits);
    }
    if (e.rewrite && e.caret > static_cast<int>(e.text.size()))
        e.caret = static_cast<int>(e.text.size());
    return e;
}

FieldEdit EditVolumeField(const std::string& text, int caret) {
    FieldEdit e;
    e.rewrite = true;
    if (text.empty()) {
        e.text = "0";
        e.caret = 1;
        return e;
    }
    std::string t = text;
    e.caret = caret;
    size_t bad = 0;
    while (bad < t.size() && IsDigit(t[bad])) ++bad;
    if (bad < t.size()) {
        t.erase(bad, 1);
        e.corrected = true;
        e.caret = static_cast<int>(bad);
    } else if (t.size() >= 2 && t[0] == '0' && IsDigit(t[1])) {
        t.erase(0, 1);
        e.corrected = true;
        e.caret = 0;
    }
    double volume = Atof(t);
    if (volume > 300.0)
        volume = 300.0;
    e.text = FormatCut(volume, false);
    if (volume < 10.0) {
        // Too small for now, but maybe only the first digit of the number being typed
        // ("5" on the way to "50"): the volume is the least there is, and the field keeps
        // the digits until editing ends (VolumeTextWhenDone).
        volume = 10.0;
        e.text = t;
    }
    e.value = volume;
    e.setValue = true;
    if (e.caret < 0 || e.caret > static_cast<int>(e.text.size()))
        e.caret = static_cast<int>(e.text.size());
    return e;
}

std::string VolumeTextWhenDone(const std::string& text, double volume) {
    std::string shown = FormatCut(volume, false);
    return text == shown ? text : shown;
}

double SpinTimePoint(double point, int delta, double duration) {
    double x = delta <= 0 ? point + 0.15 : point - 0.15;
    if (x < 0.0)
        x = 0.0;
    if (x > duration)
        x = duration;
    return x;
}

bool StepPosition(int position, int duration, bool forward, int* target) {
    int p = position;
    if (!forward) {
        if (p < 50) {
            if (p == 0)
                return false;
            *target = 0;
            return true;
        }
        *target = p - 50;
        return true;
    }
    int next = p + 50;
    if (next > duration) {
        if (p == duration)
            return false;
        next = duration;
    }
    *target = next;
    return true;
}

bool StepOggSeconds(double seconds, double duration, bool forward, double* target) {
    double t = seconds;
    double next = forward ? t + 5.0 : t - 5.0;
    if (!forward && next < 0.0) {
        if (t == 0.0)
            return false;
        next = 0.0;
    }
    if (forward && next > duration) {
        if (t == duration)
            return false;
        next = duration;
    }
    *target = next;
    return true;
}

ModeChoice ModeChoiceFor(MediaContent content) {
    ModeChoice m;
    m.selected = ConversionMode::Asf;
    if (content == MediaContent::VideoOnly) {
        m.wav = false;
        m.volume = false;
    } else if (content == MediaContent::AudioOnly) {
        m.preview = false;
        m.settings = false;
        m.still = false;
        m.asf = false;
        m.avi = false;
        m.selected = ConversionMode::Wav;
    }
    return m;
}

std::string TargetFilterFor(ConversionMode mode) {
    switch (mode) {
        case ConversionMode::Asf:
            return QCoreApplication::translate("EditorRules", "Video Files (*.asf)").toStdString() +
                   "|*.asf||";
        case ConversionMode::Avi:
            return QCoreApplication::translate("EditorRules", "Video Files (*.avi)").toStdString() +
                   "|*.avi||";
        case ConversionMode::Wav:
            return QCoreApplication::translate("EditorRules", "Audio Files (*.wav)").toStdString() +
                   "|*.wav||";
    }
    return "";
}

std::string RefuseTarget(const std::string& source, const std::string& target) {
    if (target.empty())
        return QCoreApplication::translate("EditorRules", "ファイル名が指定されていません。")
            .toStdString();
    if (target.size() + 1 > kMaxPath || target.find('\0') != std::string::npos)
        return QCoreApplication::translate("EditorRules", "ファイル名が長すぎます。").toStdString();
    if (target == source)
        return QCoreApplication::translate("EditorRules", "元のファイルには書き込めません。")
            .toStdString();
    // The same file under another spelling (a link, "./", "..") is refused as well.
    if (SameFile(source, target))
        return QCoreApplication::translate("EditorRules", "元のファイルには書き込めません。")
            .toStdString();
    std::string dir =
        target.substr(0, target.rfind('/') == std::string::npos ? 0 : target.rfind('/'));
    if (dir.empty())
        dir = target.rfind('/') == 0 ? "/" : ".";
    if (KindOf(dir) != PathKind::Folder)
        return QCoreApplication::translate("EditorRules", "保存先のフォルダーが存在しません。")
            .toStdString();
    return "";
}

uint64_t UncompressedAviBytes(int width, int height, double framesPerSecond, double seconds,
                              uint64_t soundBytesPerSecond) {
    if (width <= 0 || height <= 0 || !(framesPerSecond > 0.0) || !(seconds > 0.0))
        return 0;
    const uint64_t stride = (uint64_t(width) * 3 + 3) / 4 * 4;
    const uint64_t frames = static_cast<uint64_t>(std::ceil(framesPerSecond * seconds));
    return stride * uint64_t(height) * frames +
           static_cast<uint64_t>(std::ceil(double(soundBytesPerSecond) * seconds));
}

bool IsOggPath(const std::string& path) {
    size_t dot = path.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext == "OGG";
}

std::string FileNameOfPath(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace editor

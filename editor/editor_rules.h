// The editor's rules that do not need a window: how times and volumes are shown, how
// typed text is corrected, how the step and spin controls move a point, and which
// conversion a kind of source allows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class MediaContent : int32_t;
enum class ConversionMode : int32_t;

namespace editor {

// Program name, the caption of every message box the editor shows.
inline constexpr const char* kProgramName = "VELTRA";

// Tenths of a second as "%d.%d" (1234 -> "123.4").
std::string FormatTenths(int tenths);
// The length label: "1 時間2 分3.4 秒" for 37234 tenths; "" for 0.
std::string FormatLength(int tenths);
// value printed with "%f" and cut (not rounded): at the '.', or one digit after it.
std::string FormatCut(double value, bool oneDecimal);
// The same with 0, 1 or 2 digits after the '.'.
std::string FormatCutDigits(double value, int digits);
// A point in seconds as its field shows it: tenths as "%d.%d" where that is exact, else
// with hundredths, rounded up so that the shown time still lies within the same frame.
std::string FormatPoint(double seconds);
// Seconds of a time field's text: seconds with decimals, or m:ss.ff / h:mm:ss.ff. A
// trailing '.' or ':' is read as if it were not there.
double ParseTimeText(const std::string& text);
// Seconds to whole tenths, truncated toward zero.
int ToTenths(double seconds);

// Preview volume in hundredths of a decibel for the main window's volume position.
int PreviewVolumeFor(int mainVolumePosition);

// Result of one change notification of a time or volume field.
struct FieldEdit {
    bool ignore = false;     // nothing to do
    bool corrected = false;  // the text had to be changed
    bool rewrite = false;    // the field gets `text`
    std::string text;        // what the field shows afterwards when rewrite is set
    double value = 0.0;      // the new point or volume
    bool setValue = false;   // value applies
    int caret = -1;          // where the caret goes when the field is rewritten
};

// A time field's text after one correction step (at most one thing changes).
struct TimeCorrection {
    std::string text;    // the corrected text (or the text itself)
    std::string parsed;  // what is handed to atof
    bool corrected = false;
    int caret = -1;  // position of the correction
};
TimeCorrection CorrectTimeText(const std::string& text);

// The whole handling of a time field's new text, given its point, the duration and the
// caret before the change (-1: unknown).
FieldEdit EditTimeField(const std::string& text, double point, double duration, int caret);

// The volume field's new text; volume stays untouched when setValue is clear. A number
// below the least volume stays as typed (the volume is the least meanwhile).
FieldEdit EditVolumeField(const std::string& text, int caret);
// What the volume field shows once editing ends: the volume itself.
std::string VolumeTextWhenDone(const std::string& text, double volume);

// A time spin's step: delta <= 0 is the up arrow (+0.15 s), > 0 the down arrow (-0.15 s),
// kept inside 0 ... duration. Returns the new point in seconds.
double SpinTimePoint(double point, int delta, double duration);

// One frame on from `here` (seconds): the frame after (or before) the one shown at `here`,
// from the stream's frame times when they are known, else by the frame rate (a 25th of
// a second without one). False when there is no frame to go to.
bool FrameStepTarget(const std::vector<double>& frames, double frameRate, double here,
                     double duration, bool forward, double* target);

// A 5-second step of the preview position (tenths). False when nothing is to happen.
bool StepPosition(int position, int duration, bool forward, int* target);
// The same for Ogg items, in seconds (whole seconds from tunewell; duration exact).
bool StepOggSeconds(double seconds, double duration, bool forward, double* target);

// Which radio buttons a kind of source allows and which one starts selected.
struct ModeChoice {
    bool asf = true;
    bool avi = true;
    bool wav = true;
    bool volume = true;    // the volume field
    bool preview = true;   // the preview area
    bool settings = true;  // the profile button 1045
    bool still = true;     // the still button 1043
    ConversionMode selected;
};
ModeChoice ModeChoiceFor(MediaContent content);

// Save-prompt filter of a conversion mode, in the prompt seam's "label|pattern||" form.
std::string TargetFilterFor(ConversionMode mode);

// Why a chosen target may not be written, or "" when it may.
std::string RefuseTarget(const std::string& source, const std::string& target);

// Bytes an uncompressed AVI cut of the range takes: 24-bit rows padded to four bytes,
// every frame of the range, and the sound it carries (0 bytes a second for none).
uint64_t UncompressedAviBytes(int width, int height, double framesPerSecond, double seconds,
                              uint64_t soundBytesPerSecond);

// True when the upper-cased extension (text after the last '.') is "OGG".
bool IsOggPath(const std::string& path);
// The text after the last '/'.
std::string FileNameOfPath(const std::string& path);

}  // namespace editor

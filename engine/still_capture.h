// Still capture: the frame on screen saved as a numbered, uncompressed BMP file beside
// the media file ("clip.avi" -> "clip_000.bmp", "clip_001.bmp", ...).
#pragma once

#include <QImage>
#include <cstdint>
#include <string>

#include "platform/com.h"
#include "platform/user_prompts.h"

// "<folder>/<base>_<nnn>.bmp" for a media path and a number 0 ... 999.
std::string StillPathFor(const std::string& mediaPath, int number);

// The first numbered name that names no file, or "" when all 1000 are taken.
std::string FirstFreeStillPath(const std::string& mediaPath);

// A packed device-independent bitmap (BITMAPINFOHEADER, colour table, rows bottom-up) as
// an image of the same depth; a null image for anything unreadable. `bytes` bounds the
// buffer (0: trust the header).
QImage ImageFromPackedDib(const uint8_t* dib, size_t bytes = 0);

// The BMP file bytes for an image: 1, 8, 16, 24 or 32 bits per pixel as the image holds
// them (other formats are written as 24-bit). Empty for a null image.
std::string BitmapFileBytes(const QImage& image);

// Writes the image as a BMP file. With replace false an existing file is never touched
// (the call fails instead); with replace true the file is replaced only once the new one
// is complete. A failed write (a full disk) leaves no partial file. TRUE when written.
BOOL SaveBitmapFile(const QImage& image, const std::string& path, bool replace = false);

// What CaptureStill needs of the editor.
class StillCaptureHost {
  public:
    virtual ~StillCaptureHost() = default;
    virtual bool IsOggItem() const = 0;
    virtual bool PreviewRunning() const = 0;
    virtual void PausePreview() = 0;  // the editor's pause command
    virtual bool CaptureCurrentImage(uint8_t** dib) = 0;
    virtual std::string MediaPath() const = 0;
    // Asks the user where the still goes, when every numbered name is taken; false when
    // the user declines.
    virtual bool ChooseStillPath(const FilePromptRequest& request, std::string* path) = 0;
};

// How the "△" command ended.
struct StillOutcome {
    enum class Kind { NotOffered, Declined, CaptureFailed, SaveFailed, Saved };
    Kind kind = Kind::NotOffered;
    std::string path;  // the file written, when saved
    explicit operator bool() const { return kind == Kind::Saved; }
};

// What the user is told of the outcome, in the program's language; "" where nothing is
// said (an Ogg item has no picture, a declined name).
std::string StillOutcomeText(const StillOutcome& outcome);

// The "△" command: pause, pick the name, capture and save. It shows nothing itself: the
// editor tells the user what the outcome says.
StillOutcome CaptureStill(StillCaptureHost& host);

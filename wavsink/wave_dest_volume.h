// The host's view of the wavsink server: class identifiers, the volume interface and the
// private interface through which the filter hands its GStreamer element to the host.
// Header-only; the host needs nothing of libwavsink.so at link time.
#pragma once

#include "platform/com.h"

typedef struct _GstElement GstElement;

// "WAVE DestEx" {2197243F-1514-4060-AE7C-5890D6DF71D2}
inline constexpr CLSID CLSID_WaveDestEx = {
    0x2197243F, 0x1514, 0x4060, {0xAE, 0x7C, 0x58, 0x90, 0xD6, 0xDF, 0x71, 0xD2}};
// "Wave Volume Property Page" {0D36292C-C2B7-4D24-96AF-07E1CE83F696}
inline constexpr CLSID CLSID_WaveVolumePage = {
    0x0D36292C, 0xC2B7, 0x4D24, {0x96, 0xAF, 0x07, 0xE1, 0xCE, 0x83, 0xF6, 0x96}};
// {843CFDDC-8A79-4DEC-BBAB-CB1B04E726FD}
inline constexpr IID IID_IWaveDestVolume = {
    0x843CFDDC, 0x8A79, 0x4DEC, {0xBB, 0xAB, 0xCB, 0x1B, 0x04, 0xE7, 0x26, 0xFD}};
// {623BB3B5-717F-487A-8813-258EBEB0AB21}
inline constexpr IID IID_IWaveDestElement = {
    0x623BB3B5, 0x717F, 0x487A, {0x88, 0x13, 0x25, 0x8E, 0xBE, 0xB0, 0xAB, 0x21}};

// The registry key the host tests before registering the server.
inline constexpr const char kWaveDestServerKey[] =
    "CLSID\\{2197243F-1514-4060-AE7C-5890D6DF71D2}\\InprocServer32";

// Volume in percent, 100 meaning unchanged. SetVolume keeps the low 16 bits of percent
// (callers keep to 10...300); reserved is unused, pass 0.
class IWaveDestVolume : public IUnknown {
  public:
    virtual HRESULT GetVolume(int* percent) = 0;
    virtual HRESULT SetVolume(int percent, int reserved) = 0;
    virtual HRESULT ResetVolume() = 0;

  protected:
    ~IWaveDestVolume() = default;
};

// The filter's streaming half is a "wavedestex" element (audio/x-raw in, audio/x-wav
// out). GetElement returns a new, non-floating reference the caller unrefs with
// gst_object_unref after adding the element to its bin. The element writes a zeroed
// header placeholder first and the finished RIFF header at offset 0 when EOS passes
// (by a BYTES segment event): the pipeline must see EOS before it is stopped, and the
// sink must be seekable (filesink). A failed header write is posted as an error.
class IWaveDestElement : public IUnknown {
  public:
    virtual HRESULT GetElement(GstElement** element) = 0;

  protected:
    ~IWaveDestElement() = default;
};

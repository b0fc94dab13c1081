// The "wavedestex" element: audio/x-raw PCM in, a complete RIFF WAVE byte stream out.
// Samples pass through unchanged in size (scaled when the volume is not 100), each
// output buffer carries its byte offset in the file, a zeroed header placeholder goes
// first, and at EOS the finished header is written at offset 0 through a BYTES segment.
#pragma once

#include <gst/base/gstbasetransform.h>
#include <gst/gst.h>

#include <cstdint>
#include <string>

G_BEGIN_DECLS

#define GST_TYPE_WAVE_DEST_EX (gst_wave_dest_ex_get_type())
G_DECLARE_FINAL_TYPE(GstWaveDestEx, gst_wave_dest_ex, GST, WAVE_DEST_EX, GstBaseTransform)

// Registers the element with a plugin (or statically when plugin is null).
gboolean gst_wave_dest_ex_register(GstPlugin* plugin);

G_END_DECLS

// Volume in percent, the low 16 bits kept; 100 passes samples untouched.
void WaveDestSetVolume(GstWaveDestEx* element, int percent);
int WaveDestGetVolume(GstWaveDestEx* element);

// Bytes of audio passed downstream since the stream started.
uint32_t WaveDestDataBytes(GstWaveDestEx* element);

// The header for a format block and a data length: "RIFF", size, "WAVE", "fmt ", the
// block, "data", length. Empty when the sizes do not fit the 32-bit fields.
std::string WaveDestBuildHeader(const uint8_t* format, uint32_t formatLength, uint32_t dataBytes);

// The kinds of output the editor offers beside its three classic ones: the range kept in
// the source's own format with its streams copied, and today's encoded formats. Which of
// them an item gets, what they are called, and the file names they write.
#pragma once

#include <string>
#include <vector>

enum class MediaContent : int32_t;
enum class EncodedKind : int32_t;

namespace editor {

enum class OutputKind : int { SameFormat = 0, Mp4, WebM, Flac, Opus, Mp3 };

// The kinds that make sense for an item, in the order they are listed: no picture kinds
// for a sound-only item, no sound kinds for a silent video, the copy only where the
// source's container is one a copy can write.
std::vector<OutputKind> OutputKindsFor(MediaContent content, const std::string& source);

// The kind's name in the list (translated).
std::string OutputKindLabel(OutputKind kind);
// Save-prompt filter, in the prompt seam's "label|pattern||" form.
std::string OutputKindFilter(OutputKind kind, const std::string& source);
// The target with the kind's extension: kept when it already names the kind, else the
// kind's extension is added, so a file never carries a name its content belies.
std::string TargetForKind(const std::string& target, OutputKind kind, const std::string& source);
// Whether the volume can apply: only where the sound is encoded anew.
bool KindReencodesSound(OutputKind kind);
// The encoder kind behind an encoded output; false for the copy.
bool EncodedKindOf(OutputKind kind, EncodedKind* encoded);

}  // namespace editor

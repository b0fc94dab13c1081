// The byte run-length scheme of skin.dat records: a 5-byte head (unpacked length,
// escape byte) and a token stream of literals and (escape, value, count) runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace skinpack {

using Bytes = std::vector<uint8_t>;

// The byte value that occurs least often in the data; escapes cost three bytes each.
uint8_t ChooseEscape(const Bytes& data);

// Size of the shortest record (head included) this packer produces for the data.
size_t MinimalPackedLength(const Bytes& data, uint8_t escape);

// Packs the data into a record of exactly packedLength bytes. Padding is spent inside
// the stream ahead of the last token, so a reader that stops at the unpacked length
// still sees every byte. Returns false with a reason when the length cannot be met.
bool PackRunLength(const Bytes& data, size_t packedLength, Bytes* record, std::string* error);

// Expands one record into at most capacity bytes. Refuses runs that would overflow,
// tokens cut off by the end of the record and a head that declares more than capacity.
bool UnpackRunLength(const uint8_t* record, size_t length, size_t capacity, Bytes* out,
                     std::string* error);

}  // namespace skinpack

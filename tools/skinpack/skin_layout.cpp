#include "tools/skinpack/skin_layout.h"

#include <cstring>

#include "skin/skin_records.h"
#include "tools/skinpack/bmp_image.h"

namespace skinpack {

bool AssembleSkinFile(const std::vector<Bytes>& records, Bytes* file, std::string* error) {
    if (records.size() != kSkinRecords.size()) {
        *error = "expected " + std::to_string(kSkinRecords.size()) + " records";
        return false;
    }
    Bytes out(kSkinFileSize, 0);
    std::memcpy(out.data(), kSkinSignature, kSkinSignatureLength);
    for (size_t i = 0; i < records.size(); ++i) {
        const SkinRecordRef& ref = kSkinRecords[i];
        if (records[i].size() != ref.packed ||
            static_cast<size_t>(ref.offset) + ref.packed > out.size()) {
            *error = "record " + std::to_string(i + 1) + " is " +
                     std::to_string(records[i].size()) + " bytes, the table says " +
                     std::to_string(ref.packed);
            return false;
        }
        std::memcpy(out.data() + ref.offset, records[i].data(), ref.packed);
    }
    *file = std::move(out);
    return true;
}

std::string VerifySkinFile(const Bytes& file) {
    if (file.size() != kSkinFileSize)
        return "file is " + std::to_string(file.size()) + " bytes, expected " +
               std::to_string(kSkinFileSize);
    if (std::memcmp(file.data(), kSkinSignature, kSkinSignatureLength) != 0)
        return "signature differs";
    size_t expectedOffset = kSkinSignatureLength;
    for (size_t i = 0; i < kSkinRecords.size(); ++i) {
        const SkinRecordRef& ref = kSkinRecords[i];
        const std::string name = "record " + std::to_string(i + 1) + ": ";
        if (ref.offset != expectedOffset)
            return name + "offset leaves a gap or overlap";
        expectedOffset += ref.packed;
        const uint8_t* rec = file.data() + ref.offset;
        const uint32_t declared = static_cast<uint32_t>(rec[0]) | rec[1] << 8 | rec[2] << 16 |
                                  static_cast<uint32_t>(rec[3]) << 24;
        if (declared != ref.unpacked)
            return name + "head declares a different unpacked length";
        Bytes bmp;
        std::string error;
        if (!UnpackRunLength(rec, ref.packed, ref.unpacked, &bmp, &error))
            return name + error;
        if (bmp.size() != ref.unpacked)
            return name + "expands to a different length";
        const std::string bad = CheckBmp(bmp);
        if (!bad.empty())
            return name + bad;
    }
    if (expectedOffset != file.size())
        return "records do not end at the end of the file";
    return {};
}

}  // namespace skinpack

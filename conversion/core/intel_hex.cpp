#include "conversion/core/intel_hex.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/core/record_lines.h"

namespace {

// ':', then the data length, a 16-bit offset, the type, the data and the checksum.
constexpr std::size_t kRecordFrame = 5;

std::string LengthText(unsigned type, std::size_t needed, std::size_t has) {
    return std::string("a type ") + HexText(type, 2) + " record holds " + std::to_string(needed) +
           (needed == 1 ? " byte" : " bytes") + " of data, this one " + std::to_string(has);
}

}  // namespace

ImageError ReadIntelHex(const std::uint8_t* bytes, std::size_t size, ImageChunks& chunks) {
    RecordLines lines(bytes, size);
    std::string_view line;
    std::vector<std::uint8_t> record;
    // Addresses are the offset plus a linear base (04), or plus a segment base (02) with the
    // offset wrapping within its 64 KiB.
    std::uint64_t linearBase = 0;
    std::uint64_t segmentBase = 0;
    bool segmented = false;
    while (lines.Next(line)) {
        if (line.empty()) continue;
        const auto fail = [&lines](const std::string& text) {
            return ImageError{LineReason(lines.Number(), text), false};
        };
        if (line.front() != ':') {
            return fail(std::string("a record starts with ':', not with ") +
                        CharacterText(line.front()));
        }
        if (std::string reason = DecodeHexPairs(line.substr(1), record); !reason.empty()) {
            return fail(reason);
        }
        if (record.size() < kRecordFrame) {
            return fail(std::string("the record is ") + std::to_string(record.size()) +
                        " bytes long, too short for its length, address, type and checksum");
        }
        const std::size_t length = record[0];
        if (record.size() != length + kRecordFrame) {
            return fail(std::string("the record's length says ") + std::to_string(length) +
                        " bytes of data, it holds " + std::to_string(record.size() - kRecordFrame));
        }
        unsigned sum = 0;
        for (std::size_t i = 0; i + 1 < record.size(); ++i) sum += record[i];
        if (std::string reason =
                CheckRecordSum(record, static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
            !reason.empty()) {
            return fail(reason);
        }
        const unsigned offset = static_cast<unsigned>(record[1]) << 8 | record[2];
        const unsigned type = record[3];
        const std::uint8_t* data = record.data() + 4;
        switch (type) {
            case 0x00:
                if (!segmented) {
                    chunks.Add(linearBase + offset, data, length, lines.Number());
                } else {
                    // Past 0xFFFF the offset starts again at 0 in the same segment.
                    const std::size_t first = std::min<std::size_t>(length, 0x10000 - offset);
                    chunks.Add(segmentBase + offset, data, first, lines.Number());
                    chunks.Add(segmentBase, data + first, length - first, lines.Number());
                }
                break;
            case 0x01:
                if (length != 0) return fail(LengthText(type, 0, length));
                return {};
            case 0x02:
            case 0x04: {
                if (length != 2) return fail(LengthText(type, 2, length));
                const std::uint64_t value = static_cast<std::uint64_t>(data[0]) << 8 | data[1];
                segmented = type == 0x02;
                if (segmented) {
                    segmentBase = value << 4;
                } else {
                    linearBase = value << 16;
                }
                break;
            }
            case 0x03:
            case 0x05:
                if (length != 4) return fail(LengthText(type, 4, length));
                break;
            default:
                return fail(std::string("record type ") + HexText(type, 2) +
                            " is not one of 00 to 05");
        }
    }
    return {"the file ends without an end-of-file record (type 01)", false};
}

#include "conversion/core/s_record.h"

#include <string>
#include <string_view>
#include <vector>

#include "conversion/core/record_lines.h"

namespace {

// The address bytes of each record type, 0 for S4, which has none defined.
constexpr std::size_t kAddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

}  // namespace

ImageError ReadSRecords(const std::uint8_t* bytes, std::size_t size, ImageChunks& chunks) {
    // DOS tools end a text file with Ctrl-Z (0x1A), as an Intel HEX reader passes it by after
    // its end record.
    while (size > 0 &&
           (bytes[size - 1] == 0x1A || bytes[size - 1] == '\n' || bytes[size - 1] == '\r' ||
            bytes[size - 1] == ' ' || bytes[size - 1] == '\t'))
        --size;
    RecordLines lines(bytes, size);
    std::string_view line;
    std::vector<std::uint8_t> record;
    std::uint64_t dataRecords = 0;
    while (lines.Next(line)) {
        if (line.empty()) continue;
        const auto fail = [&lines](const std::string& text) {
            return ImageError{LineReason(lines.Number(), text), false};
        };
        if (line.front() != 'S') {
            return fail(std::string("a record starts with 'S', not with ") +
                        CharacterText(line.front()));
        }
        if (line.size() < 2 || line[1] < '0' || line[1] > '9' || line[1] == '4') {
            std::string type = "record type S";
            if (line.size() >= 2) type += line[1];
            return fail(type + " is not one of S0 to S3 or S5 to S9");
        }
        const int type = line[1] - '0';
        if (std::string reason = DecodeHexPairs(line.substr(2), record); !reason.empty()) {
            return fail(reason);
        }
        const std::size_t addressBytes = kAddressBytes[type];
        // The count byte, the address and the checksum.
        if (record.size() < addressBytes + 2) {
            return fail(std::string("the record is ") + std::to_string(record.size()) +
                        " bytes long, too short for its count, address and checksum");
        }
        if (record[0] != record.size() - 1) {
            return fail(std::string("the record's count says ") + std::to_string(record[0]) +
                        " bytes follow it, " + std::to_string(record.size() - 1) + " do");
        }
        unsigned sum = 0;
        for (std::size_t i = 0; i + 1 < record.size(); ++i) sum += record[i];
        if (std::string reason = CheckRecordSum(record, static_cast<std::uint8_t>(~sum));
            !reason.empty()) {
            return fail(reason);
        }
        std::uint64_t address = 0;
        for (std::size_t i = 1; i <= addressBytes; ++i) address = address << 8 | record[i];
        const std::size_t dataSize = record.size() - addressBytes - 2;
        if (type >= 1 && type <= 3) {
            chunks.Add(address, record.data() + 1 + addressBytes, dataSize, lines.Number());
            ++dataRecords;
        } else if ((type == 5 || type == 6) && address != dataRecords) {
            return fail(std::string("the count record says ") + std::to_string(address) +
                        " data records, the file has " + std::to_string(dataRecords) +
                        " before it");
        }
    }
    return {};
}

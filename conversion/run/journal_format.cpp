#include "conversion/run/journal_format.h"

#include <algorithm>
#include <cstring>

#include "conversion/run/xxhash_support.h"

namespace {

constexpr std::uint32_t kCreatedUcf = 1;
constexpr std::uint32_t kWindowsIdentity = 2;
constexpr std::uint32_t kGenerationKnown = 4;
constexpr std::uint32_t kBirthTimeKnown = 8;
constexpr std::uint32_t kKnownFlags =
    kCreatedUcf | kWindowsIdentity | kGenerationKnown | kBirthTimeKnown;
constexpr std::size_t kChecked = 112;  // the header bytes its own checksum covers

void Put(std::string& bytes, std::size_t at, std::uint64_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

std::uint64_t Get(std::string_view bytes, std::size_t at, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= std::uint64_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
    }
    return value;
}

// Where the segment that starts at `position` ends: the next multiple of the sector, or the
// old or the new length when one of them comes first (a file cut or extended there can hold
// either text on each side of it), or `end`.
std::uint64_t NextCut(std::uint64_t position, const JournalHeader& header, std::uint64_t end) {
    std::uint64_t cut = (position / kJournalSector + 1) * kJournalSector;
    if (header.oldLength > position) cut = std::min(cut, header.oldLength);
    if (header.newLength > position) cut = std::min(cut, header.newLength);
    return std::min(cut, end);
}

std::uint32_t DigestOf(const char* segment, std::size_t size) {
    return Xxh3Low32Of(segment, size);
}

bool IsZero(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '\0'; });
}

}  // namespace

std::uint64_t DigestCount(const JournalHeader& header) {
    std::uint64_t count = 0;
    for (std::uint64_t at = header.savedFrom; at < header.newLength;
         at = NextCut(at, header, header.newLength)) {
        ++count;
    }
    return count;
}

std::uint64_t SegmentStartFrom(const JournalHeader& header, std::uint64_t position) {
    const bool starts = position <= header.savedFrom || position % kJournalSector == 0 ||
                        position == header.oldLength || position == header.newLength;
    if (position <= header.savedFrom) return header.savedFrom;
    return starts ? position : NextCut(position, header, header.newLength);
}

NewTextDigests::NewTextDigests(const JournalHeader& header)
    : NewTextDigests(header, header.savedFrom, header.newLength) {}

NewTextDigests::NewTextDigests(const JournalHeader& header, std::uint64_t start, std::uint64_t end)
    : header_(header), position_(start), end_(end), cut_(NextCut(start, header, end)) {
    digests_.reserve(static_cast<std::size_t>((end - std::min(end, start)) / kJournalSector + 2));
}

void NewTextDigests::Finish(const char* segment, std::size_t size) {
    digests_.push_back(DigestOf(segment, size));
    cut_ = NextCut(position_, header_, end_);
}

void NewTextDigests::Add(const char* text, std::size_t size) {
    while (size > 0 && position_ < end_) {
        const auto left = static_cast<std::size_t>(cut_ - position_);
        const std::size_t take = std::min(size, left);
        if (carry_.empty() && take == left) {
            position_ += take;
            Finish(text, take);
        } else {
            carry_.append(text, take);
            position_ += take;
            if (position_ == cut_) {
                Finish(carry_.data(), carry_.size());
                carry_.clear();
            }
        }
        text += take;
        size -= take;
    }
}

std::string DigestBytes(const std::vector<std::uint32_t>& digests) {
    std::string bytes(digests.size() * 4, '\0');
    for (std::size_t i = 0; i < digests.size(); ++i) Put(bytes, i * 4, digests[i], 4);
    return bytes;
}

std::string JournalHeaderBytes(const JournalHeader& header, std::string_view saved,
                               const std::vector<std::uint32_t>& digests) {
    std::string bytes(kJournalHeaderSize, '\0');
    std::memcpy(bytes.data(), kJournalMagic, 8);
    const std::uint32_t flags = (header.createdUcf ? kCreatedUcf : 0) |
                                (header.windowsIdentity ? kWindowsIdentity : 0) |
                                (header.origin.hasGeneration ? kGenerationKnown : 0) |
                                (header.origin.hasBirthTime ? kBirthTimeKnown : 0);
    const std::string digestBytes = DigestBytes(digests);
    Put(bytes, 8, header.oldLength, 8);
    Put(bytes, 16, header.savedFrom, 8);
    Put(bytes, 24, saved.size(), 8);
    Put(bytes, 32, header.newLength, 8);
    Put(bytes, 40, digests.size(), 8);
    Put(bytes, 48, flags, 4);
    Put(bytes, 56, header.identity.volume, 8);
    Put(bytes, 64, header.identity.index, 8);
    Put(bytes, 72, header.origin.generation, 8);
    Put(bytes, 80, static_cast<std::uint64_t>(header.origin.birthTime), 8);
    Put(bytes, 88, header.prefixHash, 8);
    Put(bytes, 96, Xxh64Of(saved.data(), saved.size()), 8);
    Put(bytes, 104, Xxh64Of(digestBytes.data(), digestBytes.size()), 8);
    Put(bytes, kChecked, Xxh64Of(bytes.data(), kChecked), 8);
    return bytes;
}

JournalReading ReadJournalBytes(std::string_view bytes, JournalContent& content,
                                std::string& what) {
    content = JournalContent();
    if (bytes.substr(0, kJournalMagicStem.size()) != kJournalMagicStem) {
        return JournalReading::Foreign;
    }
    const auto damaged = [&what](std::string why) {
        what = std::move(why);
        return JournalReading::Damaged;
    };
    if (bytes.size() < 8) return damaged("it ends inside its magic");
    if (bytes.substr(0, 8) != std::string_view(kJournalMagic, 8)) {
        return damaged("it is of the format " + std::string(bytes.substr(0, 8)) +
                       ", which this version does not put back");
    }
    if (bytes.size() < kJournalHeaderSize) {
        return damaged("it holds " + std::to_string(bytes.size()) + " bytes, fewer than its " +
                       std::to_string(kJournalHeaderSize) + "-byte header");
    }
    if (Get(bytes, kChecked, 8) != Xxh64Of(bytes.data(), kChecked)) {
        return damaged("its header's checksum does not match");
    }
    JournalHeader& header = content.header;
    header.oldLength = Get(bytes, 8, 8);
    header.savedFrom = Get(bytes, 16, 8);
    const std::uint64_t savedSize = Get(bytes, 24, 8);
    header.newLength = Get(bytes, 32, 8);
    const std::uint64_t digestCount = Get(bytes, 40, 8);
    const auto flags = static_cast<std::uint32_t>(Get(bytes, 48, 4));
    header.createdUcf = (flags & kCreatedUcf) != 0;
    header.windowsIdentity = (flags & kWindowsIdentity) != 0;
    header.origin.hasGeneration = (flags & kGenerationKnown) != 0;
    header.origin.hasBirthTime = (flags & kBirthTimeKnown) != 0;
    header.identity = {Get(bytes, 56, 8), Get(bytes, 64, 8)};
    header.origin.generation = Get(bytes, 72, 8);
    header.origin.birthTime = static_cast<std::int64_t>(Get(bytes, 80, 8));
    header.prefixHash = Get(bytes, 88, 8);
    if ((flags & ~kKnownFlags) != 0 || Get(bytes, 52, 4) != 0) {
        return damaged("its header has flags that this version does not know");
    }
    const bool consistent =
        header.savedFrom <= header.oldLength && savedSize == header.oldLength - header.savedFrom &&
        !(header.createdUcf && header.oldLength != 0) && header.savedFrom <= header.newLength &&
        digestCount == DigestCount(header);
    if (!consistent) return damaged("its header's lengths do not agree with each other");
    const std::uint64_t expected = kJournalHeaderSize + savedSize + digestCount * 4;
    if (bytes.size() != expected) {
        const std::uint64_t size = bytes.size();
        return damaged(size > expected ? std::to_string(size - expected) +
                                             " bytes follow the end its header gives"
                                       : "it ends " + std::to_string(expected - size) +
                                             " bytes before the end its header gives");
    }
    const std::string_view saved = bytes.substr(kJournalHeaderSize, savedSize);
    const std::string_view digests =
        bytes.substr(kJournalHeaderSize + savedSize, static_cast<std::size_t>(digestCount * 4));
    if (Get(bytes, 96, 8) != Xxh64Of(saved.data(), saved.size())) {
        return damaged("the checksum of its saved text does not match");
    }
    if (Get(bytes, 104, 8) != Xxh64Of(digests.data(), digests.size())) {
        return damaged("the checksum of its digests does not match");
    }
    content.saved.assign(saved);
    content.digests.resize(static_cast<std::size_t>(digestCount));
    for (std::size_t i = 0; i < content.digests.size(); ++i) {
        content.digests[i] = static_cast<std::uint32_t>(Get(digests, i * 4, 4));
    }
    return JournalReading::Whole;
}

JournalFit FitOfFile(std::string_view file, const JournalContent& journal, std::uint64_t& where) {
    const JournalHeader& header = journal.header;
    const std::uint64_t length = file.size();
    const std::uint64_t from = header.savedFrom;
    const std::uint64_t shorter = std::min(header.oldLength, header.newLength);
    const std::uint64_t longer = std::max(header.oldLength, header.newLength);
    where = std::min(length, from);
    // The rewrite's writes, and a restore's, end at multiples of the sector but for the last,
    // and the file is cut only to the old or the new length.
    const bool possibleLength =
        length >= shorter && length <= longer &&
        (length == header.oldLength || length == header.newLength || length % kJournalSector == 0);
    if (!possibleLength) return JournalFit::LengthDiffers;
    if (Xxh64Of(file.data(), static_cast<std::size_t>(from)) != header.prefixHash) {
        return JournalFit::PrefixDiffers;
    }
    std::size_t digest = 0;
    for (std::uint64_t at = from; at < length;) {
        const std::uint64_t end = NextCut(at, header, longer);
        const std::string_view segment =
            file.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(end - at));
        bool fits = false;
        if (end <= header.oldLength) {
            fits = segment == std::string_view(journal.saved)
                                  .substr(static_cast<std::size_t>(at - from), segment.size());
        }
        if (end <= header.newLength) {
            fits = fits || DigestOf(segment.data(), segment.size()) == journal.digests[digest];
            ++digest;
        }
        // Where the file was longer than one of the texts, a crash can leave the bytes that
        // were to extend it as zeros.
        if (!fits && at >= shorter) fits = IsZero(segment);
        if (!fits) {
            where = at;
            return JournalFit::ContentDiffers;
        }
        at = end;
    }
    return JournalFit::Fits;
}

// The rollback journal's bytes, with no file access: the header, the digests of the new
// text's sectors, and the one test of whether a UCF holds what a crash of the journal's very
// rewrite can leave.
//
// Layout (integers little-endian, sizes in bytes; the README and the manual page describe it
// for users too):
//     0   8  magic "QLNJRNL3"
//     8   8  the UCF's old length
//    16   8  offset of the first saved byte (the bytes before it are the same in both texts)
//    24   8  number of saved bytes: the old length less the offset
//    32   8  the UCF's new length
//    40   8  number of digests
//    48   4  flags: bit 0 the run created the UCF (there was no old text); bit 1 the identity
//            is Windows' (volume serial and file index); bit 2 the inode generation is
//            known; bit 3 the birth time is known
//    52   4  zero
//    56   8  the UCF's device (volume serial on Windows)
//    64   8  the UCF's inode (file index on Windows)
//    72   8  the inode's generation
//    80   8  the UCF's birth time (ns since 1970; 100 ns ticks since 1601 on Windows)
//    88   8  XXH64 (seed 0) of the unchanged prefix, the UCF's bytes before the offset
//    96   8  XXH64 (seed 0) of the saved bytes
//   104   8  XXH64 (seed 0) of the digests
//   112   8  XXH64 (seed 0) of bytes 0 to 111
//   120      the saved bytes: the old text from the offset to its end
//            then the digests, 4 bytes each: the low 32 bits of XXH3-64 (seed 0) of each
//            segment of the new text from the offset to its end, segments being cut at every
//            multiple of 512 and at the old length
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_access.h"

inline constexpr std::size_t kJournalHeaderSize = 120;
// The unit a disk writes whole: a crash leaves each one of them old, new or zero.
inline constexpr std::uint64_t kJournalSector = 512;
inline constexpr char kJournalMagic[] = "QLNJRNL3";
// The magic of every version, "QLNJRNL" and a digit.
inline constexpr std::string_view kJournalMagicStem = "QLNJRNL";

struct JournalHeader {
    std::uint64_t oldLength = 0;
    std::uint64_t savedFrom = 0;
    std::uint64_t newLength = 0;
    bool createdUcf = false;
    FileIdentity identity;
    bool windowsIdentity = false;
    FileOrigin origin;
    std::uint64_t prefixHash = 0;
};

// The number of digests a journal with these lengths holds.
std::uint64_t DigestCount(const JournalHeader& header);

// The first place at or after `position` where a segment begins.
std::uint64_t SegmentStartFrom(const JournalHeader& header, std::uint64_t position);

// Takes the new text from the header's offset on (or from `start`, where a segment begins,
// up to `end`), in pieces of any size, and works out the digest of each of its segments.
// Bytes past the end are ignored.
class NewTextDigests {
public:
    explicit NewTextDigests(const JournalHeader& header);
    NewTextDigests(const JournalHeader& header, std::uint64_t start, std::uint64_t end);
    void Add(const char* text, std::size_t size);
    // Once the last byte up to the end was added.
    std::vector<std::uint32_t> Take() { return std::move(digests_); }

private:
    void Finish(const char* segment, std::size_t size);

    JournalHeader header_;
    std::uint64_t position_ = 0;
    std::uint64_t end_ = 0;
    std::uint64_t cut_ = 0;  // where the current segment ends
    std::string carry_;      // the current segment's bytes, when it comes in pieces
    std::vector<std::uint32_t> digests_;
};

// The journal's header bytes for saving `saved` with `digests`.
std::string JournalHeaderBytes(const JournalHeader& header, std::string_view saved,
                               const std::vector<std::uint32_t>& digests);
std::string DigestBytes(const std::vector<std::uint32_t>& digests);

// A whole journal of this version, read from the bytes of a file at the journal's name.
struct JournalContent {
    JournalHeader header;
    std::string saved;
    std::vector<std::uint32_t> digests;
};

enum class JournalReading {
    Whole,    // ours, of this version, every length and checksum right
    Foreign,  // not a journal of ours: no magic
    Damaged,  // ours, and something in it is not as it was written: `what` says what
};
// `bytes`: the whole file. For a whole journal, `content` is filled in.
JournalReading ReadJournalBytes(std::string_view bytes, JournalContent& content, std::string& what);

enum class JournalFit {
    Fits,            // a state the journal's rewrite can leave: putting the old text back is safe
    LengthDiffers,   // no write of that rewrite ends at the file's length
    PrefixDiffers,   // the bytes before the offset are not the ones the rewrite kept
    ContentDiffers,  // a segment holds neither the old text, the new one nor zeros
};
// Whether a UCF whose bytes are `file` is in a state that a crash of the journal's rewrite,
// or of a restore of its old text, can leave: the unchanged prefix, a length that one of its
// writes ends at, and each segment from the offset on old, new, or zero where the file was
// extended. `where` receives the first byte that does not fit.
JournalFit FitOfFile(std::string_view file, const JournalContent& journal, std::uint64_t& where);

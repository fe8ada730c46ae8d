// The rollback journal of a UCF rewrite: the UCF's old text, saved next to it before its
// first byte is overwritten and deleted once the new text is on the disk, so that a run that
// dies half-way is undone by the next one. A journal names the file it belongs to, so that
// it is never put back into another one.
//
// Layout (integers little-endian, sizes in bytes; the README and the manual page describe it
// for users too):
//   0  8  magic "QLNJRNL2"
//   8  8  the UCF's old length
//  16  8  offset of the first saved byte (the bytes before it are the same in both texts)
//  24  8  number of saved bytes: the old length less the offset
//  32  8  the UCF's new length
//  40  4  flags: bit 0 set when the run created the UCF (there was no old text); bit 1 set
//         when the identity below is Windows' (volume serial and file index)
//  44  4  zero
//  48  8  the UCF's identity: device (volume serial on Windows)
//  56  8  the UCF's identity: inode (file index on Windows)
//  64  8  XXH64 (seed 0) of the unchanged prefix, the UCF's bytes before the offset
//  72  8  XXH64 (seed 0) of the saved bytes
//  80  8  XXH64 (seed 0) of bytes 0 to 79
//  88     the saved bytes: the old text from the offset to its end
// The earlier layout ("QLNJRNL1", a 56-byte header without the new length, the identity and
// the prefix hash) is still read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/run/run_failure.h"
#include "platform/file_access.h"

inline constexpr std::size_t kJournalHeaderSize = 88;

// `/work/design.ucf` -> `/work/design.ucf-journal`: named after the UCF's resolved path, so
// that every name of the file (a link, a relative path) finds the same journal.
std::string JournalPath(const std::string& resolvedUcfPath);

// The XXH64 hash with seed 0, as `xxhsum -H64` prints it.
std::uint64_t Xxh64(const void* data, std::size_t size);

struct JournalHeader {
    std::uint64_t oldLength = 0;
    std::uint64_t savedFrom = 0;
    std::uint64_t newLength = 0;
    bool createdUcf = false;
    FileIdentity identity;
    bool windowsIdentity = false;
    std::uint64_t prefixHash = 0;
};

// The header for saving `saved`, the old text from `header.savedFrom` on.
std::string JournalHeaderBytes(const JournalHeader& header, std::string_view saved);

// What the bytes at the start of a file at the journal's name are.
enum class JournalKind {
    Intact,   // a whole header of ours (its saved bytes still to be checked)
    Torn,     // ours, cut off while being written: empty, or the magic and no whole header
    Foreign,  // not a journal of ours
};
// `bytes`: the file's first bytes (up to kJournalHeaderSize), `fileSize` its size. For an
// intact one, `header` and the saved bytes' size and checksum are filled in.
JournalKind ParseJournalHeader(std::string_view bytes, std::uint64_t fileSize,
                               JournalHeader& header, std::uint64_t& savedChecksum,
                               bool& versionOne);

// Writes the journal for the UCF whose old text is `oldText` (saved from `header.savedFrom`
// on), as a new file with the UCF's permission bits, and has it and its folder entry put on
// the disk. After a failure no journal is left.
RunFailure WriteJournal(const std::string& journalPath, std::string_view oldText,
                        const JournalHeader& header, unsigned permissions);

// Deletes the journal, committing what it guarded; then its folder is put on the disk.
// `removed` tells whether it is gone, also when the folder flush fails afterwards.
SystemErrorCode RemoveJournal(const std::string& journalPath, bool& removed);

// Writes `text` (old text from `from` on) over the UCF and gives it `length` bytes, then flushes
// it: how a journal's text, or a failed run's, is put back.
bool PutBack(File& ucf, std::uint64_t from, std::string_view text, std::uint64_t length);

enum class JournalRecovery {
    NoJournal,    // nothing to do
    DroppedTorn,  // a journal cut off before the UCF was touched: deleted
    Restored,     // the old text was written back over the UCF
    RemovedUcf,   // the interrupted run had created the UCF: it is removed and `ucf` closed
};

// Run with the UCF at `ucfPath` open, locked and described by `held`: puts back what an
// interrupted run's journal holds, flushes the UCF and deletes the journal. A journal that
// does not fit the file, or a file at its name that is no journal, is left alone and fails
// the run. After any failure the journal stays.
RunFailure RecoverFromJournal(File& ucf, const std::string& ucfPath, const FileStatus& held,
                              const std::string& journalPath, JournalRecovery& recovery);

// For a run that only reads the UCF: `text`, the UCF as read (described by `held`), made what
// it holds once the journal at `journalPath` is recovered. A missing or torn journal leaves it
// as it is; one that does not fit fails as the recovery would.
RunFailure RecoveredText(const std::string& journalPath, const FileStatus& held, std::string& text);

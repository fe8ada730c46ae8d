// The rollback journal of a UCF rewrite: the UCF's old text, saved next to it before its
// first byte is overwritten and deleted once the new text is on the disk, so that a run that
// dies half-way is undone by the next one.
//
// Layout (integers little-endian, sizes in bytes; the README describes it for users too):
//   0  8  magic "QLNJRNL1"
//   8  8  the UCF's old length
//  16  8  offset of the first saved byte (the bytes before it are the same in both texts)
//  24  8  number of saved bytes: the old length less the offset
//  32  4  flags: bit 0 set when the run created the UCF (there was no old text)
//  36  4  zero
//  40  8  XXH64 (seed 0) of the saved bytes
//  48  8  XXH64 (seed 0) of bytes 0 to 47
//  56     the saved bytes: the old text from the offset to its end
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_access.h"

inline constexpr std::size_t kJournalHeaderSize = 56;

// `design.ucf` -> `design.ucf-journal`, in the same folder.
std::string JournalPath(const std::string& ucfPath);

// The XXH64 hash with seed 0, as `xxhsum -H64` prints it: fast enough that checking a journal
// of many megabytes costs little next to writing it.
std::uint64_t Xxh64(const void* data, std::size_t size);

struct JournalHeader {
    std::uint64_t oldLength = 0;
    std::uint64_t savedFrom = 0;
    bool createdUcf = false;
};

// The header for saving `saved`, the old text from `header.savedFrom` on.
std::string JournalHeaderBytes(const JournalHeader& header, std::string_view saved);

// Reads the header from the first kJournalHeaderSize bytes; false when they are not a
// complete, intact header. `savedSize` receives how many saved bytes must follow.
bool ParseJournalHeader(std::string_view bytes, JournalHeader& header, std::uint64_t& savedSize,
                        std::uint64_t& savedChecksum);

// Writes the journal for a UCF whose old text is `oldText`, saving it from `savedFrom` on,
// and has it and its folder entry put on the disk. The system's error, 0 when it is safe to
// overwrite the UCF; after an error no journal is left.
SystemErrorCode WriteJournal(const std::string& journalPath, std::string_view oldText,
                             std::uint64_t savedFrom, bool createdUcf);

// Deletes the journal, committing what it guarded; its folder is put on the disk too.
SystemErrorCode RemoveJournal(const std::string& journalPath);

enum class JournalRecovery {
    NoJournal,    // nothing to do
    DroppedTorn,  // a journal cut off before the UCF was touched: deleted
    Restored,     // the old text was written back over the UCF
    RemovedUcf,   // the interrupted run had created the UCF: it is removed and `ucf` closed
};

// Run with the UCF open and locked: puts back what an interrupted run's journal holds,
// flushes the UCF and deletes the journal. After an error the journal stays.
SystemErrorCode RecoverFromJournal(File& ucf, const std::string& journalPath,
                                   JournalRecovery& recovery);

// For a run that only reads the UCF: `text`, the UCF as read, made what it holds once the
// journal at `journalPath` is recovered. A missing or torn journal leaves it as it is.
SystemErrorCode RecoveredText(const std::string& journalPath, std::string& text);

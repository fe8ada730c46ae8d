// The rollback journal of a UCF rewrite: the UCF's old text, saved next to it before its
// first byte is overwritten and deleted once the new text is on the disk, so that a run that
// dies half-way is undone by the next one (conversion/run/journal_format.h has its bytes).
//
// A journal is written under a temporary name beside the UCF, put on the disk, and only then
// given its name, which it never takes from another file: a file at the journal's name is a
// whole journal or not ours. It is put back only into a file that holds what a crash of its
// very rewrite can leave; anything else is refused, the journal kept, and nothing changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/run/journal_format.h"
#include "conversion/run/run_failure.h"
#include "platform/file_access.h"

// `/work/design.ucf` -> `/work/design.ucf-journal`: named after the UCF's resolved path, so
// that every name of the file (a link, a relative path) finds the same journal.
std::string JournalPath(const std::string& resolvedUcfPath);
// The temporaries a journal is written under: its name, "-" and six letters or digits.
bool IsJournalTemporaryOf(const std::string& journalPath, const std::string& name);

// The XXH64 hash with seed 0, as `xxhsum -H64` prints it.
std::uint64_t Xxh64(const void* data, std::size_t size);

// Writes the journal for the UCF whose old text is `oldText` (saved from `header.savedFrom`
// on, with `digests` of the new text), under a temporary name with the UCF's permission bits,
// puts it on the disk and gives it its name. After a failure no journal is left.
RunFailure WriteJournal(const std::string& journalPath, std::string_view oldText,
                        const JournalHeader& header, const std::vector<std::uint32_t>& digests,
                        unsigned permissions);

// Deletes the journal, committing what it guarded; then its folder is put on the disk.
// `removed` tells whether it is gone, also when the folder flush fails afterwards.
SystemErrorCode RemoveJournal(const std::string& journalPath, bool& removed);

// Writes `text` (old text from `from` on) over the UCF and gives it `length` bytes, then flushes
// it: how a journal's text, or a failed run's, is put back. Every write but the last ends at a
// multiple of the sector, so that a crash meanwhile leaves what the journal can still tell.
bool PutBack(File& ucf, std::uint64_t from, std::string_view text, std::uint64_t length);

enum class JournalRecovery {
    NoJournal,   // nothing to do
    Restored,    // the old text was written back over the UCF
    RemovedUcf,  // the interrupted run had created the UCF: it is removed and `ucf` closed
};

// Run with the UCF at `ucfPath` open, locked and described by `held`: puts
// back what an interrupted run's journal holds, flushes the UCF and deletes the journal, and
// removes the temporaries that a run killed while writing one left. A file at the journal's
// name that is not ours, a damaged journal, or one whose rewrite cannot have left the UCF as
// it is, fails the run and changes nothing; after any failure the journal stays.
RunFailure RecoverFromJournal(File& ucf, const std::string& ucfPath, const FileStatus& held,
                              const std::string& journalPath, JournalRecovery& recovery);

// For a run that only reads the UCF: `text`, the UCF as read (described by `held`), made what
// it holds once the journal at `journalPath` is recovered; `pending` tells whether there is
// one. Fails as the recovery would.
RunFailure RecoveredText(const std::string& journalPath, const FileStatus& held,
                         const FileOrigin& origin, std::string& text, bool& pending);

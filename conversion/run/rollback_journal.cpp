#include "conversion/run/rollback_journal.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "conversion/run/xxhash_support.h"

namespace {

constexpr char kMagic[8] = {'Q', 'L', 'N', 'J', 'R', 'N', 'L', '2'};
constexpr char kMagicOne[8] = {'Q', 'L', 'N', 'J', 'R', 'N', 'L', '1'};
constexpr std::size_t kCommonMagic = 7;  // "QLNJRNL", the same in every version
constexpr std::size_t kHeaderSizeOne = 56;
constexpr std::uint32_t kCreatedUcf = 1;
constexpr std::uint32_t kWindowsIdentity = 2;
constexpr std::size_t kStep = std::size_t{1} << 20;

#ifdef _WIN32
constexpr bool kOnWindows = true;
#else
constexpr bool kOnWindows = false;
#endif

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

std::string NotOurs(const std::string& journalPath) {
    return journalPath +
           " is in the way of the rollback journal and is not one; nothing was changed "
           "(move it away and convert again)";
}

std::string NotThisFile(const std::string& journalPath) {
    return "the rollback journal " + journalPath +
           " was left by an unfinished run on another file of this name (the UCF was replaced "
           "since); nothing was changed (move the journal away to convert this file, or put "
           "the old text back by hand as the README says)";
}

std::string CannotRead(const std::string& journalPath) {
    return "cannot read its rollback journal " + journalPath;
}

// XXH64 of the file's first `length` bytes, read in steps.
bool HashOfPrefix(File& file, std::uint64_t length, std::uint64_t& hash) {
    Xxh64Stream stream;
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[kStep]);
    if (!buffer || !file.Seek(0)) return false;
    for (std::uint64_t done = 0; done < length;) {
        const auto step = static_cast<std::size_t>(std::min<std::uint64_t>(kStep, length - done));
        if (!file.ReadFully(buffer.get(), step)) return false;
        stream.Add(buffer.get(), step);
        done += step;
    }
    hash = stream.Hash();
    return true;
}

// What a file at the journal's name holds.
struct JournalContent {
    bool found = false;
    JournalKind kind = JournalKind::Torn;
    bool versionOne = false;
    JournalHeader fields;
    std::string saved;
};

RunFailure ReadJournal(const std::string& journalPath, JournalContent& content) {
    content = JournalContent();
    File journal;
    if (!journal.Open(journalPath, FileOpening::ReadOwn)) {
        bool taken = true;
        if (NameTaken(journalPath, taken) == 0 && !taken) return {};
        // A symbolic link is never followed, whether or not its target exists.
        if (taken && IsLinkRefusal(journal.Error())) return NotOurs(journalPath);
        return {CannotRead(journalPath), journal.Error()};
    }
    content.found = true;
    FileStatus status;
    if (!journal.Status(status)) return {CannotRead(journalPath), journal.Error()};
    if (!status.regular) {
        content.kind = JournalKind::Foreign;
        return {};
    }
    const std::uint64_t size = status.state.size;
    std::string header(static_cast<std::size_t>(std::min<std::uint64_t>(size, kJournalHeaderSize)),
                       '\0');
    if (!journal.ReadFully(header.data(), header.size())) {
        return {CannotRead(journalPath), journal.Error()};
    }
    std::uint64_t savedChecksum = 0;
    content.kind =
        ParseJournalHeader(header, size, content.fields, savedChecksum, content.versionOne);
    if (content.kind != JournalKind::Intact) return {};
    const std::uint64_t savedSize = content.fields.oldLength - content.fields.savedFrom;
    if (savedSize > content.saved.max_size()) return SystemErrorFor(FileProblem::TooLarge);
    try {
        content.saved.resize(static_cast<std::size_t>(savedSize));
    } catch (const std::bad_alloc&) {
        return SystemErrorFor(FileProblem::OutOfMemory);
    }
    const std::size_t headerSize = content.versionOne ? kHeaderSizeOne : kJournalHeaderSize;
    if (!journal.Seek(headerSize) ||
        !journal.ReadFully(content.saved.data(), content.saved.size())) {
        return {CannotRead(journalPath), journal.Error()};
    }
    if (Xxh64(content.saved.data(), content.saved.size()) != savedChecksum) {
        content.kind = JournalKind::Torn;
    }
    journal.Close();
    return {};
}

// Whether an intact journal was written for the file `held` describes, as it is now: the
// same identity, offsets within the file's present length and the same unchanged prefix.
bool FitsFile(const JournalContent& content, const FileStatus& held, std::uint64_t heldPrefixHash) {
    const JournalHeader& fields = content.fields;
    const std::uint64_t size = held.state.size;
    if (size < fields.savedFrom) return false;
    if (content.versionOne) return true;
    // A journal from the other build (the Windows program under Wine) knows the file by
    // another volume number; the file index is the inode there too.
    if (fields.windowsIdentity == kOnWindows ? !(fields.identity == held.identity)
                                             : fields.identity.index != held.identity.index) {
        return false;
    }
    if (size > std::max(fields.oldLength, fields.newLength)) return false;
    return heldPrefixHash == fields.prefixHash;
}

RunFailure RemoveTorn(const std::string& journalPath) {
    bool removed = false;
    if (const SystemErrorCode error = RemoveJournal(journalPath, removed)) {
        if (!removed) return {"cannot delete its cut-off rollback journal " + journalPath, error};
    }
    return {};
}

}  // namespace

bool PutBack(File& ucf, std::uint64_t from, std::string_view text, std::uint64_t length) {
    return ucf.Seek(from) && ucf.WriteFully(text.data(), text.size()) && ucf.Resize(length) &&
           ucf.Flush();
}

std::string JournalPath(const std::string& resolvedUcfPath) {
    return resolvedUcfPath + "-journal";
}

std::uint64_t Xxh64(const void* data, std::size_t size) {
    return Xxh64Of(data, size);
}

namespace {

std::string HeaderBytesWithChecksum(const JournalHeader& header, std::uint64_t savedSize,
                                    std::uint64_t savedChecksum) {
    std::string bytes(kJournalHeaderSize, '\0');
    std::memcpy(bytes.data(), kMagic, sizeof kMagic);
    Put(bytes, 8, header.oldLength, 8);
    Put(bytes, 16, header.savedFrom, 8);
    Put(bytes, 24, savedSize, 8);
    Put(bytes, 32, header.newLength, 8);
    Put(bytes, 40,
        (header.createdUcf ? kCreatedUcf : 0) | (header.windowsIdentity ? kWindowsIdentity : 0), 4);
    Put(bytes, 48, header.identity.volume, 8);
    Put(bytes, 56, header.identity.index, 8);
    Put(bytes, 64, header.prefixHash, 8);
    Put(bytes, 72, savedChecksum, 8);
    Put(bytes, 80, Xxh64Of(bytes.data(), 80), 8);
    return bytes;
}

}  // namespace

std::string JournalHeaderBytes(const JournalHeader& header, std::string_view saved) {
    return HeaderBytesWithChecksum(header, saved.size(), Xxh64(saved.data(), saved.size()));
}

JournalKind ParseJournalHeader(std::string_view bytes, std::uint64_t fileSize,
                               JournalHeader& header, std::uint64_t& savedChecksum,
                               bool& versionOne) {
    header = JournalHeader();
    versionOne = false;
    if (fileSize == 0) return JournalKind::Torn;
    // The magic is in the journal's first write: a journal of ours cut off anywhere has it,
    // or as much of it as was written.
    const std::size_t magicBytes = std::min(bytes.size(), sizeof kMagic);
    if (std::memcmp(bytes.data(), kMagic, std::min(magicBytes, kCommonMagic)) != 0) {
        return JournalKind::Foreign;
    }
    if (magicBytes < sizeof kMagic) return JournalKind::Torn;
    versionOne = std::memcmp(bytes.data(), kMagicOne, sizeof kMagicOne) == 0;
    if (!versionOne && std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        return JournalKind::Foreign;
    }
    const std::size_t headerSize = versionOne ? kHeaderSizeOne : kJournalHeaderSize;
    if (bytes.size() < headerSize) return JournalKind::Torn;
    std::uint64_t savedSize = 0;
    std::uint32_t flags = 0;
    if (versionOne) {
        if (Get(bytes, 48, 8) != Xxh64(bytes.data(), 48) || Get(bytes, 36, 4) != 0)
            return JournalKind::Torn;
        header.oldLength = Get(bytes, 8, 8);
        header.savedFrom = Get(bytes, 16, 8);
        savedSize = Get(bytes, 24, 8);
        flags = static_cast<std::uint32_t>(Get(bytes, 32, 4));
        savedChecksum = Get(bytes, 40, 8);
        if ((flags & ~kCreatedUcf) != 0) return JournalKind::Torn;
    } else {
        if (Get(bytes, 80, 8) != Xxh64(bytes.data(), 80) || Get(bytes, 44, 4) != 0)
            return JournalKind::Torn;
        header.oldLength = Get(bytes, 8, 8);
        header.savedFrom = Get(bytes, 16, 8);
        savedSize = Get(bytes, 24, 8);
        header.newLength = Get(bytes, 32, 8);
        flags = static_cast<std::uint32_t>(Get(bytes, 40, 4));
        header.identity = {Get(bytes, 48, 8), Get(bytes, 56, 8)};
        header.prefixHash = Get(bytes, 64, 8);
        savedChecksum = Get(bytes, 72, 8);
        if ((flags & ~(kCreatedUcf | kWindowsIdentity)) != 0) return JournalKind::Torn;
    }
    header.createdUcf = (flags & kCreatedUcf) != 0;
    header.windowsIdentity = (flags & kWindowsIdentity) != 0;
    const bool consistent =
        header.savedFrom <= header.oldLength && savedSize == header.oldLength - header.savedFrom &&
        !(header.createdUcf && header.oldLength != 0) && fileSize - headerSize == savedSize;
    return consistent ? JournalKind::Intact : JournalKind::Torn;
}

RunFailure WriteJournal(const std::string& journalPath, std::string_view oldText,
                        const JournalHeader& header, unsigned permissions) {
    const std::string_view saved = oldText.substr(static_cast<std::size_t>(header.savedFrom));
    File journal;
    if (!journal.Open(journalPath, FileOpening::CreateNew, permissions)) {
        bool taken = false;
        if (NameTaken(journalPath, taken) == 0 && taken) return NotOurs(journalPath);
        return {"cannot create its rollback journal " + journalPath, journal.Error()};
    }
    // One straight sequence: the header (with the magic) first, then the saved bytes in steps
    // that are handed on to the disk at once, their checksum worked out while the disk takes
    // them, then the header again with it, then the flush. Cut off anywhere before the flush,
    // the journal has the magic and no valid header: torn, never taken for a whole one.
    const JournalHeader& fields = header;
    std::string head = HeaderBytesWithChecksum(fields, saved.size(), 0);
    std::fill(head.begin() + 80, head.end(), '\0');  // not valid until the end
    bool written = journal.WriteFully(head.data(), head.size());
    Xxh64Stream checksum;
    for (std::size_t done = 0; written && done < saved.size();) {
        const std::size_t step = std::min(kStep, saved.size() - done);
        written = journal.WriteFully(saved.data() + done, step);
        journal.StartFlush(kJournalHeaderSize + done, step);
        checksum.Add(saved.data() + done, step);
        done += step;
    }
    if (written) {
        head = HeaderBytesWithChecksum(fields, saved.size(), checksum.Hash());
        written = journal.Seek(0) && journal.WriteFully(head.data(), head.size());
    }
    SystemErrorCode error = written && journal.Flush() ? 0 : journal.Error();
    if (!journal.Close() && error == 0) error = journal.Error();
    if (error == 0) error = FlushFolderOf(journalPath);
    if (error != 0) {
        // A partial journal would only be dropped as torn; a full one could be taken as the
        // record of a rewrite that never began. Neither is left behind.
        RemoveFile(journalPath);
        return {"cannot write its rollback journal " + journalPath, error};
    }
    return {};
}

SystemErrorCode RemoveJournal(const std::string& journalPath, bool& removed) {
    removed = false;
    if (const SystemErrorCode error = RemoveFile(journalPath)) return error;
    removed = true;
    return FlushFolderOf(journalPath);
}

RunFailure RecoverFromJournal(File& ucf, const std::string& ucfPath, const FileStatus& held,
                              const std::string& journalPath, JournalRecovery& recovery) {
    recovery = JournalRecovery::NoJournal;
    JournalContent content;
    if (RunFailure failure = ReadJournal(journalPath, content)) return failure;
    if (!content.found) return {};
    if (content.kind == JournalKind::Foreign) return NotOurs(journalPath);
    if (content.kind == JournalKind::Torn) {
        // The journal is flushed before the UCF's first byte is overwritten: one that is not
        // whole was cut off while being written, and the UCF is as it was.
        recovery = JournalRecovery::DroppedTorn;
        return RemoveTorn(journalPath);
    }
    std::uint64_t prefixHash = 0;
    if (!content.versionOne && held.state.size >= content.fields.savedFrom &&
        !HashOfPrefix(ucf, content.fields.savedFrom, prefixHash)) {
        return ucf.Error();
    }
    if (!FitsFile(content, held, prefixHash)) return NotThisFile(journalPath);
    bool removed = false;
    if (content.fields.createdUcf) {
        if (!ucf.Resize(0) || !ucf.Flush()) return ucf.Error();
        // The journal goes while the UCF is still locked: a run waiting for the lock must not
        // find it and take the file it then makes for the one this journal speaks of.
        if (const SystemErrorCode error = RemoveJournal(journalPath, removed); !removed) {
            return error;
        }
        // A removal that the system refuses (Windows, while another program has the file
        // open) leaves an empty file, which converts as a missing one would; so does a crash
        // just before it.
        ucf.CloseAndRemove(ucfPath);
        recovery = JournalRecovery::RemovedUcf;
        return {};
    }
    if (!PutBack(ucf, content.fields.savedFrom, content.saved, content.fields.oldLength)) {
        return ucf.Error();
    }
    recovery = JournalRecovery::Restored;
    if (const SystemErrorCode error = RemoveJournal(journalPath, removed); !removed) return error;
    return {};
}

RunFailure RecoveredText(const std::string& journalPath, const FileStatus& held,
                         std::string& text) {
    JournalContent content;
    if (RunFailure failure = ReadJournal(journalPath, content)) return failure;
    if (!content.found || content.kind == JournalKind::Torn) return {};
    if (content.kind == JournalKind::Foreign) return NotOurs(journalPath);
    const std::uint64_t from = content.fields.savedFrom;
    const std::uint64_t prefixHash =
        text.size() >= from ? Xxh64(text.data(), static_cast<std::size_t>(from)) : 0;
    if (!FitsFile(content, held, prefixHash)) return NotThisFile(journalPath);
    if (content.fields.createdUcf) {
        text.clear();
        return {};
    }
    try {
        text.resize(static_cast<std::size_t>(from));
        text += content.saved;
    } catch (const std::bad_alloc&) {
        return SystemErrorFor(FileProblem::OutOfMemory);
    }
    return {};
}

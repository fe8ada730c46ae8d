#include "conversion/rollback_journal.h"

#include <array>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr char kMagic[8] = {'Q', 'L', 'N', 'J', 'R', 'N', 'L', '1'};
constexpr std::uint32_t kCreatedUcf = 1;

// Eight tables, so that the checksum takes eight bytes per step: journals hold megabytes.
using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        std::uint32_t crc = byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        tables[0][byte] = crc;
    }
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        for (std::size_t table = 1; table < 8; ++table) {
            const std::uint32_t previous = tables[table - 1][byte];
            tables[table][byte] = (previous >> 8) ^ tables[0][previous & 0xFFu];
        }
    }
    return tables;
}

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

// Writes `text` over the UCF from `from` on and gives it `length` bytes, then flushes it.
bool PutBack(File& ucf, std::uint64_t from, std::string_view text, std::uint64_t length) {
    return ucf.Seek(from) && ucf.WriteFully(text.data(), text.size()) && ucf.Resize(length) &&
           ucf.Flush();
}

}  // namespace

std::string JournalPath(const std::string& ucfPath) {
    return ucfPath + "-journal";
}

std::uint32_t Crc32(const void* data, std::size_t size, std::uint32_t crc) {
    static const CrcTables tables = MakeCrcTables();
    const auto* bytes = static_cast<const unsigned char*>(data);
    crc = ~crc;
    while (size >= 8) {
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        for (int i = 0; i < 4; ++i) {
            low |= std::uint32_t{bytes[i]} << (8 * i);
            high |= std::uint32_t{bytes[4 + i]} << (8 * i);
        }
        low ^= crc;
        crc = tables[7][low & 0xFFu] ^ tables[6][(low >> 8) & 0xFFu] ^
              tables[5][(low >> 16) & 0xFFu] ^ tables[4][low >> 24] ^ tables[3][high & 0xFFu] ^
              tables[2][(high >> 8) & 0xFFu] ^ tables[1][(high >> 16) & 0xFFu] ^
              tables[0][high >> 24];
        bytes += 8;
        size -= 8;
    }
    while (size-- > 0) crc = (crc >> 8) ^ tables[0][(crc ^ *bytes++) & 0xFFu];
    return ~crc;
}

std::string JournalHeaderBytes(const JournalHeader& header, std::string_view saved) {
    std::string bytes(kJournalHeaderSize, '\0');
    std::memcpy(bytes.data(), kMagic, sizeof kMagic);
    Put(bytes, 8, header.oldLength, 8);
    Put(bytes, 16, header.savedFrom, 8);
    Put(bytes, 24, saved.size(), 8);
    Put(bytes, 32, header.createdUcf ? kCreatedUcf : 0, 4);
    Put(bytes, 36, Crc32(saved.data(), saved.size()), 4);
    Put(bytes, 40, Crc32(bytes.data(), 40), 4);
    return bytes;
}

bool ParseJournalHeader(std::string_view bytes, JournalHeader& header, std::uint64_t& savedSize,
                        std::uint32_t& savedCrc) {
    if (bytes.size() < kJournalHeaderSize) return false;
    if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return false;
    if (Get(bytes, 40, 4) != Crc32(bytes.data(), 40) || Get(bytes, 44, 4) != 0) return false;
    const std::uint64_t flags = Get(bytes, 32, 4);
    header.oldLength = Get(bytes, 8, 8);
    header.savedFrom = Get(bytes, 16, 8);
    header.createdUcf = (flags & kCreatedUcf) != 0;
    savedSize = Get(bytes, 24, 8);
    savedCrc = static_cast<std::uint32_t>(Get(bytes, 36, 4));
    return (flags & ~std::uint64_t{kCreatedUcf}) == 0 && header.savedFrom <= header.oldLength &&
           savedSize == header.oldLength - header.savedFrom &&
           !(header.createdUcf && header.oldLength != 0);
}

SystemErrorCode WriteJournal(const std::string& journalPath, std::string_view oldText,
                             std::uint64_t savedFrom, bool createdUcf) {
    const std::string_view saved = oldText.substr(static_cast<std::size_t>(savedFrom));
    const std::string header = JournalHeaderBytes({oldText.size(), savedFrom, createdUcf}, saved);
    File journal;
    const bool written = journal.Open(journalPath, FileOpening::ReplaceAlways) &&
                         journal.WriteFully(header.data(), header.size()) &&
                         journal.WriteFully(saved.data(), saved.size()) && journal.Flush();
    SystemErrorCode error = written ? 0 : journal.Error();
    if (error == 0 && !journal.Close()) error = journal.Error();
    if (error == 0) error = FlushFolderOf(journalPath);
    if (error != 0) {
        journal.Close();
        // A partial journal would only be dropped as torn; a full one could be taken as
        // the record of a rewrite that never began. Neither is left behind.
        RemoveFile(journalPath);
    }
    return error;
}

SystemErrorCode RemoveJournal(const std::string& journalPath) {
    if (const SystemErrorCode error = RemoveFile(journalPath)) return error;
    return FlushFolderOf(journalPath);
}

SystemErrorCode RecoverFromJournal(File& ucf, const std::string& journalPath,
                                   JournalRecovery& recovery) {
    recovery = JournalRecovery::NoJournal;
    File journal;
    if (!journal.Open(journalPath, FileOpening::ReadExisting)) {
        bool exists = true;
        FileIdentity ignored;
        if (IdentityAtPath(journalPath, ignored, exists) == 0 && !exists) return 0;
        return journal.Error();
    }
    std::uint64_t size = 0;
    if (!journal.Size(size)) return journal.Error();

    std::string header(kJournalHeaderSize, '\0');
    JournalHeader fields;
    std::uint64_t savedSize = 0;
    std::uint32_t savedCrc = 0;
    bool intact = size >= kJournalHeaderSize && journal.ReadFully(header.data(), header.size()) &&
                  ParseJournalHeader(header, fields, savedSize, savedCrc) &&
                  size - kJournalHeaderSize == savedSize;
    std::string saved;
    if (intact) {
        if (savedSize > saved.max_size()) return SystemErrorFor(FileProblem::TooLarge);
        try {
            saved.resize(static_cast<std::size_t>(savedSize));
        } catch (const std::bad_alloc&) {
            return SystemErrorFor(FileProblem::OutOfMemory);
        }
        if (!journal.ReadFully(saved.data(), saved.size())) return journal.Error();
        intact = Crc32(saved.data(), saved.size()) == savedCrc;
    }
    journal.Close();
    if (!intact) {
        // The journal is flushed before the UCF's first byte is overwritten: one that is not
        // whole was cut off while being written, and the UCF is as it was.
        recovery = JournalRecovery::DroppedTorn;
        return RemoveJournal(journalPath);
    }
    if (fields.createdUcf) {
        if (!ucf.Resize(0) || !ucf.Flush()) return ucf.Error();
        // A removal that the system refuses (Windows, while another program has the file
        // open) leaves an empty file, which converts as a missing one would.
        ucf.CloseAndRemove();
        recovery = JournalRecovery::RemovedUcf;
    } else {
        if (!PutBack(ucf, fields.savedFrom, saved, fields.oldLength)) return ucf.Error();
        recovery = JournalRecovery::Restored;
    }
    return RemoveJournal(journalPath);
}

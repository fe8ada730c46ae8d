// One conversion over the three files, in this order: the source is read and closed, the UCF
// is read, rewritten in place and closed, the EDIF file is written back over itself. Each
// file is closed before the next is opened, and the run ends with exactly one message.
#include "conversion/conversion_run.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include "conversion/generated_line_stream.h"
#include "conversion/generated_lines.h"
#include "conversion/second_processor.h"
#include "conversion/ucf_rewriter.h"
#include "platform/file_access.h"

namespace {

constexpr char kSourcePrefix[] = "Source binary file:\n";
constexpr char kUcfPrefix[] = "Destination UCF file:\n";
constexpr char kSuccessText[] = "UCF file updated!";
constexpr char kSuccessCaption[] = "INFORMATION";
constexpr char kErrorCaption[] = "ERROR";

// The rewriter counts the source's bytes in 32 bits.
constexpr std::uint64_t kMaxSourceSize = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kMaxHeldSize = std::numeric_limits<std::size_t>::max();

struct Bytes {
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;
};

bool Fail(FileProblem problem) {
    SetLastSystemError(SystemErrorFor(problem));
    return false;
}

std::string ErrorPrefix(const char* what, const std::string& path) {
    return what + path + "\n\n";
}

// Closes `file` before the box goes up, so that no file stays held while the user reads it,
// and reports the error that stopped the run, not one from closing. A file the run created
// is removed again: after a failed run it is not there, as before.
void ReportAndClose(MessageOwner& owner, File& file, const std::string& prefix) {
    const SystemErrorCode error = LastSystemError();
    file.Close();
    if (file.Created()) RemoveFile(file.Path());
    SetLastSystemError(error);
    ShowSystemError(owner, prefix);
}

// The file's current size when it is at most `limit`.
bool SizeUpTo(File& file, std::uint64_t limit, std::size_t& size) {
    std::uint64_t fileSize = 0;
    if (!file.Size(fileSize)) return false;
    if (fileSize > limit) return Fail(FileProblem::TooLarge);
    size = static_cast<std::size_t>(fileSize);
    return true;
}

// Reads `size` bytes from the file's start. A large file is read in two halves at once where
// there is a second processor: copying out of the system's cache is most of such a read.
bool ReadSplit(File& file, std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kSplitFrom = std::size_t{8} << 20;
    if (size < kSplitFrom || !HaveSecondProcessor()) {
        return file.ReadFully(data, size);
    }
    const std::size_t half = size / 2;
    bool tailRead = false;
    SystemErrorCode tailError = 0;
    std::thread tail;
    try {
        tail = std::thread([&] {
            tailRead = file.ReadFullyAt(half, data + half, size - half);
            if (!tailRead) tailError = LastSystemError();
        });
    } catch (const std::system_error&) {
        return file.ReadFullyAt(0, data, size);
    }
    const bool headRead = file.ReadFullyAt(0, data, half);
    const SystemErrorCode headError = LastSystemError();
    tail.join();
    if (headRead && tailRead) return true;
    SetLastSystemError(headRead ? tailError : headError);
    return false;
}

// Reads the whole file, at the size it has now; a read that fails or comes short fails.
bool ReadBytes(File& file, std::uint64_t limit, Bytes& bytes) {
    std::size_t size = 0;
    if (!SizeUpTo(file, limit, size)) return false;
    bytes.data.reset(new (std::nothrow) std::uint8_t[size]);
    if (!bytes.data) return Fail(FileProblem::OutOfMemory);
    bytes.size = size;
    return ReadSplit(file, bytes.data.get(), size);
}

// Reads the whole UCF, NUL bytes included: the rewriter keeps them as ordinary characters.
bool ReadText(File& file, std::string& text) {
    std::size_t size = 0;
    if (!SizeUpTo(file, text.max_size(), size)) return false;
    try {
        text.resize(size);
    } catch (const std::bad_alloc&) {
        return Fail(FileProblem::OutOfMemory);
    }
    return file.ReadFully(text.data(), size);
}

// The kept part of the new text: the old text without the component's lines.
bool Keep(std::string_view oldText, const GeneratedLines& lines, std::string& kept) {
    try {
        kept = KeptUcfText(oldText, lines.component, lines.synthesizer, lines.size > 0);
    } catch (const std::bad_alloc&) {
        return Fail(FileProblem::OutOfMemory);
    }
    return true;
}

// Puts the old text back over the first `overwritten` bytes and gives the file its old
// length again. The file is never longer than the old text or the reserved room here, so
// this needs no new room on the disk.
void RestoreContent(File& file, std::string_view oldText, std::uint64_t overwritten) {
    const auto count =
        static_cast<std::size_t>(std::min<std::uint64_t>(overwritten, oldText.size()));
    if (!file.Seek(0) || !file.WriteFully(oldText.data(), count)) return;
    std::uint64_t size = 0;
    if (file.Size(size) && size != oldText.size()) file.Resize(oldText.size());
}

// Writes the kept text and then the generated lines over the file holding `oldText`, a
// block at a time as they are formatted, so the new text is never held whole. All or
// nothing: the room for a longer text is taken before the first byte is overwritten, and
// after any later failure the old text is written back and the file given its old length.
// The error that stopped it stays the last error.
bool WriteNewText(File& file, std::string_view oldText, std::string_view kept,
                  const GeneratedLines& lines) {
    const std::uint64_t newSize = kept.size() + GeneratedTextSize(lines);
    std::uint64_t overwritten = 0;
    SystemErrorCode writeError = 0;
    const auto write = [&](const char* text, std::size_t size) {
        std::size_t written = 0;
        const bool complete = file.WriteFully(text, size, &written);
        overwritten += written;
        if (!complete) writeError = LastSystemError();
        return complete;
    };
    // Ending the stream's thread may clear the last error (it does on Windows).
    const auto writeLines = [&] {
        if (StreamGeneratedLines(lines, write)) return true;
        SetLastSystemError(writeError);
        return false;
    };
    bool written = false;
    try {
        written = (newSize <= oldText.size() || file.Reserve(newSize)) && file.Seek(0) &&
                  write(kept.data(), kept.size()) && writeLines() && file.Resize(newSize);
    } catch (const std::bad_alloc&) {
        Fail(FileProblem::OutOfMemory);
    }
    if (written) return true;
    const SystemErrorCode error = LastSystemError();
    RestoreContent(file, oldText, overwritten);
    SetLastSystemError(error);
    return false;
}

// Reads and rewrites the UCF; false when the run is to stop (the box has been shown).
bool UpdateUcf(const ConversionRequest& request, Bytes& source, MessageOwner& owner) {
    const std::string prefix = ErrorPrefix(kUcfPrefix, request.ucfFile);
    File ucf;
    if (!ucf.Open(request.ucfFile, FileOpening::ReadWriteAlways)) {
        source = Bytes();
        ShowSystemError(owner, prefix);
        return false;
    }
    const GeneratedLines lines{source.data.get(), static_cast<std::uint32_t>(source.size),
                               request.component,
                               static_cast<SynthesizerKind>(request.synthesizer)};
    std::string oldText;
    std::string kept;
    const bool written = ReadText(ucf, oldText) && Keep(oldText, lines, kept) &&
                         WriteNewText(ucf, oldText, kept, lines);
    source = Bytes();
    if (!written) {
        // The texts can be large; they go before the box waits for the user.
        std::string().swap(oldText);
        std::string().swap(kept);
        ReportAndClose(owner, ucf, prefix);
        return false;
    }
    // What was written may only now turn out lost (a network file system reports late).
    if (!ucf.Close()) {
        ReportAndClose(owner, ucf, prefix);
        return false;
    }
    return true;
}

// Writes the EDIF file's own content back over it, which renews its last-write time for the
// tools that compare it with the UCF's. A file that cannot be opened, read in full or held
// in memory is left as it is, without a message; the cut comes only after every byte is back.
void RefreshEdif(const std::string& path) {
    File edif;
    if (!edif.Open(path, FileOpening::ReadWriteAlways)) return;
    Bytes content;
    if (!ReadBytes(edif, kMaxHeldSize, content)) return;
    if (edif.Seek(0) && edif.WriteFully(content.data.get(), content.size)) {
        edif.Resize(content.size);
    }
    content = Bytes();
    edif.Close();
}

}  // namespace

void RunConversion(const ConversionRequest& request, MessageOwner& owner) {
    Bytes source;
    {
        File file;
        if (!file.Open(request.sourceFile, FileOpening::ReadExisting)) {
            ShowSystemError(owner, ErrorPrefix(kSourcePrefix, request.sourceFile));
            return;
        }
        if (!ReadBytes(file, kMaxSourceSize, source)) {
            source = Bytes();
            ReportAndClose(owner, file, ErrorPrefix(kSourcePrefix, request.sourceFile));
            return;
        }
        file.Close();
    }
    if (!UpdateUcf(request, source, owner)) return;
    RefreshEdif(request.edifFile);
    owner.ShowMessage(kSuccessText, kSuccessCaption, kMbOk | kMbIconInformation);
}

void ShowSystemError(MessageOwner& owner, const std::string& prefix) {
    const SystemErrorCode error = LastSystemError();
    owner.ShowMessage(prefix + SystemErrorText(error), kErrorCaption, kMbOk | kMbIconStop);
}

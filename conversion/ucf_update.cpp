#include "conversion/ucf_update.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>

#include "conversion/generated_line_stream.h"
#include "conversion/ucf_rewriter.h"

namespace {

// Reads the whole UCF, NUL bytes included: the rewriter keeps them as ordinary characters.
SystemErrorCode ReadText(File& file, std::string& text) {
    std::uint64_t size = 0;
    if (!file.Size(size)) return file.Error();
    if (size > text.max_size()) return SystemErrorFor(FileProblem::TooLarge);
    try {
        text.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return SystemErrorFor(FileProblem::OutOfMemory);
    }
    return file.ReadFully(text.data(), text.size()) ? 0 : file.Error();
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
SystemErrorCode WriteNewText(File& file, std::string_view oldText, std::string_view kept,
                             const GeneratedLines& lines, std::uint64_t newSize) {
    std::uint64_t overwritten = 0;
    SystemErrorCode error = 0;
    const auto write = [&](const char* text, std::size_t size) {
        std::size_t written = 0;
        const bool complete = file.WriteFully(text, size, &written);
        overwritten += written;
        if (!complete) error = file.Error();
        return complete;
    };
    const auto step = [&](bool done) {
        if (!done && error == 0) error = file.Error();
        return done;
    };
    try {
        if (step(newSize <= oldText.size() || file.Reserve(newSize)) && step(file.Seek(0)) &&
            write(kept.data(), kept.size()) && StreamGeneratedLines(lines, write) &&
            step(file.Resize(newSize))) {
            return 0;
        }
    } catch (const std::bad_alloc&) {
        error = SystemErrorFor(FileProblem::OutOfMemory);
    }
    RestoreContent(file, oldText, overwritten);
    return error;
}

}  // namespace

void UpdateUcf(const std::string& path, const GeneratedLines& lines,
               const ConversionOptions& options, ConversionOutcome& outcome,
               const std::function<void()>& releaseSource) {
    File ucf(options.faults);
    const auto fail = [&](SystemErrorCode error) {
        releaseSource();
        ucf.Close();
        // A file the run created is removed again: after a failed run it is not there.
        if (ucf.Created()) RemoveFile(ucf.Path());
        outcome.failedStep = FailedStep::Ucf;
        outcome.error = error;
    };
    if (!ucf.Open(path, FileOpening::ReadWriteAlways)) return fail(ucf.Error());

    SystemErrorCode error = 0;
    {
        std::string oldText;
        KeptText kept;
        error = ReadText(ucf, oldText);
        if (error == 0) {
            try {
                kept = KeptUcfText(oldText, lines.component, lines.synthesizer, lines.size > 0);
            } catch (const std::bad_alloc&) {
                error = SystemErrorFor(FileProblem::OutOfMemory);
            }
        }
        if (error == 0) {
            outcome.oldUcfSize = oldText.size();
            outcome.newUcfSize = kept.text.size() + GeneratedTextSize(lines);
            outcome.linesRemoved = kept.removedLines;
            error = WriteNewText(ucf, oldText, kept.text, lines, outcome.newUcfSize);
        }
        // The texts can be large; they go before anyone waits on the outcome.
    }
    if (error != 0) return fail(error);
    releaseSource();
    // What was written may only now turn out lost (a network file system reports late).
    if (!ucf.Close()) return fail(ucf.Error());
}

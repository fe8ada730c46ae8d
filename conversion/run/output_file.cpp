#include "conversion/run/output_file.h"

#include <filesystem>
#include <system_error>

#include "platform/interrupt_guard.h"

namespace {

// The file the output replaces: a link's target, so that the link stays a link.
std::string ReplacedFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) return path;
    const std::filesystem::path target = std::filesystem::canonical(path, error);
    return error ? path : target.string();
}

}  // namespace

RunFailure WriteOutputFile(const std::string& path, const OutputProducer& produce,
                           std::string& problemAfterwards) {
    File file;
    // An empty path names no file, and no folder for a file beside it: it fails as it would
    // for the UCF.
    if (path.empty()) {
        file.Open(path, FileOpening::ReadShared);
        return file.Error() != 0 ? file.Error() : SystemErrorFor(FileProblem::ReadFault);
    }
    const OutputWrite write = [&file](const char* text, std::size_t size) -> SystemErrorCode {
        return file.WriteFully(text, size) ? 0 : file.Error();
    };
    bool special = false;
    bool exists = false;
    if (const SystemErrorCode error = IsSpecialFile(path, special, exists)) return error;
    if (special) {
        if (!file.Open(path, FileOpening::WriteExisting)) return file.Error();
        SystemErrorCode error = produce(write);
        if (!file.Close() && error == 0) error = file.Error();
        return error;
    }
    const std::string target = ReplacedFile(path);
    std::string temporary;
    if (const SystemErrorCode error = CreateTemporaryBeside(target, file, temporary)) {
        return {"cannot create a temporary file beside it", error};
    }
    // Until the temporary has taken the old file's place, an interrupt waits; a failure
    // removes it.
    InterruptHold hold;
    SystemErrorCode error = produce(write);
    // On the disk before it takes the old file's place, as the UCF is before a run reports.
    if (error == 0 && !file.Flush()) error = file.Error();
    if (!file.Close() && error == 0) error = file.Error();
    if (error == 0) error = ReplaceFileWith(temporary, target);
    if (error != 0) {
        RemoveFile(temporary);
        hold.Release(RewriteEnd::Undone);
        return error;
    }
    hold.Release(RewriteEnd::Completed);
    if (const SystemErrorCode flush = FlushFolderOf(target)) {
        problemAfterwards = "the new file is in place, but its folder could not be flushed: " +
                            SystemErrorText(flush);
    }
    return {};
}

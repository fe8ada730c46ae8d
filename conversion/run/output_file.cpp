#include "conversion/run/output_file.h"

#include "conversion/run/rollback_journal.h"
#include "platform/interrupt_guard.h"

namespace {

// As many links as a path may pass through before the system calls it a loop.
constexpr int kMaxLinks = 40;

// The file that `path` leads to: every symbolic link followed, also one whose target does not
// exist yet, so that a link stays a link and its target gets the output.
SystemErrorCode FollowLinks(const std::string& path, std::string& target) {
    target = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        std::string next;
        bool isLink = false;
        if (const SystemErrorCode error = LinkTarget(target, next, isLink)) return error;
        if (!isLink) return 0;
        const bool absolute = !next.empty() && (next[0] == '/' || next[0] == '\\');
        target = absolute ? next : PathIn(FolderOf(target), next);
    }
    return SystemErrorFor(FileProblem::ReadFault);
}

// The name that `path` has once every link in it is resolved, also when the file is missing.
std::string ResolvedName(const std::string& path) {
    std::string resolved;
    if (ResolvePath(path, resolved) == 0) return resolved;
    if (ResolvePath(FolderOf(path), resolved) == 0) return PathIn(resolved, NameIn(path));
    return path;
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
    std::string target;
    if (const SystemErrorCode error = FollowLinks(path, target)) return error;
    FileStatus replaced;
    bool exists = false;
    if (const SystemErrorCode error = StatusAtPath(target, true, replaced, exists)) return error;
    if (exists && !replaced.regular && !replaced.folder) {
        if (!file.Open(target, FileOpening::WriteExisting)) return file.Error();
        SystemErrorCode error = produce(write);
        if (!file.Close() && error == 0) error = file.Error();
        return error;
    }
    // The shell's `>` would fail on a file the user may not write: so does this, although
    // the folder would let the file be replaced.
    if (exists && !replaced.folder && !file.Open(target, FileOpening::WriteExisting)) {
        return file.Error();
    }
    file.Close();
    const unsigned permissions =
        exists ? replaced.permissions & 0777 : 0666 & ~static_cast<unsigned>(CreationMask());
    std::string temporary;
    // A short name of its own, so that any name the target can have works.
    if (const SystemErrorCode error =
            CreateUniqueFile(PathIn(FolderOf(target), ".qln"), 0600, file, temporary)) {
        return {"cannot create a temporary file beside it", error};
    }
    // Until the temporary has taken the old file's place, an interrupt waits; a failure
    // removes it.
    InterruptHold hold;
    SystemErrorCode error = produce(write);
    if (error == 0 && !file.SetPermissions(permissions)) error = file.Error();
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

RunFailure CheckOutputIsNoInput(const std::string& output, const std::vector<RunInput>& inputs,
                                const std::string& reservedPath, const char* reservedWhat) {
    FileIdentity written;
    bool exists = false;
    if (output.empty() || IdentityAtPath(output, written, exists) != 0) return {};
    const auto refuse = [](const char* what) {
        return RunFailure(std::string("is ") + what +
                          " too; nothing was written (name a file of its own)");
    };
    if (exists) {
        for (const RunInput& input : inputs) {
            FileIdentity read;
            bool there = false;
            if (!input.path.empty() && IdentityAtPath(input.path, read, there) == 0 && there &&
                read == written) {
                return refuse(input.what);
            }
        }
    }
    if (!reservedPath.empty() && ResolvedName(output) == reservedPath) return refuse(reservedWhat);
    return {};
}

RunFailure CheckOutputIsNoInputOf(const std::string& output, const ConversionRequest& request,
                                  bool sourceFromStandardInput) {
    std::vector<RunInput> inputs = {{request.ucfFile, "the UCF"},
                                    {request.edifFile, "the EDIF file"}};
    if (!sourceFromStandardInput) inputs.push_back({request.sourceFile, "the source"});
    const std::string journal =
        request.ucfFile.empty() ? std::string() : JournalPath(ResolvedName(request.ucfFile));
    return CheckOutputIsNoInput(output, inputs, journal, "the UCF's rollback journal");
}

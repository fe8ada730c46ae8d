// Power lost or the process killed at any moment of a rewrite: the calls a run makes are
// recorded through the system-call table, and the files are rebuilt as a crash after each of
// them could leave them: everything written so far (a kill), or only what was flushed, with
// the sectors written since torn between the two, a file's growth reaching the disk before its
// bytes (zeros), and names made or removed since the folder's last flush coming or going. The
// next run must find the old or the new text whole, and convert it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "conversion/run/rollback_journal.h"
#include "platform/system_calls.h"
#include "tests/run/run_fixture.h"

namespace {

// What the UCF, its journal and the journal's temporaries hold on the disk at one moment.
struct DiskState {
    std::optional<std::string> ucf;
    std::optional<std::string> journal;
    std::map<std::string, std::string> temporaries;
    bool operator<(const DiskState& other) const {
        return std::tie(ucf, journal, temporaries) <
               std::tie(other.ucf, other.journal, other.temporaries);
    }
};

// The bytes a power loss leaves of a file that held `flushed` at its last flush and holds
// `now`: each sector from one of the two as `pick` says, its length one of theirs, and where
// it grows past what was flushed, zeros for the sectors that did not reach the disk.
std::string Torn(const std::string& flushed, const std::string& now, std::size_t length,
                 const std::vector<bool>& pick) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        const bool fromNow = pick[i / kJournalSector % pick.size()];
        if (fromNow && i < now.size()) {
            bytes[i] = now[i];
        } else if (i < flushed.size()) {
            bytes[i] = flushed[i];
        }
    }
    return bytes;
}

// Records every state a crash could leave while it is installed.
class CrashRecorder {
public:
    CrashRecorder(std::string folder, std::string ucf, std::string journal)
        : folder_(std::move(folder)), ucfPath_(std::move(ucf)), journalPath_(std::move(journal)) {
        active_ = this;
        for (const std::string& name : Names()) {
            durableNames_.insert(name);
            durable_[name] = *ReadIfExists(name);
        }
        SystemCalls& calls = FileSystemCalls();
        calls.open = Open;
        calls.write = Write;
        calls.ftruncate = Truncate;
        calls.fsync = Fsync;
        calls.unlink = Unlink;
        calls.rename = Rename;
        calls.renameNoReplace = RenameNoReplace;
        calls.close = Close;
    }
    ~CrashRecorder() {
        FileSystemCalls() = RealSystemCalls();
        active_ = nullptr;
    }

    const std::set<DiskState>& States() const { return states_; }

private:
    // The files of the rewrite that have a name now.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            const std::string name = entry.path().string();
            if (name == ucfPath_ || name.rfind(journalPath_, 0) == 0) names.push_back(name);
        }
        return names;
    }

    // After each change: what a kill leaves, and what a power loss can.
    void Capture() {
        DiskState killed;
        for (const std::string& name : Names()) Put(killed, name, *ReadIfExists(name));
        states_.insert(killed);

        std::minstd_rand random(static_cast<unsigned>(states_.size()));
        const std::vector<std::vector<bool>> picks = {
            {false},
            {true},
            {true, false},
            {false, true},
            {true, true, false},
            {random() % 2 == 0, random() % 2 == 0, random() % 2 == 0, random() % 2 == 1}};
        for (const std::vector<bool>& pick : picks) {
            for (const bool lengthFlushed : {false, true}) {
                DiskState lost;
                for (const std::string& name : durableNames_) {
                    const std::string flushed = durable_.count(name) ? durable_[name] : "";
                    const std::string now = ReadIfExists(name).value_or(flushed);
                    const std::size_t length = lengthFlushed ? flushed.size() : now.size();
                    Put(lost, name, Torn(flushed, now, length, pick));
                }
                states_.insert(lost);
            }
        }
    }

    void Put(DiskState& state, const std::string& name, std::string content) const {
        if (name == ucfPath_) {
            state.ucf = std::move(content);
        } else if (name == journalPath_) {
            state.journal = std::move(content);
        } else {
            state.temporaries[name] = std::move(content);
        }
    }

    static int Open(const char* path, int flags, mode_t mode) {
        const int fd = RealSystemCalls().open(path, flags, mode);
        if (fd >= 0) active_->names_[fd] = path;
        return fd;
    }
    static ssize_t Write(int fd, const void* data, size_t count) {
        const ssize_t done = RealSystemCalls().write(fd, data, count);
        active_->Capture();
        return done;
    }
    static int Truncate(int fd, off_t length) {
        const int result = RealSystemCalls().ftruncate(fd, length);
        active_->Capture();
        return result;
    }
    static int Fsync(int fd) {
        const int result = RealSystemCalls().fsync(fd);
        CrashRecorder& self = *active_;
        const std::string& name = self.names_[fd];
        if (std::filesystem::is_directory(name)) {
            // The folder's entries as they are now reach the disk.
            std::set<std::string> names;
            for (const std::string& present : self.Names()) names.insert(present);
            for (auto it = self.durable_.begin(); it != self.durable_.end();) {
                it = names.count(it->first) ? std::next(it) : self.durable_.erase(it);
            }
            self.durableNames_ = names;
        } else if (const std::optional<std::string> now = ReadIfExists(name)) {
            self.durable_[name] = *now;
        }
        self.Capture();
        return result;
    }
    static int Unlink(const char* path) {
        const int result = RealSystemCalls().unlink(path);
        active_->Capture();
        return result;
    }
    static int Rename(const char* from, const char* to) {
        return Moved(from, to, RealSystemCalls().rename(from, to));
    }
    static int RenameNoReplace(const char* from, const char* to) {
        return Moved(from, to, RealSystemCalls().renameNoReplace(from, to));
    }
    static int Moved(const char* from, const char* to, int result) {
        CrashRecorder& self = *active_;
        if (result == 0) {
            // The flushed bytes go with the file; only its new name waits for the folder.
            if (self.durable_.count(from)) self.durable_[to] = self.durable_[from];
            for (auto& [fd, name] : self.names_) {
                if (name == from) name = to;
            }
        }
        self.Capture();
        return result;
    }
    static int Close(int fd) {
        active_->names_.erase(fd);
        return RealSystemCalls().close(fd);
    }

    static CrashRecorder* active_;
    std::string folder_;
    std::string ucfPath_;
    std::string journalPath_;
    std::map<int, std::string> names_;
    std::map<std::string, std::string> durable_;  // each file's bytes at its last flush
    std::set<std::string> durableNames_;          // the names at the folder's last flush
    std::set<DiskState> states_;
};

CrashRecorder* CrashRecorder::active_ = nullptr;

// The journal, naming the file that now has the UCF's name: each state is rebuilt in files
// of its own, which the file system numbers anew.
std::string SameFile(const std::string& journal, const std::string& ucf) {
    JournalContent content;
    std::string what;
    EXPECT_EQ(ReadJournalBytes(journal, content, what), JournalReading::Whole) << what;
    File file;
    if (!file.Open(ucf, FileOpening::ReadShared)) return journal;
    FileStatus status;
    EXPECT_TRUE(file.Status(status));
    content.header.identity = status.identity;
    content.header.origin = file.Origin();
    return JournalHeaderBytes(content.header, content.saved, content.digests) + content.saved +
           DigestBytes(content.digests);
}

TEST_F(RunTest, CrashAtAnyPointLeavesATextTheNextRunConverts) {
    const std::string user = "NET clk LOC = P1;\r\n# hand-written\r\n";
    struct Case {
        const char* what;
        std::optional<std::size_t> earlier;  // none: the run makes the UCF
        std::size_t now;
    };
    for (const Case& c : {Case{"longer", 3000, 9000}, Case{"shorter", 9000, 3000},
                          Case{"made by the run", std::nullopt, 5000}}) {
        SCOPED_TRACE(c.what);
        RemoveFile(ucf);
        const std::optional<std::string> oldText =
            c.earlier ? std::optional(Rewritten(AllByteValues(*c.earlier, 1), user)) : std::nullopt;
        if (oldText) WriteAll(ucf, *oldText);
        const std::string newText = Rewritten(AllByteValues(c.now, 2), oldText.value_or(""));
        WriteAll(source, AllByteValues(c.now, 2));
        const std::string resolved =
            (std::filesystem::canonical(folder.Path()) / "design.ucf").string();
        std::set<DiskState> states;
        {
            CrashRecorder recorder(std::filesystem::canonical(folder.Path()).string(), resolved,
                                   JournalPath(resolved));
            ASSERT_TRUE(ConvertFiles(Request(), options).Succeeded());
            states = recorder.States();
        }
        ASSERT_EQ(ReadAll(ucf), newText);
        ASSERT_GT(states.size(), 10u);

        // The next run converts another source into whichever text the crash left whole.
        const std::string next = AllByteValues(5000, 3);
        WriteAll(source, next);
        for (const DiskState& state : states) {
            RemoveFile(ucf);
            RemoveFile(JournalPath(resolved));
            for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
                if (entry.path().string().rfind(JournalPath(resolved), 0) == 0) {
                    RemoveFile(entry.path().string());
                }
            }
            if (state.ucf) WriteAll(ucf, *state.ucf);
            if (state.journal) WriteAll(JournalPath(resolved), SameFile(*state.journal, ucf));
            for (const auto& [name, content] : state.temporaries) WriteAll(name, content);

            const ConversionOutcome outcome = ConvertFiles(Request(), options);

            const std::string described =
                "state with " +
                (state.ucf ? "a UCF of " + std::to_string(state.ucf->size()) + " bytes"
                           : std::string("no UCF")) +
                (state.journal ? ", " + std::to_string(state.journal->size()) + " journal bytes"
                               : std::string(", no journal")) +
                ", " + std::to_string(state.temporaries.size()) + " temporaries";
            ASSERT_TRUE(outcome.Succeeded()) << described << ": " << outcome.reason;
            const std::string text = ReadAll(ucf);
            EXPECT_TRUE(text == Rewritten(next, oldText.value_or("")) ||
                        text == Rewritten(next, newText))
                << described;
            EXPECT_FALSE(Exists(JournalPath(resolved))) << described;
            for (const auto& [name, content] : state.temporaries) {
                // A temporary of ours goes; one that never got its first bytes stays.
                EXPECT_EQ(Exists(name), content.rfind("QLNJRNL3", 0) != 0) << described;
            }
        }
    }
}

}  // namespace

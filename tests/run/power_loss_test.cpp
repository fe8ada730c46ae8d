// Power lost at any moment of a rewrite: the writes a run makes are recorded through the
// system-call table, and the files are rebuilt as a crash after each of them would leave
// them, either with everything written so far or with only what was flushed. The next run
// must find the old or the new text whole, and convert it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "conversion/run/rollback_journal.h"
#include "platform/system_calls.h"
#include "tests/run/run_fixture.h"

namespace {

// What the UCF and its journal hold on the disk at one moment.
struct DiskState {
    std::string ucf;
    std::optional<std::string> journal;
    bool operator<(const DiskState& other) const {
        return std::tie(ucf, journal) < std::tie(other.ucf, other.journal);
    }
};

// Records every state a crash could leave while it is installed.
class CrashRecorder {
public:
    CrashRecorder(std::string ucf, std::string journal)
        : ucfPath_(std::move(ucf)), journalPath_(std::move(journal)) {
        active_ = this;
        durable_ = Now();
        journalDurablyThere_ = durable_.journal.has_value();
        SystemCalls& calls = FileSystemCalls();
        calls.open = Open;
        calls.write = Write;
        calls.ftruncate = Truncate;
        calls.fsync = Fsync;
        calls.unlink = Unlink;
        calls.close = Close;
    }
    ~CrashRecorder() {
        FileSystemCalls() = RealSystemCalls();
        active_ = nullptr;
    }

    const std::set<DiskState>& States() const { return states_; }

private:
    DiskState Now() const { return {ReadAll(ucfPath_), ReadIfExists(journalPath_)}; }

    // After each change: everything written so far, and only what was flushed.
    void Capture() {
        states_.insert(Now());
        DiskState flushed = durable_;
        if (!journalDurablyThere_) flushed.journal.reset();
        if (journalDurablyThere_ && !flushed.journal) flushed.journal = std::string();
        states_.insert(flushed);
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
        const DiskState now = self.Now();
        if (name == self.ucfPath_) self.durable_.ucf = now.ucf;
        if (name == self.journalPath_) self.durable_.journal = now.journal;
        if (std::filesystem::is_directory(name)) {
            self.journalDurablyThere_ = now.journal.has_value();
            if (!now.journal) self.durable_.journal.reset();
        }
        self.Capture();
        return result;
    }
    static int Unlink(const char* path) {
        const int result = RealSystemCalls().unlink(path);
        active_->Capture();
        return result;
    }
    static int Close(int fd) {
        active_->names_.erase(fd);
        return RealSystemCalls().close(fd);
    }

    static CrashRecorder* active_;
    std::string ucfPath_;
    std::string journalPath_;
    std::map<int, std::string> names_;
    DiskState durable_;
    bool journalDurablyThere_ = false;
    std::set<DiskState> states_;
};

CrashRecorder* CrashRecorder::active_ = nullptr;

TEST_F(RunTest, PowerLostAfterAnyWriteLeavesATextTheNextRunConverts) {
    const std::string user = "NET clk LOC = P1;\r\n# hand-written\r\n";
    struct Case {
        const char* what;
        std::size_t earlier;
        std::size_t now;
    };
    for (const Case& c : {Case{"longer", 3000, 9000}, Case{"shorter", 9000, 3000}}) {
        SCOPED_TRACE(c.what);
        const std::string oldText = Rewritten(AllByteValues(c.earlier, 1), user);
        const std::string newText = Rewritten(AllByteValues(c.now, 2), oldText);
        WriteAll(ucf, oldText);
        WriteAll(source, AllByteValues(c.now, 2));
        const std::string resolved = std::filesystem::canonical(ucf).string();
        std::set<DiskState> states;
        {
            CrashRecorder recorder(resolved, JournalPath(resolved));
            ASSERT_TRUE(ConvertFiles(Request(), options).Succeeded());
            states = recorder.States();
        }
        ASSERT_EQ(ReadAll(ucf), newText);
        ASSERT_GT(states.size(), 4u);

        // The next run converts another source into whichever text the crash left whole.
        const std::string next = AllByteValues(5000, 3);
        WriteAll(source, next);
        for (const DiskState& state : states) {
            WriteAll(ucf, state.ucf);
            RemoveFile(JournalPath(resolved));
            if (state.journal) WriteAll(JournalPath(resolved), *state.journal);

            const ConversionOutcome outcome = ConvertFiles(Request(), options);

            ASSERT_TRUE(outcome.Succeeded()) << outcome.reason;
            const std::string text = ReadAll(ucf);
            EXPECT_TRUE(text == Rewritten(next, oldText) || text == Rewritten(next, newText))
                << "state with a UCF of " << state.ucf.size() << " bytes and "
                << (state.journal ? std::to_string(state.journal->size()) + " journal bytes"
                                  : std::string("no journal"));
            EXPECT_FALSE(Exists(JournalPath(resolved)));
        }
    }
}

}  // namespace

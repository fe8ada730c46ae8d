// quillon-convert started as a process of its own that the test can wait for or signal, for
// tests of several runs at once and of runs that are stopped.
#pragma once

#include <string>
#include <vector>

struct ProcessLimits {
    long long fileSizeLimit = -1;  // bytes (POSIX); writes beyond it fail
    int userId = -1;               // run as this user (POSIX, when the test runs as root)
    bool ignoreHangup = false;     // start with SIGHUP ignored, as nohup does (POSIX)
    bool blockTerminate = false;   // start with SIGTERM blocked, a mask inherited (POSIX)
    bool closeError = false;       // start with standard error closed, as `2>&-` does (POSIX)
};

class RunningProgram {
public:
    // Starts quillon-convert with `args`, its stdout and stderr going to the two files.
    RunningProgram(const std::vector<std::string>& args, const std::string& outPath,
                   const std::string& errPath, const ProcessLimits& limits = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool Started() const { return started_; }
    // Waits for the end; the exit code, or -signal when a signal ended it (POSIX).
    int Wait();
    void Signal(int signal);

private:
    bool started_ = false;
    bool waited_ = false;
    int status_ = -1;
#ifdef _WIN32
    void* process_ = nullptr;
#else
    int pid_ = -1;
#endif
};

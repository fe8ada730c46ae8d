#include "tests/cli/program_processes.h"

#ifdef _WIN32
#include <windows.h>

#include "tests/cli/program_start.h"
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#ifdef _WIN32

RunningProgram::RunningProgram(const std::vector<std::string>& args, const std::string& outPath,
                               const std::string& errPath, const ProcessLimits&) {
    const std::string program = ProgramPath();
    std::string commandLine = Quoted(program);
    for (const std::string& arg : args) commandLine += ' ' + Quoted(arg);
    HANDLE out = CreateInheritable(outPath);
    HANDLE err = CreateInheritable(errPath);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    started_ = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                              nullptr, nullptr, &startup, &process) != 0;
    CloseHandle(out);
    CloseHandle(err);
    if (!started_) return;
    CloseHandle(process.hThread);
    process_ = process.hProcess;
}

RunningProgram::~RunningProgram() {
    if (started_) {
        Wait();
        CloseHandle(process_);
    }
}

int RunningProgram::Wait() {
    if (!started_ || waited_) return status_;
    WaitForSingleObject(process_, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    waited_ = true;
    status_ = static_cast<int>(code);
    return status_;
}

void RunningProgram::Signal(int) {
    if (started_ && !waited_) TerminateProcess(process_, 9);
}

#else

RunningProgram::RunningProgram(const std::vector<std::string>& args, const std::string& outPath,
                               const std::string& errPath, const ProcessLimits& limits) {
    const std::string program = QUILLON_CONVERT_PATH;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only system calls between fork and exec: the test may have other threads.
        ::dup2(out, 1);
        if (limits.closeError) {
            ::close(2);
        } else {
            ::dup2(err, 2);
        }
        sigset_t mask;
        sigemptyset(&mask);
        if (limits.blockTerminate) sigaddset(&mask, SIGTERM);
        ::sigprocmask(SIG_SETMASK, &mask, nullptr);
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
        ::signal(SIGHUP, limits.ignoreHangup ? SIG_IGN : SIG_DFL);
        if (limits.fileSizeLimit >= 0) {
            struct rlimit limit;
            limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(limits.fileSizeLimit);
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (limits.userId >= 0 && (::setgid(limits.userId) != 0 || ::setuid(limits.userId) != 0)) {
            ::_exit(126);
        }
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out);
    ::close(err);
    started_ = pid > 0;
    pid_ = pid;
}

RunningProgram::~RunningProgram() {
    Wait();
}

int RunningProgram::Wait() {
    if (!started_ || waited_) return status_;
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0) {
    }
    waited_ = true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return status_;
}

void RunningProgram::Signal(int signal) {
    if (started_ && !waited_) ::kill(pid_, signal);
}

#endif

#include "tests/cli/program_runner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_files.h"

#ifdef _WIN32
#include <windows.h>

#include "tests/cli/program_start.h"
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

std::string WithNewlines(std::string text) {
    std::string::size_type at = 0;
    while ((at = text.find("\r\n", at)) != std::string::npos) text.erase(at, 1);
    return text;
}

#ifdef _WIN32

int Run(const std::vector<std::string>& args, const std::string& outPath,
        const std::string& errPath, const std::string& inputPath, long*) {
    const std::string program = ProgramPath();
    std::string commandLine = Quoted(program);
    for (const std::string& arg : args) {
        commandLine += ' ';
        commandLine += Quoted(arg);
    }

    HANDLE out = CreateInheritable(outPath);
    HANDLE err = CreateInheritable(errPath);
    HANDLE input = INVALID_HANDLE_VALUE;
    if (!inputPath.empty()) {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        input = CreateFileA(inputPath.c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inputPath.empty() ? GetStdHandle(STD_INPUT_HANDLE) : input;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        0, nullptr, nullptr, &startup, &process);
    CloseHandle(out);
    CloseHandle(err);
    if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
    EXPECT_TRUE(started) << "cannot start " << program << ", error " << GetLastError();
    if (!started) return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}

#else

int Spawn(const std::vector<std::string>& args, posix_spawn_file_actions_t& actions) {
    const std::string program = QUILLON_CONVERT_PATH;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    EXPECT_EQ(error, 0) << "cannot start " << program;
    return error == 0 ? pid : -1;
}

int Wait(int pid, long* peakKiB = nullptr) {
    if (pid < 0) return -1;
    int status = 0;
    struct rusage usage {};
    while (wait4(pid, &status, 0, &usage) < 0) {
    }
    if (peakKiB != nullptr) *peakKiB = usage.ru_maxrss;
    EXPECT_TRUE(WIFEXITED(status)) << "quillon-convert did not exit normally";
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int Run(const std::vector<std::string>& args, const std::string& outPath,
        const std::string& errPath, const std::string& inputPath, long* peakKiB) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    if (!inputPath.empty())
        posix_spawn_file_actions_addopen(&actions, 0, inputPath.c_str(), O_RDONLY, 0);
    const int pid = Spawn(args, actions);
    posix_spawn_file_actions_destroy(&actions);
    return Wait(pid, peakKiB);
}

#endif

}  // namespace

ProgramOutcome RunQuillonConvert(const std::vector<std::string>& args,
                                 const std::string& scratchFolder, const std::string& inputPath) {
    const std::string outPath = scratchFolder + "/stdout.txt";
    const std::string errPath = scratchFolder + "/stderr.txt";
    ProgramOutcome outcome;
    outcome.exitCode = Run(args, outPath, errPath, inputPath, &outcome.peakKiB);
    outcome.rawOut = ReadAll(outPath);
    outcome.out = WithNewlines(outcome.rawOut);
    outcome.err = WithNewlines(ReadAll(errPath));
    return outcome;
}

#ifndef _WIN32
int RunQuillonConvertIntoClosedPipe(const std::vector<std::string>& args,
                                    const std::string& scratchFolder, std::string& err) {
    const std::string errPath = scratchFolder + "/stderr.txt";
    int ends[2];
    EXPECT_EQ(pipe(ends), 0);
    close(ends[0]);  // the reader is gone before anything is written
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
    posix_spawn_file_actions_addclose(&actions, ends[1]);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    const int pid = Spawn(args, actions);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    const int exitCode = Wait(pid);
    err = ReadAll(errPath);
    return exitCode;
}
#endif

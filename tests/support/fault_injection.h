// Faults injected into the file layer's system calls: a read or a write that fails as a
// failing device or a full disk would, and hooks before each status query and read, where
// another program could act. Each injected failure happens once; the calls after it work
// again, as they would once the device recovered. (One call of any kind failing at one
// point: tests/support/call_failures.h.)
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

struct FileAccessFaults {
    static constexpr std::uint64_t kUnlimited = ~std::uint64_t{0};
    std::uint64_t readBudget = kUnlimited;  // bytes reads deliver before one fails (EIO)
    // Bytes writes store before one fails (ENOSPC); a write that the budget cuts stores whole
    // pages only, as a file system that runs out of room does.
    std::uint64_t writeBudget = kUnlimited;
    // Once the write budget is spent, every later write fails as well: a disk that stays
    // full, so that putting the old text back fails too.
    bool diskStaysFull = false;
    std::function<void(const std::string& path)> beforeStatus;  // before each status query
    std::function<void(const std::string& path)> beforeRead;    // before each read
#ifndef _WIN32
    // What each status query of a file by its descriptor reports, changed (another owner).
    std::function<void(const std::string& path, struct stat& status)> alterStatus;
#endif
    // The files the faults are for: every file but the rollback journal (and its temporaries),
    // unless set.
    std::function<bool(const std::string& path)> targets;
};

// Routes the file layer's calls through `faults` while it lives.
class FaultInjection {
public:
    explicit FaultInjection(FileAccessFaults& faults);
    ~FaultInjection();
    FaultInjection(const FaultInjection&) = delete;
    FaultInjection& operator=(const FaultInjection&) = delete;
};

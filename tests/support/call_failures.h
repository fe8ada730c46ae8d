// One system call of the file layer made to fail, named as the table names it: the n-th call
// of that entry fails with the given error, every other call goes on to the table that was
// installed before (the system's own, or another test's faults). Counting the calls of a run
// that fails nothing tells which calls there are to fail.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/file_access.h"

// The names of the table's entries, in its order.
const std::vector<std::string>& SystemCallNames();

class CallFailure {
public:
    static constexpr std::uint64_t kEvery = ~std::uint64_t{0};

    CallFailure();  // counts only
    // Fails the `nth` call (1 for the first; kEvery: each one, as a call that an older kernel
    // lacks) of the entry `name` with `error`.
    CallFailure(std::string name, std::uint64_t nth, SystemErrorCode error);
    ~CallFailure();
    CallFailure(const CallFailure&) = delete;
    CallFailure& operator=(const CallFailure&) = delete;

    // How often each entry was called so far.
    const std::map<std::string, std::uint64_t>& Counts() const { return counts_; }
    bool Failed() const { return failed_; }

private:
    friend struct CallFailureAccess;
    std::string name_;
    std::uint64_t nth_ = 0;
    SystemErrorCode error_ = 0;
    bool failed_ = false;
    std::map<std::string, std::uint64_t> counts_;
};

#include "tests/support/call_failures.h"

#include <cerrno>

#include "platform/system_calls.h"

namespace {

CallFailure* active = nullptr;
SystemCalls below;  // the table at the time the failure was installed

}  // namespace

struct CallFailureAccess {
    // Whether this call of `name` is the one to fail; the error is then the last error.
    static bool Fails(const char* name) {
        if (active == nullptr) return false;
        const std::uint64_t count = ++active->counts_[name];
        if (active->nth_ == 0 || count != active->nth_ || active->name_ != name) return false;
        active->failed_ = true;
        SetLastSystemError(active->error_);
        return true;
    }
};

namespace {

#define QUILLON_FAILING_CALL(name, result, parameters, arguments, failure) \
    result QUILLON_SYSTEM_CALL_CONVENTION Failing_##name parameters {      \
        if (CallFailureAccess::Fails(#name)) return failure;               \
        return below.name arguments;                                       \
    }
QUILLON_SYSTEM_CALLS(QUILLON_FAILING_CALL)
#undef QUILLON_FAILING_CALL

void Install() {
    below = FileSystemCalls();
    SystemCalls& calls = FileSystemCalls();
#define QUILLON_INSTALL_CALL(name, result, parameters, arguments, failure) \
    calls.name = Failing_##name;
    QUILLON_SYSTEM_CALLS(QUILLON_INSTALL_CALL)
#undef QUILLON_INSTALL_CALL
}

}  // namespace

const std::vector<std::string>& SystemCallNames() {
    static const std::vector<std::string> names = {
#define QUILLON_CALL_NAME(name, result, parameters, arguments, failure) #name,
        QUILLON_SYSTEM_CALLS(QUILLON_CALL_NAME)
#undef QUILLON_CALL_NAME
    };
    return names;
}

CallFailure::CallFailure() {
    active = this;
    Install();
}

CallFailure::CallFailure(std::string name, std::uint64_t nth, SystemErrorCode error)
    : name_(std::move(name)), nth_(nth), error_(error) {
    active = this;
    Install();
}

CallFailure::~CallFailure() {
    FileSystemCalls() = below;
    active = nullptr;
}

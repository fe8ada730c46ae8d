#include "tests/support/call_failures.h"

#include <algorithm>
#include <string_view>

#include "platform/system_calls.h"

namespace {

// The failures installed now, each counting every call; the table they go on to is the one
// installed before the first of them.
std::vector<CallFailure*> installed;
SystemCalls below;

}  // namespace

struct CallFailureAccess {
    // Whether this call of `name` is one to fail; the error is then the last error.
    static bool Fails(const char* name) {
        bool fails = false;
        for (CallFailure* failure : installed) {
            const std::uint64_t count = ++failure->counts_[name];
            if (fails || failure->nth_ == 0 || failure->name_ != name) continue;
            if (failure->nth_ != CallFailure::kEvery && count != failure->nth_) continue;
            failure->failed_ = true;
            SetLastSystemError(failure->error_);
            fails = true;
        }
        return fails;
    }
};

namespace {

// A close that fails has released the descriptor all the same, as Linux and Windows do.
constexpr bool DoneEvenWhenFailing(std::string_view name) {
    return name == "close" || name == "closeHandle" || name == "closedir" || name == "findClose";
}

#define QUILLON_FAILING_CALL(name, result, parameters, arguments, failure)  \
    result QUILLON_SYSTEM_CALL_CONVENTION Failing_##name parameters {       \
        if (CallFailureAccess::Fails(#name)) {                              \
            if constexpr (DoneEvenWhenFailing(#name)) below.name arguments; \
            return failure;                                                 \
        }                                                                   \
        return below.name arguments;                                        \
    }
QUILLON_SYSTEM_CALLS(QUILLON_FAILING_CALL)
#undef QUILLON_FAILING_CALL

void Install(CallFailure* failure) {
    if (installed.empty()) {
        below = FileSystemCalls();
        SystemCalls& calls = FileSystemCalls();
#define QUILLON_INSTALL_CALL(name, result, parameters, arguments, failure) \
    calls.name = Failing_##name;
        QUILLON_SYSTEM_CALLS(QUILLON_INSTALL_CALL)
#undef QUILLON_INSTALL_CALL
    }
    installed.push_back(failure);
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
    Install(this);
}

CallFailure::CallFailure(std::string name, std::uint64_t nth, SystemErrorCode error)
    : name_(std::move(name)), nth_(nth), error_(error) {
    Install(this);
}

CallFailure::~CallFailure() {
    installed.erase(std::find(installed.begin(), installed.end(), this));
    if (installed.empty()) FileSystemCalls() = below;
}

// Whether a second thread can run next to the caller's. Asking the system costs a file read
// on Linux, so it is asked once.
#pragma once

#include <thread>

inline bool HaveSecondProcessor() {
    static const bool second = std::thread::hardware_concurrency() > 1;
    return second;
}

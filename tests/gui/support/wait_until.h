// Polling waits for the GUI tests. Wine runs through an emulator on some machines, where a
// window may take many seconds to appear; every wait polls up to a generous limit instead of
// sleeping for a fixed time.
#pragma once

#include <windows.h>

#include <functional>

namespace guitest {

inline constexpr DWORD kLongWaitMs = 90000;

// Polls `condition` until it holds or `timeoutMs` has passed; returns whether it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kLongWaitMs);

}  // namespace guitest

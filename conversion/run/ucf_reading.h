// Reading a UCF whole: the one reader of its text, for the run that rewrites it and for the
// runs that only read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "conversion/run/run_failure.h"
#include "platform/file_access.h"
#include "platform/large_buffer.h"

// A UCF is held whole in memory.
inline constexpr std::uint64_t kMaxUcfSize = std::numeric_limits<std::size_t>::max();

// The whole content of the open `file`, at the size it has now, and the state it was read in.
RunFailure ReadWholeText(File& file, LargeBuffer& text, FileState& state);

// Reads the whole UCF at `path` without changing it: opened read-only, letting others read and
// write it meanwhile, once no run rewrites it (waiting as `wait` says), as the journal of a
// run that died would leave it. A missing UCF reads as empty and is not created; a path whose
// folder is missing fails as creating the UCF would. `journalPending`: a run that did not
// finish left the journal at `journalPath`, which the next run in place puts back first.
RunFailure ReadUcfUnchanged(const std::string& path, const LockWait& wait, std::string& text);
RunFailure ReadUcfUnchanged(const std::string& path, const LockWait& wait, std::string& text,
                            bool& journalPending, std::string& journalPath);

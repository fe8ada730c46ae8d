// How large an image can be. The lines count a lane's bytes in 32 bits (GeneratedLines::size),
// which the Win32 build's address space could not exceed anyway: a source, an image, a lane's
// bits and an extracted image each hold 4 GiB - 1 bytes at most.
#pragma once

#include <cstdint>
#include <limits>

inline constexpr std::uint64_t kMaxImageSize = std::numeric_limits<std::uint32_t>::max();

// The value part of the generated lines: 32 source bytes as 64 upper-case hex digits, the last
// byte first. Two implementations give the same digits: SSE2 where the build targets it, a
// plain byte loop elsewhere. No wider one: a run is bound by writing the lines, not by their
// digits, and every writer is one more path to keep equal to the others.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes the values of `count` whole 32-byte chunks of `data`, the first at `out` and each
// next one `stride` bytes further on.
using HexValueWriter = void (*)(char* out, std::size_t stride, const std::uint8_t* data,
                                std::uint32_t count);

// One value for a chunk of `size` bytes (at most 32); the digit pairs of missing bytes are "00".
void WriteHexValue(char* out, const std::uint8_t* chunk, std::size_t size);

// The faster writer this build has.
HexValueWriter FastestHexValueWriter();

// Every writer this build and processor can run, the plain byte loop first; for tests that
// compare them. Returns how many were put into `writers` (at most 2).
std::size_t AvailableHexValueWriters(HexValueWriter writers[2]);

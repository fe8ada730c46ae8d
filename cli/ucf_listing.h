// quillon-convert --list: the chains of block RAM instances that a UCF initialises
// (conversion/core/ucf_inventory.h), one line each or as JSON, for someone who inherited a
// design and for scripts. The UCF is only read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "conversion/core/ucf_inventory.h"

// "--bram 16k or 32k": the sizes (lines per instance) that fit a chain; "no --bram fits".
std::string BramSizesText(const std::vector<std::uint32_t>& sizes);

// "rom: synopsys, 4 instances (rom .. rom_3), INIT_00..INIT_3F each but rom_3 INIT_00..INIT_1F;
// --bram 16k; no parity", with "; names quoted" (or "quoted and plain") after it when some
// lines quote them; "boot: synopsys, no INIT_xx or INITP_xx lines" for a component without.
std::string ListingLine(const InitChain& chain);

// The chains as a JSON array, one chain a line: component, synthesizer, quoting ("plain",
// "quoted", "mixed"), the fitting bram sizes, parity, and per instance its name, number,
// lines and first and last INIT_xx and INITP_xx (null without).
std::string ListingJson(const std::vector<InitChain>& chains);

// Reads the UCF (which must exist) as a run would find it and prints its chains, or those of
// the command line's components, on `out`; returns kExitConverted, or kExitRunFailed with the
// reason on `err`.
int ListUcf(const CommandLine& commandLine, std::FILE* out, std::FILE* err);

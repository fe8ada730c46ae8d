// The values of quillon-convert's options, each read on its own: names in any letter case,
// numbers in decimal or, where addresses and bytes are meant, hex with "0x". None for a value
// that the option does not take.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "conversion/core/image_format.h"
#include "conversion/core/synthesizer_kind.h"

// synopsys, xst, or none: the Synthesizer list with nothing selected.
std::optional<SynthesizerKind> SynthesizerByName(const std::string& value);
// The name that SynthesizerByName reads back: "synopsys", "xst", "none".
std::string SynthesizerOptionName(SynthesizerKind synthesizer);
// 4k, 16k, 32k: the lines per instance.
std::optional<std::uint32_t> LinesPerInstanceByName(const std::string& value);
// auto, bin, ihex, srec, elf, mem.
std::optional<ImageFormat> FormatByOptionName(const std::string& value);
// The name that FormatByOptionName reads back.
std::string FormatOptionName(ImageFormat format);
// How --list prints: text or json.
enum class ListingFormat { Text, Json };
std::optional<ListingFormat> ListingFormatByName(const std::string& value);
// Whether --format takes the value, as a source's format or a listing's.
bool FormatOrListingByName(const std::string& value);
// A width in bits, in decimal; which widths a layout allows is CheckLayout's to say.
std::optional<unsigned> WidthBits(const std::string& value);
// 2, 4 or 8, as written.
std::optional<unsigned> SwapWidth(const std::string& value);
// A count from 1 on, in decimal.
std::optional<std::uint64_t> InstanceCount(const std::string& value);
// Any 64-bit address.
std::optional<std::uint64_t> Address(const std::string& value);
// 0 to 255.
std::optional<std::uint8_t> FillByte(const std::string& value);

// The one shape of everything quillon-convert says on standard error: a single line that starts
// with the program's name, as other command-line tools write it.
#pragma once

#include <string>
#include <string_view>

// The label of a UCF that is only read (an extraction, a listing).
inline constexpr char kUcfReadLabel[] = "UCF file:";

// "quillon-convert: " and `text`, its line breaks (a system text may hold some) made spaces and
// its trailing ones dropped.
std::string MessageLine(std::string_view text);

// "quillon-convert: warning: " and `text`.
std::string WarningLine(std::string_view text);

// A file's message: "quillon-convert: Source binary file: fw.bin: No such file or directory".
// `label` ends in its colon; a `warning` gets the warning's start.
std::string FileMessageLine(std::string_view label, std::string_view path, std::string_view reason,
                            bool warning = false);

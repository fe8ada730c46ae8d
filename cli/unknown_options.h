// The first unknown or misspelt option of a command line, found before the parser sees it, so
// that it is the error (and not a missing option it was meant to be), with the known option it
// was probably meant to be.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct KnownOption {
    std::vector<std::string> longNames;   // without the dashes: "source"
    std::vector<std::string> shortNames;  // one letter each: "s"
    bool takesValue = false;              // the next argument is its value unless attached
};

struct UnknownOption {
    std::string given;       // "--sorce", "-x"
    std::string suggestion;  // "--source", or empty when none is close
};

// The optimal string alignment distance: insertions, deletions, substitutions and swaps of two
// neighbouring characters each count one.
std::size_t EditDistance(std::string_view a, std::string_view b);

// Long options of at most this distance are suggested for a misspelt one.
inline constexpr std::size_t kMaxSuggestionDistance = 2;

// Scans the arguments (without the program's name) as the parser reads them: "--name" and
// "--name=value", clusters of short options ("-nq", "-sFILE"), an option's value as the next
// argument, "--" ending the options. Returns the first option that names none of `known`.
std::optional<UnknownOption> FindUnknownOption(const std::vector<std::string>& args,
                                               const std::vector<KnownOption>& known);

// "unknown option '--sorce' (did you mean '--source'?)".
std::string UnknownOptionText(const UnknownOption& unknown);

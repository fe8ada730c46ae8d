// The first unknown or misspelt option of a command line, among the arguments the parser could
// not place, so that it is the error (and not a missing option it was meant to be), with the
// known option it was probably meant to be.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct UnknownOption {
    std::string given;       // "--sorce", "-x"
    std::string suggestion;  // "--source", or empty when none is close
};

// The optimal string alignment distance: insertions, deletions, substitutions and swaps of two
// neighbouring characters each count one.
std::size_t EditDistance(std::string_view a, std::string_view b);

// Long options of at most this distance are suggested for a misspelt one.
inline constexpr std::size_t kMaxSuggestionDistance = 2;

// The first of `remaining` (what the parser could not place, in order) that looks like an
// option: "--name", "--name=value", or "-x" and a cluster starting with an unknown letter;
// none when there is none. Nothing after "--" is an option. `longNames` are the known long
// options without their dashes, for the suggestion.
std::optional<UnknownOption> FindUnknownOption(const std::vector<std::string>& remaining,
                                               const std::vector<std::string>& longNames);

// "unknown option '--sorce' (did you mean '--source'?)".
std::string UnknownOptionText(const UnknownOption& unknown);

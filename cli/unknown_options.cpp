#include "cli/unknown_options.h"

#include <algorithm>
#include <numeric>

namespace {

// The closest long option, the first of equally close ones, when it is close enough.
std::string Suggestion(const std::vector<std::string>& longNames, std::string_view name) {
    std::string best;
    std::size_t bestDistance = kMaxSuggestionDistance + 1;
    for (const std::string& candidate : longNames) {
        const std::size_t distance = EditDistance(name, candidate);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = "--" + candidate;
        }
    }
    return best;
}

}  // namespace

std::size_t EditDistance(std::string_view a, std::string_view b) {
    // Three rows of the table: two back for a swap, the last one and the one being filled.
    const std::size_t n = b.size();
    std::vector<std::size_t> before(n + 1), last(n + 1), row(n + 1);
    std::iota(last.begin(), last.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        row[0] = i;
        for (std::size_t j = 1; j <= n; ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            row[j] = std::min({last[j] + 1, row[j - 1] + 1, last[j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                row[j] = std::min(row[j], before[j - 2] + 1);
        }
        std::swap(before, last);
        std::swap(last, row);
    }
    return last[n];
}

std::optional<UnknownOption> FindUnknownOption(const std::vector<std::string>& remaining,
                                               const std::vector<std::string>& longNames) {
    for (const std::string& arg : remaining) {
        if (arg == "--") break;
        if (arg.size() < 2 || arg[0] != '-') continue;  // a stray value, or "-" itself
        if (arg[1] != '-') return UnknownOption{arg.substr(0, 2), ""};
        const std::string name = arg.substr(
            2, arg.find('=') == std::string::npos ? std::string::npos : arg.find('=') - 2);
        return UnknownOption{"--" + name, Suggestion(longNames, name)};
    }
    return std::nullopt;
}

std::string UnknownOptionText(const UnknownOption& unknown) {
    std::string text = "unknown option '" + unknown.given + "'";
    if (!unknown.suggestion.empty()) text += " (did you mean '" + unknown.suggestion + "'?)";
    return text;
}

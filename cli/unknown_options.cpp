#include "cli/unknown_options.h"

#include <algorithm>
#include <numeric>

namespace {

const KnownOption* FindLong(const std::vector<KnownOption>& known, std::string_view name) {
    for (const KnownOption& option : known) {
        if (std::find(option.longNames.begin(), option.longNames.end(), name) !=
            option.longNames.end())
            return &option;
    }
    return nullptr;
}

const KnownOption* FindShort(const std::vector<KnownOption>& known, char letter) {
    for (const KnownOption& option : known) {
        for (const std::string& name : option.shortNames) {
            if (name.size() == 1 && name[0] == letter) return &option;
        }
    }
    return nullptr;
}

// The closest long option, the first of equally close ones, when it is close enough.
std::string Suggestion(const std::vector<KnownOption>& known, std::string_view name) {
    std::string best;
    std::size_t bestDistance = kMaxSuggestionDistance + 1;
    for (const KnownOption& option : known) {
        for (const std::string& candidate : option.longNames) {
            const std::size_t distance = EditDistance(name, candidate);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = "--" + candidate;
            }
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

std::optional<UnknownOption> FindUnknownOption(const std::vector<std::string>& args,
                                               const std::vector<KnownOption>& known) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") break;
        if (arg.size() < 2 || arg[0] != '-') continue;  // a stray value, or "-" itself
        if (arg[1] == '-') {
            const std::size_t equals = arg.find('=');
            const std::string name =
                arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            const KnownOption* option = FindLong(known, name);
            if (option == nullptr) return UnknownOption{"--" + name, Suggestion(known, name)};
            if (option->takesValue && equals == std::string::npos) ++i;
            continue;
        }
        // A cluster: flags, up to an option whose value is the rest or the next argument.
        for (std::size_t at = 1; at < arg.size(); ++at) {
            const KnownOption* option = FindShort(known, arg[at]);
            if (option == nullptr) return UnknownOption{std::string("-") + arg[at], ""};
            if (option->takesValue) {
                if (at + 1 == arg.size()) ++i;
                break;
            }
        }
    }
    return std::nullopt;
}

std::string UnknownOptionText(const UnknownOption& unknown) {
    std::string text = "unknown option '" + unknown.given + "'";
    if (!unknown.suggestion.empty()) text += " (did you mean '" + unknown.suggestion + "'?)";
    return text;
}

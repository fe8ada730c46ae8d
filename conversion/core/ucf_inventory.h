// What a UCF holds: the chains of block RAM instances that its INIT_xx and INITP_xx lines
// initialise, each with its component, naming convention and the lines of every instance, and
// the block RAM sizes that fit them. The lines are read with the removal's grammar of instance
// names (conversion/core/instance_names.h, quoted names too) and of attributes
// (conversion/core/init_attribute.h, two hex digits), so that what is listed for a component is
// what a conversion of it replaces and what --extract reads.
//
// Without the components, the names are grouped into chains by their suffixes, in this order:
//   1. ram, ram_1, ram_2, ...: a Synopsys chain, when ram is there or two of ram_k are;
//   2. of the names left, ram0, ram1, ...: an XST chain, when it runs from ram0 without a gap
//      and each instance but the last holds a whole block RAM's lines (a memory's lanes named
//      ram_b0 .. ram_b3 that fill their block RAMs read as such a chain too; --component
//      names them apart);
//   3. any other name: a chain of one instance, its own component's (Synopsys naming, under
//      which and without a convention such a name is the first instance).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/core/synthesizer_kind.h"

// The attributes of one instance's INIT_xx (or INITP_xx) lines.
struct AttributeSpan {
    std::uint32_t lowest = 0;  // attribute numbers, when there are any
    std::uint32_t highest = 0;
    std::uint32_t count = 0;  // different attributes present
    bool Any() const { return count > 0; }
};

struct InstanceLines {
    std::string name;          // as its first line spells it
    std::uint64_t number = 0;  // in its chain, 0 the first
    AttributeSpan init, initp;
    std::uint64_t lines = 0;  // its INIT_xx and INITP_xx lines, an attribute given twice twice
    bool quoted = false;      // whether some of its lines name it in double quotes...
    bool plain = false;       // ...and some without
};

enum class NameQuoting { Plain, Quoted, Mixed };

struct InitChain {
    std::string component;
    SynthesizerKind synthesizer = SynthesizerKind::Synopsys;
    std::vector<InstanceLines> instances;  // by number
    std::uint64_t firstLine = 0;  // of its lines in the UCF, from 1; 0 with none or not counted

    NameQuoting Quoting() const;
    bool HasParity() const;  // INITP_xx lines: a width of 9, 18 or 36
    // The lines per instance (kLinesPerInstance4k, 16k, 32k) of the block RAM sizes that hold
    // every attribute present and whose lines each instance but the last has all of, as a
    // conversion writes them; empty when no size does.
    std::vector<std::uint32_t> FittingSizes() const;
};

// What a conversion's warnings need of a chain, without its instances one by one.
struct ChainSummary {
    std::uint64_t instances = 0;
    std::string firstName, lastName;  // of the first and the last instance, when there are any
    AttributeSpan init, initp;        // over every instance (count: the most of one)
    std::vector<std::uint32_t> fittingSizes;  // as InitChain::FittingSizes
};

// One INIT_xx or INITP_xx line as a walk over the text reads it.
struct InitLineRead {
    std::uint64_t line = 0;  // from 1; 0 when the walk does not count lines
    std::string_view name;   // the instance's name as the line spells it, without quotes
    bool quoted = false;
    bool parity = false;  // INITP_xx
    std::uint32_t attribute = 0;
};

// An instance's lines as they are found, in the text they are found in: the attributes present
// as bit masks, whose spans are worked out once all are in, since a conversion reads every
// line of a large memory.
struct InstanceTally {
    std::string_view name;  // as its first line spells it
    std::uint64_t lines = 0;
    bool quoted = false, plain = false;
    std::array<std::uint64_t, 4> init{}, initp{};
    std::uint64_t firstLine = 0;
    void Add(const InitLineRead& line) {
        if (lines++ == 0) {
            name = line.name;
            firstLine = line.line;
        }
        (line.quoted ? quoted : plain) = true;
        (line.parity ? initp : init)[line.attribute >> 6] |= std::uint64_t{1}
                                                             << (line.attribute & 63);
    }
    InstanceLines Finished() const;
};

// The INIT_xx and INITP_xx lines of some components' instances, recorded by a walk that reads
// their names anyway: InitChainsOf's own, or the removal's (conversion/core/components_removal.h),
// so that a conversion learns what it replaces without a second walk.
class InitChainCollector {
public:
    // `expectedInstances`: how many instances each component most likely has (a conversion's
    // new ones), room for which is made at once.
    explicit InitChainCollector(std::size_t components, std::size_t expectedInstances = 0);
    // A line of the `component`-th component's instance whose number `number()` gives, which
    // is only asked when the line names another instance than the component's line before.
    template <typename Number>
    void Add(std::size_t component, const InitLineRead& line, Number number) {
        Lane& lane = lanes_[component];
        if (lane.tallies.empty() || !SameBytes(lane.lastName, line.name)) {
            lane.last = Find(lane, number());
            lane.lastName = line.name;
        }
        lane.tallies[lane.last].Add(line);
    }
    // One chain per component, in the order given; `components` and `synthesizer` name them.
    std::vector<InitChain> Chains(std::span<const std::string_view> components,
                                  SynthesizerKind synthesizer) const;
    // The same, summed up.
    std::vector<ChainSummary> Summaries() const;

private:
    // A component's instances in the order first found, and their numbers: ascending as long
    // as the lines come in that order (as a conversion writes them), else an index by number.
    struct Lane {
        std::vector<InstanceTally> tallies;
        std::vector<std::uint64_t> numbers;
        bool ordered = true;
        std::map<std::uint64_t, std::size_t> byNumber;  // once not ordered
        std::size_t last = 0;                           // the tally of the component's line before
        std::string_view lastName;
    };
    // The same name, compared from its end, where instances' names differ.
    static bool SameBytes(std::string_view a, std::string_view b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = a.size(); i-- > 0;)
            if (a[i] != b[i]) return false;
        return true;
    }
    // The tally of instance `number`, made when it is new.
    static std::size_t Find(Lane& lane, std::uint64_t number);

    std::vector<Lane> lanes_;
};

// Every chain whose instances have INIT_xx or INITP_xx lines, grouped as above, in the order of
// their first lines.
std::vector<InitChain> FindInitChains(std::string_view ucfText);

// The chains of `components` under `synthesizer`, one per component in the order given, with no
// instances for a component that has no such lines; under no convention, the component's own
// name is its one instance.
std::vector<InitChain> InitChainsOf(std::string_view ucfText,
                                    std::span<const std::string_view> components,
                                    SynthesizerKind synthesizer);

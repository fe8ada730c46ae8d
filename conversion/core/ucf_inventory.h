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

#include <cstdint>
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
    std::uint64_t firstLine = 0;           // of its lines in the UCF, from 1; 0 with none

    NameQuoting Quoting() const;
    bool HasParity() const;  // INITP_xx lines: a width of 9, 18 or 36
    // The lines per instance (kLinesPerInstance4k, 16k, 32k) of the block RAM sizes that hold
    // every attribute present and whose lines each instance but the last has all of, as a
    // conversion writes them; empty when no size does.
    std::vector<std::uint32_t> FittingSizes() const;
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

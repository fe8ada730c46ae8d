// The options of quillon-convert as the parser declares them: their names, help and the
// checks of each value on its own. What they mean together is cli/command_line.cpp's.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

// Every option's value as given; empty strings for options not given.
struct OptionValues {
    std::string source, ucf, edif, output, extract;
    std::vector<std::string> components;
    std::string synthesizer = "synopsys";
    std::string bram = "4k";
    std::string format = "auto";
    std::string width, swapWidth, maxInstances, base, fill;
    std::vector<std::string> onlySections, removedSections;
    bool dryRun = false, quiet = false, allowEmpty = false, keepPlacements = false,
         dropPlacements = false, quoteNames = false, list = false, json = false, touch = false;
};

// The options whose presence matters, not only their values.
struct DeclaredOptions {
    CLI::Option* source = nullptr;
    CLI::Option* component = nullptr;
    CLI::Option* base = nullptr;
    CLI::Option* output = nullptr;
    CLI::Option* extract = nullptr;
};

// Declares the options on `app`, each bound to its place in `values`.
DeclaredOptions DeclareOptions(CLI::App& app, OptionValues& values);

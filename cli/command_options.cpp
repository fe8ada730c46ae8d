#include "cli/command_options.h"

#include "cli/option_values.h"

namespace {

// A check of one value: the reason it is refused, or nothing.
template <typename Parse>
CLI::Validator Checked(Parse parse, std::string refusal) {
    return CLI::Validator(
        [parse, refusal](const std::string& value) {
            return parse(value) ? std::string() : "'" + value + "' " + refusal;
        },
        "");
}

// An empty path names no file and an empty name gives instances named "_1", "_2", ...: such a
// value is a slip of the command line (an unset variable), refused before anything is read.
std::string CheckNotEmpty(const std::string& value) {
    if (value.empty()) return "the value is empty";
    return {};
}

// A line break in the name would split a generated line, and a NUL would end it early.
std::string CheckComponent(const std::string& name) {
    if (name.find_first_of(std::string("\n\r\0", 3)) != std::string::npos)
        return "the component name must not hold a line feed, carriage return or NUL";
    return {};
}

}  // namespace

DeclaredOptions DeclareOptions(CLI::App& app, OptionValues& values) {
    DeclaredOptions declared;
    declared.source =
        app.add_option("-s,--source", values.source,
                       "Binary file whose bytes are written; - reads standard input to its end. "
                       "An empty source fails, with nothing changed (see --allow-empty). Required, "
                       "except with --extract")
            ->type_name("FILE")
            ->check(CheckNotEmpty);
    app.add_option("-u,--ucf", values.ucf, "UCF to update in place, created when missing")
        ->required()
        ->type_name("FILE")
        ->check(CheckNotEmpty);
    declared.component =
        app.add_option("-c,--component", values.components,
                       "Component name the block RAM instances are named after; given N times (1 "
                       "to 64), the memory's lanes in that order, lane i holding bits i*W .. "
                       "i*W+W-1 of each word. Required, except with --list")
            ->type_name("NAME")
            ->check(CheckNotEmpty)
            ->allow_extra_args(false)
            ->check(CheckComponent);
    app.add_option("-y,--synthesizer", values.synthesizer,
                   "Instance naming: synopsys (bram, bram_1, ...), xst (bram0, bram1, ...) or "
                   "none (one instance named bram, whose INIT_xx lines are replaced); default "
                   "synopsys")
        ->type_name("KIND")
        ->check(Checked(SynthesizerByName, "is not synopsys, xst or none"));
    app.add_option("-e,--edif", values.edif,
                   "EDIF netlist whose last-write time is renewed when the UCF changes; it must "
                   "exist (it is not created); empty: no refresh. When it is missing or the "
                   "refresh fails, a warning and exit status 3")
        ->type_name("FILE");
    app.add_option("-b,--bram", values.bram,
                   "Data bits per block RAM instance: 4k (INIT_00..INIT_0F, 512 bytes; the "
                   "default), 16k (INIT_00..INIT_3F, 2048 bytes: RAMB16, RAMB18) or 32k "
                   "(INIT_00..INIT_7F, 4096 bytes: RAMB36)")
        ->type_name("SIZE")
        ->check(Checked(LinesPerInstanceByName, "is not 4k, 16k or 32k"));
    app.add_option("-W,--width", values.width,
                   "Bits of each component's share of a word (W): 1, 2, 4, 8 (the default) or 16; "
                   "with 16k and 32k also 9, 18, 32 and 36, of which 9, 18 and 36 hold 1, 2 and 4 "
                   "parity bits (the highest), written as INITP_xx lines. Words have components "
                   "x W bits, at most 64; a source other than hex words holds each word in "
                   "components x W / 8 bytes, least significant first")
        ->type_name("W")
        ->check(Checked(WidthBits, "is not a number of bits"));
    app.add_option("-w,--swap-bytes", values.swapWidth,
                   "Take the source as W-byte words stored big-endian (2, 4 or 8) and reverse "
                   "each word's bytes; a short last word is padded with zero bytes first")
        ->type_name("W")
        ->check(Checked(SwapWidth, "is not 2, 4 or 8"));
    app.add_option("-m,--max-instances", values.maxInstances,
                   "Fail, before the UCF is opened, when the data needs more than N instances "
                   "(N from 1) in a component; with --extract, when the UCF names more")
        ->type_name("N")
        ->check(Checked(InstanceCount, "is not a number from 1 on"));
    app.add_option("-f,--format", values.format,
                   "What the source holds, in any letter case: bin (raw bytes), ihex (Intel "
                   "HEX), srec (Motorola S-records), elf (the allocated sections at their load "
                   "addresses, as objcopy -O binary takes them), mem (hex words of components "
                   "x W bits, as $readmemh reads them) or auto (the default: by the extension, "
                   ".hex .ihx .ihex .h86 ihex when they start with ':' and else mem, .srec .s19 "
                   ".s28 .s37 .mot srec, .elf .axf elf, .mem mem; any other name and standard "
                   "input by the content: elf by its magic number, ihex or srec when the first "
                   "line is such a record, else bin). With --list: text (the default) or json")
        ->type_name("FMT")
        ->check(
            Checked(FormatOrListingByName,
                    "is not auto, bin, ihex, srec, elf or mem (or, with --list, text or json)"));
    declared.base =
        app.add_option("--base", values.base,
                       "Byte address of the memory's first byte, for ihex, srec and elf (hex "
                       "with 0x, or decimal; default 0): data below it fails")
            ->type_name("ADDR")
            ->check(Checked(Address, "is not an address (hex with 0x, or decimal)"));
    CLI::Option* fill =
        app.add_option("--fill", values.fill,
                       "Value of the bytes in the gaps between records and sections (0 to 255, "
                       "hex with 0x, or decimal; default 0x00)")
            ->type_name("BYTE")
            ->check(
                Checked(FillByte, "is not a byte value from 0 to 255 (hex with 0x, or decimal)"));
    CLI::Option* only =
        app.add_option("-j,--only-section", values.onlySections,
                       "For elf: take only the sections of this name (* and ? match any "
                       "characters and any one); repeatable, as objcopy's")
            ->type_name("NAME")
            ->allow_extra_args(false);
    CLI::Option* removed =
        app.add_option("-R,--remove-section", values.removedSections,
                       "For elf: leave out the sections of this name (* and ? as for -j), such as "
                       ".eeprom of an AVR program; repeatable, as objcopy's")
            ->type_name("NAME")
            ->allow_extra_args(false);
    declared.extract =
        app.add_option("--extract", values.extract,
                       "Read the image that the UCF's INIT_xx and INITP_xx lines of the components "
                       "hold, through the last INIT_xx line's words, and write it to FILE (- for "
                       "standard output): raw bytes (their words reversed as --swap-bytes says), "
                       "or hex words when FILE ends in .mem or with --format mem. Nothing else is "
                       "written")
            ->type_name("FILE");
    declared.output =
        app.add_option("-o,--output", values.output,
                       "Write the new UCF text to FILE (- for standard output, which then "
                       "carries nothing else) and only read the UCF, which is not created "
                       "when missing; the EDIF file is left alone")
            ->type_name("FILE")
            ->check(CheckNotEmpty);
    CLI::Option* dryRun =
        app.add_flag("-n,--dry-run", values.dryRun,
                     "Read the source and the UCF and report, but change and create no file")
            ->excludes(declared.output);
    CLI::Option* touch =
        app.add_flag("--touch", values.touch,
                     "Renew the UCF's and the EDIF netlist's last-write times also when the new "
                     "text is the old one (such a run otherwise changes no file and reports "
                     "\"design.ucf: unchanged (...)\")")
            ->excludes(declared.output)
            ->excludes(dryRun);
    CLI::Option* edif = app.get_option("--edif");
    for (CLI::Option* option : {declared.source, edif, declared.output, dryRun, touch,
                                declared.base, fill, only, removed})
        declared.extract->excludes(option);
    app.add_flag("-q,--quiet", values.quiet, "Print nothing on standard output after a success");
    app.add_flag("--allow-empty", values.allowEmpty,
                 "Take an empty source: the component's lines are removed and none written");
    CLI::Option* keep =
        app.add_flag("--keep-placements", values.keepPlacements,
                     "The default: only the component's INIT_xx and INITP_xx lines are "
                     "replaced, and its instances' other lines (LOC, RLOC, any attribute) stay "
                     "where they are, since they are the designer's and the image does not "
                     "change them; accepted for scripts that name it");
    app.add_flag("--drop-placements", values.dropPlacements,
                 "Remove every line of the component's instances, a placement such as LOC "
                 "included, as the Windows program does")
        ->excludes(keep);
    app.add_flag("--quote-names", values.quoteNames,
                 "Write the instance names in double quotes: INST \"bram_1\" INIT_00 = ...; "
                 "(quoted names are always recognised in the removal)");
    CLI::Option* list = app.add_flag(
        "--list", values.list,
        "Print every chain of block RAM instances that the UCF's INIT_xx and INITP_xx lines "
        "initialise, one line each: component, naming, instances, the lines each one holds, the "
        "--bram sizes and parity that fit them, and whether the names are quoted; with "
        "--component, those components' instances under --synthesizer. Nothing is written");
    app.add_flag("--json", values.json, "With --list: print it as JSON (as --format json does)")
        ->needs(list);
    // What a listing reads is the UCF alone: any option for a conversion is a mistake.
    for (CLI::Option* option : app.get_options()) {
        const std::string name = option->get_name();
        if (name != "--list" && name != "--ucf" && name != "--component" &&
            name != "--synthesizer" && name != "--format" && name != "--json" &&
            option != app.get_help_ptr() && name != "--version")
            list->excludes(option);
    }
    return declared;
}

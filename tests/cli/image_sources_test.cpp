// Image files read by the built quillon-convert, compared with the memory the test put in them
// and, where the tools are installed, with what srec_cat and objcopy make of the same files:
// random images with gaps as Intel HEX (every record length, 02 and 04 records across 64 KiB)
// and S1/S2/S3 records, ELF32 and ELF64 in both byte orders and as ld links them, each with and
// without --base and --fill. Then the errors as a build script sees them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "tests/cli/program_runner.h"
#include "tests/run/run_fixture.h"
#include "tests/support/image_files.h"

namespace {

// Whether an oracle program can be run; the Windows test build has none.
bool HaveTool(const std::string& name) {
#ifdef _WIN32
    (void)name;
    return false;
#else
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
#endif
}

// What a shell command writes to standard output; the test fails when it does not succeed.
std::string CommandOutput(const std::string& command) {
    std::string out;
#ifndef _WIN32
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return out;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0) << command;
#else
    ADD_FAILURE() << "no shell for " << command;
#endif
    return out;
}

// The system's text as stderr shows it: its own line end dropped, CR LF made LF.
std::string SystemText(SystemErrorCode code) {
    std::string text = SystemErrorText(code);
    std::string::size_type at = 0;
    while ((at = text.find("\r\n", at)) != std::string::npos) text.erase(at, 1);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

std::string SrecCatBinary(const std::string& path, std::uint64_t base, const std::string& fill) {
    const char* format = path.substr(path.size() - 4) == ".hex" ? "-intel" : "-motorola";
    // Its warnings (the files have no start address) go nowhere; a failure shows in its status.
    return CommandOutput("srec_cat '" + path + "' " + format + " -offset -" + Hex(base) + " " +
                         fill + " -o - -binary 2>/dev/null");
}

class ImageSourcesTest : public RunTest {
protected:
    // The text that quillon-convert writes for `path` into an empty UCF, `-o -`.
    std::string Converted(const std::string& path, const std::vector<std::string>& more) {
        std::vector<std::string> args = {"-s", path, "-u", ucf, "-c", "rom", "-o", "-"};
        args.insert(args.end(), more.begin(), more.end());
        const ProgramOutcome outcome = RunQuillonConvert(args, scratch.Path().string());
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(outcome.err, "");
        return outcome.rawOut;
    }

    // Reads `path` from address 0 or with a --base below the data, with zeros or --fill in the
    // gaps, and compares with the memory the blocks make and, given `srecCat`, with what
    // srec_cat makes of the file.
    void ExpectRead(const std::string& path, const std::vector<ImageBlock>& blocks,
                    const std::vector<std::string>& format = {}, bool srecCat = false) {
        std::uint64_t lowest = ~std::uint64_t{0};
        for (const ImageBlock& block : blocks) lowest = std::min(lowest, block.address);
        for (const bool baseGiven : {false, true}) {
            for (const bool fillGiven : {false, true}) {
                SCOPED_TRACE(testing::Message()
                             << "--base " << baseGiven << " --fill " << fillGiven);
                const std::uint64_t base = baseGiven ? lowest - lowest % 7 : 0;
                std::vector<std::string> args = format;
                if (baseGiven) args.insert(args.end(), {"--base", Hex(base)});
                if (fillGiven) args.insert(args.end(), {"--fill", "195"});
                const std::string text = Converted(path, args);
                ExpectSameText(text, Rewritten(DenseImage(blocks, base, fillGiven ? '\xC3' : '\0'),
                                               "", "rom"));
                if (!srecCat) continue;
                const std::string range =
                    fillGiven ? "-fill 0xC3 0 " + Hex(ImageEnd(blocks) - base) : std::string();
                ExpectSameText(text, Rewritten(SrecCatBinary(path, base, range), "", "rom"));
            }
        }
    }

    TempFolder scratch;
};

TEST_F(ImageSourcesTest, IntelHexWithEveryRecordLengthAndBothExtendedAddresses) {
    const bool oracle = HaveTool("srec_cat");
    std::mt19937 random(1717);
    for (int round = 0; round < 4; ++round) {
        const bool segments = round % 2 == 1;
        SCOPED_TRACE(testing::Message() << "round " << round << (segments ? ", 02" : ", 04"));
        // Up to 200 KiB, across several 64 KiB boundaries.
        const std::vector<ImageBlock> blocks = RandomBlocks(random, 0x8000, 0x38000);
        const std::string path = folder / ("image" + std::to_string(round) + ".hex");
        WriteAll(path, IntelHexText(blocks, random, segments, round < 2 ? "\n" : "\r\n"));
        ExpectRead(path, blocks, {}, oracle);
        ExpectRead(path, blocks, {"-f", "IHEX"});
    }
}

TEST_F(ImageSourcesTest, SRecordsOfEachAddressWidthAsSrecCatWritesThem) {
    if (!HaveTool("srec_cat")) GTEST_SKIP() << "srec_cat is not installed";
    std::mt19937 random(2024);
    const struct {
        const char* extension;
        int addressBytes;
        std::uint64_t below;
    } kinds[] = {
        {"s19", 2, 0x10000}, {"s28", 3, 0x40000}, {"s37", 4, 0x30000}, {"srec", 4, 0x9000}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.extension);
        const std::vector<ImageBlock> blocks = RandomBlocks(random, 0x100, kind.below);
        const std::string hex = folder / "from.hex";
        const std::string path = folder / (std::string("image.") + kind.extension);
        WriteAll(hex, IntelHexText(blocks, random, false));
        CommandOutput("srec_cat '" + hex + "' -intel -o '" + path +
                      "' -motorola -address-length=" + std::to_string(kind.addressBytes));
        ExpectRead(path, blocks, {}, true);
    }
}

// ELF files as GNU ld links them for several targets, each where its binutils are installed:
// the image is what objcopy -O binary makes of the same file with the same -j and -R, from its
// lowest load address. MIPS and PowerPC put the ELF and program headers into the first loadable
// segment, which objcopy leaves out; an AVR program's .eeprom lies at 0x810000, past the flash.
TEST_F(ImageSourcesTest, ElfAsLdLinksItIsWhatObjcopyMakesOfIt) {
    const struct {
        const char* tools;  // the prefix of objcopy and ld
        const char* bfd;
        const char* emulation;
        const char* link;  // where the sections go
        const char* sections[2];
        const char* base;
    } targets[] = {
        {"", "elf64-x86-64", "elf_x86_64", "-T rom.ld", {}, "0x8000"},
        {"", "elf32-i386", "elf_i386", "-T rom.ld", {}, "0x8000"},
        {"mips-linux-gnu-", "elf32-tradbigmips", "elf32btsmip", "-Ttext 0x1000", {}, "0x1000"},
        {"powerpc-linux-gnu-",
         "elf32-powerpc",
         "elf32ppc",
         "-Ttext 0x1000",
         {"-j", ".text"},
         "0x1000"},
        {"avr-", "elf32-avr", "avr5", "", {"-R", ".eeprom"}, "0"},
    };
    std::mt19937 random(5);
    for (const auto& target : targets) {
        SCOPED_TRACE(target.bfd);
        const std::string objcopy = std::string(target.tools) + "objcopy";
        const std::string ld = std::string(target.tools) + "ld";
        if (!HaveTool(ld) || !HaveTool(objcopy)) continue;  // binutils for the target
        const std::string dir = folder.Path().string() + "/";
        WriteAll(dir + "a.bin", RandomBytes(random, 300));
        WriteAll(dir + "b.bin", RandomBytes(random, 200));
        // The x86 ROM: linked to run from RAM, loaded from ROM at 0x8000 (AT); the AVR
        // program's second part is its .eeprom.
        WriteAll(dir + "rom.ld",
                 "SECTIONS {\n"
                 "  .text 0x20000000 : AT(0x8000) { a.o(.text) }\n"
                 "  .data 0x30000000 : AT(0x8400) { b.o(.second) }\n"
                 "}\n");
        const std::string second = std::string(target.bfd) == "elf32-avr" ? ".eeprom" : ".second";
        std::string picked;
        std::vector<std::string> pick;
        if (target.sections[0] != nullptr) {
            picked = std::string(target.sections[0]) + " " + target.sections[1];
            pick = {target.sections[0], target.sections[1]};
        }
        CommandOutput("cd '" + dir + "' && " + objcopy + " -I binary -O " + target.bfd +
                      " --rename-section .data=.text a.bin a.o && " + objcopy + " -I binary -O " +
                      target.bfd + " --rename-section .data=" + second + " b.bin b.o && " + ld +
                      " -m " + target.emulation + " " + target.link +
                      " -o fw.elf a.o b.o 2>/dev/null && " + objcopy + " -O binary " + picked +
                      " fw.elf fw.bin");
        ASSERT_GE(ReadAll(dir + "fw.bin").size(), 300u);
        pick.insert(pick.end(), {"--base", target.base});
        ExpectSameText(Converted(dir + "fw.elf", pick), Converted(dir + "fw.bin", {}));
    }
}

TEST_F(ImageSourcesTest, ReportSaysWhatTheSourceWas) {
    // An 8-bit ROM at 0xE000, with the reset vector at its end.
    const std::string rom = folder / "rom.ihx";
    WriteAll(rom, IntelHexRecord(0, 0xE000, "\x12\x34") +
                      IntelHexRecord(0, 0xFFFE, std::string("\x00\xE0", 2)) +
                      IntelHexRecord(1, 0, ""));
    const ProgramOutcome outcome =
        RunQuillonConvert({"-s", rom, "-u", ucf, "-c", "rom", "--base", "0xE000", "--fill", "0xFF"},
                          scratch.Path().string());
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out,
              "UCF file updated!\nrom: removed 0 lines, wrote 256 lines in 16 instances (rom .. "
              "rom_15); Intel HEX, 8192 bytes at 0xE000..0xFFFF\n");
    std::string image(0x2000, '\xFF');
    image.replace(0, 2, "\x12\x34");
    image.replace(0x1FFE, 2, std::string("\x00\xE0", 2));
    ExpectSameText(ReadAll(ucf), Rewritten(image, "", "rom"));

    // Hex words on standard input are a raw binary unless a format is given: only their name
    // tells them.
    const std::string input = folder / "words.txt";
    WriteAll(input, "@1 aa bb");
    for (const bool words : {true, false}) {
        std::vector<std::string> args = {"-s", "-", "-u", ucf, "-c", "ram", "-n"};
        if (words) args.insert(args.end(), {"-f", "mem"});
        EXPECT_EQ(RunQuillonConvert(args, scratch.Path().string(), input).out,
                  std::string("Dry run: no file changed.\nram: removed 0 lines, wrote 1 line in 1 "
                              "instance (ram); ") +
                      (words ? "hex words, 3 bytes at 0x0000..0x0002\n"
                             : "raw binary, 8 bytes at 0x0000..0x0007\n"));
    }
}

// Intel HEX and S-records as srec_cat writes them, and an ELF file as objcopy makes one, piped
// or under names that name no format: the content tells the format, the image is the one the
// file's own name gives, and --format bin still takes the bytes as they are.
TEST_F(ImageSourcesTest, ContentTellsTheFormatOnAPipeAndUnderForeignNames) {
    if (!HaveTool("srec_cat")) GTEST_SKIP() << "srec_cat is not installed";
    std::mt19937 random(25);
    const std::vector<ImageBlock> blocks = RandomBlocks(random, 0x100, 0x9000);
    const std::string raw = DenseImage(blocks, 0, '\0');
    const std::string hex = folder / "from.hex";
    WriteAll(hex, IntelHexText(blocks, random, false));
    WriteAll(folder / "image.bin", raw);
    struct Made {
        std::string name;
        std::string command;  // writes the file from from.hex or image.bin
        const char* format;
    };
    std::vector<Made> made = {
        {"fw.txt", "srec_cat from.hex -intel -o fw.txt -intel", "Intel HEX"},
        {"fw", "srec_cat from.hex -intel -o fw -intel -crlf", "Intel HEX"},
        {"fw.dat", "srec_cat from.hex -intel -o fw.dat -motorola", "S-records"},
        {"fw.bin", "srec_cat from.hex -intel -o fw.bin -motorola -address-length=4", "S-records"},
    };
    if (HaveTool("objcopy")) {
        made.push_back({"fw.out", "objcopy -I binary -O elf32-i386 image.bin fw.out", "ELF"});
    }
    const std::string expected = Rewritten(raw, "", "rom");
    for (const Made& m : made) {
        SCOPED_TRACE(m.command);
        const std::string path = folder / m.name;
        CommandOutput("cd '" + folder.Path().string() + "' && " + m.command);
        ExpectSameText(Converted(path, {}), expected);
        const std::vector<std::string> piped = {"-s", "-", "-u", ucf, "-c", "rom", "-n"};
        const ProgramOutcome outcome = RunQuillonConvert(piped, scratch.Path().string(), path);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_NE(outcome.out.find(std::string("; ") + m.format + ", " +
                                   std::to_string(raw.size()) + " bytes at 0x0000.."),
                  std::string::npos)
            << outcome.out;
        ExpectSameText(Converted(path, {"-f", "bin"}), Rewritten(ReadAll(path), "", "rom"));
    }
}

// Small files whose data lies far above the base (or a UCF naming a far instance) would make
// images of hundreds of MiB or more: --max-instances stops them before any memory is taken for
// the image, with the extent in the message.
TEST_F(ImageSourcesTest, FarDataFailsTheInstanceLimitWithoutTakingItsMemory) {
    const std::string ten = "0123456789";
    const std::string zeros(64, '0');
    const struct {
        const char* name;
        std::string content;
        std::vector<std::string> args;
        const char* extent;
    } cases[] = {
        {"far.hex",
         IntelHexRecord(4, 0, "\xFF\xFF") + IntelHexRecord(0, 0xFF00, ten) +
             IntelHexRecord(1, 0, ""),
         {},
         "Intel HEX, 4294967050 bytes at 0x00000000..0xFFFFFF09; --base 0xFFFFFF00"},
        {"far.s37",
         SRecord('3', std::string("\xFF\xFF\xFF\x00", 4) + ten) +
             SRecord('7', std::string(4, '\0')),
         {},
         "S-records, 4294967050 bytes at"},
        {"far.elf", ElfFile(false, true, {{1, 0xFFFFFF00, 0xFFFFFF00, ten, 0}}), {}, "ELF, 42949"},
        {"far.mem", "@FFFFFF00 12 34", {}, "hex words, 4294967042 bytes at"},
        {"wide.mem",
         "@0AAAAAAA 12345 00001",
         {"-b", "16k", "--width", "18"},
         "hex words, 178956972 words of 18 bits"},
        {"far.ucf",
         "NET a;\r\nINST ram_1048575 INIT_00 = " + zeros + ";\r\n",
         {"--extract", "image.bin"},
         "up to ram_1048575"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder / c.name;
        WriteAll(path, c.content);
        const bool extract = c.args.size() == 2 && c.args[0] == "--extract";
        std::vector<std::string> args = {"-u", extract ? path : ucf, "-c", "ram", "-m", "1"};
        if (!extract) args.insert(args.end(), {"-s", path});
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProgramOutcome outcome = RunQuillonConvert(args, scratch.Path().string());
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_NE(outcome.err.find("more than --max-instances 1 allows"), std::string::npos)
            << outcome.err;
        EXPECT_NE(outcome.err.find(c.extent), std::string::npos) << outcome.err;
        EXPECT_FALSE(Exists(ucf) || Exists(folder / "image.bin"));
        // Far below the smallest of the images (385 MiB of lanes): the program and the source,
        // with room for a sanitizer's shadow memory.
        if (outcome.peakKiB >= 0) {
            EXPECT_LT(outcome.peakKiB, 256 * 1024);
        }
    }
}

TEST_F(ImageSourcesTest, MalformedFilesFailAsSourceErrorsAndLeaveTheUcfAlone) {
    const struct {
        const char* name;
        std::string content;
        std::string reason;
        const char* base = nullptr;  // --base
    } cases[] = {
        {"bad.hex", ":0100000041BE\n:0100010042BD\n:00000001FF\n",
         "line 2: the checksum is BD, the record needs BC"},
        {"bad.s19", "S1040000416A\n", "line 1: the checksum is 6A, the record needs BA"},
        {"bad.elf", ElfFile(true, false, {{1, 0, 0, "abc", 0}}).substr(0, 50),
         "the ELF header is cut short: the file has 50 bytes, a 64-bit header needs 64"},
        {"bad.mem", "00 zz\n", "line 1: 'z' is not a hex digit"},
        {"low.hex", IntelHexRecord(0, 0xFF00, "A") + IntelHexRecord(1, 0, ""),
         "line 1: data at address 0x0000FF00, below the base 0x00010000", "65536"},
        {"far.hex",
         IntelHexRecord(0, 0, "A") + IntelHexRecord(4, 0, "\xFF\xFF") +
             IntelHexRecord(0, 0xFFFF, "B") + IntelHexRecord(1, 0, ""),
         "the data at address 0xFFFFFFFF ends 4 GiB or more above the base 0x00000000: " +
             SystemText(SystemErrorFor(FileProblem::TooLarge))},
        {"words.hex", "00 11\n",
         "this file holds hex words, which take no base address (--base is for Intel HEX, "
         "S-records and ELF)",
         "0"},
        // A text that looks like records, under a name that names no format.
        {"bad.txt", "S1040000416A\r\n",
         "line 1: the checksum is 6A, the record needs BA (read as S-records by its content; "
         "--format bin takes the bytes as they are)"},
        {"ended.dat", ":0100000041BE\n",
         "the file ends without an end-of-file record (type 01) (read as Intel HEX by its "
         "content; --format bin takes the bytes as they are)"},
    };
    const std::string oldText = "NET a;\r\nINST rom INIT_00 = 00;\r\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder / c.name;
        WriteAll(path, c.content);
        WriteAll(ucf, oldText);
        std::vector<std::string> args = {"-s", path, "-u", ucf, "-c", "rom", "-e", edif};
        if (c.base != nullptr) args.insert(args.end(), {"--base", c.base});
        const ProgramOutcome outcome = RunQuillonConvert(args, scratch.Path().string());
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err,
                  "quillon-convert: Source binary file: " + path + ": " + c.reason + "\n");
        EXPECT_EQ(ReadAll(ucf), oldText);
        EXPECT_FALSE(Exists(edif));
    }
}

}  // namespace

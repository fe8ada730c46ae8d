// Memories in lanes as build scripts see them, through the built quillon-convert: the 18-bit
// program memory from a hex word file, four byte lanes against four conversions of the
// de-interleaved bytes, reconversion, output elsewhere, and --extract with its errors.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/cli/program_runner.h"
#include "tests/core/rewriter_test_support.h"
#include "tests/run/run_fixture.h"

namespace {

std::string HexDigits(std::uint64_t value, unsigned digits) {
    std::string text(digits, '0');
    for (unsigned i = digits; i-- > 0; value >>= 4) text[i] = "0123456789ABCDEF"[value & 15];
    return text;
}

// The value of `instance`'s `attribute` line in `text`.
std::string Value(const std::string& text, const std::string& instance,
                  const std::string& attribute) {
    const std::string head = "INST " + instance + " " + attribute + " = ";
    const std::size_t at = text.find(head);
    return at == std::string::npos ? "(none)" : text.substr(at + head.size(), 64);
}

class MemoryLanesProgramTest : public RunTest {
protected:
    ProgramOutcome Convert(std::vector<std::string> args) {
        return RunQuillonConvert(args, scratch.Path().string());
    }
    // `args` with a component option for each name.
    static std::vector<std::string> With(std::vector<std::string> args,
                                         const std::vector<std::string>& components) {
        for (const std::string& name : components) args.insert(args.end(), {"-c", name});
        return args;
    }
    // `first` followed by `more`.
    static std::vector<std::string> Cat(std::vector<std::string> first,
                                        const std::vector<std::string>& more) {
        first.insert(first.end(), more.begin(), more.end());
        return first;
    }

    TempFolder scratch;
};

TEST_F(MemoryLanesProgramTest, ProgramMemoryOf18BitInstructionsFromHexWords) {
    // 1024 instructions: bits 15..0 the address, bits 17..16 the address modulo 4.
    std::string mem;
    for (std::uint64_t k = 0; k < 1024; ++k) mem += HexDigits((k % 4) << 16 | k, 5) + "\n";
    const std::string program = folder / "program.mem";
    WriteAll(program, mem);
    const std::vector<std::string> args = {"-u", ucf, "-c", "pm", "-b", "16k", "--width", "18"};
    const std::vector<std::string> convert = Cat({"-s", program}, args);

    ProgramOutcome outcome = Convert(convert);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out,
              "UCF file updated!\npm: removed 0 lines, wrote 72 lines in 1 instance (pm); hex "
              "words, 1024 words of 18 bits at 0x0000..0x03FF\n");
    const std::string text = ReadAll(ucf);
    EXPECT_EQ(Lines(text).size(), 72u);
    // INIT_00 holds the data bits of words 0 .. 15, word 0 rightmost; INIT_3F those of 1008 ..
    // 1023. Each INITP_xx line holds 128 words' 2 parity bits: a digit holds words 2j and
    // 2j + 1, whose parities alternate 0, 1 and 2, 3, so the digits alternate 4 and E.
    std::string init00, init3F, parity;
    for (std::uint64_t k = 16; k-- > 0;) {
        init00 += HexDigits(k, 4);
        init3F += HexDigits(1008 + k, 4);
    }
    for (int j = 0; j < 32; ++j) parity += "E4";
    EXPECT_EQ(Value(text, "pm", "INIT_00"), init00);
    EXPECT_EQ(Value(text, "pm", "INIT_3F"), init3F);
    EXPECT_EQ(Value(text, "pm", "INITP_00"), parity);
    EXPECT_EQ(Value(text, "pm", "INITP_07"), parity);
    EXPECT_EQ(text.find("INITP_08"), std::string::npos);

    // Again: the INITP_xx lines go as the constraints they are, nothing changes.
    outcome = Convert(convert);
    EXPECT_EQ(outcome.out, ucf + ": unchanged (pm: 72 lines of 1 instance)\n");
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(ReadAll(ucf), text);

    outcome = Convert(Cat({"--extract", folder / "back.mem"}, args));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "pm: read 72 lines of 1 instance (pm), 1024 words of 18 bits\n");
    EXPECT_EQ(ReadAll(folder / "back.mem"), mem);
}

TEST_F(MemoryLanesProgramTest, FourByteLanesAreFourConversionsOfTheDeinterleavedBytes) {
    // 3 instances of 2048 bytes a lane, the last one partly filled.
    const std::string bytes = AllByteValues(4 * 2048 * 2 + 4 * 100 + 3, 5);
    WriteAll(source, bytes);
    const std::string oldText =
        "NET a;\r\nINST b1_1 LOC = RAMB16_X1Y1;\r\nINST b3 INIT_00 = 0;\r\n";
    const std::string separate = folder / "separate.ucf";
    WriteAll(ucf, oldText);
    WriteAll(separate, oldText);
    const std::vector<std::string> lanes = {"b0", "b1", "b2", "b3"};
    for (std::size_t lane = 0; lane < 4; ++lane) {
        std::string part;
        for (std::size_t i = lane; i < bytes.size(); i += 4) part += bytes[i];
        if (lane == 3) part += '\0';  // the short last word's padding
        WriteAll(folder / "part.bin", part);
        EXPECT_EQ(Convert({"-q", "-s", folder / "part.bin", "-u", separate, "-c", lanes[lane], "-b",
                           "16k"})
                      .exitCode,
                  0);
    }

    const std::vector<std::string> args = With({"-s", source, "-u", ucf, "-b", "16k"}, lanes);
    ProgramOutcome outcome = Convert(args);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out,
              "UCF file updated!\n"
              "b0: removed 0 lines, wrote 132 lines in 3 instances (b0 .. b0_2); raw binary, "
              "16787 bytes at 0x0000..0x4192\n"
              "b1: removed 0 lines, kept 1 other line, wrote 132 lines in 3 instances (b1 .. "
              "b1_2)\n"
              "b2: removed 0 lines, wrote 132 lines in 3 instances (b2 .. b2_2)\n"
              "b3: removed 1 line, wrote 132 lines in 3 instances (b3 .. b3_2)\n");
    // The lanes without lines are no misspelt names of the one that has some.
    EXPECT_EQ(outcome.err,
              "quillon-convert: warning: b3: 3 instances written (b3 .. b3_2), where the UCF had 1 "
              "instance (b3)\n");
    ExpectSameText(ReadAll(ucf), ReadAll(separate));

    // Standard output and a dry run give what the run wrote, and change nothing.
    const std::string written = ReadAll(ucf);
    WriteAll(ucf, oldText);
    outcome = Convert(Cat(args, {"-o", "-"}));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    ExpectSameText(outcome.rawOut, written);
    EXPECT_EQ(ReadAll(ucf), oldText);
    WriteAll(ucf, written);
    outcome = Convert(Cat(args, {"-n"}));
    EXPECT_EQ(outcome.out,
              "Dry run: no file changed.\n"
              "b0: removed 132 lines, wrote 132 lines in 3 instances (b0 .. b0_2); raw binary, "
              "16787 bytes at 0x0000..0x4192; unchanged\n"
              "b1: removed 132 lines, kept 1 other line, wrote 132 lines in 3 instances (b1 .. "
              "b1_2); unchanged\n"
              "b2: removed 132 lines, wrote 132 lines in 3 instances (b2 .. b2_2); unchanged\n"
              "b3: removed 132 lines, wrote 132 lines in 3 instances (b3 .. b3_2); unchanged\n");

    // The image comes back to standard output through the last line's words: 4 bytes per word,
    // 32 words per line, the padding zeros.
    outcome = Convert(With({"--extract", "-", "-u", ucf, "-b", "16k", "-y", "synopsys"}, lanes));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    std::string padded = bytes;
    padded.resize((bytes.size() + 127) / 128 * 128, '\0');
    ExpectSameText(outcome.rawOut, padded);
    EXPECT_EQ(outcome.err, "");
}

TEST_F(MemoryLanesProgramTest, ExtractErrorsAndTheOptionsItExcludes) {
    const std::string image = folder / "image.bin";
    WriteAll(image, "earlier image");
    WriteAll(ucf, "NET a;\r\nINST ram INIT_00 = 12;\r\n");
    const std::string missing = folder / "missing.ucf";
    for (const auto& [from, err] : std::vector<std::pair<std::string, std::string>>{
             {ucf, ": line 2: the value of ram INIT_00 is not 64 hex digits\n"},
             {missing, ": no line of ram's instances holds INIT_xx or INITP_xx\n"}}) {
        const ProgramOutcome outcome = Convert({"--extract", image, "-u", from, "-c", "ram"});
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, "quillon-convert: UCF file: " + from + err);
    }
    EXPECT_FALSE(Exists(missing));
    EXPECT_EQ(ReadAll(image), "earlier image");

    const std::vector<std::pair<std::vector<std::string>, std::string>> excluded = {
        {{"-s", source}, "--source"},   {{"-e", edif}, "--edif"},
        {{"-o", "-"}, "--output"},      {{"-n"}, "--dry-run"},
        {{"--fill", "0xFF"}, "--fill"}, {{"-j", ".text"}, "--only-section"}};
    for (const auto& [more, name] : excluded) {
        const ProgramOutcome outcome =
            Convert(Cat({"--extract", image, "-u", ucf, "-c", "ram"}, more));
        EXPECT_EQ(outcome.exitCode, 2) << name;
        EXPECT_TRUE(outcome.err.find("--extract excludes " + name) != std::string::npos ||
                    outcome.err.find(name + " excludes --extract") != std::string::npos)
            << outcome.err;
    }
    EXPECT_EQ(ReadAll(image), "earlier image");
    EXPECT_FALSE(Exists(edif));
}

}  // namespace

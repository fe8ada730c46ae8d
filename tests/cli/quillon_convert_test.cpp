// quillon-convert as build scripts see it: exit codes, stdout and stderr, the files it leaves.
// Each case starts the real program, which is slow under Wine, so there are few of them; the
// command line's details are tested in-process.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_access.h"
#include "tests/cli/program_runner.h"
#include "tests/core/rewriter_test_support.h"
#include "tests/run/run_fixture.h"

namespace {

class QuillonConvertTest : public RunTest {
protected:
    ProgramOutcome Convert(const std::vector<std::string>& args, const std::string& input = "") {
        return RunQuillonConvert(args, scratch.Path().string(), input);
    }

    TempFolder scratch;
};

TEST_F(QuillonConvertTest, ConversionSaysSoOnStdoutAndExits0) {
    WriteAll(source, std::string("\x00\x01\x02", 3));
    WriteAll(edif, "(edif design)");

    const ProgramOutcome outcome =
        Convert({"-s", source, "--ucf", ucf, "-c", "my ram", "-y", "XST", "--edif=" + edif});

    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out,
              "UCF file updated!\nmy ram: removed 0 lines, wrote 1 line in 1 instance (my ram0); "
              "raw binary, 3 bytes at 0x0000..0x0002\n");
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(ReadAll(ucf),
              "INST my ram0 INIT_00 = "
              "0000000000000000000000000000000000000000000000000000000000020100;\r\n");
    EXPECT_EQ(ReadAll(edif), "(edif design)");
}

TEST_F(QuillonConvertTest, RunFailureGoesToStderrAndExits1) {
    WriteAll(source, "x");
    const std::string nowhere = folder / "missing-folder/design.ucf";

    const ProgramOutcome outcome =
        Convert({"-s", source, "--ucf=" + nowhere, "-c", "bram", "-e", edif});

    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, ErrorLine(kUcfPrefix, nowhere, kNoSuchFolder));
    EXPECT_FALSE(Exists(edif));
}

// What the program says and how it ends, one case a line: the mistakes a build script can
// make, each with its exit status and the one line it shows (a usage error's second line only
// says where to read more).
TEST_F(QuillonConvertTest, MessagesAndExitStatuses) {
    const std::string oldText =
        "NET a;\r\nINST rom LOC = RAMB16_X0Y0;\r\nINST rom INIT_00 = 00;\r\n";
    const std::string empty = folder / "empty.bin";
    WriteAll(empty, "");
    WriteAll(source, "abc");
    const std::string missing = folder / "missing.bin";
    const std::string lostEdif = folder / "missing-folder/design.edf";
    const std::string misspeltEdif = folder / "desgin.edf";
    WriteAll(edif, "(edif design)");
    const std::string twoInstances = folder / "two.bin";
    WriteAll(twoInstances, AllByteValues(600, 1));
    const std::string output = folder / "new.ucf";
    // Intel HEX under a name that names no format, and a text that starts like it but breaks.
    const std::string ihex = ":03000000616263D7\r\n:00000001FF\r\n";
    const std::string hexText = folder / "fw.txt";
    WriteAll(hexText, ihex);
    const std::string piped = folder / "fw.dat";
    WriteAll(piped, ihex);
    const std::string broken = folder / "broken.dat";
    WriteAll(broken, ":03000000616263D7\n:0300030064656F\n");
    const std::string emptySource = "quillon-convert: Source binary file: ";
    const std::string emptyReason =
        ": the source is empty; nothing was changed (--allow-empty removes the component's "
        "lines and writes none)\n";
    const std::string raw = "; raw binary, 3 bytes at 0x0000..0x0002\n";
    // Placements stay unless --drop-placements takes them, as the dialog's removal does.
    const std::string updated =
        "UCF file updated!\nrom: removed 1 line, kept 1 other line, wrote 1 line in 1 instance "
        "(rom)" +
        raw;
    const std::string fromHex =
        "UCF file updated!\nrom: removed 1 line, kept 1 other line, wrote 1 line in 1 instance "
        "(rom); Intel HEX, 3 bytes at 0x0000..0x0002\n";
    const std::string notRefreshed = " (the UCF was updated, the netlist was not)\n";
    const std::string notCreated =
        ": does not exist; not created: the implementation tools will not see the change\n";
    const std::string edifWarning = "quillon-convert: warning: EDIF file: ";
    const std::string warning = "quillon-convert: warning: ";
    const std::string tryHelp = "Try 'quillon-convert --help' for more information.\n";
    // What a conversion of "abc" leaves: converted again, nothing changes.
    const std::string converted =
        "NET a;\r\nINST rom LOC = RAMB16_X0Y0;\r\n" + Rewritten("abc", "", "rom");
    const std::string unchanged = ucf + ": unchanged (rom: 1 line of 1 instance)\n";
    const std::string init00 = " INIT_00 = 00;\r\n";
    struct Case {
        std::vector<std::string> args;  // after "-u UCF -c rom", unless `alone`
        int exitCode;
        std::string out;
        std::string err;
        bool ucfChanged;
        std::string input = "";  // the file on standard input
        bool alone = false;
        std::optional<std::string> ucfText = std::nullopt;  // the UCF before, if not oldText
    };
    const std::vector<Case> cases = {
        {{"-s", empty}, 1, "", emptySource + empty + emptyReason, false},
        {{"-s", "-"}, 1, "", emptySource + "standard input" + emptyReason, false, empty},
#ifndef _WIN32
        // A source without a size (a pipe, a device) that yields nothing.
        {{"-s", "/dev/null", "-n"}, 1, "", emptySource + "/dev/null" + emptyReason, false},
#endif
        {{"-s", empty, "--allow-empty"},
         0,
         "UCF file updated!\nrom: removed 1 line, kept 1 other line, wrote 0 lines; raw binary, 0 "
         "bytes\n",
         "",
         true},
        {{"-s", missing}, 1, "", ErrorLine(kSourcePrefix, missing, kNoSuchFile), false},
        {{"--source="}, 2, "", "quillon-convert: --source: the value is empty\n", false},
        {{"-s", source, "--ucf", ""}, 2, "", "quillon-convert: --ucf: the value is empty\n", false},
        {{"-s", source, "--component="},
         2,
         "",
         "quillon-convert: --component: the value is empty\n",
         false},
        {{"-s", source, "-o", ""}, 2, "", "quillon-convert: --output: the value is empty\n", false},
        {{"-s", source, "-e", ""}, 0, updated, "", true},
        {{"--sorce", source},
         2,
         "",
         "quillon-convert: unknown option '--sorce' (did you mean '--source'?)\n",
         false},
        {{"-s", source, "--bramm", "16k"},
         2,
         "",
         "quillon-convert: unknown option '--bramm' (did you mean '--bram'?)\n",
         false},
        {{"-s", source, "--frobnicate=1"},
         2,
         "",
         "quillon-convert: unknown option '--frobnicate'\n",
         false},
        {{"-nx", "-s", source}, 2, "", "quillon-convert: unknown option '-x'\n", false},
        {{"extra", "-s", source, "firmware.bin"},
         2,
         "",
         "quillon-convert: unexpected arguments 'extra', 'firmware.bin'\n",
         false},
        {{"-s", source, "-b", "4k", "--bram=16k"},
         2,
         "",
         "quillon-convert: --bram is given 2 times; it takes one value\n",
         false},
        {{"-s", source}, 0, updated, "", true},
        {{"-s", source, "--keep-placements"}, 0, updated, "", true},
        {{"-s", source, "--drop-placements"},
         0,
         "UCF file updated!\nrom: removed 2 lines, wrote 1 line in 1 instance (rom)" + raw,
         "",
         true},
        // Intel HEX known by its content, piped or under a foreign name; a text that starts as a
        // record but breaks is no raw binary, unless --format bin says so.
        {{"-s", hexText}, 0, fromHex, "", true},
        {{"-s", "-"}, 0, fromHex, "", true, piped},
        {{"-s", broken},
         1,
         "",
         emptySource + broken +
             ": line 2: the record's length says 3 bytes of data, it holds 2 (read as Intel HEX "
             "by its content; --format bin takes the bytes as they are)\n",
         false},
        {{"-s", broken, "-f", "bin", "-q"}, 0, "", "", true},
        {{"-s", source, "--base", "0x100"},
         1,
         "",
         emptySource + source +
             ": by its content this source is a raw binary (no ELF header, no Intel HEX or "
             "S-record line first), which takes no base address (--base is for Intel HEX, "
             "S-records and ELF)\n",
         false},
        // A missing EDIF file is not made: a misspelt name would leave the real one behind.
        {{"-s", source, "-e", misspeltEdif},
         3,
         updated,
         edifWarning + misspeltEdif + notCreated,
         true},
        {{"-s", source, "-e", lostEdif}, 3, updated, edifWarning + lostEdif + notCreated, true},
        {{"-s", source, "-e", folder.Path().string()},
         3,
         updated,
         "quillon-convert: warning: EDIF file: " + folder.Path().string() + ": " +
             SystemErrorLine(kFolderAsFile) + notRefreshed,
         true},
        {{"-s", source, "-q", "-e", lostEdif}, 3, "", edifWarning + lostEdif + notCreated, true},
        // The same text again changes no file; a missing EDIF file is still said.
        {{"-s", source, "-e", edif}, 0, unchanged, "", false, "", false, converted},
        {{"-s", source, "-e", misspeltEdif},
         3,
         unchanged,
         edifWarning + misspeltEdif + notCreated,
         false,
         "",
         false,
         converted},
        // What the old lines show: another number of instances, a block RAM size or width that
        // the design does not have, a name that matches no chain there.
        {{"-s", twoInstances, "-q"},
         0,
         "",
         warning + "rom: 2 instances written (rom .. rom_1), where the UCF had 1 instance (rom)\n",
         true},
        {{"-s", source, "-q"},
         0,
         "",
         warning +
             "rom: 1 instance written (rom), where the UCF had 3 instances (rom .. rom_2); the "
             "others now have no INIT_xx lines\n",
         true,
         "",
         false,
         "INST rom" + init00 + "INST rom_1" + init00 + "INST rom_2" + init00},
        {{"-s", source, "-q"},
         0,
         "",
         warning +
             "rom: the UCF's old lines run to INIT_3F, beyond --bram 4k's INIT_0F; --bram 16k or "
             "32k fits them\n",
         true,
         "",
         false,
         "INST rom INIT_3F = 00;\r\n"},
        {{"-s", source, "-q"},
         0,
         "",
         warning +
             "rom: the UCF's old lines hold INITP_00, but --width 8 has no parity bits (9, 18 and "
             "36 have)\n",
         true,
         "",
         false,
         "INST rom" + init00 + "INST rom INITP_00 = 00;\r\n"},
        {{"-u", ucf, "-c", "bootrom", "-s", source, "-q"},
         0,
         "",
         warning +
             "the UCF has no INIT_xx or INITP_xx lines of bootrom; it has those of bootram, rom "
             "and cpu_ram (the closest first)\n",
         true,
         "",
         true,
         "INST rom" + init00 + "INST cpu_ram" + init00 + "INST bootram" + init00},
        {{"-s", source, "-o", output, "-e", lostEdif},
         0,
         "Wrote " + output +
             " (the UCF was only read).\nrom: removed 1 line, kept 1 other line, wrote 1 line in 1 "
             "instance (rom)" +
             raw,
         "",
         false},
        // What the UCF holds, and a listing that reads a UCF that is not there.
        {{"--list"},
         0,
         "rom: synopsys, 1 instance (rom), INIT_00; --bram 4k, 16k or 32k; no parity\n",
         "",
         false},
        {{"--list", "-u", missing},
         1,
         "",
         ErrorLine("UCF file:\n", missing, kNoSuchFile),
         false,
         "",
         true},
        {{},
         2,
         "",
         "Usage: quillon-convert --source FILE --ucf FILE --component NAME",
         false,
         "",
         true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args;
        if (!c.alone) args = {"-u", ucf, "-c", "rom"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::string shown;
        for (const std::string& arg : c.args) shown += " '" + arg + "'";
        SCOPED_TRACE(shown);
        const std::string before = c.ucfText.value_or(oldText);
        WriteAll(ucf, before);

        const ProgramOutcome outcome = Convert(args, c.input);

        EXPECT_EQ(outcome.exitCode, c.exitCode);
        EXPECT_EQ(outcome.out, c.out);
        if (c.exitCode == 2) {
            EXPECT_EQ(outcome.err.substr(0, c.err.size()), c.err);
            EXPECT_EQ(outcome.err.substr(outcome.err.size() - tryHelp.size()), tryHelp);
            if (!c.args.empty()) {
                EXPECT_EQ(outcome.err, c.err + tryHelp);
            }
        } else {
            EXPECT_EQ(outcome.err, c.err);
        }
        EXPECT_EQ(ReadAll(ucf) != before, c.ucfChanged);
    }
    EXPECT_FALSE(Exists(misspeltEdif));
    // The placement stays where it was; the INIT_xx line goes.
    EXPECT_EQ(ReadAll(output),
              "NET a;\r\nINST rom LOC = RAMB16_X0Y0;\r\n" + Rewritten("abc", "", "rom"));
}

// --extract reads what the removal takes: names in quotes too, as --quote-names writes them
// and hand edits mix them with plain ones. Without a naming convention the one instance's
// lines are replaced; data for more than one instance is a usage error.
TEST_F(QuillonConvertTest, QuotedNamesComeBackAndNoConventionNamesOneInstance) {
    const std::string bytes = AllByteValues(1040, 3);
    WriteAll(source, bytes);
    const std::string image = folder / "back.bin";
    const std::string padded = bytes + std::string(16, '\0');  // whole lines: 1056 bytes
    const std::vector<std::string> quoted = {"-q", "-s", source, "-u",
                                             ucf,  "-c", "ram",  "--quote-names"};
    EXPECT_EQ(Convert(quoted).exitCode, 0);
    const std::string written = ReadAll(ucf);
    EXPECT_NE(written.find("INST \"ram_2\" INIT_00 = "), std::string::npos);
    std::string mixed = written;
    const std::string one = "INST \"ram_1\" INIT_05";
    mixed.replace(mixed.find(one), one.size(), "INST ram_1 INIT_05");
    for (const std::string& text : {written, mixed}) {
        WriteAll(ucf, text);
        const ProgramOutcome back = Convert({"--extract", image, "-u", ucf, "-c", "ram"});
        EXPECT_EQ(back.out, "ram: read 33 lines of 3 instances (ram .. ram_2), 1056 bytes\n");
        EXPECT_EQ(back.err, "");
        EXPECT_TRUE(ReadAll(image) == padded);
    }
    EXPECT_EQ(Convert(quoted).exitCode, 0);
    EXPECT_EQ(ReadAll(ucf), written);

    WriteAll(source, bytes.substr(0, 500));
    const std::vector<std::string> none = {"-s", source, "-u", ucf, "-c", "rom", "-y", "none"};
    EXPECT_EQ(Convert(none).out,
              "UCF file updated!\nrom: removed 0 lines, wrote 16 lines in 1 instance (rom); raw "
              "binary, 500 bytes at 0x0000..0x01F3\n");
    EXPECT_EQ(Convert(none).out, ucf + ": unchanged (rom: 16 lines of 1 instance)\n");
    const std::string once = ReadAll(ucf);
    WriteAll(source, bytes);
    const ProgramOutcome tooMuch = Convert(none);
    EXPECT_EQ(tooMuch.exitCode, 2);
    EXPECT_EQ(tooMuch.err.rfind("quillon-convert: --synthesizer none names one instance, and the "
                                "data needs 3 block RAM instances of 512 bytes\nTry ",
                                0),
              0u)
        << tooMuch.err;
    EXPECT_EQ(ReadAll(ucf), once);
}

// A UCF that three conversions wrote: a 16k Synopsys chain, a quoted 4k XST chain and an 18-bit
// program memory with its parity, beside the user's own lines.
TEST_F(QuillonConvertTest, ListTellsWhatTheUcfInitialises) {
    WriteAll(ucf, "NET clk TNM_NET = clk;\r\nINST rom LOC = RAMB16_X0Y0;\r\n");
    WriteAll(source, AllByteValues(5000, 1));
    const std::string program = folder / "program.mem";
    WriteAll(program, "00F0A\n0301B\n3FFFF\n");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"-s", source, "-c", "rom", "-b", "16k"},
             {"-s", source, "-c", "cpu/ram", "-y", "xst", "--quote-names", "-m", "10"},
             {"-s", program, "-c", "prog", "-b", "16k", "-W", "18"}}) {
        std::vector<std::string> all = {"-q", "-u", ucf};
        all.insert(all.end(), args.begin(), args.end());
        ASSERT_EQ(Convert(all).exitCode, 0);
    }
    const std::string before = ReadAll(ucf);

    const ProgramOutcome listed = Convert({"--list", "-u", ucf});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.err, "");
    EXPECT_EQ(listed.out,
              "rom: synopsys, 3 instances (rom .. rom_2), INIT_00..INIT_3F each but rom_2 "
              "INIT_00..INIT_1C; --bram 16k; no parity\n"
              "cpu/ram: xst, 10 instances (cpu/ram0 .. cpu/ram9), INIT_00..INIT_0F each but "
              "cpu/ram9 INIT_00..INIT_0C; --bram 4k; no parity; names quoted\n"
              "prog: synopsys, 1 instance (prog), INIT_00, INITP_00; --bram 16k or 32k; parity "
              "(--width 9, 18 or 36)\n");
    const ProgramOutcome named =
        Convert({"--list", "-u", ucf, "-c", "cpu/ram", "-c", "boot", "-y", "xst", "--json"});
    EXPECT_EQ(named.exitCode, 0);
    const std::string instance0 =
        "{\"name\":\"cpu/ram0\",\"number\":0,\"lines\":16,\"init\":{\"first\":\"INIT_00\","
        "\"last\":\"INIT_0F\",\"count\":16},\"initp\":null}";
    EXPECT_EQ(named.out.rfind("[\n{\"component\":\"cpu/ram\",\"synthesizer\":\"xst\",\"quoting\":"
                              "\"quoted\",\"bram\":[\"4k\"],\"parity\":false,\"instances\":[" +
                                  instance0 + ",",
                              0),
              0u)
        << named.out;
    EXPECT_NE(named.out.find("},\n{\"component\":\"boot\",\"synthesizer\":\"xst\",\"quoting\":"
                             "\"plain\",\"bram\":[],\"parity\":false,\"instances\":[]}\n]\n"),
              std::string::npos)
        << named.out;
    EXPECT_EQ(ReadAll(ucf), before);
}

TEST_F(QuillonConvertTest, StandardInputToStandardOutputGivesWhatTheInPlaceRunWrites) {
    const std::string bytes = AllByteValues(3000, 7);
    const std::string input = folder / "piped.bin";
    WriteAll(input, bytes);
    WriteAll(source, bytes);
    const std::string oldText = "NET a;\r\nINST rom_1 LOC = RAMB16_X0Y1;\r\n";
    WriteAll(ucf, oldText);
    const std::vector<std::string> geometry = {"-c", "rom", "-b", "16K", "-w", "4"};

    std::vector<std::string> args = {"--source=-", "-u", ucf, "-o", "-", "-e", edif};
    args.insert(args.end(), geometry.begin(), geometry.end());
    const ProgramOutcome piped = Convert(args, input);
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_EQ(piped.err, "");
    EXPECT_EQ(ReadAll(ucf), oldText);
    EXPECT_FALSE(Exists(edif));

    WriteAll(edif, "(edif design)");
    SetLastWriteTime(edif, LongAgo());
    args = {"-s", source, "-u", ucf, "-q", "-e", edif};
    args.insert(args.end(), geometry.begin(), geometry.end());
    const ProgramOutcome inPlace = Convert(args);
    EXPECT_EQ(inPlace.exitCode, 0);
    EXPECT_EQ(inPlace.out, "");
    ExpectSameText(piped.rawOut, ReadAll(ucf));
    // The two old lines, a placement among them, and 3000 bytes: 94 lines, 64 per instance.
    EXPECT_EQ(Lines(ReadAll(ucf)).size(), 2u + 94u);
    EXPECT_GT(LastWriteTime(edif), LongAgo() + std::chrono::hours(24));
}

// A build compares times: a run that would write the same text leaves the UCF and the EDIF
// file alone, so that nothing after it runs again; --touch renews both all the same.
TEST_F(QuillonConvertTest, NoOpLeavesBothTimesAloneAndTouchRenewsThem) {
    WriteAll(source, AllByteValues(2048, 3));
    WriteAll(ucf, "NET a;\r\n");
    WriteAll(edif, "(edif design)");
    const std::vector<std::string> args = {"-s", source, "-u", ucf, "-c", "rom", "-e", edif};
    ASSERT_EQ(Convert(args).exitCode, 0);
    const std::string text = ReadAll(ucf);
    const FileTime past = LongAgo();
    SetLastWriteTime(ucf, past);
    SetLastWriteTime(edif, past);
    // As the file system keeps them, which may be coarser than the time set.
    const FileTime ucfTime = LastWriteTime(ucf), edifTime = LastWriteTime(edif);

    const ProgramOutcome again = Convert(args);
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.out, ucf + ": unchanged (rom: 64 lines of 4 instances)\n");
    EXPECT_EQ(again.err, "");
    EXPECT_EQ(LastWriteTime(ucf), ucfTime);
    EXPECT_EQ(LastWriteTime(edif), edifTime);

    std::vector<std::string> touch = args;
    touch.push_back("--touch");
    const ProgramOutcome touched = Convert(touch);
    EXPECT_EQ(touched.exitCode, 0);
    EXPECT_EQ(touched.out, again.out);
    EXPECT_GT(LastWriteTime(ucf), past + std::chrono::hours(24));
    EXPECT_GT(LastWriteTime(edif), past + std::chrono::hours(24));
    EXPECT_EQ(ReadAll(ucf), text);
    EXPECT_EQ(ReadAll(edif), "(edif design)");
}

// Two memories in one UCF, converted one after the other: converting the first again finds its
// lines where they stand, before the second's, and changes nothing (an output file gets that
// same text). With --drop-placements the lines go to the end, as the dialog writes them.
TEST_F(QuillonConvertTest, LinesThatStandBeforeAnotherMemorysAreNoChange) {
    const std::string rom = AllByteValues(600, 1);
    WriteAll(source, rom);
    const std::string ram = folder / "ram.bin";
    WriteAll(ram, AllByteValues(100, 2));
    WriteAll(ucf, "NET a;\r\n");
    const std::vector<std::string> again = {"-s", source, "-u", ucf, "-c", "rom"};
    ASSERT_EQ(Convert(again).exitCode, 0);
    ASSERT_EQ(Convert({"-q", "-s", ram, "-u", ucf, "-c", "ram"}).exitCode, 0);
    const std::string both = ReadAll(ucf);

    const std::string output = folder / "new.ucf";
    std::vector<std::string> toFile = again;
    toFile.insert(toFile.end(), {"-o", output});
    EXPECT_EQ(Convert(toFile).exitCode, 0);
    EXPECT_EQ(ReadAll(output), both);
    const ProgramOutcome unchanged = Convert(again);
    EXPECT_EQ(unchanged.exitCode, 0);
    EXPECT_EQ(unchanged.out, ucf + ": unchanged (rom: 19 lines of 2 instances)\n");
    EXPECT_EQ(ReadAll(ucf), both);

    std::vector<std::string> dropped = again;
    dropped.push_back("--drop-placements");
    EXPECT_EQ(Convert(dropped).exitCode, 0);
    EXPECT_EQ(ReadAll(ucf), Rewritten(rom, both, "rom"));
    EXPECT_NE(ReadAll(ucf), both);
}

TEST_F(QuillonConvertTest, TooManyInstancesFailBeforeTheUcfIsOpened) {
    WriteAll(source, std::string(2049, 'x'));

    const ProgramOutcome outcome =
        Convert({"-s", source, "-u", ucf, "-c", "rom", "-b", "16k", "--max-instances=1"});

    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "quillon-convert: Source binary file: " + source +
                               ": the data needs 2 block RAM instances of 2048 bytes, more "
                               "than --max-instances 1 allows\n");
    EXPECT_FALSE(Exists(ucf));
}

#ifndef _WIN32
TEST_F(QuillonConvertTest, ClosedStandardOutputFailsOnlyWhenItCarriesTheText) {
    WriteAll(source, "abc");
    std::string err;
    EXPECT_EQ(RunQuillonConvertIntoClosedPipe({"-s", source, "-u", ucf, "-c", "rom"},
                                              scratch.Path().string(), err),
              0);
    EXPECT_EQ(err, "");
    EXPECT_EQ(ReadAll(ucf), Rewritten("abc", "", "rom"));

    const std::string other = folder / "other.ucf";
    EXPECT_EQ(RunQuillonConvertIntoClosedPipe({"-s", source, "-u", other, "-c", "rom", "-o", "-"},
                                              scratch.Path().string(), err),
              1);
    EXPECT_EQ(err,
              "quillon-convert: Output file: standard output: " + SystemErrorLine(EPIPE) + "\n");
    EXPECT_FALSE(Exists(other));
}
#endif

TEST_F(QuillonConvertTest, VersionGoesToStdoutAndExits0) {
    const ProgramOutcome outcome = Convert({"--version"});

    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, std::string("quillon-convert ") + QUILLON_VERSION + "\n");
    EXPECT_EQ(outcome.err, "");
}

}  // namespace

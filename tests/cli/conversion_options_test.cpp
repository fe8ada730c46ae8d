// The conversion run with the command line's options, in-process: the block RAM sizes and
// byte swaps as the files get them, the fit check, dry runs and output elsewhere leaving the
// UCF and the EDIF file alone, sources without a size, and the removal's details.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "conversion/core/byte_order.h"
#include "conversion/core/image_limit.h"
#include "conversion/core/ucf_rewriter.h"
#include "conversion/run/source_reading.h"
#include "conversion/run/ucf_extract_run.h"
#include "tests/core/reference_rewriter.h"
#include "tests/run/run_fixture.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <thread>
#endif

namespace {

class OptionsTest : public RunTest {
protected:
    // The names in the folder, to tell that a run left nothing behind.
    std::set<std::string> FolderContents() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
            names.insert(entry.path().filename().string());
        return names;
    }

    static std::string Expected(const std::string& bytes, const std::string& oldText,
                                unsigned linesPerInstance, unsigned swapWidth = 1,
                                const std::string& component = "bram", int synthesizer = 0) {
        std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
        if (swapWidth > 1) data = reference::Swapped(data, swapWidth);
        return reference::Rewrite(data.data(), static_cast<std::uint32_t>(data.size()), oldText,
                                  component, synthesizer, linesPerInstance);
    }

    const std::string oldText =
        "NET \"clk\" TNM_NET = \"clk\";\r\nINST bram_1 LOC = RAMB16_X0Y1;\r\nINST bram INIT_00 = "
        "00;\r\nINST bram0 INIT_00 = 00;\r\n";
};

TEST_F(OptionsTest, SizesAndSwapsGoIntoTheUcfAsTheLiteralRewriterWritesThem) {
    const std::string bytes = AllByteValues(4097, 3);
    WriteAll(source, bytes);
    for (const std::uint32_t lines : {16u, 64u, 128u}) {
        for (const unsigned width : {1u, 2u, 4u, 8u}) {
            SCOPED_TRACE(testing::Message() << lines << " lines, swap " << width);
            WriteAll(ucf, oldText);
            options.linesPerInstance = lines;
            options.swapWidth = width;
            const ConversionOutcome outcome = ConvertFiles(Request(), options);
            ASSERT_TRUE(outcome.Succeeded());
            ExpectSameText(ReadAll(ucf), Expected(bytes, oldText, lines, width));
            const std::uint64_t padded = PaddedToWords(4097, width);
            EXPECT_EQ(outcome.components.at(0).linesWritten, (padded + 31) / 32);
            EXPECT_EQ(outcome.components.at(0).instancesWritten,
                      (padded + 32 * lines - 1) / (32 * lines));
            EXPECT_EQ(outcome.source.instances, outcome.components.at(0).instancesWritten);
        }
    }
}

TEST_F(OptionsTest, FitCheckFailsBeforeTheUcfIsOpened) {
    WriteAll(source, AllByteValues(2049));
    options.linesPerInstance = kLinesPerInstance16k;
    options.maxInstances = 1;
    ConversionOutcome outcome = ConvertFiles(Request(), options);
    EXPECT_EQ(outcome.failedStep, FailedStep::TooManyInstances);
    EXPECT_EQ(outcome.source.instances, 2u);
    EXPECT_FALSE(Exists(ucf));
    EXPECT_FALSE(Exists(edif));

    // A UCF that could not even be opened is never reached.
    ConversionRequest request = Request();
    request.ucfFile = folder.Path().string();
    EXPECT_EQ(ConvertFiles(request, options).failedStep, FailedStep::TooManyInstances);

    options.maxInstances = 2;
    outcome = ConvertFiles(Request(), options);
    EXPECT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.components.at(0).instancesWritten, 2u);
    // Padding for the swap counts: 2048 bytes fit one instance, 2049 swapped in 8s do not.
    WriteAll(source, AllByteValues(2048));
    options.maxInstances = 1;
    EXPECT_TRUE(ConvertFiles(Request(), options).Succeeded());
    WriteAll(source, AllByteValues(2041));
    options.swapWidth = 8;
    EXPECT_TRUE(ConvertFiles(Request(), options).Succeeded());  // padded to 2048
    WriteAll(source, AllByteValues(2049));
    EXPECT_EQ(ConvertFiles(Request(), options).failedStep, FailedStep::TooManyInstances);
}

TEST_F(OptionsTest, DryRunChangesAndCreatesNothing) {
    WriteAll(source, AllByteValues(1040));
    options.output = UcfOutput::DryRun;

    // Missing UCF and EDIF file: read as empty, not created.
    ConversionOutcome outcome = ConvertFiles(Request(), options);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.components.at(0).linesRemoved, 0u);
    EXPECT_EQ(outcome.components.at(0).linesWritten, 33u);
    EXPECT_EQ(outcome.components.at(0).lastInstance, "bram_2");
    EXPECT_EQ(FolderContents(), std::set<std::string>{"rom.bin"});

    WriteAll(ucf, oldText);
    WriteAll(edif, "(edif)");
    SetLastWriteTime(ucf, LongAgo());
    SetLastWriteTime(edif, LongAgo());
    const FileTime ucfTime = LastWriteTime(ucf);
    const FileTime edifTime = LastWriteTime(edif);
    outcome = ConvertFiles(Request(), options);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.components.at(0).linesRemoved, 2u);
    EXPECT_EQ(outcome.components.at(0).otherLinesRemoved, 1u);
    EXPECT_EQ(outcome.oldUcfSize, oldText.size());
    EXPECT_EQ(outcome.newUcfSize, Rewritten(AllByteValues(1040), oldText).size());
    EXPECT_EQ(ReadAll(ucf), oldText);
    EXPECT_EQ(ReadAll(edif), "(edif)");
    EXPECT_EQ(LastWriteTime(ucf), ucfTime);
    EXPECT_EQ(LastWriteTime(edif), edifTime);
    EXPECT_EQ(FolderContents(), (std::set<std::string>{"rom.bin", "design.ucf", "design.edf"}));
}

TEST_F(OptionsTest, DryRunFailsWhereTheInPlaceRunWould) {
    WriteAll(source, "x");
    options.output = UcfOutput::DryRun;
    ConversionRequest request = Request();
    request.ucfFile = "";
    ConversionOutcome outcome = ConvertFiles(request, options);
    EXPECT_EQ(outcome.failedStep, FailedStep::Ucf);
    EXPECT_EQ(outcome.error, kEmptyPath);

    request.ucfFile = folder / "missing/design.ucf";
    outcome = ConvertFiles(request, options);
    EXPECT_EQ(outcome.failedStep, FailedStep::Ucf);
    EXPECT_EQ(outcome.error, kNoSuchFolder);

    request.ucfFile = folder.Path().string();
    EXPECT_EQ(ConvertFiles(request, options).failedStep, FailedStep::Ucf);

    FileAccessFaults faults;
    faults.readBudget = 3;
    FaultInjection injection(faults);
    WriteAll(ucf, oldText);
    outcome = ConvertFiles(Request(), options);
    EXPECT_EQ(outcome.failedStep, FailedStep::Ucf);
    EXPECT_EQ(outcome.error, SystemErrorFor(FileProblem::ReadFault));
    EXPECT_EQ(ReadAll(ucf), oldText);
}

TEST_F(OptionsTest, OutputFileGetsWhatTheInPlaceRunWrites) {
    const std::string bytes = AllByteValues(5000, 1);
    WriteAll(source, bytes);
    WriteAll(ucf, oldText);
    SetLastWriteTime(ucf, LongAgo());
    const FileTime ucfTime = LastWriteTime(ucf);
    const std::string output = folder / "new.ucf";
    WriteAll(output, "an older, longer text that the output replaces whole: " + oldText + oldText);
    options.output = UcfOutput::File;
    options.outputFile = output;
    options.linesPerInstance = kLinesPerInstance32k;
    options.swapWidth = 2;

    const ConversionOutcome outcome = ConvertFiles(Request(), options);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.components.at(0).linesRemoved, 2u);
    EXPECT_EQ(outcome.components.at(0).instancesWritten, 2u);
    const std::string written = ReadAll(output);
    ExpectSameText(written, Expected(bytes, oldText, 128, 2));
    EXPECT_EQ(ReadAll(ucf), oldText);
    EXPECT_EQ(LastWriteTime(ucf), ucfTime);
    EXPECT_FALSE(Exists(edif));
    EXPECT_EQ(FolderContents(), (std::set<std::string>{"rom.bin", "design.ucf", "new.ucf"}));

    // The same run in place leaves the same text in the UCF.
    options.output = UcfOutput::InPlace;
    ASSERT_TRUE(ConvertFiles(Request(), options).Succeeded());
    ExpectSameText(ReadAll(ucf), written);
    EXPECT_TRUE(Exists(edif));

    // The UCF itself as the output is one of the run's inputs: refused, nothing written.
    options.output = UcfOutput::File;
    options.outputFile = ucf;
    const ConversionOutcome refused = ConvertFiles(Request(), options);
    EXPECT_EQ(refused.failedStep, FailedStep::Output);
    EXPECT_EQ(refused.reason, "is the UCF too; nothing was written (name a file of its own)");
    ExpectSameText(ReadAll(ucf), written);
}

TEST_F(OptionsTest, OutputThatFailsLeavesTheOldFileAndNothingElse) {
    WriteAll(source, AllByteValues(100000));
    WriteAll(ucf, oldText);
    const std::string output = folder / "new.ucf";
    WriteAll(output, "kept");
    FileAccessFaults faults;
    faults.writeBudget = 50000;  // the disk fills half-way through
    FaultInjection injection(faults);
    options.output = UcfOutput::File;
    options.outputFile = output;

    ConversionOutcome outcome = ConvertFiles(Request(), options);
    EXPECT_EQ(outcome.failedStep, FailedStep::Output);
    EXPECT_EQ(outcome.error, SystemErrorFor(FileProblem::DiskFull));
    EXPECT_EQ(ReadAll(output), "kept");
    EXPECT_EQ(ReadAll(ucf), oldText);
    EXPECT_EQ(FolderContents(), (std::set<std::string>{"rom.bin", "design.ucf", "new.ucf"}));

    options.outputFile = folder / "missing/new.ucf";
    outcome = ConvertFiles(Request(), options);
    EXPECT_EQ(outcome.failedStep, FailedStep::Output);
    EXPECT_EQ(outcome.error, kNoSuchFolder);

    options.outputFile = "";
    outcome = ConvertFiles(Request(), options);
    EXPECT_EQ(outcome.failedStep, FailedStep::Output);
    EXPECT_EQ(outcome.error, kEmptyPath);

    // A folder in the output's place is not replaced.
    std::filesystem::create_directory(folder / "taken");
    options.outputFile = folder / "taken";
    EXPECT_EQ(ConvertFiles(Request(), options).failedStep, FailedStep::Output);
    EXPECT_TRUE(std::filesystem::is_directory(folder / "taken"));
    EXPECT_EQ(FolderContents(),
              (std::set<std::string>{"rom.bin", "design.ucf", "new.ucf", "taken"}));
}

// A run writes nothing over a file it reads: not the UCF, its journal, the source or the EDIF
// file, whatever name the output gives them.
TEST_F(OptionsTest, OutputThatIsAnInputIsRefused) {
    WriteAll(source, AllByteValues(3000));
    WriteAll(ucf, oldText);
    WriteAll(edif, "(edif top)");
    const std::string journal =
        (std::filesystem::canonical(folder.Path()) / "design.ucf-journal").string();
    std::vector<std::pair<std::string, const char*>> cases = {
        {ucf, "is the UCF too"},
        {source, "is the source too"},
        {edif, "is the EDIF file too"},
        {journal, "is the UCF's rollback journal too"},
    };
#ifndef _WIN32
    const std::string link = folder / "other-name.ucf";
    std::filesystem::create_symlink(ucf, link);
    cases.emplace_back(link, "is the UCF too");
#endif
    for (const auto& [output, says] : cases) {
        SCOPED_TRACE(output);
        options.output = UcfOutput::File;
        options.outputFile = output;
        const ConversionOutcome converted = ConvertFiles(Request(), options);
        EXPECT_EQ(converted.failedStep, FailedStep::Output);
        EXPECT_EQ(converted.reason.rfind(says, 0), 0u) << converted.reason;

        // An extraction reads no source.
        if (std::string(says) != "is the source too") {
            options.extractFile = output;
            const ExtractionOutcome extracted = ExtractUcfImage(Request(), options);
            EXPECT_EQ(extracted.failedStep, FailedStep::Output);
            EXPECT_EQ(extracted.reason.rfind(says, 0), 0u) << extracted.reason;
        }

        EXPECT_EQ(ReadAll(ucf), oldText);
        EXPECT_EQ(ReadAll(source), AllByteValues(3000));
        EXPECT_EQ(ReadAll(edif), "(edif top)");
        EXPECT_FALSE(Exists(journal));
    }
}

#ifndef _WIN32
// An output goes where the shell's `>` would put it, but whole or not at all: through a link
// (dangling ones too) to its target, with the old file's permissions less set-user-ID, under
// any name the file system allows; a file the user cannot write is refused.
TEST_F(OptionsTest, OutputGoesWhereTheShellsRedirectWould) {
    WriteAll(source, "abc");
    options.output = UcfOutput::File;
    const std::string written = Rewritten("abc", "");
    const std::string target = folder / "target.ucf";
    const std::string link = folder / "link.ucf";
    std::filesystem::create_symlink(target, link);

    // A dangling link: its target is made, the link stays.
    options.outputFile = link;
    ASSERT_TRUE(ConvertFiles(Request(), options).Succeeded());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadAll(target), written);

    // A link to a file: the file is replaced with its permissions, set-user-ID dropped.
    WriteAll(target, "old");
    ASSERT_EQ(chmod(target.c_str(), 04750), 0);
    ASSERT_TRUE(ConvertFiles(Request(), options).Succeeded());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadAll(target), written);
    struct stat status;
    ASSERT_EQ(stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0750u);

    // A link into a folder that is missing fails as a plain name there does.
    const std::string nowhere = folder / "nowhere.ucf";
    std::filesystem::create_symlink(folder / "missing/new.ucf", nowhere);
    options.outputFile = nowhere;
    EXPECT_EQ(ConvertFiles(Request(), options).error, kNoSuchFolder);

    // The longest name a folder takes.
    options.outputFile = folder / std::string(255, 'n');
    ASSERT_TRUE(ConvertFiles(Request(), options).Succeeded());
    EXPECT_EQ(ReadAll(options.outputFile), written);

    // A file the user may not write (root may, as with `>`).
    const std::string readOnly = folder / "read-only.ucf";
    WriteAll(readOnly, "mine");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    options.outputFile = readOnly;
    const ConversionOutcome outcome = ConvertFiles(Request(), options);
    if (::geteuid() == 0) {
        EXPECT_TRUE(outcome.Succeeded());
    } else {
        EXPECT_EQ(outcome.error, static_cast<SystemErrorCode>(EACCES));
        EXPECT_EQ(ReadAll(readOnly), "mine");
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        EXPECT_NE(entry.path().filename().string().rfind(".qln", 0), 0u) << entry.path();
    }
}

TEST_F(OptionsTest, SourceWithoutASizeIsReadToItsEnd) {
    const std::string fifo = folder / "rom.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string bytes = AllByteValues(300000, 5);  // more than a pipe holds
    std::thread writer([&] { WriteAll(fifo, bytes); });
    ConversionRequest request = Request();
    request.sourceFile = fifo;
    const ConversionOutcome outcome = ConvertFiles(request, options);
    writer.join();
    ASSERT_TRUE(outcome.Succeeded());
    ExpectSameText(ReadAll(ucf), Rewritten(bytes, ""));

    // A character device that ends at once is an empty source, one without end too large.
    request.sourceFile = "/dev/null";
    EXPECT_TRUE(ConvertFiles(request, options).Succeeded());
    EXPECT_EQ(ReadAll(ucf), "");
    File zero;
    ASSERT_TRUE(zero.Open("/dev/zero", FileOpening::ReadExisting));
    SourceBytes read;
    EXPECT_EQ(ReadToEnd(
                  [&zero](void* buffer, std::size_t count, std::size_t& done) {
                      return zero.ReadSomeBytes(buffer, count, done) ? 0 : zero.Error();
                  },
                  1 << 20, read),
              SystemErrorFor(FileProblem::TooLarge));
    EXPECT_EQ(read.size, 0u);
}
#endif

TEST_F(OptionsTest, ReadToEndTakesAnyPiecesUpToItsLimit) {
    const std::string bytes = AllByteValues(200000, 9);
    const auto pieces = [&](std::size_t piece, std::uint64_t failAt = ~std::uint64_t{0}) {
        return [&bytes, piece, failAt, at = std::size_t{0}](void* buffer, std::size_t count,
                                                            std::size_t& done) mutable {
            if (at >= failAt) return SystemErrorFor(FileProblem::ReadFault);
            done = std::min({count, piece, bytes.size() - at});
            std::copy(bytes.data() + at, bytes.data() + at + done, static_cast<char*>(buffer));
            at += done;
            return SystemErrorCode{0};
        };
    };
    for (const std::size_t piece : {1u, 4095u, 65536u, 1u << 20}) {
        SourceBytes source;
        ASSERT_EQ(ReadToEnd(pieces(piece), kMaxImageSize, source), 0u);
        ASSERT_EQ(source.size, bytes.size());
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(source.data.get()), source.size),
                  bytes);
    }
    SourceBytes exact;
    EXPECT_EQ(ReadToEnd(pieces(777), bytes.size(), exact), 0u);
    EXPECT_EQ(exact.size, bytes.size());
    SourceBytes over;
    EXPECT_EQ(ReadToEnd(pieces(777), bytes.size() - 1, over),
              SystemErrorFor(FileProblem::TooLarge));
    EXPECT_EQ(over.size, 0u);
    SourceBytes failed;
    EXPECT_EQ(ReadToEnd(pieces(1000, 5000), kMaxImageSize, failed),
              SystemErrorFor(FileProblem::ReadFault));
    EXPECT_EQ(failed.size, 0u);
}

TEST_F(OptionsTest, InPlaceRunFindsTheRemovalsDetails) {
    WriteAll(source, AllByteValues(40));
    options.removalDetails = true;
    WriteAll(ucf, oldText);
    ConversionOutcome outcome = ConvertFiles(Request(), options);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.components.at(0).linesRemoved, 2u);
    EXPECT_EQ(outcome.components.at(0).otherLinesRemoved, 1u);  // the placement
    EXPECT_FALSE(outcome.components.at(0).otherConventionLines);

    // Under XST nothing of these is removed but bram0's line; after that, the Synopsys lines
    // that remain are the other convention's.
    WriteAll(ucf, "INST bram INIT_00 = 00;\r\nINST bram_1 LOC = X;\r\n");
    outcome = ConvertFiles(Request("bram", 1), options);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.components.at(0).linesRemoved, 0u);
    EXPECT_TRUE(outcome.components.at(0).otherConventionLines);
    outcome = ConvertFiles(Request("bram", 1), options);
    EXPECT_EQ(outcome.components.at(0).linesRemoved, 2u);  // its own two lines
    EXPECT_FALSE(outcome.components.at(0).otherConventionLines);

    // Without the option the dialog's run finds none of them.
    options.removalDetails = false;
    WriteAll(ucf, oldText);
    outcome = ConvertFiles(Request(), options);
    EXPECT_EQ(outcome.components.at(0).linesRemoved, 2u);
    EXPECT_EQ(outcome.components.at(0).otherLinesRemoved, 0u);
}

TEST_F(OptionsTest, ImageSourcesAreDecodedOnlyWhenAFormatSaysSo) {
    // The dialog's run takes a .hex file as the raw binary it was always taken for.
    const std::string hex = folder / "rom.hex";
    const std::string text = ":020002001234B6\n:00000001FF\n";
    WriteAll(hex, text);
    ConversionRequest request = Request();
    request.sourceFile = hex;
    WriteAll(ucf, oldText);
    ConversionOutcome outcome = ConvertFiles(request, options);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(ReadAll(ucf), Expected(text, oldText, kLinesPerInstance4k));
    EXPECT_EQ(outcome.sourceDescription, "");

    // By its name, then swapped as 2-byte words like any source.
    options.format = ImageFormat::Auto;
    options.fill = 0xEE;
    options.swapWidth = 2;
    WriteAll(ucf, oldText);
    outcome = ConvertFiles(request, options);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(ReadAll(ucf),
              Expected(std::string("\xEE\xEE\x12\x34"), oldText, kLinesPerInstance4k, 2));
    EXPECT_EQ(outcome.sourceDescription, "Intel HEX, 4 bytes at 0x0000..0x0003");

    // A malformed one, a base that hex words do not take and an image past 4 GiB - 1 fail
    // the source step with their reasons, the UCF as it was.
    const struct {
        std::string content;
        bool baseGiven;
        std::string reason;
        SystemErrorCode error;
    } failures[] = {
        {":020002001234B7\n", false, "line 1: the checksum is B7, the record needs B6", 0},
        {"12 34", true, "this file holds hex words, which take no base address", 0},
        {":02000004FFFFFC\n:01FFFF0041C0\n:00000001FF\n", false,
         "the data at address 0xFFFFFFFF ends 4 GiB or more above the base 0x00000000",
         SystemErrorFor(FileProblem::TooLarge)},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.reason);
        WriteAll(hex, failure.content);
        WriteAll(ucf, oldText);
        options.baseGiven = failure.baseGiven;
        outcome = ConvertFiles(request, options);
        EXPECT_EQ(outcome.failedStep, FailedStep::Source);
        EXPECT_EQ(outcome.reason, failure.reason);
        EXPECT_EQ(outcome.error, failure.error);
        EXPECT_EQ(FailureText(request, outcome),
                  kSourcePrefix + hex + "\n\n" + failure.reason +
                      (failure.error != 0 ? ": " + SystemErrorText(failure.error) : ""));
        EXPECT_EQ(ReadAll(ucf), oldText);
    }
}

// The command line's removal and quoted names: the UCF, an output file and a dry run get the
// same text and the same counts.
TEST_F(OptionsTest, RemovalRulesAndQuotedNamesGoTheSameWayEverywhere) {
    const std::string bytes = AllByteValues(600, 5);
    WriteAll(source, bytes);
    const std::string quotedText =
        oldText + "INST \"bram_1\" INIT_00 = 11;\r\nINST \"bram\" RLOC = X;\r\n";
    options.removal = {true, true};
    options.quoteNames = true;
    options.removalDetails = true;
    const std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    const std::string_view bram[] = {"bram"};
    const std::string expected =
        RewriteUcf(LayOutLanes(WordImage::FromBytes(data.data(), data.size()), {16, 8, 1}, bram,
                               SynthesizerKind::Synopsys, true),
                   quotedText, options.removal);
    EXPECT_NE(expected.find("INST \"bram_1\" INIT_02 = "), std::string::npos);
    const std::string output = folder / "new.ucf";
    for (const UcfOutput where : {UcfOutput::DryRun, UcfOutput::File, UcfOutput::InPlace}) {
        SCOPED_TRACE(static_cast<int>(where));
        WriteAll(ucf, quotedText);
        options.output = where;
        options.outputFile = output;
        const ConversionOutcome outcome = ConvertFiles(Request(), options);
        ASSERT_TRUE(outcome.Succeeded());
        EXPECT_EQ(outcome.components.at(0).linesRemoved,
                  2u);  // INST bram INIT_00 and INST "bram_1" INIT_00
        EXPECT_EQ(outcome.components.at(0).linesKept, 2u);  // the placements, quoted or not
        EXPECT_EQ(outcome.components.at(0).otherLinesRemoved, 0u);
        if (where != UcfOutput::DryRun) {
            EXPECT_EQ(ReadAll(where == UcfOutput::File ? output : ucf), expected);
        }
    }
}

// The command line refuses an empty source before anything else is touched; the dialog's run
// (the default) removes the component's lines and writes none.
TEST_F(OptionsTest, EmptySourceIsRefusedOnlyWhenAsked) {
    WriteAll(source, "");
    options.refuseEmptySource = true;
    for (const UcfOutput where : {UcfOutput::InPlace, UcfOutput::DryRun, UcfOutput::File}) {
        options.output = where;
        options.outputFile = folder / "new.ucf";
        const ConversionOutcome outcome = ConvertFiles(Request(), options);
        EXPECT_EQ(outcome.failedStep, FailedStep::Source);
        EXPECT_EQ(outcome.error, 0u);
        EXPECT_EQ(outcome.refusal, SourceRefusal::Empty);
        EXPECT_EQ(FailureReason(outcome), "the source is empty; nothing was changed");
        EXPECT_EQ(FolderContents(), std::set<std::string>{"rom.bin"});
    }
    WriteAll(ucf, oldText);
    options.output = UcfOutput::InPlace;
    EXPECT_EQ(ConvertFiles(Request(), options).failedStep, FailedStep::Source);
    EXPECT_EQ(ReadAll(ucf), oldText);

    options.refuseEmptySource = false;
    const ConversionOutcome outcome = ConvertFiles(Request(), options);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.components.at(0).linesRemoved, 2u);
    EXPECT_EQ(ReadAll(ucf), Rewritten("", oldText));
}

// The refresh's failure is kept in the outcome, which still succeeds: the UCF was written.
TEST_F(OptionsTest, EdifThatCannotBeRefreshedIsRecordedButFailsNothing) {
    WriteAll(source, "x");
    ConversionRequest request = Request();
    for (const auto& [edifPath, error] : std::vector<std::pair<std::string, SystemErrorCode>>{
             {folder / "missing-folder/design.edf", kNoSuchFolder},
             {folder.Path().string(), kFolderAsFile},
             {"", 0},  // no file named: nothing to refresh
             {edif, 0}}) {
        SCOPED_TRACE(edifPath);
        request.edifFile = edifPath;
        const ConversionOutcome outcome = ConvertFiles(request, options);
        ASSERT_TRUE(outcome.Succeeded());
        EXPECT_EQ(outcome.edifError, error);
        EXPECT_EQ(ReadAll(ucf), Rewritten("x", ""));
    }
    EXPECT_TRUE(Exists(edif));
}

}  // namespace

// A conversion run over real files in a temporary folder, with the messages it shows recorded.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/run/conversion_request.h"
#include "conversion/run/conversion_run.h"
#include "conversion/core/ucf_rewriter.h"
#include "platform/file_access.h"
#include "tests/support/fault_injection.h"
#include "tests/support/test_files.h"

inline constexpr char kSourcePrefix[] = "Source binary file:\n";
inline constexpr char kUcfPrefix[] = "Destination UCF file:\n";

// The system's text for `code` without the line end it may carry.
inline std::string SystemErrorLine(SystemErrorCode code) {
    std::string text = SystemErrorText(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// What quillon-convert writes on stderr for an error of a file, in one line: "quillon-convert:
// Source binary file: fw.bin: No such file or directory"; `label` is the box's first line.
inline std::string ErrorLine(const char* label, const std::string& path, SystemErrorCode code) {
    std::string start = label;
    while (!start.empty() && start.back() == '\n') start.pop_back();
    return "quillon-convert: " + start + " " + path + ": " + SystemErrorLine(code) + "\n";
}

class RunTest : public ::testing::Test {
protected:
    ConversionRequest Request(std::string component = "bram", int synthesizer = 0) const {
        return ConversionRequest{source, ucf, std::move(component), edif, synthesizer};
    }

    // Runs the conversion; a run shows exactly one message.
    RecordedMessage Run(const ConversionRequest& request) {
        RecordingOwner owner;
        RunConversion(request, owner, options);
        EXPECT_EQ(owner.messages.size(), 1u);
        return owner.messages.empty() ? RecordedMessage{} : owner.messages.back();
    }
    RecordedMessage Run() { return Run(Request()); }

    static RecordedMessage Success() { return {"UCF file updated!", "INFORMATION", 0x40}; }
    static RecordedMessage Error(const char* prefix, const std::string& path,
                                 SystemErrorCode code) {
        return {prefix + path + "\n\n" + SystemErrorText(code), "ERROR", 0x10};
    }
    static RecordedMessage Error(const char* prefix, const std::string& path, FileProblem problem) {
        return Error(prefix, path, SystemErrorFor(problem));
    }

    // What the UCF must hold after converting `bytes` into `oldText`.
    static std::string Rewritten(std::string_view bytes, std::string_view oldText,
                                 std::string_view component = "bram", int synthesizer = 0) {
        return RewriteUcf(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                          static_cast<std::uint32_t>(bytes.size()), oldText, component,
                          static_cast<SynthesizerKind>(synthesizer));
    }

    ConversionOptions options;
    TempFolder folder;
    std::string source = folder / "rom.bin";
    std::string ucf = folder / "design.ucf";
    std::string edif = folder / "design.edf";
};

// Large texts are compared without printing them: a failure would bury the output.
inline void ExpectSameText(const std::string& actual, const std::string& expected) {
    if (expected.size() <= 4096 && actual.size() <= 4096) {
        EXPECT_EQ(actual, expected);
        return;
    }
    EXPECT_EQ(actual.size(), expected.size());
    const auto mismatch =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    EXPECT_TRUE(mismatch.first == actual.end() && mismatch.second == expected.end())
        << "the texts differ from byte " << (mismatch.first - actual.begin()) << " on";
}

// Runs with faults injected into the file layer's system calls.
class FaultTest : public RunTest {
protected:
    FileAccessFaults faults;
    FaultInjection injection{faults};
};

// The system's errors for the cases the tests provoke.
#ifdef _WIN32
inline constexpr SystemErrorCode kNoSuchFile = 2;    // ERROR_FILE_NOT_FOUND
inline constexpr SystemErrorCode kNoSuchFolder = 3;  // ERROR_PATH_NOT_FOUND
inline constexpr SystemErrorCode kEmptyPath = 3;     // ERROR_PATH_NOT_FOUND
inline constexpr SystemErrorCode kFolderAsFile = 5;  // ERROR_ACCESS_DENIED
#else
inline constexpr SystemErrorCode kNoSuchFile = ENOENT;
inline constexpr SystemErrorCode kNoSuchFolder = ENOENT;
inline constexpr SystemErrorCode kEmptyPath = ENOENT;
inline constexpr SystemErrorCode kFolderAsFile = EISDIR;
#endif

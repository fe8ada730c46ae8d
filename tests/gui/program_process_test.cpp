// Quillon.exe started as a user starts it: the dialog is its window, its profile lives in
// %APPDATA%\Quillon.ini, Exit saves there and Escape leaves it alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "built_program.h"
#include "control_actions.h"
#include "profile_value.h"
#include "tests/support/test_files.h"
#include "wait_until.h"
#include "window_queries.h"
#include "resources/resource.h"

using namespace guitest;

namespace {

// The program as a separate process, with APPDATA pointing at a folder of the test's own.
class ProgramProcess {
public:
    explicit ProgramProcess(const std::string& appData) {
        std::string block;
        char* environment = GetEnvironmentStringsA();
        for (const char* entry = environment; *entry != '\0'; entry += strlen(entry) + 1) {
            if (_strnicmp(entry, "APPDATA=", 8) != 0) block.append(entry).push_back('\0');
        }
        FreeEnvironmentStringsA(environment);
        block.append("APPDATA=" + appData).push_back('\0');
        block.push_back('\0');

        std::string commandLine(1, '"');
        commandLine += BuiltProgramPath();
        commandLine += '"';
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        started_ = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                  block.data(), nullptr, &startup, &process_) != FALSE;
        if (started_) CloseHandle(process_.hThread);
    }

    ~ProgramProcess() {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(process_.hProcess, 1);
        }
        CloseHandle(process_.hProcess);
    }

    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Started() const { return started_; }
    HWND WaitForDialog() const {
        return WaitForProcessDialog(process_.dwProcessId, "Quillon UCF Converter");
    }
    bool WaitForExit() const {
        return WaitForSingleObject(process_.hProcess, kLongWaitMs) == WAIT_OBJECT_0;
    }

private:
    bool started_ = false;
    PROCESS_INFORMATION process_ = {};
};

}  // namespace

TEST(QuillonProgram, RunsAsTheDialogAndKeepsItsSettingsInAppData) {
    TempFolder appData;
    std::string folder = (appData / "");
    folder.pop_back();  // APPDATA has no trailing backslash
    const std::string ini = (appData / "Quillon.ini");

    {
        ProgramProcess program(folder);
        ASSERT_TRUE(program.Started()) << "cannot start " << BuiltProgramPath();
        HWND dialog = program.WaitForDialog();
        ASSERT_NE(dialog, nullptr) << "the dialog did not show up in time";
        EXPECT_EQ(ControlText(dialog, IDC_SOURCE_FILE), "");
        EXPECT_EQ(ControlText(dialog, IDC_UCF_FILE), "");
        EXPECT_EQ(ControlText(dialog, IDC_COMPONENT), "");
        EXPECT_EQ(ControlText(dialog, IDC_EDIF_FILE), "");
        EXPECT_EQ(ControlText(dialog, IDC_SYNTHESIZER), "Synopsys");

        SetControlText(dialog, IDC_SOURCE_FILE, "C:\\fw.bin");
        SetControlText(dialog, IDC_UCF_FILE, "C:\\top.ucf");
        SetControlText(dialog, IDC_COMPONENT, "ram");
        SetControlText(dialog, IDC_EDIF_FILE, "C:\\top.edf");
        SelectComboItem(dialog, IDC_SYNTHESIZER, 1);
        PressButton(dialog, IDOK);
        ASSERT_TRUE(program.WaitForExit()) << "Exit did not end the program";
    }
    EXPECT_EQ(ProfileValue(ini, "Source Binary File"), "C:\\fw.bin");
    EXPECT_EQ(ProfileValue(ini, "Destination UCF File"), "C:\\top.ucf");
    EXPECT_EQ(ProfileValue(ini, "Component name"), "ram");
    EXPECT_EQ(ProfileValue(ini, "Synthesizer"), "1");
    EXPECT_EQ(ProfileValue(ini, "EDIF File"), "C:\\top.edf");
    const auto saved = ReadIfExists(ini);

    // The next start shows what was saved; Escape ends it without writing.
    ProgramProcess program(folder);
    ASSERT_TRUE(program.Started());
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "the dialog did not show up the second time";
    EXPECT_EQ(ControlText(dialog, IDC_SOURCE_FILE), "C:\\fw.bin");
    EXPECT_EQ(ControlText(dialog, IDC_COMPONENT), "ram");
    EXPECT_EQ(ControlText(dialog, IDC_SYNTHESIZER), "XST");
    SetControlText(dialog, IDC_COMPONENT, "rom");
    PressKey(GetDlgItem(dialog, IDC_COMPONENT), VK_ESCAPE);
    ASSERT_TRUE(program.WaitForExit()) << "Escape did not end the program";
    EXPECT_EQ(ReadIfExists(ini), saved);
}

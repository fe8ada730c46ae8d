// The main dialog driven as a user drives it: its settings in the profile, Exit, Escape and
// Enter, and Convert with the message box it leads to.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main_dialog_session.h"
#include "message_box_reader.h"
#include "ucf_expectations.h"

using namespace guitest;

namespace {

std::string SystemErrorText(DWORD code) {
    char* text = nullptr;
    FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0,
        nullptr);
    std::string result = text != nullptr ? text : "";
    LocalFree(text);
    return result;
}

std::string FieldsOf(HWND dialog) {
    return ControlText(dialog, IDC_SOURCE_FILE) + "|" + ControlText(dialog, IDC_UCF_FILE) + "|" +
           ControlText(dialog, IDC_COMPONENT) + "|" + ControlText(dialog, IDC_EDIF_FILE) + "|" +
           std::to_string(ComboSelection(dialog, IDC_SYNTHESIZER));
}

void FillFields(HWND dialog, const std::string& source, const std::string& ucf,
                const std::string& component, const std::string& edif) {
    SetControlText(dialog, IDC_SOURCE_FILE, source);
    SetControlText(dialog, IDC_UCF_FILE, ucf);
    SetControlText(dialog, IDC_COMPONENT, component);
    SetControlText(dialog, IDC_EDIF_FILE, edif);
}

void WriteProfile(const std::string& ini, const std::string& source, const std::string& ucf,
                  const std::string& component, const std::string& synthesizer,
                  const std::string& edif) {
    WriteAll(ini, "[Settings]\r\nSource Binary File=" + source + "\r\nDestination UCF File=" + ucf +
                      "\r\nComponent name=" + component + "\r\nSynthesizer=" + synthesizer +
                      "\r\nEDIF File=" + edif + "\r\n");
}

}  // namespace

class MainDialogBehaviour : public MainDialogTest {
protected:
    // Presses Convert and waits for the message box with this caption; nullptr if none.
    HWND ConvertAndWaitFor(HWND dialog, const std::string& caption) {
        PressButton(dialog, IDC_CONVERT);
        return WaitForWindow(caption);
    }

    // Answers a message box with OK and waits until it has gone.
    void Acknowledge(HWND box) {
        AnswerMessageBox(box, IDOK);
        EXPECT_TRUE(WaitForWindowGone(box)) << "the message box did not close";
    }
};

TEST_F(MainDialogBehaviour, FirstStartWithoutProfileShowsEmptyFieldsAndSynopsys) {
    ASSERT_FALSE(Exists(Profile()));
    OPEN_MAIN_DIALOG(dialog);

    EXPECT_EQ(ControlText(dialog, IDC_SOURCE_FILE), "");
    EXPECT_EQ(ControlText(dialog, IDC_UCF_FILE), "");
    EXPECT_EQ(ControlText(dialog, IDC_COMPONENT), "");
    EXPECT_EQ(ControlText(dialog, IDC_EDIF_FILE), "");
    EXPECT_EQ(ComboSelection(dialog, IDC_SYNTHESIZER), 0);
    EXPECT_EQ(ControlText(dialog, IDC_SYNTHESIZER), "Synopsys");
    // OnInitDialog leaves the focus to the system: the first tab stop.
    EXPECT_EQ(FocusOfThread(Run().ThreadId()), GetDlgItem(dialog, IDC_SOURCE_FILE));

    PressKey(GetDlgItem(dialog, IDC_SOURCE_FILE), VK_ESCAPE);
    EXPECT_EQ(WaitForClose(), IDCANCEL);
    EXPECT_FALSE(Exists(Profile())) << "Escape must not save the settings";
}

TEST_F(MainDialogBehaviour, StoredSettingsAreLoadedIntoTheFields) {
    WriteProfile(Profile(), "C:\\my designs\\fw.bin", "C:\\my designs\\top.ucf", "cpu ram", "1",
                 "C:\\my designs\\top.edf");
    OPEN_MAIN_DIALOG(dialog);

    EXPECT_EQ(ControlText(dialog, IDC_SOURCE_FILE), "C:\\my designs\\fw.bin");
    EXPECT_EQ(ControlText(dialog, IDC_UCF_FILE), "C:\\my designs\\top.ucf");
    EXPECT_EQ(ControlText(dialog, IDC_COMPONENT), "cpu ram");
    EXPECT_EQ(ControlText(dialog, IDC_EDIF_FILE), "C:\\my designs\\top.edf");
    EXPECT_EQ(ComboSelection(dialog, IDC_SYNTHESIZER), 1);
    EXPECT_EQ(ControlText(dialog, IDC_SYNTHESIZER), "XST");
}

// A stored index outside the list (saved while nothing was selected, or edited by hand).
class OutOfRangeSynthesizer : public MainDialogBehaviour,
                              public ::testing::WithParamInterface<const char*> {};

TEST_P(OutOfRangeSynthesizer, SelectsNothingAndConvertsOneInstanceWithoutNamingConvention) {
    const std::string source = (Folder() / "fw.bin");
    const std::string ucf = (Folder() / "top.ucf");
    const std::string bytes = CountingBytes(1040);
    WriteAll(source, bytes);
    // Nothing is removed without a convention: the old lines of every kind stay.
    const std::string oldText =
        "NET clk PERIOD = 10 ns;\r\n"
        "INST ram INIT_00 = " +
        std::string(64, 'F') +
        ";\r\n"
        "INST ram_1 LOC = RAMB4_R0C1;\r\n";
    WriteAll(ucf, oldText);
    WriteProfile(Profile(), source, ucf, "ram", GetParam(), "");
    OPEN_MAIN_DIALOG(dialog);
    EXPECT_EQ(ComboSelection(dialog, IDC_SYNTHESIZER), CB_ERR);
    EXPECT_EQ(ControlText(dialog, IDC_SYNTHESIZER), "");

    // Every instance would have the one name: the data must fit in one.
    HWND box = ConvertAndWaitFor(dialog, "ERROR");
    ASSERT_NE(box, nullptr) << "no error message";
    EXPECT_EQ(ReadMessageBox(box).text,
              "Source binary file:\n" + source +
                  "\n\nthe data needs 3 block RAM instances of 512 bytes, and with no synthesizer "
                  "selected every instance would have the same name: select Synopsys or XST");
    Acknowledge(box);
    EXPECT_EQ(ReadIfExists(ucf), oldText);

    WriteAll(source, bytes.substr(0, 512));
    box = ConvertAndWaitFor(dialog, "INFORMATION");
    ASSERT_NE(box, nullptr) << "no success message";
    Acknowledge(box);
    std::string expected = oldText;
    for (size_t chunk = 0; chunk < 16; ++chunk)
        expected += InitLine("ram", static_cast<int>(chunk), bytes.substr(chunk * 32, 32));
    EXPECT_EQ(ReadIfExists(ucf), expected);

    // Exit stores what the list shows now: nothing selected.
    PressButton(dialog, IDOK);
    EXPECT_EQ(WaitForClose(), IDOK);
    EXPECT_EQ(ProfileValue(Profile(), "Synthesizer"), "-1");
}

INSTANTIATE_TEST_SUITE_P(StoredIndex, OutOfRangeSynthesizer, ::testing::Values("-1", "7"));

// Leaving without saving, by the keyboard's Escape or by the window's close box.
enum class Dismissal { EscapeKey, CloseBox };

class LeavingWithoutSaving : public MainDialogBehaviour,
                             public ::testing::WithParamInterface<Dismissal> {};

TEST_P(LeavingWithoutSaving, AfterEditingLeavesTheProfileByteForByte) {
    WriteProfile(Profile(), "C:\\a.bin", "C:\\a.ucf", "ram", "0", "C:\\a.edf");
    const auto before = ReadIfExists(Profile());
    OPEN_MAIN_DIALOG(dialog);

    FillFields(dialog, "C:\\b.bin", "C:\\b.ucf", "rom", "C:\\b.edf");
    SelectComboItem(dialog, IDC_SYNTHESIZER, 1);
    if (GetParam() == Dismissal::EscapeKey) {
        PressKey(GetDlgItem(dialog, IDC_COMPONENT), VK_ESCAPE);
    } else {
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    EXPECT_EQ(WaitForClose(), IDCANCEL);
    EXPECT_EQ(ReadIfExists(Profile()), before);
}

INSTANTIATE_TEST_SUITE_P(Ways, LeavingWithoutSaving,
                         ::testing::Values(Dismissal::EscapeKey, Dismissal::CloseBox));

// Leaving with saving: the Exit button, or Enter while an edit field or the list has the focus.
class SavingOnExit : public MainDialogBehaviour, public ::testing::WithParamInterface<int> {};

TEST_P(SavingOnExit, WritesTheFiveKeysInOrderAsTyped) {
    OPEN_MAIN_DIALOG(dialog);
    // Blanks inside the values. Blanks at either end are the profile format's own business:
    // the system's profile functions strip them (Wine already when writing, Windows when
    // reading), so no program that stores them there can keep them.
    FillFields(dialog, "C:\\my designs\\fw.bin", "C:\\my designs\\top.ucf", "cpu \t ram",
               "C:\\my designs\\top.edf");
    SelectComboItem(dialog, IDC_SYNTHESIZER, 1);

    const int via = GetParam();
    if (via == IDOK) {
        PressButton(dialog, IDOK);
    } else {
        FocusControl(dialog, via);
        PressKey(GetDlgItem(dialog, via), VK_RETURN);
    }
    EXPECT_EQ(WaitForClose(), IDOK);

    const auto ini = ReadIfExists(Profile());
    ASSERT_TRUE(ini.has_value()) << "Exit did not write the profile";
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Source Binary File", "C:\\my designs\\fw.bin"},
        {"Destination UCF File", "C:\\my designs\\top.ucf"},
        {"Component name", "cpu \t ram"},
        {"Synthesizer", "1"},
        {"EDIF File", "C:\\my designs\\top.edf"}};
    // In this order, in the section "Settings".
    size_t from = ini->find("[Settings]");
    ASSERT_NE(from, std::string::npos) << *ini;
    for (const auto& [key, value] : expected) {
        const size_t at = ini->find(key + "=" + value + "\r\n", from);
        EXPECT_NE(at, std::string::npos) << "missing or out of order: " << key << "\n" << *ini;
        if (at != std::string::npos) from = at;
        // And the system reads each key back as it was typed.
        EXPECT_EQ(ProfileValue(Profile(), key), value) << key;
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, SavingOnExit,
                         ::testing::Values(IDOK, IDC_COMPONENT, IDC_SYNTHESIZER),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == IDOK            ? std::string("ExitButton")
                                    : info.param == IDC_COMPONENT ? std::string("EnterInField")
                                                                  : std::string("EnterInList");
                         });

TEST_F(MainDialogBehaviour, EnterOnAFocusedPushButtonPressesThatButton) {
    OPEN_MAIN_DIALOG(dialog);
    FillFields(dialog, (Folder() / "missing.bin"), (Folder() / "top.ucf"), "ram", "");
    FocusControl(dialog, IDC_CONVERT);
    PressKey(GetDlgItem(dialog, IDC_CONVERT), VK_RETURN);
    HWND box = WaitForWindow("ERROR");
    ASSERT_NE(box, nullptr) << "Enter on Convert did not convert";
    Acknowledge(box);
    EXPECT_FALSE(Run().Ended()) << "Enter on Convert must not close the dialog";
    EXPECT_FALSE(Exists(Profile()));
}

TEST_F(MainDialogBehaviour, ConvertWritesTheUcfReportsSuccessAndKeepsTheDialogOpen) {
    const std::string source = (Folder() / "fw.bin");
    const std::string ucf = (Folder() / "top.ucf");
    const std::string edif = (Folder() / "top.edf");
    const std::string bytes = CountingBytes(40);
    WriteAll(source, bytes);
    WriteAll(ucf,
             "NET clk PERIOD = 10 ns;\r\n"
             "INST ram INIT_00 = " +
                 std::string(64, '0') +
                 ";\r\n"
                 "INST ram_3 LOC = RAMB4_R0C1;\r\n"
                 "# INST ram INIT_00 = kept, a comment\r\n"
                 "INST rom INIT_00 = " +
                 std::string(64, '1') + ";\r\n");
    WriteAll(edif, "(edif top)\r\n");
    // An old time stamp, so that the refresh shows.
    HANDLE file = CreateFileA(edif.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    FILETIME old = {0, 0x01A00000};  // 1981
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &old));
    CloseHandle(file);

    OPEN_MAIN_DIALOG(dialog);
    FillFields(dialog, source, ucf, "ram", edif);
    SelectComboItem(dialog, IDC_SYNTHESIZER, 0);
    const std::string fieldsBefore = FieldsOf(dialog);

    HWND box = ConvertAndWaitFor(dialog, "INFORMATION");
    ASSERT_NE(box, nullptr) << "no success message";
    const MessageBoxContent content = ReadMessageBox(box);
    EXPECT_EQ(content.text, "UCF file updated!");
    EXPECT_EQ(content.icon, LoadIconA(nullptr, IDI_INFORMATION)) << "not the information icon";
    EXPECT_EQ(content.buttonIds, std::vector<int>{IDOK});
    EXPECT_EQ(GetWindow(box, GW_OWNER), dialog) << "the box must be modal to the dialog";
    EXPECT_FALSE(IsWindowEnabled(dialog)) << "the box must be modal to the dialog";
    Acknowledge(box);

    const std::string expected =
        "NET clk PERIOD = 10 ns;\r\n"
        "# INST ram INIT_00 = kept, a comment\r\n"
        "INST rom INIT_00 = " +
        std::string(64, '1') + ";\r\n" + InitLine("ram", 0, bytes.substr(0, 32)) +
        InitLine("ram", 1, bytes.substr(32));
    EXPECT_EQ(ReadIfExists(ucf), expected);
    EXPECT_EQ(ReadIfExists(edif), "(edif top)\r\n");
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    ASSERT_TRUE(GetFileAttributesExA(edif.c_str(), GetFileExInfoStandard, &attributes));
    EXPECT_GT(CompareFileTime(&attributes.ftLastWriteTime, &old), 0) << "EDIF not refreshed";

    // The dialog stays open with its fields, saves nothing, and converts again on demand.
    EXPECT_FALSE(Run().Ended());
    EXPECT_TRUE(IsWindowEnabled(dialog));
    EXPECT_EQ(FieldsOf(dialog), fieldsBefore);
    EXPECT_FALSE(Exists(Profile())) << "Convert must not save the settings";
    box = ConvertAndWaitFor(dialog, "INFORMATION");
    ASSERT_NE(box, nullptr) << "no success message for the second run";
    Acknowledge(box);
    EXPECT_EQ(ReadIfExists(ucf), expected) << "converting again must replace, not add";
}

TEST_F(MainDialogBehaviour, ConvertFailureShowsTheErrorBoxAndTouchesNothing) {
    const std::string source = (Folder() / "missing.bin");
    const std::string ucf = (Folder() / "top.ucf");
    const std::string edif = (Folder() / "top.edf");
    OPEN_MAIN_DIALOG(dialog);
    FillFields(dialog, source, ucf, "ram", edif);
    const std::string fieldsBefore = FieldsOf(dialog);

    HWND box = ConvertAndWaitFor(dialog, "ERROR");
    ASSERT_NE(box, nullptr) << "no error message";
    MessageBoxContent content = ReadMessageBox(box);
    EXPECT_EQ(content.text,
              "Source binary file:\n" + source + "\n\n" + SystemErrorText(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(content.icon, LoadIconA(nullptr, IDI_HAND)) << "not the stop icon";
    EXPECT_EQ(content.buttonIds, std::vector<int>{IDOK});
    Acknowledge(box);
    EXPECT_FALSE(Exists(ucf));
    EXPECT_FALSE(Exists(edif));
    EXPECT_FALSE(Run().Ended());
    EXPECT_EQ(FieldsOf(dialog), fieldsBefore);

    // An empty UCF field names the destination with an empty path.
    WriteAll(source, CountingBytes(3));
    SetControlText(dialog, IDC_UCF_FILE, "");
    box = ConvertAndWaitFor(dialog, "ERROR");
    ASSERT_NE(box, nullptr) << "no error message for an empty UCF path";
    content = ReadMessageBox(box);
    EXPECT_EQ(content.text.rfind("Destination UCF file:\n\n\n", 0), 0u) << content.text;
    EXPECT_GT(content.text.size(), std::string("Destination UCF file:\n\n\n").size())
        << "the system's error text is missing";
    Acknowledge(box);
    EXPECT_FALSE(Exists(edif));
    EXPECT_FALSE(Run().Ended());
}

TEST_F(MainDialogBehaviour, ConversionUsesTheFieldsAsTypedBlanksIncluded) {
    const std::string source = (Folder() / "fw.bin");
    const std::string ucf = (Folder() / "top.ucf");
    WriteAll(source, CountingBytes(5));
    OPEN_MAIN_DIALOG(dialog);
    FillFields(dialog, source, ucf, " cpu ram ", "");
    SelectComboItem(dialog, IDC_SYNTHESIZER, 1);

    HWND box = ConvertAndWaitFor(dialog, "INFORMATION");
    ASSERT_NE(box, nullptr) << "no success message";
    Acknowledge(box);
    // Nothing trimmed: the component's blanks stand in the line, the XST suffix follows them.
    EXPECT_EQ(ReadIfExists(ucf), InitLine(" cpu ram 0", 0, CountingBytes(5)));
    EXPECT_EQ(ControlText(dialog, IDC_COMPONENT), " cpu ram ");
}

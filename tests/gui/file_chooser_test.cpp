// The three Browse buttons: the record each hands to the Open dialog (captured through the
// program's seam), what they do with the answer, and one round through the system's dialog.
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>

#include "main_dialog_session.h"
#include "ui/FileChooser.h"

using namespace guitest;

namespace {

// What the handler handed to the Open dialog, copied while the call lasts.
struct CapturedRecord {
    DWORD structSize = 0;
    HWND owner = nullptr;
    std::string filter;  // up to and including the list's closing NUL
    bool customFilterGiven = false;
    DWORD filterIndex = 0;
    std::string file;  // the pre-filled name
    bool fileTerminated = false;
    DWORD maxFile = 0;
    bool fileTitleGiven = false;
    std::optional<std::string> initialDir;
    std::string title;
    DWORD flags = 0;
    WORD fileOffset = 0xFFFF;
    WORD fileExtension = 0xFFFF;
    std::optional<std::string> defaultExtension;
    LPARAM customData = -1;
};

// The fake dialog's answer: a path to confirm, or nothing for Cancel.
std::optional<std::string> g_answer;
// Whether to leave text in the name buffer when cancelling, as a failing dialog might.
bool g_scribbleOnCancel = false;
CapturedRecord g_captured;
std::atomic<int> g_calls{0};

std::string FilterList(const char* filter) {
    std::string list;
    if (filter == nullptr) return list;
    // Pairs of strings, closed by an empty one; never read more than a sane length.
    for (size_t i = 0; i < 1024; ++i) {
        list.push_back(filter[i]);
        if (filter[i] == '\0' && i > 0 && filter[i - 1] == '\0') break;
    }
    return list;
}

BOOL WINAPI FakeGetOpenFileName(LPOPENFILENAMEA record) {
    CapturedRecord c;
    c.structSize = record->lStructSize;
    c.owner = record->hwndOwner;
    c.filter = FilterList(record->lpstrFilter);
    c.customFilterGiven = record->lpstrCustomFilter != nullptr;
    c.filterIndex = record->nFilterIndex;
    c.maxFile = record->nMaxFile;
    if (record->lpstrFile != nullptr) {
        const size_t length = strnlen(record->lpstrFile, record->nMaxFile);
        c.fileTerminated = length < record->nMaxFile;
        c.file.assign(record->lpstrFile, length);
    }
    c.fileTitleGiven = record->lpstrFileTitle != nullptr;
    if (record->lpstrInitialDir != nullptr) c.initialDir = record->lpstrInitialDir;
    if (record->lpstrTitle != nullptr) c.title = record->lpstrTitle;
    c.flags = record->Flags;
    c.fileOffset = record->nFileOffset;
    c.fileExtension = record->nFileExtension;
    if (record->lpstrDefExt != nullptr) c.defaultExtension = record->lpstrDefExt;
    c.customData = record->lCustData;
    g_captured = c;

    BOOL result = FALSE;
    if (g_answer && record->lpstrFile != nullptr && g_answer->size() < record->nMaxFile) {
        strcpy(record->lpstrFile, g_answer->c_str());
        result = TRUE;
    } else if (g_scribbleOnCancel && record->lpstrFile != nullptr && record->nMaxFile > 8) {
        strcpy(record->lpstrFile, "C:\\junk");
    }
    ++g_calls;
    return result;
}

// Puts the fake in place of the system's Open dialog for one test.
class FakeOpenDialog {
public:
    FakeOpenDialog() : saved_(g_pfnGetOpenFileName) {
        g_pfnGetOpenFileName = &FakeGetOpenFileName;
        g_answer.reset();
        g_scribbleOnCancel = false;
        g_captured = {};
    }
    ~FakeOpenDialog() { g_pfnGetOpenFileName = saved_; }
    FakeOpenDialog(const FakeOpenDialog&) = delete;
    FakeOpenDialog& operator=(const FakeOpenDialog&) = delete;

private:
    GetOpenFileNameProc saved_;
};

struct BrowseButton {
    int button;
    int field;
    const char* name;
    std::string filter;
    const char* title;
    const char* extension;
};

const BrowseButton kButtons[] = {
    {IDC_BROWSE_SOURCE, IDC_SOURCE_FILE, "Source", std::string("Binary File\0*.bin\0\0", 19),
     "Specify source binary file", "bin"},
    {IDC_BROWSE_UCF, IDC_UCF_FILE, "Ucf", std::string("UCF File\0*.ucf\0\0", 16),
     "Specify destination UCF file", "ucf"},
    {IDC_BROWSE_EDIF, IDC_EDIF_FILE, "Edif", std::string("EDIF File\0*.edn;*.edf\0\0", 23),
     "Specify EDIF file", "edn"},
};

// Names the button in test output.
void PrintTo(const BrowseButton& button, std::ostream* os) {
    *os << button.name;
}

const int kFields[] = {IDC_SOURCE_FILE, IDC_UCF_FILE, IDC_COMPONENT, IDC_EDIF_FILE};

}  // namespace

class FileChooser : public MainDialogTest {
protected:
    // Presses a Browse button and waits until the handler has called the Open dialog and
    // returned (a message sent afterwards is only answered once the handler is done).
    ::testing::AssertionResult Browse(HWND dialog, int button) {
        const int before = g_calls;
        PressButton(dialog, button);
        if (!WaitUntil([&] { return g_calls > before; })) {
            return ::testing::AssertionFailure() << "the Open dialog was not called";
        }
        SendMessageA(dialog, WM_NULL, 0, 0);
        return ::testing::AssertionSuccess();
    }
};

class EachBrowseButton : public FileChooser, public ::testing::WithParamInterface<BrowseButton> {};

TEST_P(EachBrowseButton, HandsItsRecordAndFillsOnlyItsOwnField) {
    const BrowseButton& b = GetParam();
    FakeOpenDialog fake;
    OPEN_MAIN_DIALOG(dialog);
    // Texts typed on screen and not yet saved into the members: the handler must use them.
    SetControlText(dialog, IDC_SOURCE_FILE, "C:\\designs\\blink\\fw.bin");
    SetControlText(dialog, IDC_UCF_FILE, "C:\\designs\\blink\\top.ucf");
    SetControlText(dialog, IDC_COMPONENT, "blink ram");
    SetControlText(dialog, IDC_EDIF_FILE, "C:\\designs\\blink\\top.edf");
    SelectComboItem(dialog, IDC_SYNTHESIZER, 1);
    const std::string own = ControlText(dialog, b.field);
    g_answer = std::string("C:\\chosen folder\\picked.") + b.extension;

    ASSERT_TRUE(Browse(dialog, b.button));
    const CapturedRecord& r = g_captured;
    EXPECT_EQ(r.structSize, 76u);
    EXPECT_EQ(r.owner, dialog);
    EXPECT_EQ(r.filter, b.filter);
    EXPECT_FALSE(r.customFilterGiven);
    EXPECT_EQ(r.filterIndex, 1u);
    EXPECT_EQ(r.file, own.substr(own.rfind('\\') + 1));
    EXPECT_EQ(r.maxFile, 260u);
    EXPECT_FALSE(r.fileTitleGiven);
    EXPECT_EQ(r.initialDir, own);
    EXPECT_EQ(r.title, b.title);
    EXPECT_EQ(r.flags, static_cast<DWORD>(OFN_HIDEREADONLY));
    EXPECT_EQ(r.fileOffset, 0);
    EXPECT_EQ(r.fileExtension, 0);
    EXPECT_EQ(r.defaultExtension, b.extension);
    EXPECT_EQ(r.customData, 0);

    for (int field : kFields) {
        const std::string expected = field == b.field           ? *g_answer
                                     : field == IDC_SOURCE_FILE ? "C:\\designs\\blink\\fw.bin"
                                     : field == IDC_UCF_FILE    ? "C:\\designs\\blink\\top.ucf"
                                     : field == IDC_COMPONENT   ? "blink ram"
                                                                : "C:\\designs\\blink\\top.edf";
        EXPECT_EQ(ControlText(dialog, field), expected) << "field " << field;
    }
    EXPECT_EQ(ComboSelection(dialog, IDC_SYNTHESIZER), 1);
    EXPECT_FALSE(Run().Ended());
    EXPECT_FALSE(Exists(Profile())) << "browsing must not save the settings";
}

INSTANTIATE_TEST_SUITE_P(Buttons, EachBrowseButton, ::testing::ValuesIn(kButtons),
                         [](const ::testing::TestParamInfo<BrowseButton>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(FileChooser, PrefilledNameIsThePartAfterTheLastBackslashWhenItFits) {
    FakeOpenDialog fake;
    OPEN_MAIN_DIALOG(dialog);
    const std::string fits(259, 'n');     // 259 characters and the terminator fill the buffer
    const std::string tooLong(260, 'n');  // one more does not fit
    const struct {
        const char* what;
        std::string field;
        std::string name;
    } cases[] = {
        {"empty field", "", ""},
        {"full path", "C:\\designs\\blink\\top.ucf", "top.ucf"},
        {"folder only", "C:\\designs\\blink\\", ""},
        {"bare name", "top.ucf", "top.ucf"},
        {"relative path", "blink\\top", "top"},
        {"longest name that fits", "C:\\x\\" + fits, fits},
        {"name one too long", "C:\\x\\" + tooLong, ""},
        {"long text without backslash", std::string(300, 'q'), ""},
        {"long folder, short name", "C:\\" + std::string(300, 'd') + "\\top.ucf", "top.ucf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetControlText(dialog, IDC_UCF_FILE, c.field);
        ASSERT_TRUE(Browse(dialog, IDC_BROWSE_UCF));
        EXPECT_TRUE(g_captured.fileTerminated) << "name buffer not terminated";
        EXPECT_EQ(g_captured.file, c.name);
        EXPECT_EQ(g_captured.maxFile, 260u);
        EXPECT_EQ(g_captured.initialDir.value_or(""), c.field);
        EXPECT_EQ(ControlText(dialog, IDC_UCF_FILE), c.field) << "cancel changed the field";
    }
    EXPECT_FALSE(Run().Ended());
}

TEST_F(FileChooser, CancelOrFailureLeavesTheFieldAsItWas) {
    FakeOpenDialog fake;
    OPEN_MAIN_DIALOG(dialog);
    SetControlText(dialog, IDC_SOURCE_FILE, "C:\\designs\\fw.bin");
    SetControlText(dialog, IDC_EDIF_FILE, "typed, not saved");

    ASSERT_TRUE(Browse(dialog, IDC_BROWSE_SOURCE));  // plain Cancel
    EXPECT_EQ(ControlText(dialog, IDC_SOURCE_FILE), "C:\\designs\\fw.bin");

    g_scribbleOnCancel = true;  // a dialog that fails after touching the buffer
    ASSERT_TRUE(Browse(dialog, IDC_BROWSE_SOURCE));
    EXPECT_EQ(ControlText(dialog, IDC_SOURCE_FILE), "C:\\designs\\fw.bin");
    EXPECT_EQ(ControlText(dialog, IDC_EDIF_FILE), "typed, not saved");
    EXPECT_FALSE(Run().Ended());
}

// One round through the system's own Open dialog, driven by messages.
TEST_F(FileChooser, SystemOpenDialogReturnsTheFullPathOfAnExistingUcfTypedWithoutExtension) {
    const std::string ucf = (Folder() / "design.ucf");
    const std::string content = "NET clk PERIOD = 10 ns;\r\n";
    WriteAll(ucf, content);
    OPEN_MAIN_DIALOG(dialog);
    SetControlText(dialog, IDC_UCF_FILE, (Folder() / ""));

    PressButton(dialog, IDC_BROWSE_UCF);
    HWND open = WaitForWindow("Specify destination UCF file");
    ASSERT_NE(open, nullptr) << "the Open dialog did not show up";
    EXPECT_EQ(GetWindow(open, GW_OWNER), dialog);
    // OFN_HIDEREADONLY: no read-only check box to be seen.
    HWND readOnly = GetDlgItem(open, chx1);
    EXPECT_TRUE(readOnly == nullptr || !IsWindowVisible(readOnly));
    EXPECT_EQ(WindowText(GetDlgItem(open, cmb1)), "UCF File");

    // The file-name box: an edit in Wine's dialog, an edit inside a combo box in Windows'.
    HWND name = GetDlgItem(open, edt1);
    if (name == nullptr) name = GetDlgItem(open, cmb13);
    ASSERT_NE(name, nullptr) << "no file-name box";
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("design"));
    PostMessageA(open, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(open, IDOK)));
    ASSERT_TRUE(WaitForWindowGone(open)) << "the Open dialog did not accept the name";

    EXPECT_EQ(_stricmp(ControlText(dialog, IDC_UCF_FILE).c_str(), ucf.c_str()), 0)
        << ControlText(dialog, IDC_UCF_FILE);
    EXPECT_EQ(ReadIfExists(ucf), content) << "choosing must not touch the file";
    EXPECT_FALSE(Exists((Folder() / "design"))) << "choosing must not create a file";
    EXPECT_FALSE(Run().Ended());
}

// The templates, strings, icon and version block as they were built into Quillon.exe, and the
// main dialog as the system lays it out from its template.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "built_program.h"
#include "dialog_template.h"
#include "main_dialog_session.h"

using namespace guitest;

namespace {

constexpr DWORD kNoId = 0xFFFFFFFF;

struct ExpectedControl {
    DWORD id;
    const char* className;
    DWORD style;
    short x, y, cx, cy;
    const char* text;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | SS_RIGHT | WS_GROUP;
constexpr DWORD kField = kChild | ES_LEFT | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
constexpr DWORD kButton = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kList = kChild | CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kDefault = kChild | BS_DEFPUSHBUTTON | WS_TABSTOP;

const ExpectedControl kMainControls[] = {
    {kNoId, "Static", kLabel, 7, 15, 72, 8, "Source &binary file :"},
    {IDC_SOURCE_FILE, "Edit", kField, 84, 13, 195, 12, ""},
    {IDC_BROWSE_SOURCE, "Button", kButton, 284, 13, 29, 13, "&Browse"},
    {kNoId, "Static", kLabel, 7, 30, 72, 8, "&Destination UCF file :"},
    {IDC_UCF_FILE, "Edit", kField, 84, 28, 195, 12, ""},
    {IDC_BROWSE_UCF, "Button", kButton, 284, 28, 29, 13, "B&rowse"},
    {kNoId, "Static", kLabel, 7, 45, 72, 8, "&Component name :"},
    {IDC_COMPONENT, "Edit", kField, 84, 43, 195, 12, ""},
    {kNoId, "Static", kLabel, 7, 60, 72, 8, "&EDIF file :"},
    {IDC_EDIF_FILE, "Edit", kField, 84, 58, 195, 12, ""},
    {IDC_BROWSE_EDIF, "Button", kButton, 284, 58, 29, 13, "Br&owse"},
    {kNoId, "Static", kLabel, 7, 75, 72, 8, "&Synthesizer :"},
    {IDC_SYNTHESIZER, "ComboBox", kList, 84, 73, 48, 41, ""},
    {IDC_CONVERT, "Button", kButton, 88, 98, 50, 14, "&Convert"},
    {IDOK, "Button", kDefault, 181, 98, 50, 14, "E&xit"},
};

// A control without an ID carries -1, stored as 0xFFFF in a plain template.
bool SameId(DWORD actual, DWORD expected) {
    if (expected == kNoId) return actual == 0xFFFF || actual == 0xFFFFFFFF;
    return actual == expected;
}

std::string VersionString(const std::vector<char>& block, const std::string& name, bool* present) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = "\\StringFileInfo\\040904B0\\" + name;
    *present = VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value),
                              &length) != FALSE;
    if (!*present || value == nullptr) return {};
    return std::string(value, strnlen(value, length));
}

}  // namespace

TEST(BuiltTemplates, MainDialogTemplateIsAsDesigned) {
    BuiltProgramResources program;
    ASSERT_NE(program.Module(), nullptr) << "cannot load " << BuiltProgramPath();
    const auto dialog = LoadDialogTemplate(program.Module(), IDD_MAIN);
    ASSERT_TRUE(dialog.has_value()) << "no readable dialog 102";

    EXPECT_TRUE(dialog->extended);
    EXPECT_EQ(dialog->style, 0x90C800C0u);
    EXPECT_EQ(dialog->exStyle, 0x00040000u);
    EXPECT_EQ(dialog->x, 0);
    EXPECT_EQ(dialog->y, 0);
    EXPECT_EQ(dialog->cx, 320);
    EXPECT_EQ(dialog->cy, 119);
    EXPECT_EQ(dialog->caption, "Quillon UCF Converter");
    EXPECT_EQ(dialog->pointSize, 8);
    EXPECT_EQ(dialog->fontName, "MS Sans Serif");
    EXPECT_EQ(dialog->menu, "");
    EXPECT_EQ(dialog->className, "");

    ASSERT_EQ(dialog->items.size(), std::size(kMainControls));
    for (size_t i = 0; i < dialog->items.size(); ++i) {
        const auto& item = dialog->items[i];
        const auto& want = kMainControls[i];
        SCOPED_TRACE("control " + std::to_string(i + 1) + " " + want.text);
        EXPECT_TRUE(SameId(item.id, want.id)) << item.id;
        EXPECT_EQ(_stricmp(item.className.c_str(), want.className), 0) << item.className;
        EXPECT_EQ(item.style, want.style) << std::hex << item.style << " want " << want.style;
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.x, want.x);
        EXPECT_EQ(item.y, want.y);
        EXPECT_EQ(item.cx, want.cx);
        EXPECT_EQ(item.cy, want.cy);
        EXPECT_EQ(item.text, want.text);
    }
}

TEST(BuiltTemplates, SynthesizerListDataAddsXstThenSynopsys) {
    BuiltProgramResources program;
    ASSERT_NE(program.Module(), nullptr);
    const auto entries = LoadDialogInit(program.Module(), IDD_MAIN);
    ASSERT_TRUE(entries.has_value()) << "no RT_DLGINIT data for dialog 102";
    ASSERT_EQ(entries->size(), 2u);
    const char* const expected[] = {"XST", "Synopsys"};
    for (size_t i = 0; i < 2; ++i) {
        const auto& entry = (*entries)[i];
        EXPECT_EQ(entry.controlId, IDC_SYNTHESIZER);
        // The framework's 16-bit CB_ADDSTRING number, or the 32-bit one.
        EXPECT_TRUE(entry.message == 0x0403 || entry.message == CB_ADDSTRING) << entry.message;
        EXPECT_EQ(std::string(entry.data.c_str()), expected[i]);
    }
}

TEST(BuiltTemplates, AboutBoxTemplateIsAsDesigned) {
    BuiltProgramResources program;
    ASSERT_NE(program.Module(), nullptr);
    const auto about = LoadDialogTemplate(program.Module(), IDD_ABOUTBOX);
    ASSERT_TRUE(about.has_value()) << "no readable dialog 100";
    EXPECT_FALSE(about->extended);
    EXPECT_EQ(about->style, 0x80C800C0u);
    EXPECT_EQ(about->x, 0);
    EXPECT_EQ(about->y, 0);
    EXPECT_EQ(about->cx, 235);
    EXPECT_EQ(about->cy, 55);
    EXPECT_EQ(about->caption, "About Quillon");
    EXPECT_EQ(about->pointSize, 8);
    EXPECT_EQ(about->fontName, "MS Sans Serif");
    ASSERT_EQ(about->items.size(), 4u);

    const auto& icon = about->items[0];
    EXPECT_TRUE(SameId(icon.id, kNoId));
    EXPECT_EQ(_stricmp(icon.className.c_str(), "Static"), 0) << icon.className;
    EXPECT_EQ(icon.style, kChild | SS_ICON) << std::hex << icon.style;
    EXPECT_EQ(icon.x, 11);
    EXPECT_EQ(icon.y, 17);
    EXPECT_EQ(icon.cx, 20);
    EXPECT_EQ(icon.cy, 20);
    EXPECT_EQ(icon.textOrdinal, IDR_MAINFRAME);

    const auto& version = about->items[1];
    EXPECT_TRUE(SameId(version.id, kNoId));
    EXPECT_EQ(_stricmp(version.className.c_str(), "Static"), 0) << version.className;
    EXPECT_EQ(version.style, kChild | SS_LEFT | SS_NOPREFIX | WS_GROUP)
        << std::hex << version.style;
    EXPECT_EQ(version.x, 40);
    EXPECT_EQ(version.y, 10);
    EXPECT_EQ(version.cx, 119);
    EXPECT_EQ(version.cy, 8);
    EXPECT_EQ(version.text, "Quillon Version 1.0");

    const auto& second = about->items[2];
    EXPECT_TRUE(SameId(second.id, kNoId));
    EXPECT_EQ(_stricmp(second.className.c_str(), "Static"), 0) << second.className;
    EXPECT_EQ(second.style, kChild | SS_LEFT | WS_GROUP) << std::hex << second.style;
    EXPECT_EQ(second.x, 40);
    EXPECT_EQ(second.y, 25);
    EXPECT_EQ(second.cx, 119);
    EXPECT_EQ(second.cy, 8);
    EXPECT_FALSE(second.text.empty());

    const auto& ok = about->items[3];
    EXPECT_EQ(ok.id, static_cast<DWORD>(IDOK));
    EXPECT_EQ(_stricmp(ok.className.c_str(), "Button"), 0) << ok.className;
    EXPECT_EQ(ok.style, kChild | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP) << std::hex << ok.style;
    EXPECT_EQ(ok.x, 178);
    EXPECT_EQ(ok.y, 7);
    EXPECT_EQ(ok.cx, 50);
    EXPECT_EQ(ok.cy, 14);
    EXPECT_EQ(ok.text, "OK");
}

TEST(BuiltTemplates, AboutMenuStringAndApplicationIcon) {
    BuiltProgramResources program;
    ASSERT_NE(program.Module(), nullptr);
    char text[64] = {};
    LoadStringA(program.Module(), IDS_ABOUTBOX, text, sizeof text);
    EXPECT_STREQ(text, "&About Quillon...");

    // The icon group: a 32 by 32 and a 16 by 16 image, 16 colours each.
    HRSRC found = FindResourceA(program.Module(), MAKEINTRESOURCEA(IDR_MAINFRAME),
                                MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
    ASSERT_NE(found, nullptr) << "no icon group 128";
    const auto* group =
        static_cast<const unsigned char*>(LockResource(LoadResource(program.Module(), found)));
    ASSERT_GE(SizeofResource(program.Module(), found), 6u);
    WORD count = 0;
    std::memcpy(&count, group + 4, 2);
    ASSERT_EQ(count, 2);
    ASSERT_GE(SizeofResource(program.Module(), found), 6u + 2 * 14);
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) {
        const unsigned char* entry = group + 6 + 14 * i;
        WORD bitCount = 0;
        std::memcpy(&bitCount, entry + 6, 2);
        sizes.push_back(entry[0]);
        EXPECT_EQ(entry[0], entry[1]) << "square image";
        EXPECT_TRUE(entry[2] == 16 || bitCount == 4) << "16 colours";
    }
    EXPECT_EQ(sizes, (std::vector<int>{32, 16}));
}

TEST(BuiltTemplates, VersionBlockCarriesTheProductData) {
    const std::string path = BuiltProgramPath();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u) << "no version block in " << path;
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    const std::pair<const char*, const char*> strings[] = {
        {"FileDescription", "Quillon MFC Application"},
        {"FileVersion", "1, 0, 0, 1"},
        {"InternalName", "Quillon"},
        {"OriginalFilename", "Quillon.EXE"},
        {"ProductName", "Quillon Application"},
        {"ProductVersion", "1, 0, 0, 1"},
        {"CompanyName", ""},
        {"LegalTrademarks", ""},
    };
    for (const auto& [name, value] : strings) {
        bool present = false;
        const std::string actual = VersionString(block, name, &present);
        EXPECT_TRUE(present || std::string(value).empty()) << name << " is missing";
        EXPECT_EQ(actual, value) << name;
    }
}

// The running dialog, as the system built it from the template.
class MainDialogLayout : public MainDialogTest {};

TEST_F(MainDialogLayout, WindowFollowsTheTemplateInDialogUnits) {
    OPEN_MAIN_DIALOG(dialog);

    EXPECT_EQ(WindowText(dialog), "Quillon UCF Converter");
    const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE));
    EXPECT_EQ(style & 0x90C800C0u, 0x90C800C0u) << std::hex << style;
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u) << std::hex << style;
    EXPECT_EQ(exStyle & WS_EX_APPWINDOW, static_cast<DWORD>(WS_EX_APPWINDOW))
        << std::hex << exStyle;

    RECT client = {0, 0, 320, 119};
    MapDialogRect(dialog, &client);
    RECT actualClient = {};
    GetClientRect(dialog, &actualClient);
    EXPECT_EQ(actualClient.right, client.right);
    EXPECT_EQ(actualClient.bottom, client.bottom);

    const auto children = ChildWindows(dialog);
    ASSERT_EQ(children.size(), std::size(kMainControls));
    for (size_t i = 0; i < children.size(); ++i) {
        HWND child = children[i];
        const auto& want = kMainControls[i];
        SCOPED_TRACE("control " + std::to_string(i + 1) + " " + want.text);
        if (want.id != kNoId) {
            EXPECT_EQ(GetDlgCtrlID(child), static_cast<int>(want.id));
        }
        EXPECT_EQ(_stricmp(ClassName(child).c_str(), want.className), 0) << ClassName(child);
        if (want.id != IDC_SYNTHESIZER) {
            EXPECT_EQ(WindowText(child), want.text);
        }

        // The styles that say what the control is (the system may add others, such as the
        // client edge it draws for an edit's border).
        const DWORD childStyle = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
        const DWORD childExStyle = static_cast<DWORD>(GetWindowLongA(child, GWL_EXSTYLE));
        const DWORD border =
            (childStyle & WS_BORDER) || (childExStyle & WS_EX_CLIENTEDGE) ? WS_BORDER : 0;
        // A combo box hands its scroll bar style on to its list.
        const DWORD ignored = want.id == IDC_SYNTHESIZER ? WS_VSCROLL : 0;
        EXPECT_EQ(((childStyle & ~WS_BORDER) | border) & ~ignored, want.style & ~ignored)
            << std::hex << childStyle << " want " << want.style;

        // The dialog manager converts the origin and the size separately.
        RECT expected = {want.x, want.y, want.cx, want.cy};
        MapDialogRect(dialog, &expected);
        const RECT actual = RectInParentClient(child);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right - actual.left, expected.right);
        // A drop-down list's window is as high as its closed box; the template's height is
        // the height with the list open, which the template test checks.
        if (want.id != IDC_SYNTHESIZER) {
            EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
        }
    }

    // Sorted: "Synopsys" before "XST", whatever order the template adds them in.
    EXPECT_EQ(ComboItems(dialog, IDC_SYNTHESIZER), (std::vector<std::string>{"Synopsys", "XST"}));
    // Exit is the default button: Enter means Exit.
    EXPECT_EQ(SendMessageA(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
}

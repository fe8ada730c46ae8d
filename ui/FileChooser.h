// The system's Open dialog for one path field of the main dialog.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <string>

// The call that shows the Open dialog. Tests replace it to see the record handed over and
// to answer for the user; it must be restored afterwards.
using GetOpenFileNameProc = BOOL(WINAPI*)(LPOPENFILENAMEA);
extern GetOpenFileNameProc g_pfnGetOpenFileName;

// What differs between the three choosers.
struct FileChooserParams {
    const char* title;
    const char* filter;  // one "name\0pattern\0" pair; the literal's own NUL ends the list
    const char* defaultExtension;
};

inline constexpr FileChooserParams kSourceFileChooser = {"Specify source binary file",
                                                         "Binary File\0*.bin\0", "bin"};
inline constexpr FileChooserParams kUcfFileChooser = {"Specify destination UCF file",
                                                      "UCF File\0*.ucf\0", "ucf"};
inline constexpr FileChooserParams kEdifFileChooser = {"Specify EDIF file",
                                                       "EDIF File\0*.edn;*.edf\0", "edn"};

// Size of the file-name buffer, terminator included: the system's path limit.
inline constexpr std::size_t kFileNameBufferSize = MAX_PATH;

// The name the Open dialog starts with: what follows the last backslash of `field` (all of
// it without a backslash). Empty when that does not fit the file-name buffer.
std::string InitialFileName(const std::string& field);

// Shows the Open dialog for `field`, owned by `hWndOwner`, with the field's file name
// pre-filled and its whole text as the initial folder. On OK stores the chosen full path in
// `field` and returns true; on Cancel or failure leaves it as it was and returns false.
// Choosing a name does not create the file.
bool ChooseFile(HWND hWndOwner, const FileChooserParams& params, std::string& field);

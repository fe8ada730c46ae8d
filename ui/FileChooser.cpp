#include "ui/FileChooser.h"

#include <cstring>

GetOpenFileNameProc g_pfnGetOpenFileName = &::GetOpenFileNameA;

std::string InitialFileName(const std::string& field) {
    const std::string::size_type backslash = field.rfind('\\');
    std::string name = backslash == std::string::npos ? field : field.substr(backslash + 1);
    // A name that would overflow the buffer is not offered at all rather than cut.
    if (name.size() + 1 > kFileNameBufferSize) name.clear();
    return name;
}

bool ChooseFile(HWND hWndOwner, const FileChooserParams& params, std::string& field) {
    char fileName[kFileNameBufferSize] = {};
    const std::string initialName = InitialFileName(field);
    std::memcpy(fileName, initialName.c_str(), initialName.size() + 1);

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = hWndOwner;
    ofn.lpstrFilter = params.filter;
    ofn.lpstrCustomFilter = nullptr;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = fileName;
    ofn.nMaxFile = static_cast<DWORD>(kFileNameBufferSize);
    ofn.lpstrFileTitle = nullptr;
    ofn.lpstrInitialDir = field.c_str();
    ofn.lpstrTitle = params.title;
    // Hides the read-only box; no existence checks, so a new file's name is accepted.
    ofn.Flags = OFN_HIDEREADONLY;
    ofn.nFileOffset = 0;
    ofn.nFileExtension = 0;
    ofn.lpstrDefExt = params.defaultExtension;
    ofn.lCustData = 0;

    if (!g_pfnGetOpenFileName(&ofn)) return false;
    // The dialog may fill the buffer to its end; never read past it.
    const void* end = std::memchr(fileName, '\0', kFileNameBufferSize);
    field.assign(fileName,
                 end != nullptr ? static_cast<const char*>(end) - fileName : kFileNameBufferSize);
    return true;
}

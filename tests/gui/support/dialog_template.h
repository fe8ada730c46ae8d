// Reads dialog templates (plain and extended) and the framework's dialog initialization data
// (RT_DLGINIT) out of a module's resources, so tests can check the template as it was built.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace guitest {

struct DialogItemTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::string className;  // "Button", "Edit", "Static", "ComboBox"... for the ordinals
    std::string text;       // empty when the title is an ordinal
    int textOrdinal = -1;   // the title's resource ordinal (an icon's ID), or -1
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string menu;       // empty when none
    std::string className;  // empty for the system's dialog class
    std::string caption;
    int pointSize = 0;  // font, when DS_SETFONT is set
    std::string fontName;
    std::vector<DialogItemTemplate> items;
};

std::optional<DialogTemplate> ParseDialogTemplate(const void* data, size_t size);
std::optional<DialogTemplate> LoadDialogTemplate(HMODULE module, int dialogId);

struct DialogInitEntry {
    WORD controlId = 0;
    WORD message = 0;
    std::string data;  // as stored, terminator included
};

// The RT_DLGINIT (240) entries of a dialog, in their stored order; nothing when absent.
std::optional<std::vector<DialogInitEntry>> LoadDialogInit(HMODULE module, int dialogId);

}  // namespace guitest

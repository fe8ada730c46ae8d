#pragma once

#include <string>

// Message box styles, with the values of the Win32 MB_ flags.
inline constexpr unsigned kMbOk = 0x00000000;
inline constexpr unsigned kMbIconStop = 0x00000010;
inline constexpr unsigned kMbIconInformation = 0x00000040;

// The window that a conversion run reports to: the main dialog shows a system message box,
// the command-line program prints, tests record.
class MessageOwner {
public:
    virtual ~MessageOwner() = default;
    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             unsigned style) = 0;
};

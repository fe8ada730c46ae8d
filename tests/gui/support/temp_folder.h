// A private folder per test in the system's temporary folder, and whole-file reads and writes
// to prepare inputs and compare outputs byte for byte.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace guitest {

class TempFolder {
public:
    TempFolder();   // creates a new, empty folder
    ~TempFolder();  // removes it with everything in it

    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, ending with a backslash.
    const std::string& Path() const { return path_; }
    // The full path of a file in the folder.
    std::string File(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// The file's whole content, or nothing when it cannot be opened (missing).
std::optional<std::string> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// A key of the profile section "Settings" as the system reads it, or nothing when absent.
std::optional<std::string> ProfileValue(const std::string& iniPath, const std::string& key);

}  // namespace guitest

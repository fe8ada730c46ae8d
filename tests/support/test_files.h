// What the run, command-line and dialog tests share: temporary folders, whole files,
// last-write times and a message owner that records what it was shown.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message_owner.h"
#include "tests/support/byte_patterns.h"

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The path of `name` inside the folder, in the system's narrow encoding.
    std::string operator/(std::string_view name) const;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

bool Exists(const std::string& path);
std::string ReadAll(const std::string& path);  // fails the test when it cannot be read
std::optional<std::string> ReadIfExists(const std::string& path);  // nothing when missing
void WriteAll(const std::string& path, std::string_view content);

// Cuts the file to `length` through a handle of its own, as another program would; false when
// the system refuses (on Windows, while a handle that does not share writing holds it).
bool CutThroughOtherHandle(const std::string& path, std::uint64_t length);
// Appends `text` through a handle of its own, as an editor saving in place would.
bool AppendThroughOtherHandle(const std::string& path, std::string_view text);
// Writes `text` in place of the file's content through a handle of its own, keeping the file
// (its identity), and dates it a second later, as an editor saving after a moment would.
bool ReplaceThroughOtherHandle(const std::string& path, std::string_view text);
// Creates the file with `size` bytes that take no disk space where the file system allows.
void MakeSparseFile(const std::string& path, std::uint64_t size);
std::uint64_t FileSize(const std::string& path);

using FileTime = std::filesystem::file_time_type;
FileTime LastWriteTime(const std::string& path);
void SetLastWriteTime(const std::string& path, FileTime time);
// A time well in the past, to tell a renewed last-write time from an old one.
FileTime LongAgo();

struct RecordedMessage {
    std::string text;
    std::string caption;
    unsigned style = 0;
    bool operator==(const RecordedMessage&) const = default;
};

class RecordingOwner : public MessageOwner {
public:
    void ShowMessage(const std::string& text, const std::string& caption, unsigned style) override {
        messages.push_back({text, caption, style});
    }
    std::vector<RecordedMessage> messages;
};

// Prints messages readably in test failures.
void PrintTo(const RecordedMessage& message, std::ostream* out);

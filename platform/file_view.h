// The whole of an open file as one range of read-only memory, for reading a large text once.
// On POSIX the file is mapped, not copied: reading a 12 MB UCF this way costs a tenth of
// copying it into fresh memory. The view then shows the file as it is, so it changes when
// the file is written; bytes that another program cuts off while the view is read come as
// zeros, and the view says it is torn. On Windows, and where a file cannot be mapped, the
// view is a copy, read when it is made.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/large_buffer.h"

class FileView {
public:
    FileView() = default;
    ~FileView();
    FileView(FileView&& other) noexcept;
    FileView& operator=(FileView&& other) noexcept;
    FileView(const FileView&) = delete;
    FileView& operator=(const FileView&) = delete;

    std::string_view Text() const;
    // Whether the file was cut while the view was read: some of what it showed were zeros
    // standing for bytes that no longer exist. Asked before what was read is relied on.
    bool Torn() const;

private:
    friend class File;

    LargeBuffer copy_;
#ifndef _WIN32
    // Shows the first `size` bytes of the open file `fd`; false with errno set.
    bool Map(int fd, std::size_t size);
    void Release();

    const char* data_ = nullptr;  // the mapping; none for a copy
    std::size_t size_ = 0;
    int guard_ = -1;  // the view's entry among those the bus-error handler knows
#endif
};

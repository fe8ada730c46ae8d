// Writing a range of a file so that a crash tears it only at the sector boundaries that the
// rollback journal tells apart: every write but the last ends at a multiple of the sector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_access.h"

class SectorAlignedWriter {
public:
    // Writes from `position` on; the caller has put the file's position there.
    SectorAlignedWriter(File& file, std::uint64_t position);
    // False when a write fails; file.Error() says why.
    bool Put(const char* data, std::size_t size);
    bool Finish();
    std::uint64_t Position() const { return next_ + carry_.size(); }

private:
    bool Write(const char* data, std::size_t size);

    File& file_;
    std::uint64_t next_;  // the first byte not written yet
    std::uint64_t flushedTo_;
    std::string carry_;  // the bytes from next_ on, fewer than up to the next boundary
};

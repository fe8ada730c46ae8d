#include "conversion/edif_refresh.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <new>

void RefreshEdif(const std::string& path, FileAccessFaults* faults) {
    // Writing the file's own content back over it renews its last-write time for the tools
    // that compare it with the UCF's. A file that cannot be read in full or held in memory
    // is left as it is; the cut comes only after every byte is back.
    File edif(faults);
    if (!edif.Open(path, FileOpening::ReadWriteAlways)) return;
    std::uint64_t size = 0;
    if (!edif.Size(size) || size > std::numeric_limits<std::size_t>::max()) return;
    const auto count = static_cast<std::size_t>(size);
    std::unique_ptr<std::uint8_t[]> content(new (std::nothrow) std::uint8_t[count]);
    if (!content || !edif.ReadFully(content.get(), count)) return;
    if (edif.Seek(0) && edif.WriteFully(content.get(), count)) edif.Resize(count);
    content.reset();
    edif.Close();
}

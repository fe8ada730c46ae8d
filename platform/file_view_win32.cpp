// The Windows file view: a copy of the file, read when the view is made.
#include <utility>

#include "platform/file_access.h"
#include "platform/file_view.h"

FileView::~FileView() = default;
FileView::FileView(FileView&& other) noexcept = default;
FileView& FileView::operator=(FileView&& other) noexcept = default;

std::string_view FileView::Text() const {
    return {copy_.chars(), copy_.size()};
}

// A copy cannot be cut afterwards; a file cut while it is read fails the read instead.
bool FileView::Torn() const {
    return false;
}

bool File::ShowWhole(FileView& view, std::size_t size) {
    return ViewCopy(view, size);
}

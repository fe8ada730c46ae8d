#include "dialog_template.h"

#include <cstring>

namespace guitest {

namespace {

// A bounds-checked reader over the template's bytes.
class TemplateReader {
public:
    TemplateReader(const void* data, size_t size)
        : begin_(static_cast<const unsigned char*>(data)), size_(size) {}

    bool ok() const { return ok_; }

    template <typename T>
    T Take() {
        T value{};
        if (pos_ + sizeof(T) > size_) {
            ok_ = false;
            return value;
        }
        std::memcpy(&value, begin_ + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }

    // A NUL-terminated UTF-16 string, converted to the ANSI code page.
    std::string TakeString() {
        std::wstring wide;
        for (;;) {
            const wchar_t ch = static_cast<wchar_t>(Take<WORD>());
            if (!ok_ || ch == 0) break;
            wide.push_back(ch);
        }
        if (wide.empty()) return {};
        const int length = WideCharToMultiByte(
            CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<size_t>(length), '\0');
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                            length, nullptr, nullptr);
        return text;
    }

    // The sz_Or_Ord field: none, an ordinal, or a string. Returns the ordinal or -1.
    int TakeStringOrOrdinal(std::string& text) {
        const WORD first = Take<WORD>();
        if (first == 0) return -1;
        if (first == 0xFFFF) return Take<WORD>();
        pos_ -= sizeof(WORD);
        text = TakeString();
        return -1;
    }

    void Skip(size_t bytes) {
        if (pos_ + bytes > size_) ok_ = false;
        pos_ += bytes;
    }
    void AlignToDword() { pos_ = (pos_ + 3) & ~size_t{3}; }

private:
    const unsigned char* begin_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// "#" and the number, the usual spelling of a resource ordinal.
std::string OrdinalName(int ordinal) {
    std::string name(1, '#');
    name += std::to_string(ordinal);
    return name;
}

std::string PredefinedClassName(int ordinal) {
    switch (ordinal) {
        case 0x80:
            return "Button";
        case 0x81:
            return "Edit";
        case 0x82:
            return "Static";
        case 0x83:
            return "ListBox";
        case 0x84:
            return "ScrollBar";
        case 0x85:
            return "ComboBox";
        default:
            return OrdinalName(ordinal);
    }
}

std::optional<std::pair<const void*, size_t>> FindResourceBytes(HMODULE module, LPCSTR type,
                                                                int id) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (found == nullptr) return std::nullopt;
    HGLOBAL loaded = LoadResource(module, found);
    if (loaded == nullptr) return std::nullopt;
    return std::make_pair(LockResource(loaded), static_cast<size_t>(SizeofResource(module, found)));
}

}  // namespace

std::optional<DialogTemplate> ParseDialogTemplate(const void* data, size_t size) {
    TemplateReader in(data, size);
    DialogTemplate dialog;
    const WORD version = in.Take<WORD>();
    const WORD signature = in.Take<WORD>();
    dialog.extended = version == 1 && signature == 0xFFFF;
    if (dialog.extended) {
        in.Take<DWORD>();  // help ID
        dialog.exStyle = in.Take<DWORD>();
        dialog.style = in.Take<DWORD>();
    } else {
        in = TemplateReader(data, size);
        dialog.style = in.Take<DWORD>();
        dialog.exStyle = in.Take<DWORD>();
    }
    const WORD count = in.Take<WORD>();
    dialog.x = in.Take<short>();
    dialog.y = in.Take<short>();
    dialog.cx = in.Take<short>();
    dialog.cy = in.Take<short>();
    if (int menu = in.TakeStringOrOrdinal(dialog.menu); menu >= 0) {
        dialog.menu = OrdinalName(menu);
    }
    if (int cls = in.TakeStringOrOrdinal(dialog.className); cls >= 0) {
        dialog.className = OrdinalName(cls);
    }
    dialog.caption = in.TakeString();
    if (dialog.style & (DS_SETFONT | DS_FIXEDSYS)) {
        dialog.pointSize = in.Take<WORD>();
        if (dialog.extended) {
            in.Take<WORD>();  // weight
            in.Take<BYTE>();  // italic
            in.Take<BYTE>();  // character set
        }
        dialog.fontName = in.TakeString();
    }
    for (WORD i = 0; i < count && in.ok(); ++i) {
        in.AlignToDword();
        DialogItemTemplate item;
        if (dialog.extended) {
            in.Take<DWORD>();  // help ID
            item.exStyle = in.Take<DWORD>();
            item.style = in.Take<DWORD>();
        } else {
            item.style = in.Take<DWORD>();
            item.exStyle = in.Take<DWORD>();
        }
        item.x = in.Take<short>();
        item.y = in.Take<short>();
        item.cx = in.Take<short>();
        item.cy = in.Take<short>();
        item.id = dialog.extended ? in.Take<DWORD>() : in.Take<WORD>();
        if (int cls = in.TakeStringOrOrdinal(item.className); cls >= 0) {
            item.className = PredefinedClassName(cls);
        }
        item.textOrdinal = in.TakeStringOrOrdinal(item.text);
        in.Skip(in.Take<WORD>());  // creation data
        dialog.items.push_back(item);
    }
    if (!in.ok()) return std::nullopt;
    return dialog;
}

std::optional<DialogTemplate> LoadDialogTemplate(HMODULE module, int dialogId) {
    auto bytes = FindResourceBytes(module, MAKEINTRESOURCEA(5) /* RT_DIALOG */, dialogId);
    if (!bytes) return std::nullopt;
    return ParseDialogTemplate(bytes->first, bytes->second);
}

std::optional<std::vector<DialogInitEntry>> LoadDialogInit(HMODULE module, int dialogId) {
    auto bytes = FindResourceBytes(module, MAKEINTRESOURCEA(240), dialogId);
    if (!bytes) return std::nullopt;
    TemplateReader in(bytes->first, bytes->second);
    std::vector<DialogInitEntry> entries;
    for (;;) {
        DialogInitEntry entry;
        entry.controlId = in.Take<WORD>();
        if (!in.ok() || entry.controlId == 0) break;
        entry.message = in.Take<WORD>();
        const DWORD length = in.Take<DWORD>();
        for (DWORD i = 0; i < length && in.ok(); ++i) entry.data.push_back(in.Take<char>());
        if (!in.ok()) return std::nullopt;
        entries.push_back(entry);
    }
    return entries;
}

}  // namespace guitest

#include "subhost/loader/resources.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "subhost/error.h"
#include "subhost/files.h"
#include "subhost/sjis.h"

namespace subhost {
namespace {

// Little-endian reads that refuse to run past the end.
class Reader {
  public:
    Reader(const Bytes& data, std::size_t offset, const char* what)
        : data_(data), pos_(offset), what_(what) {}

    std::uint16_t U16() {
        Need(2);
        const auto v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    std::uint32_t U32() {
        const std::uint32_t lo = U16();
        const std::uint32_t hi = U16();
        return lo | (hi << 16);
    }
    std::int16_t S16() { return static_cast<std::int16_t>(U16()); }
    std::u16string String16() {
        std::u16string s;
        for (std::uint16_t c = U16(); c != 0; c = U16()) {
            s += static_cast<char16_t>(c);
        }
        return s;
    }
    // A number (0xFFFF then the number) or a zero-terminated UTF-16 name.
    ResourceId IdOrName() {
        Need(2);
        if (data_[pos_] == 0xFF && data_[pos_ + 1] == 0xFF) {
            pos_ += 2;
            return ResourceId::Number(U16());
        }
        return ResourceId::Name(Ascii(String16()));
    }
    bool NextIsNumber() const {
        Need(2);
        return data_[pos_] == 0xFF && data_[pos_ + 1] == 0xFF;
    }
    Bytes Take(std::size_t n) {
        Need(n);
        Bytes out(data_.begin() + static_cast<std::ptrdiff_t>(pos_),
                  data_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
        pos_ += n;
        return out;
    }
    void Align4() { pos_ = (pos_ + 3) & ~std::size_t{3}; }
    std::size_t pos() const { return pos_; }
    bool AtEnd() const { return pos_ >= data_.size(); }

    std::string Ascii(const std::u16string& s) const {
        std::string out;
        for (char16_t c : s) {
            out += c < 0x80 ? static_cast<char>(c) : '?';
        }
        return out;
    }

  private:
    void Need(std::size_t n) const {
        if (pos_ + n > data_.size()) {
            throw ModuleError(std::string(what_) + " ends too early");
        }
    }

    const Bytes& data_;
    std::size_t pos_;
    const char* what_;
};

std::string Sjis(const std::u16string& s, const char* what) {
    if (auto converted = Utf16ToSjis(s)) {
        return *converted;
    }
    throw ModuleError(std::string(what) + " holds a character with no Shift-JIS form");
}

}  // namespace

std::string ResourceId::Show() const {
    return number ? std::to_string(*number) : "\"" + name + "\"";
}

ResourceSet ResourceSet::Parse(const Bytes& stream) {
    ResourceSet set;
    std::size_t offset = 0;
    while (offset + 8 <= stream.size()) {
        Reader header(stream, offset, "the resource stream");
        const std::uint32_t dataSize = header.U32();
        const std::uint32_t headerSize = header.U32();
        Resource resource;
        resource.type = header.IdOrName();
        resource.name = header.IdOrName();
        header.Align4();
        header.U32();  // data version
        header.U16();  // memory flags
        resource.language = header.U16();
        if (headerSize < 32 || offset + headerSize + dataSize > stream.size()) {
            throw ModuleError("the resource stream has a resource that runs past its end");
        }
        resource.data.assign(
            stream.begin() + static_cast<std::ptrdiff_t>(offset + headerSize),
            stream.begin() + static_cast<std::ptrdiff_t>(offset + headerSize + dataSize));
        // The stream starts with an empty entry that marks it as a 32-bit resource file.
        if (!(dataSize == 0 && resource.type == ResourceId::Number(0))) {
            set.resources_.push_back(std::move(resource));
        }
        offset = (offset + headerSize + dataSize + 3) & ~std::size_t{3};
    }
    return set;
}

const Resource* ResourceSet::Find(const ResourceId& type, const ResourceId& name) const {
    for (const Resource& r : resources_) {
        if (r.type == type && r.name == name) {
            return &r;
        }
    }
    return nullptr;
}

std::string FourCC(std::uint32_t code) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((code >> shift) & 0xFF);
        s += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return s;
}

Pipl Pipl::Parse(const Bytes& data) {
    Reader r(data, 0, "the property list");
    Pipl pipl;
    pipl.prefix = r.U16();
    pipl.version = r.U32();
    pipl.count = r.U32();
    // The stated count may leave properties out; every property the data holds is read.
    while (!r.AtEnd()) {
        PiplProperty p;
        p.vendor = r.U32();
        p.key = r.U32();
        p.id = r.U32();
        const std::uint32_t length = r.U32();
        p.data = r.Take(length);
        r.Take(((length + 3) & ~3U) - length);
        pipl.properties.push_back(std::move(p));
    }
    return pipl;
}

const PiplProperty* Pipl::Find(std::uint32_t key) const {
    for (const PiplProperty& p : properties) {
        if (p.vendor == Code("ADBE") && p.key == key) {
            return &p;
        }
    }
    return nullptr;
}

std::optional<std::uint32_t> Pipl::Kind() const {
    const PiplProperty* p = Find(Code("kind"));
    if (p == nullptr || p->data.size() != 4) {
        return std::nullopt;
    }
    return Reader(p->data, 0, "kind").U32();
}

std::optional<std::uint32_t> Pipl::InterfaceVersion() const {
    const PiplProperty* p = Find(Code("ivrs"));
    if (p == nullptr || p->data.size() != 4) {
        return std::nullopt;
    }
    return Reader(p->data, 0, "ivrs").U32();
}

std::optional<std::string> Pipl::EntryPoint() const {
    const PiplProperty* p = Find(Code("wx86"));
    if (p == nullptr) {
        return std::nullopt;
    }
    const auto end = std::find(p->data.begin(), p->data.end(), 0);
    if (end == p->data.end() || end == p->data.begin()) {
        return std::nullopt;
    }
    return std::string(p->data.begin(), end);
}

std::string AtomClassName(std::uint16_t atom) {
    switch (atom) {
        case 0x80:
            return "BUTTON";
        case 0x81:
            return "EDIT";
        case 0x82:
            return "STATIC";
        case 0x83:
            return "LISTBOX";
        case 0x84:
            return "SCROLLBAR";
        case 0x85:
            return "COMBOBOX";
        default:
            return "#" + std::to_string(atom);
    }
}

DialogTemplate DialogTemplate::Parse(const Bytes& data) {
    constexpr std::uint32_t kSetFont = 0x40;
    Reader r(data, 0, "the dialog template");
    if (data.size() >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF) {
        throw ModuleError("extended dialog templates are not read");
    }
    DialogTemplate t;
    t.style = r.U32();
    t.exStyle = r.U32();
    const std::uint16_t count = r.U16();
    t.rect = {r.S16(), r.S16(), r.S16(), r.S16()};
    r.IdOrName();  // menu
    r.IdOrName();  // window class
    t.title = Sjis(r.String16(), "a dialog title");
    if (t.style & kSetFont) {
        t.pointSize = r.U16();
        t.font = Sjis(r.String16(), "a dialog font name");
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        r.Align4();
        ItemTemplate item;
        item.style = r.U32();
        item.exStyle = r.U32();
        item.rect = {r.S16(), r.S16(), r.S16(), r.S16()};
        item.id = r.U16();
        const ResourceId cls = r.IdOrName();
        if (cls.number) {
            item.classAtom = *cls.number;
            item.className = AtomClassName(*cls.number);
        } else {
            item.className = cls.name;
        }
        // A text given as a number refers to a resource (the picture of a static); kept as "#n".
        if (r.NextIsNumber()) {
            item.text = "#" + std::to_string(r.IdOrName().number.value_or(0));
        } else {
            item.text = Sjis(r.String16(), "an item text");
        }
        item.creationData = r.Take(r.U16());
        t.items.push_back(std::move(item));
    }
    return t;
}

std::map<int, std::string> StringTable(const ResourceSet& resources) {
    std::map<int, std::string> strings;
    for (const Resource& res : resources.all()) {
        if (res.type != ResourceId::Number(kStringType) || !res.name.number) {
            continue;
        }
        Reader r(res.data, 0, "a string table block");
        const int first = (*res.name.number - 1) * 16;
        for (int i = 0; i < 16 && !r.AtEnd(); ++i) {
            const std::uint16_t length = r.U16();
            std::u16string s;
            for (std::uint16_t k = 0; k < length; ++k) {
                s += static_cast<char16_t>(r.U16());
            }
            if (length > 0) {
                strings[first + i] = Sjis(s, "a string of the string table");
            }
        }
    }
    return strings;
}

IconImage IconImage::Parse(const Bytes& data) {
    Reader r(data, 0, "an icon");
    IconImage icon;
    const std::uint32_t headerSize = r.U32();
    icon.width = static_cast<int>(r.U32());
    icon.height = static_cast<int>(r.U32()) / 2;
    r.U16();  // planes
    icon.bitCount = r.U16();
    if (headerSize != 40 || icon.bitCount != 4 || icon.width <= 0 || icon.height <= 0) {
        throw ModuleError("only 16-colour icons are read");
    }
    Reader pal(data, headerSize, "an icon's palette");
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t bgrx = pal.U32();
        icon.palette.push_back(bgrx & 0xFFFFFF);  // blue, green, red bytes read as 0x00RRGGBB
    }
    icon.bits = pal.Take(data.size() - pal.pos());
    const std::size_t needed = static_cast<std::size_t>(icon.height) *
                               (static_cast<std::size_t>(icon.width) / 2 +
                                ((static_cast<std::size_t>(icon.width) + 31) / 32) * 4);
    if (icon.bits.size() < needed) {
        throw ModuleError("an icon's bitmap ends too early");
    }
    return icon;
}

std::optional<int> IconImage::Pixel(int x, int y) const {
    const std::size_t row = static_cast<std::size_t>(height - 1 - y);  // stored bottom-up
    const std::size_t colourStride = static_cast<std::size_t>(width) / 2;
    const std::size_t maskStride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
    const std::size_t maskBase = colourStride * static_cast<std::size_t>(height);
    const std::uint8_t maskByte =
        bits[maskBase + row * maskStride + static_cast<std::size_t>(x) / 8];
    if (maskByte & (0x80 >> (x % 8))) {
        return std::nullopt;
    }
    const std::uint8_t pair = bits[row * colourStride + static_cast<std::size_t>(x) / 2];
    return (x % 2 == 0) ? pair >> 4 : pair & 0x0F;
}

std::vector<std::uint16_t> IconGroupMembers(const Bytes& data) {
    Reader r(data, 0, "an icon group");
    r.U16();  // reserved
    r.U16();  // type
    const std::uint16_t count = r.U16();
    std::vector<std::uint16_t> ids;
    for (std::uint16_t i = 0; i < count; ++i) {
        r.Take(12);  // width, height, colours, reserved, planes, bit count, size
        ids.push_back(r.U16());
    }
    return ids;
}

Bytes ReadFileBytes(const std::string& path) {
    try {
        const std::string bytes = ReadWholeFile(path, kModuleBound);
        return Bytes(bytes.begin(), bytes.end());
    } catch (const FileError& e) {
        throw ModuleError(e.what());
    }
}

}  // namespace subhost

// Windows resources as a module file carries them: the compiled resource stream (the .res form
// that the resource compiler writes) and readers for the kinds the host uses.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace subhost {

using Bytes = std::vector<std::uint8_t>;

// A resource type or name: a number, or a UTF-16 name (held here as its ASCII form).
struct ResourceId {
    std::optional<std::uint16_t> number;
    std::string name;

    static ResourceId Number(std::uint16_t n) { return {n, {}}; }
    static ResourceId Name(std::string s) { return {std::nullopt, std::move(s)}; }
    bool operator==(const ResourceId&) const = default;
    std::string Show() const;
};

constexpr std::uint16_t kIconType = 3;
constexpr std::uint16_t kDialogType = 5;
constexpr std::uint16_t kStringType = 6;
constexpr std::uint16_t kIconGroupType = 14;

struct Resource {
    ResourceId type;
    ResourceId name;
    std::uint16_t language = 0;
    Bytes data;
};

class ResourceSet {
  public:
    // Reads a compiled resource stream; throws ModuleError when it is malformed.
    static ResourceSet Parse(const Bytes& stream);

    const std::vector<Resource>& all() const { return resources_; }
    void Add(Resource resource) { resources_.push_back(std::move(resource)); }
    const Resource* Find(const ResourceId& type, const ResourceId& name) const;

  private:
    std::vector<Resource> resources_;
};

// The plug-in property list.
struct PiplProperty {
    std::uint32_t vendor = 0;
    std::uint32_t key = 0;
    std::uint32_t id = 0;
    Bytes data;
};

struct Pipl {
    std::uint16_t prefix = 0;
    std::uint32_t version = 0;
    std::uint32_t count = 0;               // as the list states it
    std::vector<PiplProperty> properties;  // every property the data holds

    static Pipl Parse(const Bytes& data);
    const PiplProperty* Find(std::uint32_t key) const;  // vendor 'ADBE'
    std::optional<std::uint32_t> Kind() const;
    std::optional<std::uint32_t> InterfaceVersion() const;
    std::optional<std::string> EntryPoint() const;  // the x86 Windows entry point name
};

// "ABCD" for a four-character code.
std::string FourCC(std::uint32_t code);
constexpr std::uint32_t Code(const char (&s)[5]) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[3]));
}

// A rectangle in dialog units.
struct DialogRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const DialogRect&) const = default;
};

struct ItemTemplate {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    DialogRect rect;
    std::uint16_t id = 0;
    std::uint16_t classAtom = 0;  // 0x80 button ... 0x85 combo box; 0 for a named class
    std::string className;        // the class name; for an atom, its standard name
    std::string text;             // Shift-JIS
    Bytes creationData;
};

struct DialogTemplate {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    DialogRect rect;
    std::string title;  // Shift-JIS
    std::optional<std::uint16_t> pointSize;
    std::string font;  // Shift-JIS
    std::vector<ItemTemplate> items;

    static DialogTemplate Parse(const Bytes& data);
};

// The standard name of a class atom ("BUTTON", "EDIT", "STATIC", "LISTBOX", ...).
std::string AtomClassName(std::uint16_t atom);

// Every string of the string table, by id, as Shift-JIS.
std::map<int, std::string> StringTable(const ResourceSet& resources);

struct IconImage {
    int width = 0;
    int height = 0;  // of the picture (the bitmap holds twice as many rows: colour and mask)
    int bitCount = 0;
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB
    // Palette index of a pixel, or nullopt where the picture is transparent; y counts from the top.
    std::optional<int> Pixel(int x, int y) const;
    Bytes bits;

    static IconImage Parse(const Bytes& data);
};

// The icon ids an icon group lists.
std::vector<std::uint16_t> IconGroupMembers(const Bytes& data);

// The whole module file at PATH (at most kModuleBound); throws ModuleError when it cannot be
// read.
Bytes ReadFileBytes(const std::string& path);

}  // namespace subhost

// Names in SVG maps: namespaces found by prefix, attributes by namespace, escaped tag names.

#include "subhost/mapforms/svg/names.h"

#include <charconv>
#include <cstdio>
#include <vector>

#include "subhost/mapforms/mapforms.h"
#include "subhost/text.h"

namespace subhost::svg {
namespace {

// Whether code point C may stand in an XML name (FIRST: as its first character).
bool NameChar(char32_t c, bool first) {
    if (c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0) {
        return c != 0xD7 && c != 0xF7;
    }
    return !first && ((c >= '0' && c <= '9') || c == '-' || c == '.' || c == 0xB7);
}

// Whether no name may hold code point C: a control character, a surrogate, U+FFFE, U+FFFF.
bool NoNameHolds(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE ||
           c == 0xFFFF;
}

}  // namespace

std::string_view LocalName(const char* name) {
    const std::string_view n(name);
    const std::size_t colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

std::string_view NamespaceOf(pugi::xml_node node, std::string_view prefix) {
    const std::string attr = prefix.empty() ? "xmlns" : "xmlns:" + std::string(prefix);
    for (pugi::xml_node n = node; n; n = n.parent()) {
        if (pugi::xml_attribute a = n.attribute(attr.c_str())) {
            return a.value();
        }
    }
    if (prefix == "xml") {
        return "http://www.w3.org/XML/1998/namespace";
    }
    return "";
}

pugi::xml_attribute Attr(pugi::xml_node node, const char* ns, std::string_view local) {
    for (pugi::xml_attribute a : node.attributes()) {
        const std::string_view name(a.name());
        const std::size_t colon = name.find(':');
        if (colon == std::string_view::npos) {
            if (ns == nullptr && name == local) {
                return a;
            }
        } else if (ns != nullptr && name.substr(colon + 1) == local &&
                   name.substr(0, colon) != "xmlns" &&
                   NamespaceOf(node, name.substr(0, colon)) == ns) {
            return a;
        }
    }
    return {};
}

std::string_view AttrNamespace(pugi::xml_node node, pugi::xml_attribute a) {
    const std::string_view name(a.name());
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos || name.substr(0, colon) == "xmlns") {
        return "";
    }
    return NamespaceOf(node, name.substr(0, colon));
}

bool IsElement(pugi::xml_node node, std::string_view local) {
    return node.type() == pugi::node_element && LocalName(node.name()) == local;
}

bool IsLayer(pugi::xml_node node) {
    const pugi::xml_attribute mode = Attr(node, kInkscapeNs, "groupmode");
    return IsElement(node, "g") && mode && std::string_view(mode.value()) == "layer";
}

std::string TagXmlName(const std::string& utf8) {
    std::string out;
    const std::vector<char32_t> cps = CodePoints(utf8);
    for (const char32_t c : cps) {
        if (NoNameHolds(c)) {
            // Written as _xHHHH_, it would make a file that is not read back (ForbiddenNameChar).
            char shown[16];
            std::snprintf(shown, sizeof shown, "U+%04X", static_cast<unsigned>(c));
            throw MapError("the tag name \"" + utf8 + "\" holds " + shown +
                           ", which no name in an SVG map may hold: the map is not written");
        }
    }
    for (std::size_t i = 0; i < cps.size(); ++i) {
        const bool escapeX = cps[i] == '_' && i + 1 < cps.size() && cps[i + 1] == 'x';
        if (!escapeX && NameChar(cps[i], i == 0)) {
            out += Utf8Of(cps[i]);
        } else {
            char hex[16];
            std::snprintf(hex, sizeof hex, "_x%04X_", static_cast<unsigned>(cps[i]));
            out += hex;
        }
    }
    return out.empty() ? "_" : out;
}

std::string TagNameOfXml(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name.substr(i, 2) == "_x" && i + 6 < name.size() + 1) {
            const std::size_t end = name.find('_', i + 2);
            unsigned value = 0;
            if (end != std::string_view::npos && end > i + 2 && end - i - 2 <= 6 &&
                std::from_chars(name.data() + i + 2, name.data() + end, value, 16).ptr ==
                    name.data() + end &&
                value <= 0x10FFFF) {
                out += Utf8Of(value);
                i = end;
                continue;
            }
        }
        out += name[i];
    }
    return name == "_" ? std::string() : out;
}

std::optional<char32_t> ForbiddenNameChar(std::string_view name) {
    for (const char32_t c : CodePoints(TagNameOfXml(name))) {
        if (NoNameHolds(c)) {
            return c;
        }
    }
    return std::nullopt;
}

}  // namespace subhost::svg

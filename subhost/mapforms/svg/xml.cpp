// XML as bytes: where markup ends, line and column of an offset, the DOCTYPE's entities, escaping.

#include "subhost/mapforms/svg/xml.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>

namespace subhost::svg {
namespace {

// Internal entities may expand a file this far, and no further (an entity bomb is refused).
constexpr std::size_t kEntityBound = std::size_t{16} << 20;

// The entities of the DOCTYPE's internal subset. External ones are never read: a reference to one
// is refused.
struct Entities {
    std::map<std::string, std::string> internal;
    std::set<std::string> external;
};

// Notes in ENTITIES the entity DECL declares (the bytes between "<!ENTITY" and its ">"); a
// parameter entity, which only the DTD itself can use, is passed over.
void Declare(const std::string& decl, Entities& entities) {
    std::size_t i = 0;
    auto blanks = [&] {
        while (i < decl.size() && std::isspace(static_cast<unsigned char>(decl[i]))) {
            ++i;
        }
    };
    blanks();
    const bool parameter = i < decl.size() && decl[i] == '%';
    if (parameter) {
        ++i;
        blanks();
    }
    const std::size_t nameStart = i;
    while (i < decl.size() && !std::isspace(static_cast<unsigned char>(decl[i]))) {
        ++i;
    }
    const std::string name = decl.substr(nameStart, i - nameStart);
    blanks();
    if (parameter || i >= decl.size()) {
        return;
    }
    if (decl[i] == '"' || decl[i] == '\'') {
        const std::size_t close = decl.find(decl[i], i + 1);
        entities.internal.emplace(
            name,
            decl.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1));
    } else {
        entities.external.insert(name);
    }
}

// The entities the internal subset of TEXT declares, reading from AT (just past its '[') to the
// subset's ']', where AT is left.
Entities DeclaredEntities(const std::string& text, std::size_t& at) {
    Entities entities;
    while (at < text.size() && text[at] != ']') {
        if (text.compare(at, 4, "<!--") == 0 || text.compare(at, 2, "<?") == 0) {
            at = SkipMarkup(text, at);
        } else if (text.compare(at, 8, "<!ENTITY") == 0) {
            const std::size_t end = SkipMarkup(text, at);
            Declare(text.substr(at + 8, end - at - 9), entities);
            at = end;
        } else if (text[at] == '<') {
            at = SkipMarkup(text, at);
        } else {
            ++at;
        }
    }
    return entities;
}

// Whether XML allows code point C as a character (its production Char).
bool XmlChar(std::uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

std::string CodePointName(std::uint32_t c) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
    return name;
}

// REF (what stands between "&#" and ";") as the code point it refers to; none where it is not a
// character reference XML reads (decimal digits, or "x" and hexadecimal ones). A value past
// U+10FFFF is kept as 0x110000.
std::optional<std::uint32_t> CharacterReference(std::string_view ref) {
    const bool hex = !ref.empty() && ref[0] == 'x';
    const std::string_view digits = ref.substr(hex ? 1 : 0);
    if (digits.empty()) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char d : digits) {
        const int digit = d >= '0' && d <= '9'          ? d - '0'
                          : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                          : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                        : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        value = std::min<std::uint32_t>(value * (hex ? 16 : 10) + digit, 0x110000);
    }
    return value;
}

// Whether NAME could name an entity: no blanks, no markup, not empty.
bool EntityName(std::string_view name) {
    return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) {
        return std::isspace(static_cast<unsigned char>(c)) || c == '<' || c == '>' || c == '&' ||
               c == '"' || c == '\'' || c == ';';
    });
}

// Text with references to internal entities expanded, their expansions' own references too, and
// every reference checked as XML checks it. Without entities to expand nothing is built: the
// text stays as it is.
class Expansion {
  public:
    Expansion(const Entities& entities, bool build) : entities_(entities), build_(build) {}

    void Append(std::string_view part) {
        if (build_) {
            out_.append(part);
        }
    }

    // Appends PART, which stands at OFFSET of the text, with its references expanded; DEPTH
    // bounds an entity naming itself.
    void Expand(std::string_view part, std::size_t offset, int depth) {
        std::size_t i = 0;
        while (i < part.size()) {
            if (out_.size() > kEntityBound) {
                throw SvgFault{offset, "its entities expand beyond " +
                                           std::to_string(kEntityBound >> 20) +
                                           " MiB, which no map needs (an entity bomb?)"};
            }
            const std::size_t next = part.find_first_of("&<", i);
            if (next == std::string_view::npos) {
                Append(part.substr(i));
                return;
            }
            Append(part.substr(i, next - i));
            i = next;
            if (part[i] == '<') {
                // Comments, CDATA sections and processing instructions hold no references.
                const std::string_view end = part.substr(i, 4) == "<!--"        ? "-->"
                                             : part.substr(i, 9) == "<![CDATA[" ? "]]>"
                                             : part.substr(i, 2) == "<?"        ? "?>"
                                                                                : "";
                const std::size_t close =
                    end.empty() ? std::string_view::npos : part.find(end, i + 2);
                const std::size_t stop = end.empty()                       ? i + 1
                                         : close == std::string_view::npos ? part.size()
                                                                           : close + end.size();
                Append(part.substr(i, stop - i));
                i = stop;
                continue;
            }
            i = Reference(part, i, depth == 0 ? offset + i : offset, depth);
        }
    }

    std::string& out() { return out_; }

  private:
    // The reference at I of PART (at OFFSET of the text), checked and expanded; where PART goes
    // on after it.
    std::size_t Reference(std::string_view part, std::size_t i, std::size_t offset, int depth) {
        const std::size_t semi = part.find(';', i);
        const std::string_view ref =
            semi == std::string_view::npos ? std::string_view() : part.substr(i + 1, semi - i - 1);
        const std::string shown =
            "&" + std::string(ref.substr(0, 40)) + (ref.size() > 40 ? "..." : "") + ";";
        if (ref.starts_with('#')) {
            const std::optional<std::uint32_t> c = CharacterReference(ref.substr(1));
            if (!c) {
                throw SvgFault{offset, "not well-formed XML: " + shown +
                                           " is not a character reference (&#NNN; or &#xHHH;)"};
            }
            if (*c > 0x10FFFF) {
                throw SvgFault{offset, "not well-formed XML: " + shown +
                                           " refers to no character (the last is U+10FFFF)"};
            }
            if (!XmlChar(*c)) {
                throw SvgFault{offset, "not well-formed XML: " + shown + " refers to " +
                                           CodePointName(*c) + ", a character XML does not allow"};
            }
        } else if (!EntityName(ref)) {
            throw SvgFault{offset,
                           "not well-formed XML: an & that begins no reference (write & as &amp;)"};
        } else if (ref != "amp" && ref != "lt" && ref != "gt" && ref != "quot" && ref != "apos") {
            const std::string name(ref);
            if (const auto it = entities_.internal.find(name); it != entities_.internal.end()) {
                if (depth > 16) {
                    throw SvgFault{offset, "entity &" + name + "; refers to itself"};
                }
                // Entities that expand to nothing grow no text, but take time all the same.
                if (++expanded_ > kEntityBound) {
                    throw SvgFault{offset, "its entities are expanded more than " +
                                               std::to_string(kEntityBound) +
                                               " times, which no map needs (an entity bomb?)"};
                }
                Expand(it->second, offset, depth + 1);
                return semi + 1;
            }
            if (entities_.external.count(name) != 0) {
                throw SvgFault{offset, "&" + name + "; is an external entity, which is never read"};
            }
            throw SvgFault{offset, "not well-formed XML: " + shown +
                                       " is an entity the file does not declare"};
        }
        Append(part.substr(i, semi + 1 - i));
        return semi + 1;
    }

    const Entities& entities_;
    const bool build_;
    std::string out_;
    std::size_t expanded_ = 0;  // references to internal entities expanded
};

}  // namespace

std::string LineColumn(const std::string& text, std::size_t offset) {
    offset = std::min(offset, text.size());
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(offset - lineStart + 1);
}

bool IsBlank(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

std::size_t SkipMarkup(const std::string& text, std::size_t at) {
    auto past = [&](const char* end) {
        const std::size_t found = text.find(end, at);
        return found == std::string::npos ? text.size() : found + std::strlen(end);
    };
    if (text.compare(at, 4, "<!--") == 0) {
        return past("-->");
    }
    if (text.compare(at, 9, "<![CDATA[") == 0) {
        return past("]]>");
    }
    if (text.compare(at, 2, "<?") == 0) {
        return past("?>");
    }
    char quote = 0;
    for (std::size_t i = at + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return text.size();
}

std::size_t ElementEnd(const std::string& text, std::size_t begin) {
    std::size_t at = SkipMarkup(text, begin);
    if (text[at - 2] == '/') {
        return at;
    }
    int depth = 1;
    while (at < text.size()) {
        const std::size_t open = text.find('<', at);
        if (open == std::string::npos) {
            break;
        }
        const std::size_t end = SkipMarkup(text, open);
        if (text.compare(open, 2, "</") == 0) {
            if (--depth == 0) {
                return end;
            }
        } else if (text.compare(open, 2, "<!") != 0 && text.compare(open, 2, "<?") != 0 &&
                   text[end - 2] != '/') {
            ++depth;
        }
        at = end;
    }
    return text.size();
}

void CheckCharacters(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            throw SvgFault{i, "not well-formed XML: " +
                                  (c == 0 ? std::string("a NUL byte")
                                          : "the control character " + CodePointName(c)) +
                                  ", which XML does not allow"};
        }
        // U+FFFE and U+FFFF, EF BF BE and EF BF BF.
        if (c == 0xEF && i + 2 < bytes.size() && bytes[i + 1] == '\xBF' &&
            (bytes[i + 2] == '\xBE' || bytes[i + 2] == '\xBF')) {
            throw SvgFault{i, "not well-formed XML: the character " +
                                  CodePointName(bytes[i + 2] == '\xBE' ? 0xFFFE : 0xFFFF) +
                                  ", which XML does not allow"};
        }
    }
}

std::string ExpandEntities(const std::string& text) {
    // The DOCTYPE holds the declarations; its references stand for nothing until they are used.
    Entities entities;
    std::size_t doctype = text.find("<!DOCTYPE");
    std::size_t doctypeEnd = 0;
    if (doctype != std::string::npos) {
        const std::size_t open = text.find('[', doctype);
        const std::size_t gt = text.find('>', doctype);
        if (open != std::string::npos && open < gt) {
            std::size_t at = open + 1;
            entities = DeclaredEntities(text, at);
            doctypeEnd = std::min(text.find('>', at), text.size() - 1) + 1;
        } else {
            doctypeEnd = SkipMarkup(text, doctype);
        }
    } else {
        doctype = 0;
    }
    const std::string_view all(text);
    Expansion expansion(entities, !entities.internal.empty());
    expansion.Expand(all.substr(0, doctype), 0, 0);
    expansion.Append(all.substr(doctype, doctypeEnd - doctype));
    expansion.Expand(all.substr(doctypeEnd), doctypeEnd, 0);
    return entities.internal.empty() ? text : std::move(expansion.out());
}

std::string Escape(std::string_view text, bool attribute) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += attribute ? "&quot;" : "\"";
                break;
            case '\n':
                out += attribute ? "&#10;" : "\n";
                break;
            case '\r':
                out += "&#13;";
                break;
            case '\t':
                out += attribute ? "&#9;" : "\t";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace subhost::svg

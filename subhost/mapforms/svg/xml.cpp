// XML as bytes: where markup ends, line and column of an offset, the DOCTYPE's entities, escaping.

#include "subhost/mapforms/svg/xml.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <map>
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

// Text with references to internal entities expanded, their expansions' own references too.
class Expansion {
  public:
    explicit Expansion(const Entities& entities) : entities_(entities) {}

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
            const char c = part[i];
            if (c == '<' && (part.substr(i, 4) == "<!--" || part.substr(i, 9) == "<![CDATA[")) {
                const std::string_view end = part.substr(i, 4) == "<!--" ? "-->" : "]]>";
                const std::size_t close = part.find(end, i);
                const std::size_t stop =
                    close == std::string_view::npos ? part.size() : close + end.size();
                out_.append(part.substr(i, stop - i));
                i = stop;
                continue;
            }
            if (c != '&' || i + 1 >= part.size() || part[i + 1] == '#') {
                out_ += c;
                ++i;
                continue;
            }
            const std::size_t semi = part.find(';', i);
            const std::string name(
                part.substr(i + 1, semi == std::string_view::npos ? 0 : semi - i - 1));
            if (const auto it = entities_.internal.find(name); it != entities_.internal.end()) {
                if (depth > 16) {
                    throw SvgFault{offset + (depth == 0 ? i : 0),
                                   "entity &" + name + "; refers to itself"};
                }
                Expand(it->second, depth == 0 ? offset + i : offset, depth + 1);
                i = semi + 1;
            } else if (entities_.external.count(name) != 0) {
                throw SvgFault{depth == 0 ? offset + i : offset,
                               "&" + name + "; is an external entity, which is never read"};
            } else {
                out_ += c;
                ++i;
            }
        }
    }

    std::string& out() { return out_; }

  private:
    const Entities& entities_;
    std::string out_;
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

std::string ExpandEntities(const std::string& text) {
    const std::size_t doctype = text.find("<!DOCTYPE");
    if (doctype == std::string::npos || text.find("<!ENTITY", doctype) == std::string::npos) {
        return text;
    }
    const std::size_t open = text.find('[', doctype);
    const std::size_t gt = text.find('>', doctype);
    if (open == std::string::npos || open > gt) {
        return text;
    }
    std::size_t at = open + 1;
    const Entities entities = DeclaredEntities(text, at);
    const std::size_t subsetEnd = text.find('>', at);
    if (subsetEnd == std::string::npos) {
        return text;
    }
    Expansion expansion(entities);
    expansion.out() = text.substr(0, subsetEnd + 1);
    expansion.Expand(std::string_view(text).substr(subsetEnd + 1), subsetEnd + 1, 0);
    return std::move(expansion.out());
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

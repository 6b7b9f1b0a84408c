// CSS style sheets of SVG maps: their rules read, and matched against elements.

#include "subhost/mapforms/svg/css.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "subhost/mapforms/svg/names.h"
#include "subhost/mapforms/svg/values.h"

namespace subhost::svg {
namespace {

bool Blank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && Blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && Blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// CSS without its comments.
std::string WithoutComments(std::string_view css) {
    std::string out;
    for (std::size_t i = 0; i < css.size();) {
        if (css.substr(i, 2) == "/*") {
            const std::size_t end = css.find("*/", i + 2);
            i = end == std::string_view::npos ? css.size() : end + 2;
            out += ' ';
        } else {
            out += css[i++];
        }
    }
    return out;
}

// Where the block opened at OPEN ('{') ends (one past its '}'), nested blocks included.
std::size_t BlockEnd(std::string_view css, std::size_t open) {
    int depth = 0;
    for (std::size_t i = open; i < css.size(); ++i) {
        if (css[i] == '{') {
            ++depth;
        } else if (css[i] == '}' && --depth == 0) {
            return i + 1;
        }
    }
    return css.size();
}

bool NameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

}  // namespace

void StyleSheet::Add(std::string_view text) {
    const std::string css = WithoutComments(text);
    std::size_t i = 0;
    while (i < css.size()) {
        while (i < css.size() && Blank(css[i])) {
            ++i;
        }
        if (i >= css.size()) {
            break;
        }
        const std::size_t open = css.find('{', i);
        if (css[i] == '@') {
            // An @-rule ends at its ';' or with its block, whichever comes first.
            const std::size_t semicolon = css.find(';', i);
            i = semicolon != std::string::npos && (open == std::string::npos || semicolon < open)
                    ? semicolon + 1
                    : (open == std::string::npos ? css.size() : BlockEnd(css, open));
            continue;
        }
        if (open == std::string::npos) {
            break;
        }
        const std::size_t end = BlockEnd(css, open);
        const std::string_view prelude(css.data() + i, open - i);
        const std::string_view body(
            css.data() + open + 1, end - open - (end <= css.size() && css[end - 1] == '}' ? 2 : 1));
        std::vector<Declaration> declarations;
        for (auto [name, value] : Declarations(body)) {
            // An !important declaration weighs as any other here.
            if (const std::size_t bang = value.find('!'); bang != std::string::npos) {
                value = std::string(Trim(std::string_view(value).substr(0, bang)));
            }
            declarations.emplace_back(name, value);
        }
        std::size_t from = 0;
        while (from <= prelude.size()) {
            std::size_t comma = prelude.find(',', from);
            comma = comma == std::string_view::npos ? prelude.size() : comma;
            Selector selector;
            if (Parse(Trim(prelude.substr(from, comma - from)), selector)) {
                rules_.push_back({std::move(selector), declarations});
            }
            from = comma + 1;
        }
        i = end;
    }
}

bool StyleSheet::Parse(std::string_view text, Selector& selector) {
    std::size_t i = 0;
    char combinator = 0;
    int ids = 0, classes = 0, types = 0;
    while (i < text.size()) {
        if (Blank(text[i]) || text[i] == '>') {
            combinator = combinator == '>' || text[i] == '>' ? '>' : ' ';
            ++i;
            continue;
        }
        Compound compound;
        const std::size_t start = i;
        if (text[i] == '*') {
            ++i;
        } else {
            while (i < text.size() && NameChar(text[i])) {
                compound.type += text[i++];
            }
            types += compound.type.empty() ? 0 : 1;
        }
        while (i < text.size() && (text[i] == '.' || text[i] == '#')) {
            const char mark = text[i++];
            std::string name;
            while (i < text.size() && NameChar(text[i])) {
                name += text[i++];
            }
            if (name.empty()) {
                return false;
            }
            if (mark == '#') {
                compound.id = name;
                ++ids;
            } else {
                compound.classes.push_back(name);
                ++classes;
            }
        }
        if (i == start || (i < text.size() && !Blank(text[i]) && text[i] != '>')) {
            return false;  // a selector of a kind not understood here
        }
        if (!selector.compounds.empty()) {
            selector.combinators.push_back(combinator == 0 ? ' ' : combinator);
        }
        selector.compounds.push_back(std::move(compound));
        combinator = 0;
    }
    selector.specificity = ids * 10000 + classes * 100 + types;
    return !selector.compounds.empty() && combinator == 0;
}

bool StyleSheet::Matches(const Compound& compound, pugi::xml_node node) {
    if (node.type() != pugi::node_element) {
        return false;
    }
    if (!compound.type.empty() && LocalName(node.name()) != compound.type) {
        return false;
    }
    if (!compound.id.empty() && compound.id != node.attribute("id").value()) {
        return false;
    }
    if (compound.classes.empty()) {
        return true;
    }
    std::istringstream words(node.attribute("class").value());
    std::vector<std::string> has;
    for (std::string word; words >> word;) {
        has.push_back(word);
    }
    return std::all_of(compound.classes.begin(), compound.classes.end(), [&](const std::string& c) {
        return std::find(has.begin(), has.end(), c) != has.end();
    });
}

bool StyleSheet::Matches(const Selector& selector, std::size_t last, pugi::xml_node node) {
    if (!Matches(selector.compounds[last], node)) {
        return false;
    }
    if (last == 0) {
        return true;
    }
    const char combinator = selector.combinators[last - 1];
    for (pugi::xml_node up = node.parent(); up && up.type() == pugi::node_element;
         up = up.parent()) {
        if (Matches(selector, last - 1, up)) {
            return true;
        }
        if (combinator == '>') {
            return false;
        }
    }
    return false;
}

std::vector<DeclarationView> StyleSheet::Matching(pugi::xml_node node) const {
    std::vector<const Rule*> matched;
    for (const Rule& rule : rules_) {
        if (Matches(rule.selector, rule.selector.compounds.size() - 1, node)) {
            matched.push_back(&rule);
        }
    }
    std::stable_sort(matched.begin(), matched.end(), [](const Rule* a, const Rule* b) {
        return a->selector.specificity < b->selector.specificity;
    });
    std::vector<DeclarationView> out;
    for (const Rule* rule : matched) {
        out.insert(out.end(), rule->declarations.begin(), rule->declarations.end());
    }
    return out;
}

}  // namespace subhost::svg

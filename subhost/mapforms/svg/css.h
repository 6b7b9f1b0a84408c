// The rules of an SVG map's <style> sheets, matched against its elements as a renderer matches
// them. Selectors of the kinds drawing programs write are understood: type, class, id and the
// universal selector and their compounds (path.river#r1), descendant and child combinators
// (g .river, svg > g), and grouped selectors (a, b). A selector of any other kind (attributes,
// pseudo-classes, siblings) matches nothing; @-rules (@media, @font-face, @import) are passed
// over, as no map needs them to be drawn.
#pragma once

#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace subhost::svg {

using Declaration = std::pair<std::string, std::string>;
// A declaration as a view of the sheet's own: valid while the sheet lives and has no rules added.
using DeclarationView = std::pair<std::string_view, std::string_view>;

class StyleSheet {
  public:
    // Adds the rules of CSS text, after those added before.
    void Add(std::string_view css);

    // The declarations of the rules that match NODE, in the order the cascade applies them: by
    // specificity, then by the order of the rules; a later one wins over an earlier one.
    std::vector<DeclarationView> Matching(pugi::xml_node node) const;

    bool empty() const { return rules_.empty(); }

  private:
    // A compound selector: an element's type ("" for any), id and classes.
    struct Compound {
        std::string type;
        std::string id;
        std::vector<std::string> classes;
    };
    // Compounds from left to right, each but the first after its combinator (' ' or '>').
    struct Selector {
        std::vector<Compound> compounds;
        std::vector<char> combinators;
        int specificity = 0;  // ids * 10000 + classes * 100 + types
    };
    struct Rule {
        Selector selector;
        std::vector<Declaration> declarations;
    };

    static bool Parse(std::string_view text, Selector& selector);
    static bool Matches(const Compound& compound, pugi::xml_node node);
    static bool Matches(const Selector& selector, std::size_t last, pugi::xml_node node);

    std::vector<Rule> rules_;
};

}  // namespace subhost::svg

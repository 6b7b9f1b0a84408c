// Writing a map's document as SVG. A map read from SVG is written back as a splice of its own
// bytes: the writer walks the elements the source kept (source.h), copies the bytes of every
// element whose art the prints say is unchanged, and writes anew only what a command changed, in
// place, with the indentation around it (splice.cpp). What has no element of its own (art a
// command made, a copy of a symbol) is new markup, written as Inkscape writes it (markup.cpp);
// a map read from JSON is all new markup, a file of its own.
#pragma once

#include <optional>
#include <pugixml.hpp>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "subhost/mapforms/svg/source.h"

namespace subhost::svg {

class SvgWriter {
  public:
    SvgWriter(const Document& document, const SvgSource* source) : doc_(document), src_(source) {}
    std::string Write();

  private:
    // ---- what changed
    bool ArtUnchanged(const Art& art);
    bool LayerUnchanged(const Layer& layer);
    bool DocumentUnchanged();

    // ---- bytes of the source

    // Where the closing tag of the element ending at END starts.
    std::size_t CloseBegin(pugi::xml_node, std::size_t end) const;

    // The line break and blanks before the element starting at BEGIN.
    std::string Indent(std::size_t begin) const;
    // The line break the file writes (CR LF in a file whose first line ends so), for new lines.
    static std::string LineEndOf(const std::string& text);
    std::string TagsPrefix() const;

    // The element names of new markup: SVG's, as they must be written inside NODE (unprefixed
    // where SVG is the default namespace there, else with a prefix the file gives SVG there, else
    // declaring SVG on each new element). Content sets them for the container it writes.
    void SvgNamesAt(pugi::xml_node node);
    std::string Open(const char* local) const;   // "<g", "<svg:g", "<g xmlns=...": a start tag
    std::string Close(const char* local) const;  // "</g>", "</svg:g>"

    // The name of the pattern of the symbol the <use> USE places: the tag reading gave the use
    // where it has none of its own, which its start tag does not write while it still holds.
    std::optional<std::string> PlacedSymbolName(pugi::xml_node use);

    // The element the <use> USE shows (its href), or none.
    pugi::xml_node UseTarget(pugi::xml_node use);
    // Whether the <use> USE shows art a command removed: kept as it stands it would point at
    // nothing. Such a clone is unlinked as Inkscape unlinks one (written as a copy of what it
    // showed, which the document holds already), so that the map shows what it showed before.
    bool ShowsRemovedArt(pugi::xml_node use);

    // ---- items of a container: art, layers, and what is neither

    struct Item {
        const Art* art = nullptr;
        const Layer* layer = nullptr;
        const void* key() const {
            return art != nullptr ? static_cast<const void*>(art->ref)
                                  : static_cast<const void*>(layer->ref);
        }
    };

    // The kinds of a container's items, each in the order they are painted (back first).
    using Kinds = std::vector<std::vector<Item>>;
    static std::vector<Item> ArtItems(const Art& group);
    Kinds RootItems() const;

    // The element an item was read from, where it was read from one.
    pugi::xml_node NodeOf(const void* key) const;

    // The element children of a container, and which item each was read as.
    struct Children {
        std::vector<pugi::xml_node> nodes;
        std::unordered_map<pugi::xml_node_struct*, const void*> keyOf;
        std::unordered_map<const void*, std::size_t> position;  // key -> index in nodes
    };
    Children ElementChildren(pugi::xml_node node, const Kinds& kinds) const;
    // Where a container's items are written. Those that keep their place (of each kind, those
    // in the order they stand in the file) are written at their elements; each other is written
    // after the item before it, before the first of its kind that keeps its place, or, where
    // none of its kind does, after all.
    struct Placement {
        std::unordered_set<const void*> anchored;
        std::unordered_map<const void*, std::vector<Item>> before;
        std::unordered_map<const void*, std::vector<Item>> after;
        std::vector<Item> tail;
    };
    static Placement Place(const Kinds& kinds, const Children& children);
    // The indentation of a container's children: as the file has it, or INDENT's and two more.
    std::string ChildIndent(const Children& children, const std::string& indent) const;
    void WriteItems(const std::unordered_map<const void*, std::vector<Item>>& items,
                    const void* key, const Matrix& ctm, const std::string& indent);
    // Writes the content of container NODE (its children as KINDS hold them now) into OUT. CTM:
    // the container's coordinates to the root's. INDENT: the container's own.
    void Content(pugi::xml_node node, const Matrix& ctm, const Kinds& kinds,
                 const std::string& indent);
    const Art* FindArt(const void* key) const;
    const Layer* FindLayer(const void* key) const;

    // Writes ITEM; INPLACE: at the element it was read from (whose gap is written already).
    void WriteItem(const Item& item, const Matrix& ctm, const std::string& indent,
                   bool inPlace = false);

    // Takes document points to the coordinates of a container whose own go to the root's by CTM.
    static Matrix Local(const Matrix& ctm) { return kFlip.Then(Inverse(ctm)); }
    std::string& Out() { return *out_; }
    void WriteLayer(const Layer& layer, const std::string& indent);

    // The start tag of NODE with CHANGES to its attributes (a value of nullopt removes one), its
    // hidden state set to HIDDEN and its tags to those of TAGS, where given; the original bytes
    // when nothing changes. A self-closing tag stays so only where KEEPSELFCLOSING.
    void StartTag(pugi::xml_node node,
                  std::vector<std::pair<std::string, std::optional<std::string>>> changes,
                  const bool* hidden, const Art* tags, bool keepSelfClosing = false);

    // Art read from an element of the container it is in.
    void WriteExisting(const Art& art, const Record& r, const Matrix& ctm,
                       const std::string& indent);

    // The elements inside the text NODE that hold no characters of it (a <title>, a <desc>, or
    // whatever a file puts there), outermost first in file order: a replaced text keeps them, and
    // so the ids that other elements name.
    static void NotLines(pugi::xml_node node, std::vector<pugi::xml_node>& out);

    // Closes a replaced text: what it held besides its characters, then CLOSE.
    void CloseText(pugi::xml_node node, const std::string& close);
    void WriteTextContent(const Art& art, pugi::xml_node node, bool same);

    // ---- new markup, as Inkscape writes it

    // The attributes of MODEL (an element of the source) that new markup keeps: all but its
    // geometry, its tags and its lock (ALL: it is the element itself), or those that say how it
    // is painted (a copy of a symbol's element). HIDDEN: the new markup is hidden.
    std::string Kept(pugi::xml_node model, bool all, bool hidden);
    std::string OwnAttributes(const Art& art);
    static std::string PathData(const Art& path, const Matrix& local);
    static std::string StyleOfPath(const Art& path, const Matrix& local);
    // The style of a path whose kept paint is in force: the paint as resolved for it, its stroke
    // width (and dashes with it) as the host has scaled it.
    static std::string StyleOfKeptPaint(const Art& path, const KeptPaint& paint,
                                        const Matrix& local);

    // The elements a copy of a pattern's art takes its paint from, found by its shape: the same
    // kinds of art nested the same way.
    static std::string Shape(const Art& art, int budget);
    void ModelsFor(const Art& copy);
    void WriteNewChildren(const Art& group, const Matrix& local, const std::string& indent,
                          const pugi::xml_node*);

    // ART as new markup; LOCAL takes its points to its container's coordinates. KEEP: the
    // element it was read from, whose other attributes it keeps.
    void WriteNew(const Art& art, const Matrix& local, const std::string& indent,
                  const pugi::xml_node* keep);
    // A path or compound path, or a text, as new markup: painted as MODEL is, where there is one
    // (KEPT: MODEL is the element it was read from); otherwise with the host's paint.
    void WriteNewPath(const Art& art, const Matrix& local, pugi::xml_node model, bool kept);
    void WriteNewText(const Art& art, const Matrix& local, pugi::xml_node model, bool kept);

    // ---- a file of its own
    std::string Fresh();
    // The page of a file of its own: the art's bounds with a margin, as width, height and
    // viewBox, so that every viewer shows the art.
    std::string PageAttributes() const;
    static constexpr double kPageMargin = 10;

    const Document& doc_;
    const SvgSource* src_;  // null: a file of its own
    std::string* out_ = nullptr;
    std::string lineEnd_ = "\n";                            // LineEndOf the source
    std::unordered_map<ArtHandle, bool> unchanged_;         // ArtUnchanged, as found
    std::unordered_map<ArtHandle, pugi::xml_node> models_;  // a copy's symbol element
    std::unordered_set<ArtHandle> tried_;                   // copies ModelsFor looked at
    // The namespaces the new markup uses, which the root must declare.
    bool usesInkscape_ = false;
    bool usesSodipodi_ = false;
    bool usesTags_ = false;
    std::string svgPrefix_;    // "svg:" in a file that writes SVG so; see SvgNamesAt
    bool svgDeclare_ = false;  // no name for SVG in scope: each new element declares it
    std::unordered_map<std::string, pugi::xml_node> ids_;     // the first element of each id
    std::optional<std::unordered_set<const void*>> removed_;  // elements of art now gone
};

}  // namespace subhost::svg

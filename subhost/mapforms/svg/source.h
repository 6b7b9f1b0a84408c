// What a map read from SVG keeps beside its document: the file's bytes, its parsed XML, and for
// each art object and layer the element it was read from and prints of what it held then. The
// writer compares the prints with the document to tell what a command changed, and keeps the
// bytes of everything else.
#pragma once

#include <pugixml.hpp>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "subhost/mapforms/mapforms.h"
#include "subhost/mapforms/svg/values.h"
#include "subhost/mapforms/svg/xml.h"

namespace subhost::svg {

// What an art object was read from, and what it held then.
struct Record {
    enum Kind { kGroup, kUse, kShape, kText } kind = kGroup;
    pugi::xml_node node;
    Matrix parent;         // the coordinates of the element's parent, to the root's
    std::string own;       // tags, hidden, locked
    std::string geometry;  // a path's or compound path's points and paint; a text's place
    std::string content;   // a text's characters
    std::string children;  // a group's children (their handles)
};

struct LayerRecord {
    pugi::xml_node node;
    std::string title;
    bool editable = true;
    bool hidden = false;
    std::string children;
};

class SvgSource final : public MapSource {
  public:
    std::string original;  // the file's bytes (after gunzip)
    std::string text;      // what was parsed: the bytes, entities expanded
    pugi::xml_document xml;
    pugi::xml_node root;
    std::unordered_map<ArtHandle, Record> art;
    std::unordered_map<LayerHandle, LayerRecord> layers;
    // What each element of art or layer was read as.
    std::unordered_map<pugi::xml_node_struct*, const void*> keys;
    std::vector<LayerHandle> layerOrder;  // as read, top first
    LayerHandle rootLayer = nullptr;      // art at the root outside any layer
    // The elements of each pattern's art, for copies of it to take their paint from.
    std::vector<std::pair<ArtHandle, std::unordered_map<ArtHandle, pugi::xml_node>>> patterns;

    std::size_t Begin(pugi::xml_node node) const {
        return static_cast<std::size_t>(node.offset_debug()) - 1;
    }
    std::size_t End(pugi::xml_node node) const { return ElementEnd(text, Begin(node)); }
};

// Prints of an art object's state, compared to tell whether a command changed it: its own
// (tags, hidden, locked), its geometry (a path's or compound path's points and paint, a text's
// place), its children (their handles), and everything in it (for art whose parts have no
// elements of their own).
std::string OwnPrint(const Art& art);
std::string GeometryPrint(const Art& art);
std::string ChildrenPrint(const Art& art);
std::string DeepPrint(const Art& art);

}  // namespace subhost::svg

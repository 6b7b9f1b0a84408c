// The host's document: layers, the art tree, text objects, patterns and swatches. Handles stay
// valid while their object lives; a handle of an object that is gone is refused.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/ai.h"
#include "subhost/geometry/geometry.h"
#include "subhost/handles.h"

namespace subhost {

using geometry::Point;

struct Segment {
    Point p;
    Point in;
    Point out;
    bool corner = false;
    bool operator==(const Segment&) const = default;
};

struct Paint {
    double gray = 0;
    double width = 0;  // strokes only
    bool operator==(const Paint&) const = default;
};

struct PathStyle {
    std::optional<Paint> fill;
    std::optional<Paint> stroke;
    bool operator==(const PathStyle&) const = default;
};

struct Layer;

struct Art {
    ArtHandle ref = nullptr;
    ASInt32 type = kGroupArt;
    Art* parent = nullptr;
    Layer* layer = nullptr;                   // set on a layer's top-level group
    std::vector<Art*> children;               // groups and compound paths; the first is in front
    std::map<std::string, std::string> tags;  // Shift-JIS names and values
    bool locked = false;
    bool hidden = false;
    bool selected = false;
    // Paths.
    bool closed = false;
    std::vector<Segment> segments;
    PathStyle style;
    // Texts.
    std::string text;  // Shift-JIS
    Point anchor;
    double size = 12;
    // The text's orientation [a, b, c, d]: its writing direction (a, b) and its up direction
    // (c, d) as the document sees them.
    std::array<double, 4> matrix{1, 0, 0, 1};
    Art* textPath = nullptr;  // a path the text runs along (owned by this text)
};

struct Layer {
    LayerHandle ref = nullptr;
    std::string title;  // Shift-JIS
    bool editable = true;
    Art* group = nullptr;
};

struct Pattern {
    PatternHandle ref = nullptr;
    std::string name;  // Shift-JIS
    Art* art = nullptr;
};

struct Swatch {
    SwatchHandle ref = nullptr;
    Pattern* pattern = nullptr;  // a pattern swatch; otherwise a gray
    double gray = 0;
};

// An open text stream on a text object.
struct TextStream {
    ArtHandle art = nullptr;
    ASInt32 mode = 0;
    std::size_t position = 0;
};

class Document {
  public:
    Document();
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Layers from the top one down.
    const std::vector<Layer*>& layers() const { return layers_; }
    std::size_t currentLayer() const { return current_; }
    void SetCurrentLayer(std::size_t index);
    const std::vector<Pattern*>& patterns() const { return patterns_; }
    const std::vector<Swatch*>& swatches() const { return swatches_; }

    // Building. A new layer goes at INDEX (0 = top); art is added as the last child of PARENT.
    Layer& AddLayer(std::size_t index, const std::string& title, bool editable);
    Art& NewArt(ASInt32 type, Art* parent);
    Art& NewTextPath(Art& text);
    Pattern& AddPattern(const std::string& name);
    Swatch& AddSwatch(Pattern* pattern, double gray);

    // Objects by handle; a null, unknown or disposed handle throws HostError.
    Art& Get(ArtHandle ref) const { return art_.Get(ref); }
    Layer& Get(LayerHandle ref) const { return layerTable_.Get(ref); }
    Pattern& Get(PatternHandle ref) const { return patternTable_.Get(ref); }
    Swatch& Get(SwatchHandle ref) const { return swatchTable_.Get(ref); }
    TextStream& Get(TextStreamRef ref) const { return streams_.Get(ref); }
    bool Alive(ArtHandle ref) const { return art_.Find(ref) != nullptr; }

    // Removes ART and everything in it from the document.
    void Dispose(Art& art);

    TextStreamRef OpenStream(Art& text, ASInt32 mode);
    void CloseStream(TextStreamRef stream);
    std::size_t openStreams() const { return streams_.size(); }
    std::size_t liveArt() const { return art_.size(); }

  private:
    void Forget(Art& art);

    std::vector<Layer*> layers_;
    std::size_t current_ = 0;
    std::vector<Pattern*> patterns_;
    std::vector<Swatch*> swatches_;
    HandleTable<ArtHandle, Art> art_{"art"};
    HandleTable<LayerHandle, Layer> layerTable_{"layer"};
    HandleTable<PatternHandle, Pattern> patternTable_{"pattern"};
    HandleTable<SwatchHandle, Swatch> swatchTable_{"swatch"};
    HandleTable<TextStreamRef, TextStream> streams_{"text stream"};
};

}  // namespace subhost

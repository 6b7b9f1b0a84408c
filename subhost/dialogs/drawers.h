// What drawers paint: the draw operations the host records of each drawer and image, and the
// drawers and images themselves.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/adm.h"
#include "host/ai.h"
#include "subhost/geometry/geometry.h"

namespace subhost {

// A rectangle in a drawer's pixels (y growing downwards), not rounded.
struct PixelRect {
    double left = 0, top = 0, right = 0, bottom = 0;
};

// A draw-art request as the module made it, and where it put the art in the drawer's pixels.
struct ArtDrawing {
    AIDrawArtData request{};
    geometry::Matrix toPixels;  // document coordinates to the drawer's pixels, by the rule
    bool anything = false;      // whether the art has geometry to draw
    PixelRect placed;           // the art's bounds in pixels
    PixelRect clip;  // the clip rectangle in pixels (erased first when the request says so)
};

struct ImageCopy;

// One call a drawer received.
struct DrawOp {
    enum class Kind { Color, Fill, Frame, Line, Text, Image, Sunken, Art };
    Kind kind = Kind::Color;
    ASInt32 color = 0;  // the colour in force (for Color: the colour set)
    ADMRect rect{};     // Fill, Frame, Text, Sunken
    ADMPoint from{};    // Line; Image: the top-left corner
    ADMPoint to{};      // Line
    std::string text;   // Text (Shift-JIS)
    ImageRef image = nullptr;
    std::shared_ptr<const ArtDrawing> art;  // Art
    std::shared_ptr<const ImageCopy> copy;  // Image

    std::string Show() const;  // one line, for people
};
using DisplayList = std::vector<DrawOp>;

// An image as it stood when a drawer drew it: its size and what had been painted into it.
struct ImageCopy {
    int width = 0;
    int height = 0;
    DisplayList painted;
};

struct Image {
    ImageRef ref = nullptr;
    int width = 0;
    int height = 0;
    DisplayList painted;
    DrawerRef drawer = nullptr;  // while a drawer paints into the image
};

struct Drawer {
    ADMRect bounds{};
    ADMPoint origin{};
    PortRef port = nullptr;
    ASInt32 color = kADMBlackColor;
    DisplayList* record = nullptr;
};

}  // namespace subhost

// Drawers and images: what the module paints through them is recorded as draw operations,
// which show as one line each in traces.
#include <cstdio>

#include "subhost/dialogs/dialogs.h"
#include "subhost/error.h"
#include "subhost/sjis.h"

namespace subhost {
namespace {

std::string ShowRect(const ADMRect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

// A number as traces show it: fixed, two decimals ("%.2f").
std::string TwoDecimals(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

std::string ShowPixels(const PixelRect& r) {
    return "(" + TwoDecimals(r.left) + "," + TwoDecimals(r.top) + ")-(" + TwoDecimals(r.right) +
           "," + TwoDecimals(r.bottom) + ")";
}

std::string ShowArtDrawing(const ArtDrawing& d) {
    const AIDrawArtData& q = d.request;
    std::string text =
        "art origin (" + TwoDecimals(q.origin.h) + "," + TwoDecimals(q.origin.v) + ") matrix [" +
        TwoDecimals(q.matrix.a) + " " + TwoDecimals(q.matrix.b) + " " + TwoDecimals(q.matrix.c) +
        " " + TwoDecimals(q.matrix.d) + " " + TwoDecimals(q.matrix.tx) + " " +
        TwoDecimals(q.matrix.ty) + "] clip (" + TwoDecimals(q.destClipRect.left) + "," +
        TwoDecimals(q.destClipRect.top) + "," + TwoDecimals(q.destClipRect.right) + "," +
        TwoDecimals(q.destClipRect.bottom) + ") port (" + std::to_string(q.portBounds.left) + "," +
        std::to_string(q.portBounds.top) + ") -> ";
    text += d.anything ? "pixels " + ShowPixels(d.placed) : "nothing";
    return text + " clipped to " + ShowPixels(d.clip);
}

}  // namespace

std::string DrawOp::Show() const {
    switch (kind) {
        case Kind::Color:
            return "colour " + std::to_string(color);
        case Kind::Fill:
            return "fill " + ShowRect(rect) + " colour " + std::to_string(color);
        case Kind::Frame:
            return "frame " + ShowRect(rect) + " colour " + std::to_string(color);
        case Kind::Sunken:
            return "sunken frame " + ShowRect(rect);
        case Kind::Line:
            return "line (" + std::to_string(from.h) + "," + std::to_string(from.v) + ")-(" +
                   std::to_string(to.h) + "," + std::to_string(to.v) + ") colour " +
                   std::to_string(color);
        case Kind::Text:
            return "text \"" + ShowSjis(text) + "\" in " + ShowRect(rect) + " colour " +
                   std::to_string(color);
        case Kind::Image:
            return "image at (" + std::to_string(from.h) + "," + std::to_string(from.v) + ")";
        case Kind::Art:
            return art ? ShowArtDrawing(*art) : "art";
    }
    return "?";
}

DrawerRef DialogManager::NewDrawer(const ADMRect& bounds, DisplayList* record) {
    auto drawer = std::make_unique<Drawer>();
    drawer->bounds = bounds;
    drawer->record = record;
    drawer->port = reinterpret_cast<PortRef>(detail::NextHandleValue());
    return drawers_.Add(std::move(drawer));
}

Drawer& DialogManager::DrawerOfPort(PortRef port) const {
    Drawer* drawer = port == nullptr
                         ? nullptr
                         : drawers_.FindIf([&](const Drawer& d) { return d.port == port; });
    if (drawer == nullptr) {
        throw HostError(kBadArgumentErr, "no drawer paints through this port");
    }
    return *drawer;
}

void DialogManager::DisposeDrawer(DrawerRef drawer) {
    drawers_.Remove(drawer);
}

ImageRef DialogManager::CreateImage(int width, int height) {
    if (width <= 0 || height <= 0) {
        throw HostError(kBadArgumentErr, "an image needs a width and a height");
    }
    auto image = std::make_unique<Image>();
    image->width = width;
    image->height = height;
    Image& i = *image;
    i.ref = images_.Add(std::move(image));
    return i.ref;
}

void DialogManager::DestroyImage(ImageRef ref) {
    Image& image = Get(ref);
    if (image.drawer != nullptr) {
        DisposeDrawer(image.drawer);
    }
    images_.Remove(ref);
}

DrawerRef DialogManager::BeginDrawing(Image& image) {
    if (image.drawer != nullptr) {
        throw HostError(kBadArgumentErr, "the image is being drawn into already");
    }
    image.drawer = NewDrawer({0, 0, image.width, image.height}, &image.painted);
    return image.drawer;
}

void DialogManager::EndDrawing(Image& image) {
    if (image.drawer == nullptr) {
        throw HostError(kBadArgumentErr, "the image is not being drawn into");
    }
    DisposeDrawer(image.drawer);
    image.drawer = nullptr;
}

}  // namespace subhost

#include "picture.h"

#include <cmath>

#include "failure.h"
#include "subhost/files.h"
#include "subhost/mapforms/mapforms.h"

#ifdef KZN_PICTURES
#include "subhost/mapforms/svgform.h"
#include "subhost/picture/canvas.h"
#include "subhost/picture/legend.h"
#include "subhost/picture/mappicture.h"
#include "subhost/picture/svgpicture.h"
#endif

namespace kznhost {
namespace {

// Runs DRAW on the map read from MAP, drawing WHAT ("the picture") into OUT; every failure is one
// line on ERR and exit status 2.
template <typename Draw>
int WithMap(const std::string& map, const std::string& out, const char* what, std::ostream& err,
            Draw draw) {
#ifdef KZN_PICTURES
    std::string doing = "reading the map " + map;
    try {
        subhost::picture::FormatOf(out);  // a wrong name is said before the map is read
        subhost::LoadedMap loaded = subhost::LoadMap(map);
        doing = std::string("drawing ") + what + " " + out;
        draw(loaded);
        return 0;
    } catch (const std::exception& e) {
        err << "kznhost: " << Said(e, doing) << "\n";
        return 2;
    }
#else
    (void)map;
    (void)out;
    (void)what;
    (void)draw;
    err << "kznhost: this kznhost draws no pictures (it is built without cairo and pango)\n";
    return 2;
#endif
}

}  // namespace

bool CanDrawPictures() {
#ifdef KZN_PICTURES
    return true;
#else
    return false;
#endif
}

int RenderPicture(const std::string& map, const std::string& out, double scale, std::ostream& err) {
    if (!(scale > 0 && std::isfinite(scale))) {
        err << "kznhost: the scale must be a number greater than 0\n";
        return 2;
    }
    return WithMap(
        map, out, "the picture", err, [&]([[maybe_unused]] const subhost::LoadedMap& loaded) {
#ifdef KZN_PICTURES
            // An SVG map is drawn from its own markup, as it was read.
            if (loaded.source != nullptr) {
                subhost::picture::RenderSvgMap(
                    subhost::FormatSvgMap(*loaded.document, loaded.source.get()), out, scale);
            } else {
                subhost::picture::RenderMap(*loaded.document, out, scale);
            }
#endif
        });
}

int RenderLegend(const std::string& map, const std::string& out, std::ostream& err) {
    return WithMap(map, out, "the legend", err,
                   [&]([[maybe_unused]] const subhost::LoadedMap& loaded) {
#ifdef KZN_PICTURES
                       if (loaded.source != nullptr) {
                           subhost::picture::RenderSvgLegend(*loaded.document, *loaded.source, out);
                       } else {
                           subhost::picture::RenderLegend(*loaded.document, out);
                       }
#endif
                   });
}

}  // namespace kznhost

// The path suites: a path's segments and whether it is closed, and its paint.
//
// The document keeps a path's fill and stroke as on or off with a gray, and the stroke's width.
// GetPathStyle gives the host's defaults for what it does not keep: no overprint, miter limit 4,
// butt caps (0), miter joins (0), no clipping, the non-zero winding rule and resolution 800; the
// colour of a paint that is off is gray 0 (and a stroke that is off has width 1). SetPathStyle
// takes the fill and the stroke that are on and ignores the colour of one that is off; it ignores
// the fields the document does not keep. A gray is kept as it is given, also outside 0..1 (a
// tint of 65536 is drawn as black). Refused, leaving the style as it was: a paint that is on with
// a colour other than gray (kNotKeptErr), and a gray or width that is not a finite number or a
// negative width (kBadArgumentErr), which no map could hold.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/suitenames.h"
#include "subhost/suites/reals.h"
#include "subhost/suites/serve.h"
#include "subhost/suites/tables.h"

namespace subhost {
namespace {

// Path calls are made on paths only (a text's path is one).
Art& PathArt(Host& host, ArtHandle path) {
    Art& art = host.document().Get(path);
    if (art.type != kPathArt) {
        throw HostError(kWrongArtTypeErr, "the art is not a path");
    }
    return art;
}

// The segments from FIRST on, COUNT of them, must lie within SIZE segments.
void CheckRange(ASInt32 first, ASInt32 count, std::size_t size) {
    if (first < 0 || count < 0 ||
        static_cast<std::int64_t>(first) + count > static_cast<std::int64_t>(size)) {
        throw HostError(kOutOfRangeErr, "segments " + std::to_string(first) + " (" +
                                            std::to_string(count) + ") of a path of " +
                                            std::to_string(size));
    }
}

// A point the document can keep: a map holds finite numbers only.
Point FromReal(const AIRealPoint& p) {
    if (!std::isfinite(p.h) || !std::isfinite(p.v)) {
        throw HostError(kBadArgumentErr, "a point is not a finite number");
    }
    return FromAI(p);
}

// AI Path Suite.
ASErr KZN_API GetPathSegmentCount(ArtHandle path, ASInt32* count) {
    return Serve(kPathSuite, "GetPathSegmentCount", [&](Host& host) {
        ASInt32& out = Out(count);
        out = 0;
        out = static_cast<ASInt32>(PathArt(host, path).segments.size());
    });
}

ASErr KZN_API SetPathSegmentCount(ArtHandle path, ASInt32 count) {
    return Serve(kPathSuite, "SetPathSegmentCount", [&](Host& host) {
        Art& art = PathArt(host, path);
        if (count < 0) {
            throw HostError(kOutOfRangeErr, "a path cannot have fewer than no segments");
        }
        const Segment last = art.segments.empty() ? Segment{} : art.segments.back();
        art.segments.resize(static_cast<std::size_t>(count), last);
    });
}

ASErr KZN_API GetPathSegments(ArtHandle path, ASInt32 segNumber, ASInt32 count,
                              AIPathSegment* segments) {
    return Serve(kPathSuite, "GetPathSegments", [&](Host& host) {
        const Art& art = PathArt(host, path);
        CheckRange(segNumber, count, art.segments.size());
        if (count > 0 && segments == nullptr) {
            throw HostError(kBadArgumentErr, "no room for the segments");
        }
        for (ASInt32 i = 0; i < count; ++i) {
            const Segment& s = art.segments[static_cast<std::size_t>(segNumber + i)];
            segments[i] = {ToAI(s.p), ToAI(s.in), ToAI(s.out), s.corner};
        }
    });
}

ASErr KZN_API SetPathSegments(ArtHandle path, ASInt32 segNumber, ASInt32 count,
                              const AIPathSegment* segments) {
    return Serve(kPathSuite, "SetPathSegments", [&](Host& host) {
        Art& art = PathArt(host, path);
        // Writing may run past the end (the path grows) but may not leave a gap before it.
        CheckRange(segNumber, 0, art.segments.size());
        if (count < 0 || (count > 0 && segments == nullptr)) {
            throw HostError(kBadArgumentErr, "no segments to write");
        }
        std::vector<Segment> written;
        written.reserve(static_cast<std::size_t>(count));
        for (ASInt32 i = 0; i < count; ++i) {
            const AIPathSegment& s = segments[i];
            written.push_back({FromReal(s.p), FromReal(s.in), FromReal(s.out), s.corner != 0});
        }
        const auto first = static_cast<std::size_t>(segNumber);
        if (first + written.size() > art.segments.size()) {
            art.segments.resize(first + written.size());
        }
        std::copy(written.begin(), written.end(),
                  art.segments.begin() + static_cast<std::ptrdiff_t>(first));
    });
}

ASErr KZN_API GetPathClosed(ArtHandle path, ASBoolean* closed) {
    return Serve(kPathSuite, "GetPathClosed", [&](Host& host) {
        ASBoolean& out = Out(closed);
        out = false;
        out = PathArt(host, path).closed;
    });
}

ASErr KZN_API SetPathClosed(ArtHandle path, ASBoolean closed) {
    return Serve(kPathSuite, "SetPathClosed",
                 [&](Host& host) { PathArt(host, path).closed = closed != 0; });
}

// AI Path Style Suite.
AIColor GrayColor(double gray) {
    AIColor color;
    std::memset(&color, 0, sizeof color);
    color.kind = kGrayColor;
    color.c.g.gray = static_cast<AIReal>(gray);
    return color;
}

double Finite(AIReal value, const char* what) {
    if (!std::isfinite(value)) {
        throw HostError(kBadArgumentErr, std::string(what) + " is not a finite number");
    }
    return value;
}

double GrayOf(const AIColor& color, const char* what) {
    if (color.kind != kGrayColor) {
        throw HostError(kNotKeptErr, std::string("the document keeps only gray ") + what +
                                         "s (colour kind " + std::to_string(color.kind) + ")");
    }
    return Finite(color.c.g.gray, what);
}

ASErr KZN_API GetPathStyle(ArtHandle path, AIPathStyle* style) {
    return Serve(kPathStyleSuite, "GetPathStyle", [&](Host& host) {
        AIPathStyle& out = Out(style);
        const Art& art = PathArt(host, path);
        AIPathStyle s;
        std::memset(&s, 0, sizeof s);
        s.fillPaint = art.style.fill.has_value();
        s.fill.color = GrayColor(art.style.fill ? art.style.fill->gray : 0);
        s.strokePaint = art.style.stroke.has_value();
        s.stroke.color = GrayColor(art.style.stroke ? art.style.stroke->gray : 0);
        s.stroke.width = static_cast<AIReal>(art.style.stroke ? art.style.stroke->width : 1);
        s.stroke.miterLimit = 4;
        s.stroke.cap = 0;
        s.stroke.join = 0;
        s.resolution = 800;
        out = s;
    });
}

ASErr KZN_API SetPathStyle(ArtHandle path, const AIPathStyle* style) {
    return Serve(kPathStyleSuite, "SetPathStyle", [&](Host& host) {
        Art& art = PathArt(host, path);
        const AIPathStyle& in = Out(style);
        PathStyle kept;
        if (in.fillPaint) {
            kept.fill = Paint{GrayOf(in.fill.color, "fill"), 0};
        }
        if (in.strokePaint) {
            const double width = Finite(in.stroke.width, "the stroke width");
            if (width < 0) {
                throw HostError(kBadArgumentErr, "a stroke width cannot be negative");
            }
            kept.stroke = Paint{GrayOf(in.stroke.color, "stroke"), width};
        }
        art.style = kept;
    });
}

}  // namespace

const PathSuite kPathTable = {GetPathSegmentCount, SetPathSegmentCount, GetPathSegments,
                              SetPathSegments,     GetPathClosed,       SetPathClosed};

const PathStyleSuite kPathStyleTable = {GetPathStyle, SetPathStyle};

}  // namespace subhost

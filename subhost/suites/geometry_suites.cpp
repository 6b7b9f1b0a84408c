// The suites of document geometry: real math, the bounds queries of the art suite, transforming
// art and drawing art into a drawer. The module's single-precision values become the host's
// double precision here and go back rounded to single precision.
#include <cmath>

#include "subhost/document/artgeometry.h"
#include "subhost/suites/reals.h"
#include "subhost/suites/serve.h"
#include "subhost/suites/tables.h"

#include "host/suitenames.h"

namespace subhost {
namespace {

template <typename T>
const T& In(const T* pointer) {
    if (pointer == nullptr) {
        throw HostError(kBadArgumentErr, "an in-parameter is null");
    }
    return *pointer;
}

// AI Real Math Suite: every operation sets or changes *M in place.
template <typename Change>
ASErr ChangeMatrix(const char* call, AIRealMatrix* m, Change&& change) {
    return Serve(kRealMathSuite, call, [&](Host&) {
        AIRealMatrix& out = Out(m);
        out = ToAI(change(FromAI(out)));
    });
}

ASErr KZN_API SetScale(AIRealMatrix* m, AIReal h, AIReal v) {
    return ChangeMatrix("AIRealMatrixSetScale", m,
                        [&](const geometry::Matrix&) { return geometry::Matrix::Scale(h, v); });
}

ASErr KZN_API SetRotate(AIRealMatrix* m, AIReal angle) {
    return ChangeMatrix("AIRealMatrixSetRotate", m,
                        [&](const geometry::Matrix&) { return geometry::Matrix::Rotation(angle); });
}

ASErr KZN_API SetTranslate(AIRealMatrix* m, AIReal tx, AIReal ty) {
    return ChangeMatrix("AIRealMatrixSetTranslate", m, [&](const geometry::Matrix&) {
        return geometry::Matrix::Translation(tx, ty);
    });
}

ASErr KZN_API ConcatScale(AIRealMatrix* m, AIReal h, AIReal v) {
    return ChangeMatrix("AIRealMatrixConcatScale", m, [&](const geometry::Matrix& was) {
        return was.Then(geometry::Matrix::Scale(h, v));
    });
}

ASErr KZN_API ConcatRotate(AIRealMatrix* m, AIReal angle) {
    return ChangeMatrix("AIRealMatrixConcatRotate", m, [&](const geometry::Matrix& was) {
        return was.Then(geometry::Matrix::Rotation(angle));
    });
}

ASErr KZN_API ConcatTranslate(AIRealMatrix* m, AIReal tx, AIReal ty) {
    return ChangeMatrix("AIRealMatrixConcatTranslate", m, [&](const geometry::Matrix& was) {
        return was.Then(geometry::Matrix::Translation(tx, ty));
    });
}

ASErr KZN_API XformPoint(const AIRealMatrix* m, const AIRealPoint* a, AIRealPoint* b) {
    return Serve(kRealMathSuite, "AIRealMatrixXformPoint", [&](Host&) {
        AIRealPoint& out = Out(b);
        out = ToAI(FromAI(In(m)).Apply(FromAI(In(a))));
    });
}

ASErr KZN_API PointLength(const AIRealPoint* a, const AIRealPoint* b, AIReal* length) {
    return Serve(kRealMathSuite, "AIRealPointLength", [&](Host&) {
        AIReal& out = Out(length);
        out = static_cast<AIReal>(geometry::Distance(FromAI(In(a)), FromAI(In(b))));
    });
}

ASErr KZN_API PointInterpolate(const AIRealPoint* a, const AIRealPoint* b, AIReal t,
                               AIRealPoint* result) {
    return Serve(kRealMathSuite, "AIRealPointInterpolate", [&](Host&) {
        AIRealPoint& out = Out(result);
        out = ToAI(geometry::Interpolate(FromAI(In(a)), FromAI(In(b)), t));
    });
}

// The bounds queries take options 0 only: the module asks for nothing else.
void RequireNoOptions(ASInt32 flags) {
    if (flags != 0) {
        throw HostError(kBadArgumentErr, "bounds options other than 0 are not served");
    }
}

// AI Transform Art Suite.
ASErr KZN_API TransformArtCall(ArtHandle art, AIRealMatrix* matrix, AIReal lineScale,
                               ASInt32 flags) {
    return Serve(kTransformArtSuite, "TransformArt", [&](Host& host) {
        Art& target = host.document().Get(art);
        const geometry::Matrix m = FromAI(In(matrix));
        if (!TransformStaysFinite(target, m, lineScale, flags)) {
            throw HostError(kBadArgumentErr,
                            "the transform would give the art a coordinate that is not a finite "
                            "number (a map holds finite numbers only)");
        }
        TransformArt(target, m, lineScale, flags);
    });
}

// AI Draw Art Suite.
//
// Where a request puts the art, the same rule for every request: a document point q goes to the
// pixel
//
//     corner + matrix · (q.x − origin.x, origin.y − q.y)
//
// of the drawer that owns the port, in that drawer's own coordinates (those of its bounds and of
// its other drawing calls; y grows downwards; a list row's drawer has its own, from (0, 0) at
// the row's top-left). The offset from the origin is first turned to the port's downward y, then
// the matrix (rotation and scale in pixel units) applies, then the port's corner. The corner is
// (portBounds.left, portBounds.top) in pixels; for a matrix that mirrors (negative determinant,
// as pattern art is drawn: its own space has y growing downwards already) the port bounds are in
// art units and the corner is the matrix applied to them. The clip rectangle is in the frame of
// the art as the request draws it upright (the rotated bounds a painter fits): turned by the
// matrix's rotation angle into document coordinates, it goes through the same rule; when the
// request asks for it, the clip's pixels are erased first. So a request whose origin is the
// top-left corner of document art's bounds, whose matrix is a scale (s, s) and whose port bounds
// are a cell's top-left corner draws the art upright inside that cell, s pixels to a unit; and
// pattern art, origin at its bounds' left and bottom (the top of the pattern as seen), matrix (s,
// −s), port bounds the cell's corner divided by s with y negated, lands upright in the same cell.
ASErr KZN_API DrawArt(AIDrawArtData* data) {
    return Serve(kDrawArtSuite, "DrawArt", [&](Host& host) {
        const AIDrawArtData& request = In(data);
        if (request.type != kAIDrawArtPortOutput) {
            throw HostError(kBadArgumentErr, "art is drawn into a drawing port only");
        }
        Drawer& drawer = host.dialogs().DrawerOfPort(request.port);
        const Art& art = host.document().Get(request.art);
        const geometry::Matrix matrix = FromAI(request.matrix);
        geometry::Point corner{static_cast<double>(request.portBounds.left),
                               static_cast<double>(request.portBounds.top)};
        if (matrix.a * matrix.d - matrix.b * matrix.c < 0) {
            corner = matrix.Linear().Apply(corner);
        }
        const geometry::Matrix toPixels =
            geometry::Matrix::Translation(-request.origin.h, -request.origin.v)
                .Then(geometry::Matrix::Scale(1, -1))
                .Then(matrix)
                .Then(geometry::Matrix::Translation(corner.x, corner.y));
        // In pixels y grows downwards: the smaller y is the top.
        const auto pixels = [](const geometry::Bounds& b) {
            const geometry::Rect r = b.rect();
            return PixelRect{r.left, r.bottom, r.right, r.top};
        };
        auto drawing = std::make_shared<ArtDrawing>();
        drawing->request = request;
        drawing->toPixels = toPixels;
        const geometry::Bounds placed = ArtBounds(art, toPixels);
        drawing->anything = !placed.empty();
        drawing->placed = pixels(placed);
        // The clip is in the frame of the art as it is drawn upright: turned by the matrix's
        // rotation into the document first.
        const geometry::Matrix upright =
            geometry::Matrix::Rotation(std::atan2(matrix.b, matrix.a)).Then(toPixels);
        geometry::Bounds clip;
        const AIRealRect& c = request.destClipRect;
        for (const geometry::Point corner :
             {geometry::Point{c.left, c.top}, geometry::Point{c.right, c.top},
              geometry::Point{c.right, c.bottom}, geometry::Point{c.left, c.bottom}}) {
            clip.Add(upright.Apply(corner));
        }
        drawing->clip = pixels(clip);
        DrawOp op;
        op.kind = DrawOp::Kind::Art;
        op.color = drawer.color;
        op.art = std::move(drawing);
        drawer.record->push_back(std::move(op));
    });
}

}  // namespace

// AI Art Suite: bounds.
ASErr KZN_API GetArtBounds(ArtHandle art, AIRealRect* bounds) {
    return Serve(kArtSuite, "GetArtBounds", [&](Host& host) {
        AIRealRect& out = Out(bounds);
        out = ToAI(ArtBounds(host.document().Get(art)).rect());
    });
}

ASErr KZN_API GetArtRotatedBounds(ArtHandle art, AIReal angle, ASInt32 flags, AIRealRect* bounds) {
    return Serve(kArtSuite, "GetArtRotatedBounds", [&](Host& host) {
        AIRealRect& out = Out(bounds);
        RequireNoOptions(flags);
        out = ToAI(ArtBounds(host.document().Get(art), geometry::Matrix::Rotation(angle)).rect());
    });
}

ASErr KZN_API GetArtTransformBounds(ArtHandle art, AIRealMatrix* transform, ASInt32 flags,
                                    AIRealRect* bounds) {
    return Serve(kArtSuite, "GetArtTransformBounds", [&](Host& host) {
        AIRealRect& out = Out(bounds);
        RequireNoOptions(flags);
        out = ToAI(ArtBounds(host.document().Get(art), FromAI(In(transform))).rect());
    });
}

const RealMathSuite kRealMathTable = {SetScale,    SetRotate,    SetTranslate,
                                      ConcatScale, ConcatRotate, ConcatTranslate,
                                      XformPoint,  PointLength,  PointInterpolate};

const TransformArtSuite kTransformArtTable = {TransformArtCall};

const DrawArtSuite kDrawArtTable = {DrawArt};

}  // namespace subhost

// The module's single-precision geometry and the host's double precision: what the suites take
// in and give back.
#pragma once

#include "host/ai.h"
#include "subhost/geometry/geometry.h"

namespace subhost {

inline geometry::Point FromAI(const AIRealPoint& p) {
    return {p.h, p.v};
}

inline AIRealPoint ToAI(geometry::Point p) {
    return {static_cast<AIReal>(p.x), static_cast<AIReal>(p.y)};
}

inline geometry::Matrix FromAI(const AIRealMatrix& m) {
    return {m.a, m.b, m.c, m.d, m.tx, m.ty};
}

inline AIRealMatrix ToAI(const geometry::Matrix& m) {
    return {static_cast<AIReal>(m.a), static_cast<AIReal>(m.b),  static_cast<AIReal>(m.c),
            static_cast<AIReal>(m.d), static_cast<AIReal>(m.tx), static_cast<AIReal>(m.ty)};
}

inline AIRealRect ToAI(const geometry::Rect& r) {
    return {static_cast<AIReal>(r.left), static_cast<AIReal>(r.top), static_cast<AIReal>(r.right),
            static_cast<AIReal>(r.bottom)};
}

}  // namespace subhost

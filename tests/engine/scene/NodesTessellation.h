#pragma once
// What the polygon suites share: the recorder with GLU's own tessellator in it, so that the
// tessellation's callbacks run and their OpenGL calls are logged without a context, and the
// triangles of the logged primitives. A suite that includes it defines GL_DISPATCH_NO_NAMES
// before anything else, so that the table's entries can be named and set.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "platform/gl/GLRecorder.h"
#include "tests/engine/scene/VertexCalls.h"

#ifndef GL_DISPATCH_NO_NAMES
#error "define GL_DISPATCH_NO_NAMES before the first include"
#endif

namespace nodes_tessellation {

// The library's GLU, loaded once; the dispatch table is given back as it was.
inline const TGLDispatch& LibraryDispatch() {
  static const TGLDispatch table = [] {
    const TGLDispatch saved = GLDispatch;
    InitOpenGL();
    const TGLDispatch loaded = GLDispatch;
    GLDispatch = saved;
    return loaded;
  }();
  return table;
}

// Every OpenGL call is recorded; the tessellator is GLU's (its own calls are not logged).
class TTessellatingRecorder : public TGLRecorder {
 public:
  TTessellatingRecorder() {
    const TGLDispatch& glu = LibraryDispatch();
    for (const auto& name : GLMissingEntryPoints())
      EXPECT_NE(name.rfind("gluTess", 0), 0u) << name << " is missing from the library";
    GLDispatch.gluNewTess = glu.gluNewTess;
    GLDispatch.gluDeleteTess = glu.gluDeleteTess;
    GLDispatch.gluTessCallback = glu.gluTessCallback;
    GLDispatch.gluTessNormal = glu.gluTessNormal;
    GLDispatch.gluTessProperty = glu.gluTessProperty;
    GLDispatch.gluTessBeginPolygon = glu.gluTessBeginPolygon;
    GLDispatch.gluTessBeginContour = glu.gluTessBeginContour;
    GLDispatch.gluTessVertex = glu.gluTessVertex;
    GLDispatch.gluTessEndContour = glu.gluTessEndContour;
    GLDispatch.gluTessEndPolygon = glu.gluTessEndPolygon;
    GLDispatch.gluErrorString = glu.gluErrorString;
  }
};

using TPoint = std::array<double, 3>;
using TTriangle = std::array<TPoint, 3>;

inline TPoint PointOf(const TGLCall& call) {
  const std::vector<float> v = vertex_calls::Numbers(call);
  return {v[0], v[1], v[2]};
}

// The triangles of the logged triangle lists, fans and strips, each in the winding it is drawn
// with (a strip's every other triangle turned back, as OpenGL does).
inline std::vector<TTriangle> Triangles(const TGLCalls& calls) {
  std::vector<TTriangle> triangles;
  for (const vertex_calls::TPrimitive& primitive : vertex_calls::Primitives(calls)) {
    std::vector<TPoint> p;
    for (const vertex_calls::TSentVertex& v : primitive.Vertices)
      p.push_back({v.Position[0], v.Position[1], v.Position[2]});
    const size_t n = p.size();
    if (primitive.Mode == GL_TRIANGLES)
      for (size_t i = 0; i + 2 < n; i += 3) triangles.push_back({p[i], p[i + 1], p[i + 2]});
    if (primitive.Mode == GL_TRIANGLE_FAN)
      for (size_t i = 1; i + 1 < n; ++i) triangles.push_back({p[0], p[i], p[i + 1]});
    if (primitive.Mode == GL_TRIANGLE_STRIP)
      for (size_t i = 0; i + 2 < n; ++i)
        triangles.push_back(i % 2 == 0 ? TTriangle{p[i], p[i + 1], p[i + 2]}
                                       : TTriangle{p[i + 1], p[i], p[i + 2]});
  }
  return triangles;
}

// Twice the signed area seen from +Z: positive when counter-clockwise.
inline double DoubleAreaXY(const TTriangle& t) {
  return (t[1][0] - t[0][0]) * (t[2][1] - t[0][1]) - (t[2][0] - t[0][0]) * (t[1][1] - t[0][1]);
}

// The z of the triangle's normal, (p1 - p0) x (p2 - p0), over its length.
inline double NormalZ(const TTriangle& t) {
  const TPoint a{t[1][0] - t[0][0], t[1][1] - t[0][1], t[1][2] - t[0][2]};
  const TPoint b{t[2][0] - t[0][0], t[2][1] - t[0][1], t[2][2] - t[0][2]};
  const TPoint n{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  return n[2] / std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
}

}  // namespace nodes_tessellation

// Connectivity and silhouettes: a triangle from both sides, a closed cube from outside a face,
// shared vertices and edges, and the edge-on and append cases.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "engine/base/GLSilhouette.h"

namespace {

using TEdge = std::pair<TAffineVector, TAffineVector>;

TAffineVector Point(TGLSilhouette& s, int id) {
  const TVector& v = s.Vertices().List()[id];
  EXPECT_EQ(v[3], 1);
  return {v[0], v[1], v[2]};
}

std::vector<TEdge> Edges(TGLSilhouette& s) {
  std::vector<TEdge> edges;
  for (int i = 0; i + 1 < s.Indices().Count(); i += 2)
    edges.push_back({Point(s, s.Indices().Get(i)), Point(s, s.Indices().Get(i + 1))});
  return edges;
}

std::vector<std::vector<TAffineVector>> Caps(TGLSilhouette& s) {
  std::vector<std::vector<TAffineVector>> caps;
  for (int i = 0; i + 2 < s.CapIndices().Count(); i += 3)
    caps.push_back({Point(s, s.CapIndices().Get(i)), Point(s, s.CapIndices().Get(i + 1)),
                    Point(s, s.CapIndices().Get(i + 2))});
  return caps;
}

std::unique_ptr<TGLSilhouette> Silhouette(TConnectivity& c, const TAffineVector& viewPoint,
                                          bool withCaps) {
  TGLSilhouette* s = nullptr;
  c.CreateSilhouette({viewPoint, {0, 0, 0}, spPoint, withCaps}, s, false);
  return std::unique_ptr<TGLSilhouette>(s);
}

const TAffineVector A = {0, 0, 0}, B = {1, 0, 0}, C = {0, 1, 0};

TEST(Silhouette, TriangleFromTheFrontIsEmptyFromBehindItsThreeEdges) {
  for (bool precompute : {false, true}) {
    TConnectivity c(precompute);
    EXPECT_EQ(c.AddFace(A, B, C), 0);
    EXPECT_EQ(c.EdgeCount(), 3);
    EXPECT_EQ(c.FaceCount(), 1);

    auto front = Silhouette(c, {0.2f, 0.2f, 5}, true);
    EXPECT_EQ(front->Indices().Count(), 0);
    EXPECT_EQ(front->CapIndices().Count(), 0);
    EXPECT_EQ(c.FaceVisible().List()[0], 1);

    auto behind = Silhouette(c, {0.2f, 0.2f, -5}, false);
    EXPECT_EQ(Edges(*behind), (std::vector<TEdge>{{A, B}, {B, C}, {C, A}}));
    EXPECT_EQ(behind->Vertices().Count(), 3);
    EXPECT_EQ(c.FaceVisible().List()[0], 0);

    auto capped = Silhouette(c, {0.2f, 0.2f, -5}, true);
    EXPECT_EQ(Caps(*capped), (std::vector<std::vector<TAffineVector>>{{A, B, C}}));
    EXPECT_EQ(Edges(*capped), (std::vector<TEdge>{{A, B}, {B, C}, {C, A}}));
    // Cap vertices are resolved last to first, so C comes first in the silhouette.
    EXPECT_EQ(Point(*capped, 0), C);
  }
}

// A cube of edge 2 around the origin, every face wound counter-clockwise seen from outside.
void AddCube(TConnectivity& c) {
  const TAffineVector X = {1, 0, 0}, Y = {0, 1, 0}, Z = {0, 0, 1};
  const auto neg = [](TAffineVector v) { return TAffineVector{-v[0], -v[1], -v[2]}; };
  const struct {
    TAffineVector n, u, v;
  } faces[] = {{Z, X, Y}, {neg(Z), Y, X}, {X, Y, Z}, {neg(X), Z, Y}, {Y, Z, X}, {neg(Y), X, Z}};
  for (const auto& f : faces) {
    const auto corner = [&](float su, float sv) {
      TAffineVector p;
      for (int k = 0; k < 3; ++k) p[k] = f.n[k] + su * f.u[k] + sv * f.v[k];
      return p;
    };
    c.AddQuad(corner(-1, -1), corner(1, -1), corner(1, 1), corner(-1, 1));
  }
}

TEST(Silhouette, CubeFromOutsideAFaceCentreOutlinesThatFace) {
  for (bool precompute : {false, true}) {
    TConnectivity c(precompute);
    AddCube(c);
    EXPECT_EQ(c.Vertices().Count(), 8);
    EXPECT_EQ(c.FaceCount(), 12);
    EXPECT_EQ(c.EdgeCount(), 18);

    auto s = Silhouette(c, {0, 0, 5}, true);
    const std::vector<TEdge> edges = Edges(*s);
    ASSERT_EQ(edges.size(), 4u);
    std::set<std::pair<float, float>> midpoints;
    for (const auto& [p, q] : edges) {
      EXPECT_EQ(p[2], 1);
      EXPECT_EQ(q[2], 1);
      midpoints.insert({(p[0] + q[0]) / 2, (p[1] + q[1]) / 2});
      // Every edge runs clockwise seen from the viewer: the visible face on the same side.
      EXPECT_LT(p[0] * q[1] - p[1] * q[0], 0);
    }
    EXPECT_EQ(midpoints, (std::set<std::pair<float, float>>{{0, -1}, {1, 0}, {0, 1}, {-1, 0}}));

    const auto caps = Caps(*s);
    EXPECT_EQ(caps.size(), 10u);
    for (const auto& cap : caps) EXPECT_FALSE(cap[0][2] == 1 && cap[1][2] == 1 && cap[2][2] == 1);
    EXPECT_EQ(s->Vertices().Count(), 8);
  }
}

TEST(Connectivity, AddQuadSharesVerticesAndSplitsIntoTwoFaces) {
  const TAffineVector D = {1, 1, 0};
  TConnectivity c(false);
  EXPECT_EQ(c.AddQuad(A, B, D, C), 0);
  EXPECT_EQ(std::vector<TAffineVector>(c.Vertices().List(), c.Vertices().List() + 4),
            (std::vector<TAffineVector>{A, B, D, C}));
  EXPECT_EQ(std::vector<int32_t>(c.FaceVertexIndex().List(), c.FaceVertexIndex().List() + 6),
            (std::vector<int32_t>{0, 1, 2, 2, 3, 0}));
  EXPECT_EQ(c.EdgeCount(), 5);  // the diagonal is shared
  c.Clear();
  EXPECT_EQ(c.Vertices().Count(), 0);
  EXPECT_EQ(c.EdgeCount(), 0);
  EXPECT_EQ(c.FaceCount(), 0);
}

TEST(Connectivity, ATwiceAddedTriangleCarriesItsCopyAsSecondFace) {
  TConnectivity c(false);
  c.AddFace(A, B, C);
  EXPECT_EQ(c.AddFace(A, B, C), 1);
  EXPECT_EQ(c.EdgeCount(), 3);
  for (int e = 0; e < 3; ++e) EXPECT_EQ(c.EdgeFaces().Get(2 * e + 1), 1);
  for (float z : {5.0f, -5.0f})
    EXPECT_EQ(Silhouette(c, {0.2f, 0.2f, z}, false)->Indices().Count(), 0);
}

TEST(Connectivity, AFaceEdgeOnToTheViewerCountsAsVisible) {
  TConnectivity c(false);
  c.AddFace(A, B, C);
  Silhouette(c, {5, 5, 0}, true);
  EXPECT_EQ(c.FaceVisible().List()[0], 1);
}

TEST(Connectivity, AddingToASilhouetteAppendsVerticesAgain) {
  TConnectivity c(false);
  c.AddFace(A, B, C);
  TGLSilhouette* s = nullptr;
  const TSilhouetteRequest behind = {{0.2f, 0.2f, -5}, {0, 0, 0}, spPoint, false};
  c.CreateSilhouette(behind, s, false);
  std::unique_ptr<TGLSilhouette> owned(s);
  c.CreateSilhouette(behind, s, true);
  EXPECT_EQ(s, owned.get());
  EXPECT_EQ(s->Vertices().Count(), 6);
  EXPECT_EQ(s->Indices().Count(), 12);
  EXPECT_EQ(s->Indices().Get(6), 3);
  c.CreateSilhouette(behind, s, false);
  EXPECT_EQ(s->Vertices().Count(), 3);
}

}  // namespace

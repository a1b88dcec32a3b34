#include "engine/base/GLSilhouette.h"

void TGLSilhouette::Flush() {
  FVertices.Flush();
  FIndices.Flush();
  FCapIndices.Flush();
}

void TConnectivity::Clear() {
  FEdgeVertexIDs.Clear();
  FEdgeFaces.Clear();
  FFaceVisible.Clear();
  FFaceVertexIndex.Clear();
  FFaceNormal.Clear();
  FVertexMemory.Clear();
  FVertices.Clear();
}

int32_t TConnectivity::AddFace(const TAffineVector& v1, const TAffineVector& v2,
                               const TAffineVector& v3) {
  const int32_t i1 = FVertices.FindOrAdd(v1);
  const int32_t i2 = FVertices.FindOrAdd(v2);
  const int32_t i3 = FVertices.FindOrAdd(v3);
  return AddIndexedFace(i1, i2, i3);
}

int32_t TConnectivity::AddQuad(const TAffineVector& v1, const TAffineVector& v2,
                               const TAffineVector& v3, const TAffineVector& v4) {
  const int32_t i1 = FVertices.FindOrAdd(v1);
  const int32_t i2 = FVertices.FindOrAdd(v2);
  const int32_t i3 = FVertices.FindOrAdd(v3);
  const int32_t i4 = FVertices.FindOrAdd(v4);
  const int32_t face = AddIndexedFace(i1, i2, i3);
  AddIndexedFace(i3, i4, i1);
  return face;
}

int32_t TConnectivity::AddIndexedFace(int32_t i1, int32_t i2, int32_t i3) {
  FFaceVertexIndex.Add(i1, i2, i3);
  if (FPrecomputeFaceNormal) {
    TAffineVector normal;
    CalcPlaneNormal(FVertices.List()[i1], FVertices.List()[i2], FVertices.List()[i3], normal);
    FFaceNormal.Add(normal);
  }
  const int32_t face = FFaceVisible.Add(0);
  AddIndexedEdge(i1, i2, face);
  AddIndexedEdge(i2, i3, face);
  AddIndexedEdge(i3, i1, face);
  return face;
}

void TConnectivity::AddIndexedEdge(int32_t a, int32_t b, int32_t face) {
  const int32_t* ids = FEdgeVertexIDs.List();
  for (int32_t e = 0; e < EdgeCount(); ++e) {
    if ((ids[2 * e] == a && ids[2 * e + 1] == b) || (ids[2 * e] == b && ids[2 * e + 1] == a)) {
      FEdgeFaces.Put(2 * e + 1, face);
      return;
    }
  }
  FEdgeVertexIDs.Add(a, b);
  FEdgeFaces.Add(face, -1);
}

int32_t TConnectivity::ReuseOrFindVertexID(const TSilhouetteRequest& request,
                                           TGLSilhouette& silhouette, int32_t index) {
  (void)request;
  if (index >= FVertexMemory.Count()) {
    const int32_t oldCount = FVertexMemory.Count();
    FVertexMemory.SetCount(index + 1);
    for (int32_t i = oldCount; i <= index; ++i) FVertexMemory.Put(i, -1);
  }
  int32_t id = FVertexMemory.Get(index);
  if (id == -1) {
    id = silhouette.Vertices().AddPoint(FVertices.List()[index]);
    FVertexMemory.Put(index, id);
  }
  return id;
}

void TConnectivity::CreateSilhouette(const TSilhouetteRequest& request, TGLSilhouette*& silhouette,
                                     bool addToSilhouette) {
  if (silhouette == nullptr)
    silhouette = new TGLSilhouette;
  else if (!addToSilhouette)
    silhouette->Flush();
  FVertexMemory.Flush();

  const TAffineVector* vertices = FVertices.List();
  for (int32_t f = 0; f < FaceCount(); ++f) {
    const int32_t i1 = FFaceVertexIndex.Get(3 * f);
    const int32_t i2 = FFaceVertexIndex.Get(3 * f + 1);
    const int32_t i3 = FFaceVertexIndex.Get(3 * f + 2);
    const TAffineVector& p1 = vertices[i1];
    TAffineVector normal;
    if (FPrecomputeFaceNormal)
      normal = FFaceNormal.List()[f];
    else
      CalcPlaneNormal(p1, vertices[i2], vertices[i3], normal);
    TAffineVector toViewer;
    VectorSubtract(request.ViewPoint, p1, toViewer);
    const bool visible = VectorDotProduct(toViewer, normal) >= 0;
    FFaceVisible.Put(f, visible ? 1 : 0);
    if (!visible && request.WithCaps) {
      const int32_t id3 = ReuseOrFindVertexID(request, *silhouette, i3);
      const int32_t id2 = ReuseOrFindVertexID(request, *silhouette, i2);
      const int32_t id1 = ReuseOrFindVertexID(request, *silhouette, i1);
      silhouette->CapIndices().Add(id1, id2, id3);
    }
  }

  const uint8_t* faceVisible = FFaceVisible.List();
  for (int32_t e = 0; e < EdgeCount(); ++e) {
    const int32_t f0 = FEdgeFaces.Get(2 * e);
    const int32_t f1 = FEdgeFaces.Get(2 * e + 1);
    const bool frontF0 = faceVisible[f0] != 0;
    if (f1 == -1 ? frontF0 : frontF0 == (faceVisible[f1] != 0)) continue;
    const int32_t idA = ReuseOrFindVertexID(request, *silhouette, FEdgeVertexIDs.Get(2 * e));
    const int32_t idB = ReuseOrFindVertexID(request, *silhouette, FEdgeVertexIDs.Get(2 * e + 1));
    // The visible face stays on the same side of every edge.
    if (frontF0)
      silhouette->Indices().Add(idB, idA);
    else
      silhouette->Indices().Add(idA, idB);
  }
}

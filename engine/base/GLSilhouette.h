#pragma once
// The outline of a closed triangle mesh seen from a point: the edges where a face turned towards
// the viewer meets one turned away and, on request, the faces turned away as caps, the input of
// shadow volumes. A TConnectivity learns the faces once and answers any number of requests.

#include <cstdint>

#include "engine/base/VectorGeometry.h"
#include "engine/base/VectorLists.h"

enum TSilhouetteProjection : uint8_t { spPoint, spParallel };

struct TSilhouetteRequest {
  TAffineVector ViewPoint;  // in the mesh's frame
  TAffineVector LightVector;
  TSilhouetteProjection Projection;
  bool WithCaps;
};

class TGLSilhouette {
 public:
  TGLSilhouette() = default;
  TGLSilhouette(const TGLSilhouette&) = delete;
  TGLSilhouette& operator=(const TGLSilhouette&) = delete;

  TVectorList& Vertices() { return FVertices; }       // points with W = 1
  TIntegerList& Indices() { return FIndices; }        // two per edge
  TIntegerList& CapIndices() { return FCapIndices; }  // three per cap triangle
  // Empties the three lists and keeps their memory.
  void Flush();

 private:
  TVectorList FVertices;
  TIntegerList FIndices;
  TIntegerList FCapIndices;
};

class TBaseConnectivity {
 public:
  explicit TBaseConnectivity(bool precomputeFaceNormal)
      : FPrecomputeFaceNormal(precomputeFaceNormal) {}
  TBaseConnectivity(const TBaseConnectivity&) = delete;
  TBaseConnectivity& operator=(const TBaseConnectivity&) = delete;
  virtual ~TBaseConnectivity() = default;

  virtual int32_t EdgeCount() const { return 0; }
  virtual int32_t FaceCount() const { return 0; }
  // Builds the silhouette into `silhouette`, creating one (owned by the caller) when it is null;
  // an existing one is flushed first unless addToSilhouette is set.
  virtual void CreateSilhouette(const TSilhouetteRequest& request, TGLSilhouette*& silhouette,
                                bool addToSilhouette) {
    (void)request, (void)silhouette, (void)addToSilhouette;
  }
  bool PrecomputeFaceNormal() const { return FPrecomputeFaceNormal; }

 protected:
  bool FPrecomputeFaceNormal;
};

class TConnectivity : public TBaseConnectivity {
 public:
  explicit TConnectivity(bool precomputeFaceNormal) : TBaseConnectivity(precomputeFaceNormal) {}

  int32_t EdgeCount() const override { return FEdgeVertexIDs.Count() / 2; }
  int32_t FaceCount() const override { return FFaceVisible.Count(); }
  void CreateSilhouette(const TSilhouetteRequest& request, TGLSilhouette*& silhouette,
                        bool addToSilhouette) override;
  virtual void Clear();

  // Bit-for-bit equal vertices are shared. Each returns the (first) face index.
  int32_t AddFace(const TAffineVector& v1, const TAffineVector& v2, const TAffineVector& v3);
  int32_t AddQuad(const TAffineVector& v1, const TAffineVector& v2, const TAffineVector& v3,
                  const TAffineVector& v4);
  // The indices must be below Vertices().Count().
  int32_t AddIndexedFace(int32_t i1, int32_t i2, int32_t i3);
  // A third face on an edge replaces the second.
  void AddIndexedEdge(int32_t a, int32_t b, int32_t face);
  // The silhouette index of mesh vertex `index`, added to the silhouette on first use.
  int32_t ReuseOrFindVertexID(const TSilhouetteRequest& request, TGLSilhouette& silhouette,
                              int32_t index);

  const TIntegerList& EdgeVertexIDs() const { return FEdgeVertexIDs; }
  const TIntegerList& EdgeFaces() const { return FEdgeFaces; }
  const TByteList& FaceVisible() const { return FFaceVisible; }
  const TIntegerList& FaceVertexIndex() const { return FFaceVertexIndex; }
  const TAffineVectorList& FaceNormal() const { return FFaceNormal; }
  const TAffineVectorList& Vertices() const { return FVertices; }

 private:
  TIntegerList FEdgeVertexIDs;
  TIntegerList FEdgeFaces;  // second face -1 while one face uses the edge
  TByteList FFaceVisible;
  TIntegerList FFaceVertexIndex;
  TAffineVectorList FFaceNormal;
  TIntegerList FVertexMemory;  // per mesh vertex its silhouette index, -1 when not yet added
  TAffineVectorList FVertices;
};

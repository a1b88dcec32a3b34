#pragma once
// Solids whose surfaces are quadrics: the shared base, which says how normals are made and which
// way they face and sets up a GLU quadric accordingly, and the sphere, drawn with its own strips
// as a whole sphere or as a section between two latitudes and two longitudes.

#include <cstdint>
#include <memory>

#include "engine/GLSceneGraph/SceneObjects.h"
#include "platform/gl/OpenGL.h"

enum TNormalSmoothing : uint8_t { nsFlat, nsSmooth, nsNone };
enum TNormalDirection : uint8_t { ndInside, ndOutside };
// Degrees of latitude, -90..90.
using TAngleLimit1 = int8_t;
// Degrees of longitude, 0..360.
using TAngleLimit2 = uint16_t;
enum TCapType : uint8_t { ctNone, ctCenter, ctFlat };

class TGLQuadricObject : public TGLSceneObject {
  RTL_CLASS(TGLQuadricObject, TGLSceneObject)
  static const TPropertyTable& Published();

  // Smooth normals facing outwards.
  explicit TGLQuadricObject(TComponent* AOwner);

  // Each setter of the quadric classes does nothing for an equal value and rebuilds the geometry
  // otherwise.
  TNormalSmoothing GetNormals() const { return FNormals; }
  void SetNormals(TNormalSmoothing AValue);
  TNormalDirection GetNormalDirection() const { return FNormalDirection; }
  void SetNormalDirection(TNormalDirection AValue);

  // Filled, normals as Normals asks, oriented by NormalDirection, with texture coordinates.
  void SetupQuadricParams(GLUquadric* Quadric) const;
  void SetNormalQuadricOrientation(GLUquadric* Quadric) const;
  // The other way round, for end disks that face away from the body.
  void SetInvertedQuadricOrientation(GLUquadric* Quadric) const;

  // Normals and NormalDirection from another quadric object; then the scene object's state.
  void Assign(TPersistent* Source) override;

 protected:
  // The setters' one pattern: store a different value and rebuild.
  template <class T>
  void ChangeStructure(T& Field, T AValue) {
    if (Field == AValue) return;
    Field = AValue;
    StructureChanged();
  }

 private:
  TNormalSmoothing FNormals = nsSmooth;
  TNormalDirection FNormalDirection = ndOutside;
};

// A GLU quadric made and set up for one build by its object, and deleted when the build ends,
// also when it raises.
class TGLQuadricScope {
 public:
  explicit TGLQuadricScope(const TGLQuadricObject& Owner);
  ~TGLQuadricScope();
  TGLQuadricScope(const TGLQuadricScope&) = delete;
  TGLQuadricScope& operator=(const TGLQuadricScope&) = delete;
  operator GLUquadric*() const { return FQuadric; }

 private:
  GLUquadric* FQuadric;
};

// A sphere centred on the node's origin, its poles on the local Y axis. Latitudes run from -90
// (south pole) to 90, longitudes from local +Z towards +X.
class TGLSphere : public TGLQuadricObject {
  RTL_CLASS(TGLSphere, TGLQuadricObject)
  static const TPropertyTable& Published();

  // Radius 0.5, 16 slices and stacks, the whole sphere without caps.
  explicit TGLSphere(TComponent* AOwner);

  // Any value; a negative one mirrors the drawing through the origin.
  float GetRadius() const { return FRadius; }
  void SetRadius(float AValue);
  // A value <= 0 is stored as 1; the comparison is made with the value as given.
  int32_t GetSlices() const { return FSlices; }
  void SetSlices(int32_t AValue);
  int32_t GetStacks() const { return FStacks; }
  void SetStacks(int32_t AValue);
  TAngleLimit1 GetTop() const { return FTop; }
  void SetTop(TAngleLimit1 AValue);
  TAngleLimit1 GetBottom() const { return FBottom; }
  void SetBottom(TAngleLimit1 AValue);
  // Start never passes Stop: either setter raises an assertion failure, storing nothing, when it
  // would.
  TAngleLimit2 GetStart() const { return FStart; }
  void SetStart(TAngleLimit2 AValue);
  TAngleLimit2 GetStop() const { return FStop; }
  void SetStop(TAngleLimit2 AValue);
  // Caps close a section cut below the north or above the south pole.
  TCapType GetTopCap() const { return FTopCap; }
  void SetTopCap(TCapType AValue);
  TCapType GetBottomCap() const { return FBottomCap; }
  void SetBottomCap(TCapType AValue);

  // From another sphere everything but the caps; then the quadric object's part.
  void Assign(TPersistent* Source) override;
  // |Radius| on all three axes, whatever the section.
  TVector AxisAlignedDimensionsUnscaled() override;
  // Against the whole sphere, section and caps ignored; the nearer hit, or the exit point from
  // inside. The normal is the local hit point as a vector, not normalised.
  bool RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                        TVector* IntersectPoint = nullptr,
                        TVector* IntersectNormal = nullptr) override;
  // The outline circle seen from the view point, with a fan of caps round the centre on request.
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TSilhouetteRequest& Request) override;
  // The top cap fan, one triangle strip per stack from the top down, the bottom cap fan; an
  // inside-facing sphere turns the front face for its own drawing only.
  void BuildList(TRenderContextInfo& rci) override;

 private:
  float FRadius = 0.5f;
  int32_t FSlices = 16;
  int32_t FStacks = 16;
  TAngleLimit1 FTop = 90;
  TAngleLimit1 FBottom = -90;
  TAngleLimit2 FStart = 0;
  TAngleLimit2 FStop = 360;
  TCapType FTopCap = ctNone;
  TCapType FBottomCap = ctNone;
};

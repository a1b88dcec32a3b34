#include "engine/GLObjects/Lines.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/GLObjects/DummyCube.h"
#include "engine/GLSceneGraph/Traversal.h"
#include "engine/GLState.h"
#include "platform/gl/OpenGL.h"
#include "platform/rtl/SysUtils.h"

namespace {

constexpr TColorVector cDefaultNodeColor{0, 0, 1, 1};

bool SameColor(const TColorVector& a, const TColorVector& b) {
  return std::memcmp(a.data(), b.data(), sizeof a) == 0;
}

// A node's colour, which notes when a layout gives it a value: the layout reader reaches a
// colour's DefineProperties only to read its "Color".
class TLinesNodeColor : public TGLColor {
 public:
  TLinesNodeColor(TPersistent* AOwner, bool& ARead) : TGLColor(AOwner), FRead(ARead) {}

 protected:
  void DefineProperties(TFiler& Filer) override {
    TGLColor::DefineProperties(Filer);
    if (dynamic_cast<TReader*>(&Filer)) FRead = true;
  }

 private:
  bool& FRead;
};

}  // namespace

// ---- Dodecahedron

void BuildDodecahedron() {
  // 0.3 phi, 0.3 / phi and 0.3: a regular dodecahedron round the cube of half edge 0.3, whose
  // faces are planar to single precision.
  constexpr float p = 0.48541019662496845f, q = 0.18541019662496845f, r = 0.3f;
  static const TAffineVector vertices[20] = {
      {-p, 0, q},  {-p, 0, -q}, {p, 0, -q},  {p, 0, q},   {q, -p, 0}, {-q, -p, 0}, {-q, p, 0},
      {q, p, 0},   {0, q, -p},  {0, -q, -p}, {0, -q, p},  {0, q, p},  {-r, -r, r}, {-r, -r, -r},
      {r, -r, -r}, {r, -r, r},  {-r, r, r},  {-r, r, -r}, {r, r, -r}, {r, r, r}};
  static const int faces[12][5] = {{0, 12, 10, 11, 16}, {1, 17, 8, 9, 13},  {2, 14, 9, 8, 18},
                                   {3, 19, 11, 10, 15}, {4, 14, 2, 3, 15},  {5, 12, 0, 1, 13},
                                   {6, 17, 1, 0, 16},   {7, 19, 3, 2, 18},  {8, 17, 6, 7, 18},
                                   {9, 14, 4, 5, 13},   {10, 12, 5, 4, 15}, {11, 19, 7, 6, 16}};
  for (const auto& face : faces) {
    TAffineVector normal;
    CalcPlaneNormal(vertices[face[0]], vertices[face[1]], vertices[face[2]], normal);
    glNormal3fv(normal.data());
    glBegin(GL_TRIANGLE_FAN);
    for (int index : face) glVertex3fv(vertices[index].data());
    glEnd();
  }
}

// ---- TGLLinesNode

TGLLinesNode::TGLLinesNode(TCollection* ACollection)
    : TGLNode(ACollection), FColor(std::make_unique<TLinesNodeColor>(this, FColorRead)) {
  TGLNodedLines* lines = Lines();
  FColor->Initialize(lines ? lines->GetNodeColor()->GetColor() : cDefaultNodeColor);
  FColor->OnNotifyChange = [this](TObject*) {
    if (auto* nodes = dynamic_cast<TGLNodes*>(Collection())) nodes->NotifyChange();
  };
}

TGLLinesNode::~TGLLinesNode() = default;

const TPropertyTable& TGLLinesNode::Published() {
  static const TPropertyTable table = [] {
    TPropertyTable t = TPropertyTable::Extend<TGLLinesNode>(TGLNode::Published())
                           .Object("Color", &TGLLinesNode::GetColor);
    // An owned colour is written only while it differs from the line's node colour.
    TPropInfo color = *t.Find("Color");
    color.Rule = Stored(&TGLLinesNode::StoreColor);
    t.Add(std::move(color));
    return t;
  }();
  return table;
}

TGLNodedLines* TGLLinesNode::Lines() const {
  return Collection() ? dynamic_cast<TGLNodedLines*>(Collection()->GetOwner()) : nullptr;
}

void TGLLinesNode::SetColor(TGLColor* AValue) {
  FColor->Assign(AValue);
}

bool TGLLinesNode::StoreColor() const {
  TGLNodedLines* lines = Lines();
  return !lines || !SameColor(FColor->GetColor(), lines->GetNodeColor()->GetColor());
}

void TGLLinesNode::Assign(TPersistent* Source) {
  // The coordinates travel too, or a copied collection would keep the ones its nodes were made
  // with.
  TGLNode::Assign(Source);
  if (auto* source = dynamic_cast<TGLLinesNode*>(Source)) FColor->Assign(source->FColor.get());
}

// ---- TGLLinesNodes

TGLLinesNodes::TGLLinesNodes(TComponent* AOwner) : TGLNodes(AOwner, TGLLinesNode::StaticClass()) {}

void TGLLinesNodes::NotifyChange() {
  if (auto* owner = dynamic_cast<TGLBaseSceneObject*>(GetOwner())) owner->StructureChanged();
}

// ---- TGLNodedLines

TGLNodedLines::TGLNodedLines(TComponent* AOwner)
    : TGLLineBase(AOwner),
      FNodes(std::make_unique<TGLLinesNodes>(this)),
      FNodeColor(std::make_unique<TGLColor>(this, cDefaultNodeColor)) {
  FNodeColor->OnNotifyChange = [this](TObject*) { NodeColorChanged(); };
}

TGLNodedLines::~TGLNodedLines() = default;

const TPropertyTable& TGLNodedLines::Published() {
  using L = TGLNodedLines;
  static const TPropertyTable table =
      TPropertyTable::Extend<L>(TGLLineBase::Published())
          .Object("Nodes", &L::GetNodes)
          .Enumeration("NodesAspect", &L::GetNodesAspect, &L::SetNodesAspect,
                       {"lnaInvisible", "lnaAxes", "lnaCube", "lnaDodecahedron"}, Default(lnaAxes))
          .Object("NodeColor", &L::GetNodeColor)
          .Float("NodeSize", &L::GetNodeSize, &L::SetNodeSize, Default(1.0f));
  return table;
}

void TGLNodedLines::SetNodes(TGLLinesNodes* AValue) {
  FNodes->Assign(AValue);
  StructureChanged();
}

void TGLNodedLines::SetNodesAspect(TLineNodesAspect AValue) {
  if (AValue == FNodesAspect) return;
  FNodesAspect = AValue;
  StructureChanged();
}

void TGLNodedLines::SetNodeColor(TGLColor* AValue) {
  FNodeColor->Assign(AValue);
  StructureChanged();
}

void TGLNodedLines::SetNodeSize(float AValue) {
  FNodeSize = AValue > 0 ? AValue : 1.0f;
  StructureChanged();
}

void TGLNodedLines::NodeColorChanged() {
  const TColorVector& color = FNodeColor->GetColor();
  for (int i = 0; i < FNodes->Count(); ++i) {
    TGLColor* nodeColor = FNodes->GetItems(i)->GetColor();
    if (SameColor(nodeColor->GetColor(), FOldNodeColor)) nodeColor->SetColor(color);
  }
  FOldNodeColor = color;
}

void TGLNodedLines::Loaded() {
  TGLLineBase::Loaded();
  // The nodes were made before the node colour was read, and the colours read raw.
  const TColorVector& color = FNodeColor->GetColor();
  for (int i = 0; i < FNodes->Count(); ++i) {
    TGLLinesNode* node = FNodes->GetItems(i);
    if (!node->FColorRead) node->FColor->Initialize(color);
    node->FColorRead = false;
  }
  FOldNodeColor = color;
  StructureChanged();
}

void TGLNodedLines::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLNodedLines*>(Source)) {
    // The node colour first: set after the nodes, it would recolour the copied nodes that
    // happen to have this line's former node colour.
    FNodeColor->Assign(source->FNodeColor.get());
    SetNodes(source->FNodes.get());
    FNodesAspect = source->FNodesAspect;
  }
  TGLLineBase::Assign(Source);
}

TVector TGLNodedLines::AxisAlignedDimensionsUnscaled() {
  TVector dimensions{0, 0, 0, 0};
  for (int i = 0; i < FNodes->Count(); ++i) {
    const TVector& v = FNodes->GetItems(i)->GetAsVector();
    for (int c = 0; c < 4; ++c) dimensions[c] = std::max(dimensions[c], std::fabs(v[c]));
  }
  return dimensions;
}

void TGLNodedLines::DrawNodeMarker(TRenderContextInfo& rci, const TColorVector& Color, float X,
                                   float Y, float Z) {
  glPushMatrix();
  WithCleanup(
      [&] {
        glTranslatef(X, Y, Z);
        switch (FNodesAspect) {
          case lnaAxes:
            AxesBuildList(rci, 0xCCCC, FNodeSize * 0.5f);
            break;
          case lnaCube:
            DrawWireCube(rci, false, Color, FNodeSize);
            break;
          case lnaDodecahedron:
            rci.stateCache->SetGLMaterialColors(GL_FRONT, {0, 0, 0, 1}, {0.2f, 0.2f, 0.2f, 1},
                                                Color, {0, 0, 0, 1}, 0);
            if (FNodeSize != 1) {
              glPushMatrix();
              WithCleanup(
                  [&] {
                    glScalef(FNodeSize, FNodeSize, FNodeSize);
                    BuildDodecahedron();
                  },
                  [] { glPopMatrix(); });
            } else {
              BuildDodecahedron();
            }
            break;
          default:
            Assert(false);
        }
      },
      [] { glPopMatrix(); });
}

void TGLNodedLines::DrawNodeMarkers(TRenderContextInfo& rci) {
  if (FNodesAspect == lnaInvisible) return;
  glPushAttrib(GL_ENABLE_BIT);
  WithCleanup(
      [&] {
        if (!rci.ignoreBlendingRequests) {
          glEnable(GL_BLEND);
          glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        }
        glDisable(GL_TEXTURE_2D);
        if (GLSupport.ARB_texture_cube_map) glDisable(GL_TEXTURE_CUBE_MAP_ARB);
        for (int i = 0; i < FNodes->Count(); ++i) {
          TGLLinesNode* node = FNodes->GetItems(i);
          DrawNodeMarker(rci, node->GetColor()->GetColor(), node->GetX(), node->GetY(),
                         node->GetZ());
        }
      },
      [] { glPopAttrib(); });
}

// ---- TGLLines

TGLLines::TGLLines(TComponent* AOwner)
    : TGLNodedLines(AOwner), FNurbsKnots(std::make_unique<TSingleList>()) {}

TGLLines::~TGLLines() = default;

const TPropertyTable& TGLLines::Published() {
  using L = TGLLines;
  static const TPropertyTable table =
      TPropertyTable::Extend<L>(TGLNodedLines::Published())
          .Integer("Division", &L::GetDivision, &L::SetDivision, Default(10))
          .Enumeration(
              "SplineMode", &L::GetSplineMode, &L::SetSplineMode,
              {"lsmLines", "lsmCubicSpline", "lsmBezierSpline", "lsmNURBSCurve", "lsmSegments"},
              Default(lsmLines))
          .Set("Options", &L::GetOptions, &L::SetOptions, {"loUseNodeColorForLines"}, NoDefault());
  return table;
}

void TGLLines::SetDivision(int32_t AValue) {
  if (AValue == FDivision) return;
  FDivision = std::max(AValue, 1);
  StructureChanged();
}

void TGLLines::SetSplineMode(TLineSplineMode AValue) {
  if (AValue == FSplineMode) return;
  FSplineMode = AValue;
  StructureChanged();
}

void TGLLines::SetOptions(TLinesOptions AValue) {
  FOptions = AValue;
  StructureChanged();
}

void TGLLines::SetNurbsOrder(int32_t AValue) {
  if (AValue == FNurbsOrder) return;
  FNurbsOrder = AValue;
  StructureChanged();
}

void TGLLines::SetNurbsSamplingTolerance(float AValue) {
  if (AValue == FNurbsSamplingTolerance) return;
  FNurbsSamplingTolerance = AValue;
  StructureChanged();
}

void TGLLines::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLLines*>(Source)) {
    FDivision = source->FDivision;
    FSplineMode = source->FSplineMode;
  }
  TGLNodedLines::Assign(Source);
}

namespace {

// Deletes the NURBS renderer however the curve ends.
struct TNurbsGuard {
  GLUnurbs* Nurbs;
  ~TNurbsGuard() {
    try {
      gluDeleteNurbsRenderer(Nurbs);
    } catch (...) {
    }
  }
};

}  // namespace

void TGLLines::BuildList(TRenderContextInfo& rci) {
  TGLLinesNodes& nodes = *GetNodes();
  const int n = nodes.Count();
  if (n < 2) return;
  const bool nodeColors = (FOptions & loUseNodeColorForLines) != 0;
  const auto nodeColor = [&](int i) -> const TColorVector& {
    return nodes.GetItems(i)->GetColor()->GetColor();
  };
  SetupLineStyle();
  WithCleanup(
      [&] {
        bool bezier = FSplineMode == lsmBezierSpline;
        if (bezier) {
          // The implementation's highest order; 8 is the least OpenGL promises.
          GLint maxOrder = 8;
          glGetIntegerv(GL_MAX_EVAL_ORDER, &maxOrder);
          bezier = n <= maxOrder;
        }
        std::vector<float> coords, colors;
        if (bezier || FSplineMode == lsmNURBSCurve) {
          coords.reserve(size_t(n) * 3);
          colors.reserve(size_t(n) * 4);
          for (int i = 0; i < n; ++i) {
            const TVector& v = nodes.GetItems(i)->GetAsVector();
            coords.insert(coords.end(), v.begin(), v.begin() + 3);
            colors.insert(colors.end(), nodeColor(i).begin(), nodeColor(i).end());
          }
        }
        if (bezier) {
          glPushAttrib(GL_EVAL_BIT);
          glEnable(GL_MAP1_VERTEX_3);
          glEnable(GL_MAP1_COLOR_4);
          glMap1f(GL_MAP1_VERTEX_3, 0, 1, 3, n, coords.data());
          glMap1f(GL_MAP1_COLOR_4, 0, 1, 4, n, colors.data());
        }
        WithCleanup(
            [&] {
              if (FSplineMode == lsmNURBSCurve && FDivision >= 2) {
                // GLU cannot see the node count: a knot vector of another length would have it
                // read control points past the array.
                const int knots = FNurbsKnots->HeldCount();
                if (FNurbsOrder > 0 && knots > 0 && knots == n + FNurbsOrder) {
                  TNurbsGuard guard{gluNewNurbsRenderer()};
                  gluNurbsProperty(guard.Nurbs, GLU_SAMPLING_TOLERANCE, FNurbsSamplingTolerance);
                  gluNurbsProperty(guard.Nurbs, GLU_DISPLAY_MODE, GLU_FILL);
                  gluBeginCurve(guard.Nurbs);
                  gluNurbsCurve(guard.Nurbs, knots, FNurbsKnots->List(), 3, coords.data(),
                                FNurbsOrder, GL_MAP1_VERTEX_3);
                  gluEndCurve(guard.Nurbs);
                }
                return;
              }
              glBegin(FSplineMode == lsmSegments ? GL_LINES : GL_LINE_STRIP);
              if (FDivision >= 2 && FSplineMode == lsmCubicSpline) {
                const std::unique_ptr<TCubicSpline> spline = nodes.CreateNewCubicSpline();
                const float f = 1.0f / float(FDivision);
                for (int i = 0; i <= (n - 1) * FDivision; ++i) {
                  float x, y, z;
                  spline->SplineXYZ(float(i) * f, x, y, z);
                  if (nodeColors) {
                    const int k = i / FDivision;
                    if (k >= n - 1) {
                      glColor4fv(nodeColor(n - 1).data());
                    } else {
                      TColorVector color;
                      VectorLerp(nodeColor(k), nodeColor(k + 1), float(i % FDivision) * f, color);
                      glColor4fv(color.data());
                    }
                  }
                  glVertex3f(x, y, z);
                }
              } else if (FDivision >= 2 && bezier) {
                const float f = 1.0f / float(FDivision);
                for (int i = 0; i <= FDivision; ++i) glEvalCoord1f(float(i) * f);
              } else {
                for (int i = 0; i < n; ++i) {
                  if (nodeColors) glColor4fv(nodeColor(i).data());
                  glVertex3fv(nodes.GetItems(i)->AsAddress());
                }
              }
              glEnd();
            },
            [&] {
              if (bezier) glPopAttrib();
            });
      },
      [&] { RestoreLineStyle(); });
  DrawNodeMarkers(rci);
}

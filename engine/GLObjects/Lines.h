#pragma once
// Lines through a list of nodes: a polyline, separate segments, a cubic spline, a Bezier curve
// or a NURBS curve, with a marker at every node (axes, a wire cube or a solid dodecahedron) and
// colours of their own per node.

#include <cstdint>
#include <memory>

#include "engine/GLMisc.h"
#include "engine/GLObjects/LineBase.h"
#include "engine/base/VectorLists.h"

enum TLineNodesAspect : uint8_t { lnaInvisible, lnaAxes, lnaCube, lnaDodecahedron };
enum TLineSplineMode : uint8_t {
  lsmLines,
  lsmCubicSpline,
  lsmBezierSpline,
  lsmNURBSCurve,
  lsmSegments
};
enum TLinesOption : uint8_t { loUseNodeColorForLines = 1 << 0 };
using TLinesOptions = uint8_t;

// A solid dodecahedron of circumradius about 0.52 centred on the origin: twelve fans of five
// vertices, each after its outward face normal.
void BuildDodecahedron();

class TGLNodedLines;

// A node with a colour of its own, which starts as the line's node colour. Any change of the
// colour reaches the line.
class TGLLinesNode : public TGLNode {
  RTL_CLASS(TGLLinesNode, TGLNode)
  static const TPropertyTable& Published();
  explicit TGLLinesNode(TCollection* ACollection);
  ~TGLLinesNode() override;

  TGLColor* GetColor() const { return FColor.get(); }
  // Copies the colour's value in.
  void SetColor(TGLColor* AValue);
  // Written only while it differs from the line's node colour.
  bool StoreColor() const;

  // From another line node its coordinates and colour; from a plain node its coordinates.
  void Assign(TPersistent* Source) override;

 private:
  friend class TGLNodedLines;
  TGLNodedLines* Lines() const;

  std::unique_ptr<TGLColor> FColor;
  // Whether a layout gave the colour a value while the line was being read.
  bool FColorRead = false;
};

class TGLLinesNodes : public TGLNodes {
  RTL_CLASS(TGLLinesNodes, TGLNodes)
  explicit TGLLinesNodes(TComponent* AOwner);
  TGLLinesNode* Add() { return static_cast<TGLLinesNode*>(TCollection::Add()); }
  TGLLinesNode* GetItems(int Index) const { return static_cast<TGLLinesNode*>(GetItem(Index)); }
  // The owning line rebuilds, whether or not the collection is updating.
  void NotifyChange() override;
};

// The nodes and their markers; draws no line itself.
class TGLNodedLines : public TGLLineBase {
  RTL_CLASS(TGLNodedLines, TGLLineBase)
  static const TPropertyTable& Published();

  // No nodes, axes as markers of size 1, blue nodes.
  explicit TGLNodedLines(TComponent* AOwner);
  ~TGLNodedLines() override;

  TGLLinesNodes* GetNodes() const { return FNodes.get(); }
  // A copy of the collection, then a rebuild.
  void SetNodes(TGLLinesNodes* AValue);
  TLineNodesAspect GetNodesAspect() const { return FNodesAspect; }
  void SetNodesAspect(TLineNodesAspect AValue);
  // The colour of new nodes. A change recolours the nodes that still had the former node colour
  // and leaves those coloured on their own as they are.
  TGLColor* GetNodeColor() const { return FNodeColor.get(); }
  // Copies the colour's value in, then rebuilds even when it was equal.
  void SetNodeColor(TGLColor* AValue);
  // A value of 0 or below stores 1; rebuilds on every call.
  float GetNodeSize() const { return FNodeSize; }
  void SetNodeSize(float AValue);

  // From other noded lines the node colour, then a copy of the nodes with their own colours,
  // and the marker kind (not the size); then the line style.
  void Assign(TPersistent* Source) override;
  // On each axis the largest absolute node coordinate; all 0 without nodes.
  TVector AxisAlignedDimensionsUnscaled() override;
  // The marker of one node at (X, Y, Z); the matrix pushed for it is popped also when it raises.
  // An aspect outside the three drawn ones is an assertion failure.
  void DrawNodeMarker(TRenderContextInfo& rci, const TColorVector& Color, float X, float Y,
                      float Z);

 protected:
  // The nodes a layout left without a colour take the node colour read with them, which becomes
  // the former node colour too.
  void Loaded() override;
  // Every node's marker, blended unless the record forbids it, untextured.
  void DrawNodeMarkers(TRenderContextInfo& rci);

 private:
  void NodeColorChanged();

  std::unique_ptr<TGLLinesNodes> FNodes;
  TLineNodesAspect FNodesAspect = lnaAxes;
  std::unique_ptr<TGLColor> FNodeColor;
  float FNodeSize = 1;
  TColorVector FOldNodeColor{0, 0, 1, 1};
};

class TGLLines : public TGLNodedLines {
  RTL_CLASS(TGLLines, TGLNodedLines)
  static const TPropertyTable& Published();

  // A polyline of 10 steps per interval once smoothed; NURBS of order 0, tolerance 50.
  explicit TGLLines(TComponent* AOwner);
  ~TGLLines() override;

  // Steps of a curve: per node interval for the cubic spline, over the whole curve for Bezier.
  // A value below 1 stores 1; 1 draws the plain polyline in every mode.
  int32_t GetDivision() const { return FDivision; }
  void SetDivision(int32_t AValue);
  TLineSplineMode GetSplineMode() const { return FSplineMode; }
  void SetSplineMode(TLineSplineMode AValue);
  // Rebuilds on every call.
  TLinesOptions GetOptions() const { return FOptions; }
  void SetOptions(TLinesOptions AValue);
  int32_t GetNurbsOrder() const { return FNurbsOrder; }
  void SetNurbsOrder(int32_t AValue);
  float GetNurbsSamplingTolerance() const { return FNurbsSamplingTolerance; }
  void SetNurbsSamplingTolerance(float AValue);
  // The NURBS knot vector; whoever edits it calls StructureChanged. A curve is drawn only when
  // it holds as many knots as there are nodes plus the order.
  TSingleList* GetNurbsKnots() const { return FNurbsKnots.get(); }

  // From other lines the division and spline mode (not the options or the NURBS settings);
  // then the noded lines' copy.
  void Assign(TPersistent* Source) override;
  // Nothing at all, markers included, below two nodes. A Bezier curve of more nodes than the
  // implementation's highest evaluator order is drawn as the polyline.
  void BuildList(TRenderContextInfo& rci) override;

 private:
  int32_t FDivision = 10;
  TLineSplineMode FSplineMode = lsmLines;
  TLinesOptions FOptions = 0;
  int32_t FNurbsOrder = 0;
  float FNurbsSamplingTolerance = 50;
  std::unique_ptr<TSingleList> FNurbsKnots;
};

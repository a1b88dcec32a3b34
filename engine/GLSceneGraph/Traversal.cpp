// The rendering traversal of the scene graph: each node culls itself, stacks its local matrix,
// names itself for picking, and draws itself from its display list and its children in the order
// the sorting mode asks for. Everything a node changes on the way down (the modelview and name
// stacks, the record's sorting and culling modes, the depth test) is put back also when a
// drawing raises, so that one failing object does not spoil the frames that follow.

#include "engine/GLSceneGraph/Traversal.h"

#include <unordered_map>
#include <vector>

#include "engine/GLSceneGraph/BaseSceneObject.h"
#include "engine/GLSceneGraph/Behaviours.h"
#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "engine/GLState.h"
#include "engine/base/GeometryBB.h"
#include "engine/base/VectorLists.h"
#include "platform/rtl/SysUtils.h"

namespace {

struct TPickingTable {
  std::vector<TGLBaseSceneObject*> Objects;  // name - 1 -> node
  std::unordered_map<const TGLBaseSceneObject*, GLuint> Names;
};

TPickingTable& PickingTable() {
  static TPickingTable table;
  return table;
}

// How deep the traversal is in Render: a picking pass starts a new table at depth 0.
int vRenderDepth = 0;

TGLSceneBuffer* CurrentBufferOf(const TGLSceneGraph* scene) {
  return scene != nullptr ? scene->GetCurrentBuffer() : nullptr;
}

}  // namespace

GLuint PickingNameOf(TGLBaseSceneObject* Node) {
  TPickingTable& table = PickingTable();
  const auto [entry, added] = table.Names.try_emplace(Node, GLuint(table.Objects.size() + 1));
  if (added) table.Objects.push_back(Node);
  return entry->second;
}

TGLBaseSceneObject* ObjectByPickingName(GLuint Name) {
  const TPickingTable& table = PickingTable();
  if (Name == 0 || Name > table.Objects.size()) return nullptr;
  return table.Objects[Name - 1];
}

void ClearPickingNames() {
  PickingTable().Objects.clear();
  PickingTable().Names.clear();
}

namespace {

// Whether the node itself is drawn and whether its children are visited, by the record's
// culling mode.
void Cull(TGLBaseSceneObject& node, const TRenderContextInfo& rci, bool& acceptSelf,
          bool& visitChildren) {
  const bool hasChildren = node.Count() > 0;
  const bool neverCulled = (node.GetStyleFlags() & osNeverCulled) != 0;
  acceptSelf = true;
  visitChildren = hasChildren;
  switch (rci.visibilityCulling) {
    case vcInherited:
    case vcNone:
      break;
    case vcObjectBased:
      acceptSelf = neverCulled || !IsVolumeClipped(node.AbsolutePosition(),
                                                   node.BoundingSphereRadius(), rci.clipping);
      break;
    case vcHierarchical:
      // The frustum is in world space, so the subtree's box is carried there first.
      if (!neverCulled) {
        TAABB box = node.AxisAlignedBoundingBoxUnscaled();
        AABBTransform(box, node.AbsoluteMatrix());
        acceptSelf = !IsVolumeClipped(box.Min, box.Max, rci.clipping);
      }
      visitChildren = acceptSelf && hasChildren;
      break;
    default:
      Assert(false, "Unknown visibility culling option");
  }
}

// DoRender with the depth test off for the call when the node asks for it.
void DoRenderWithDepthTest(TGLBaseSceneObject& node, TRenderContextInfo& rci, bool renderSelf,
                           bool renderChildren, bool switchDepthTest) {
  if (!switchDepthTest) {
    node.DoRender(rci, renderSelf, renderChildren);
    return;
  }
  rci.stateCache->Disable(gsDepthTest);
  WithCleanup([&] { node.DoRender(rci, renderSelf, renderChildren); },
              [&] { rci.stateCache->Enable(gsDepthTest); });
}

// The accepted node: axes, then itself and its children, between its effects' passes.
void RenderSelfAndChildren(TGLBaseSceneObject& node, TRenderContextInfo& rci, bool visitChildren) {
  const TGLNodeStyleFlags style = node.GetStyleFlags();
  if (node.GetShowAxes()) node.DrawAxes(rci, cAxesPattern);
  const auto draw = [&] {
    DoRenderWithDepthTest(node, rci, true, visitChildren, (style & osDepthTestOff) != 0);
    if ((style & osResetStates) != 0) rci.stateCache->ResetAll();
  };
  TGLObjectEffects* effects = node.EffectsIfCreated();
  if (effects == nullptr || effects->Count() == 0) {
    draw();
    return;
  }
  TGLSceneBuffer* buffer = CurrentBufferOf(node.GetScene());
  glPushMatrix();
  WithCleanup([&] { effects->RenderPreEffects(buffer, rci); }, [] { glPopMatrix(); });
  glPushMatrix();
  WithCleanup(
      [&] {
        draw();
        effects->RenderPostEffects(buffer, rci);
      },
      [] { glPopMatrix(); });
}

void RenderNode(TGLBaseSceneObject& node, TRenderContextInfo& rci) {
  bool acceptSelf, visitChildren;
  Cull(node, rci, acceptSelf, visitChildren);
  if (!acceptSelf && !visitChildren) return;
  glPushMatrix();
  WithCleanup(
      [&] {
        // A root stands for the identity, as it does for its children's absolute matrices.
        if (dynamic_cast<TGLSceneRootObject*>(&node) == nullptr)
          glMultMatrixf(node.RebuildMatrix()[0].data());
        const bool picking = rci.drawState == dsPicking;
        const bool pushName = picking && rci.proxySubObject;
        if (pushName)
          glPushName(PickingNameOf(&node));
        else if (picking)
          glLoadName(PickingNameOf(&node));
        WithCleanup(
            [&] {
              if (acceptSelf) {
                RenderSelfAndChildren(node, rci, visitChildren);
                return;
              }
              TGLSceneBuffer* buffer = CurrentBufferOf(node.GetScene());
              const bool switchDepthTest = (node.GetStyleFlags() & osDepthTestOff) != 0 &&
                                           buffer != nullptr && buffer->GetDepthTest();
              DoRenderWithDepthTest(node, rci, false, true, switchDepthTest);
            },
            [&] {
              if (pushName) glPopName();
            });
      },
      [] { glPopMatrix(); });
}

}  // namespace

void AxesBuildList(TRenderContextInfo& rci, uint16_t Pattern, float AxisLength) {
  glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_LINE_BIT);
  glDisable(GL_LIGHTING);
  glEnable(GL_LINE_STIPPLE);
  if (!rci.ignoreBlendingRequests) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  glLineWidth(1);
  glLineStipple(1, Pattern);
  const float L = AxisLength;
  glBegin(GL_LINES);
  for (int axis = 0; axis < 3; ++axis) {
    for (const float sign : {-1.0f, 1.0f}) {
      float color[3] = {0, 0, 0};
      float end[3] = {0, 0, 0};
      color[axis] = sign < 0 ? 0.5f : 1.0f;
      end[axis] = sign * L;
      glColor3f(color[0], color[1], color[2]);
      glVertex3f(0, 0, 0);
      glVertex3f(end[0], end[1], end[2]);
    }
  }
  glEnd();
  glPopAttrib();
}

void TGLBaseSceneObject::DrawAxes(TRenderContextInfo& rci, uint16_t Pattern) {
  TGLSceneBuffer* buffer = CurrentBufferOf(FScene);
  if (buffer == nullptr || buffer->GetCamera() == nullptr) return;
  AxesBuildList(rci, Pattern, buffer->GetCamera()->GetDepthOfView());
}

void TGLBaseSceneObject::Render(TRenderContextInfo& rci) {
  if (vRenderDepth == 0 && rci.drawState == dsPicking) ClearPickingNames();
  ++vRenderDepth;
  WithCleanup([&] { RenderNode(*this, rci); }, [] { --vRenderDepth; });
}

void TGLBaseSceneObject::DoRender(TRenderContextInfo& rci, bool ARenderSelf, bool ARenderChildren) {
  if (ARenderSelf) {
    if ((FStyleFlags & osBuildEveryFrame) != 0 || rci.amalgamating)
      BuildList(rci);
    else
      glCallList(GetHandle(rci));
  }
  if (ARenderChildren) RenderChildren(0, Count() - 1, rci);
}

GLuint TGLBaseSceneObject::GetHandle(TRenderContextInfo& rci) {
  if (FListHandle != nullptr && FListHandle->GetHandle() != 0 && (FChangeFlags & chListDirty) == 0)
    return FListHandle->GetHandle();
  // Cleared before the build, so that a change made while building is not lost.
  ClearListDirty();
  TGLListHandle& list = NeedListHandle();
  if (list.GetHandle() == 0) list.AllocateHandle();
  Assert(list.GetHandle() != 0);
  glNewList(list.GetHandle(), GL_COMPILE);
  try {
    BuildList(rci);
  } catch (...) {
    // The list is closed, else every later OpenGL call would be compiled into it, and stays
    // dirty, so that the next frame builds it again instead of playing half a list.
    glEndList();
    FChangeFlags |= chListDirty;
    throw;
  }
  glEndList();
  return list.GetHandle();
}

void TGLBaseSceneObject::BuildList(TRenderContextInfo&) {}

bool TGLBaseSceneObject::Blended() {
  return false;
}

namespace {

void RenderVisible(TGLBaseSceneObject* child, TRenderContextInfo& rci) {
  if (child != nullptr && child->GetVisible()) child->Render(rci);
}

// The visible children First .. Last in the order of the record's sorting mode.
void RenderSorted(TGLBaseSceneObject& node, int first, int last, TRenderContextInfo& rci) {
  switch (rci.objectsSorting) {
    case osNone:
      for (int i = first; i <= last; ++i) RenderVisible(node.GetChild(i), rci);
      return;
    case osRenderFarthestFirst:
    case osRenderBlendedLast:
    case osRenderNearestFirst: {
      const bool blendedLast = rci.objectsSorting == osRenderBlendedLast;
      const bool nearestFirst = rci.objectsSorting == osRenderNearestFirst;
      TSingleList keys;
      TPersistentObjectList children;
      keys.SetCapacity(last - first + 1);
      children.SetCapacity(last - first + 1);
      for (int i = first; i <= last; ++i) {
        TGLBaseSceneObject* child = node.GetChild(i);
        if (child == nullptr || !child->GetVisible()) continue;
        if (blendedLast && !child->Blended()) {
          child->Render(rci);
          continue;
        }
        const float d = child->BarycenterSqrDistanceTo(rci.cameraPosition);
        keys.Add(nearestFirst ? -1 - d : 1 + d);
        children.Add(child);
      }
      if (children.Count() > 1) QuickSortLists(0, children.Count() - 1, &keys, &children);
      for (int i = children.Count() - 1; i >= 0; --i)
        static_cast<TGLBaseSceneObject*>(children.Get(i))->Render(rci);
      return;
    }
    default:
      // A record filled by the scene never holds osInherited here.
      Assert(false);
  }
}

}  // namespace

void TGLBaseSceneObject::RenderChildren(int FirstChildIndex, int LastChildIndex,
                                        TRenderContextInfo& rci) {
  if (FChildren == nullptr) return;
  const TGLVisibilityCulling savedCulling = rci.visibilityCulling;
  if (FVisibilityCulling != vcInherited) rci.visibilityCulling = FVisibilityCulling;
  WithCleanup(
      [&] {
        if (FirstChildIndex == LastChildIndex) {
          RenderVisible(GetChild(FirstChildIndex), rci);
          return;
        }
        if (FirstChildIndex > LastChildIndex) return;
        const TGLObjectsSorting savedSorting = rci.objectsSorting;
        if (FObjectsSorting != osInherited) rci.objectsSorting = FObjectsSorting;
        WithCleanup([&] { RenderSorted(*this, FirstChildIndex, LastChildIndex, rci); },
                    [&] { rci.objectsSorting = savedSorting; });
      },
      [&] { rci.visibilityCulling = savedCulling; });
}

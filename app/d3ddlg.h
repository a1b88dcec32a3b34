#pragma once
// The "3D representation" window: every single joint and every active group of the main window
// as a plane through the centre of a bowl, in a stored scene that the user orbits and zooms with
// the mouse, the wheel and keys, restyles with the check boxes and the focal-length spin, and
// copies to the clipboard.

#include <QDialog>
#include <any>
#include <cstdint>
#include <string>

#include "app/jclasses.h"
#include "app/ui_d3ddlg.h"
#include "platform/rtl/Classes.h"

class TGLArrowLine;
class TGLCamera;
class TGLEarthSkyDome;
class TGLLightSource;
class TGLPlane;
class TGLSceneGraph;
class TGLSceneViewer;
class TGLSphere;
class TGLXYZGrid;
// As the viewer declares them; the main window, which opens this window, sees nothing of the
// engine.
enum TMouseButton : uint8_t;
using TShiftState = uint8_t;

// The window is the root of its stored layout, which holds the viewer and the scene; its
// controls come from its .ui file.
class Tfrm3D : public QDialog, public TComponent, public Ui::Tfrm3D {
  Q_OBJECT
  RTL_CLASS(Tfrm3D, TComponent)

 public:
  // The layout the program ships: the viewer, then the scene with its objects and camera.
  static std::string StoredLayout();

  // The controls at their design places, then the components of `layout`, read through the
  // class registry (the start-up routine must have registered the engine's classes). A layout
  // without the viewer gives a window that draws nothing: the scene and the handlers work
  // without OpenGL.
  explicit Tfrm3D(QWidget* parent = nullptr, const std::string& layout = StoredLayout());
  // The viewer goes first, while the scene it shows is still there.
  ~Tfrm3D() override;

  // The main window's lists, shared: the window reads them when shown and never changes them.
  const TJointList* Joints = nullptr;
  const TGroupList* Groups = nullptr;
  // The last mouse position in the viewer.
  int32_t MouseX = 0;
  int32_t MouseY = 0;

  // The components of the layout; nil for one the layout lacks.
  TGLSceneViewer* GLSceneViewer = nullptr;
  TGLSceneGraph* GLSceneGraph = nullptr;
  TGLEarthSkyDome* GLEarthSkyDome = nullptr;
  TGLLightSource* GLLightSource = nullptr;
  TGLLightSource* GLLightSource1 = nullptr;
  TGLSphere* GLSphere = nullptr;
  TGLSphere* GLInSphere = nullptr;
  TGLXYZGrid* GLXYZGrid = nullptr;
  TGLArrowLine* GLYAxis = nullptr;
  TGLArrowLine* GLXAxis = nullptr;
  TGLPlane* GLPlaneOriginal = nullptr;
  TGLCamera* GLCamera = nullptr;

  // FormShow, then the window until it is closed. When FormShow raises, the window is not shown
  // and its failure passes on.
  int ShowModal();

  // Assertions that both lists are set, then the view options and the planes.
  void FormShow();
  // Axes, grid, sky and bowl visible as their boxes say.
  void ApplyViewOptions();
  // Two planes facing opposite ways for each single joint, then for each active group.
  void BuildJointPlanes();

  void GLSceneViewerMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                              int Y);
  // Orbits the camera by half the movement while the left button is held.
  void GLSceneViewerMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  // Turning the wheel away from the user moves the camera away. Leaves Handled as it is.
  void FormMouseWheel(int WheelDelta, bool& Handled);
  // Page Up and Down pitch, Insert and Delete turn, F1 and F2 move the camera away and nearer.
  void FormKeyDown(int Key);
  // The click of every check box: the view options, and for "Perspective" the camera style with
  // its focal length shown in the spin.
  void chkXAxisClick(QObject* Sender);
  void SpinClick();
  void btnCopyClick();

 protected:
  // Before the viewer's own Loaded makes its window: the viewer joins the window's controls.
  void Loaded() override;
  std::any MethodAddress(const std::string& name) const override;
  // The window sees the keys before its controls.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  // Enter and Escape do nothing: the window has no default and no cancel button.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Binds the fields above to the layout's components.
  void FindComponents();
  void ConnectEvents();
  // The item's planes, or none when its normal is not finite or a step fails.
  void AddItemPlanes(double Beta, double Psi, TColor Color);
  // Whether the key event reaches its first receiver here, so that its propagation to the
  // parents is not taken for another key.
  bool FirstKeyReceiver(QObject* watched) const;
};

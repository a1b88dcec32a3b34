// clang-format off
// Qt's headers come before the engine's OpenGL binding, whose names would rename their members.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QWheelEvent>
// clang-format on

#include "app/d3ddlg.h"

#include <cmath>

#include "app/projection.h"
#include "engine/GLGeomObjects.h"
#include "engine/GLGraph.h"
#include "engine/GLObjects.h"
#include "engine/GLSceneGraph.h"
#include "engine/GLSkydome.h"
#include "engine/platform/GLSceneViewer.h"
#include "platform/gui/Anchors.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/SysUtils.h"

// The stored layout is a resource of the app library, which a static library must start itself.
static void InitStoredLayoutResource() {
  Q_INIT_RESOURCE(d3ddlg);
}

namespace {

// The client area the layout was drawn for.
constexpr int DesignWidth = 520;
constexpr int DesignHeight = 418;

// The distance ratio of F1; F2 takes its inverse.
const float KeyDistanceRatio = float(std::pow(1.1L, 0.05L));
const float KeyDistanceRatioInverse = float(std::pow(1.1L, -0.05L));

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

template <class T>
T* Found(const TComponent& root, const char* name) {
  auto* component = dynamic_cast<T*>(root.FindComponent(name));
  if (!component) throw Exception(std::string("The 3D window's layout has no ") + name);
  return component;
}

}  // namespace

std::string Tfrm3D::StoredLayout() {
  InitStoredLayoutResource();
  QFile file(":/app/d3ddlg.scene");
  if (!file.open(QIODevice::ReadOnly)) throw Exception("The 3D window's layout is missing");
  return file.readAll().toStdString();
}

Tfrm3D::Tfrm3D(QWidget* parent, const std::string& layout) : QDialog(parent), TComponent(nullptr) {
  setupUi(this);
  TStringStream stream(layout);
  stream.ReadComponent(this);
  FindComponents();
  ApplyAnchors(this, QSize(DesignWidth, DesignHeight));
  ConnectEvents();
}

Tfrm3D::~Tfrm3D() {
  Destroying();
  delete GLSceneViewer;
  GLSceneViewer = nullptr;
}

void Tfrm3D::Loaded() {
  inherited::Loaded();
  // The viewer makes its window in its own Loaded, which comes after the root's: it is then
  // made inside this window.
  if (auto* viewer = dynamic_cast<TGLSceneViewer*>(FindComponent("GLSceneViewer"))) {
    viewer->GetControl()->setParent(this);
    viewer->GetControl()->show();
  }
}

void Tfrm3D::FindComponents() {
  GLSceneViewer = dynamic_cast<TGLSceneViewer*>(FindComponent("GLSceneViewer"));
  GLSceneGraph = Found<TGLSceneGraph>(*this, "GLSceneGraph");
  GLEarthSkyDome = Found<TGLEarthSkyDome>(*this, "GLEarthSkyDome");
  GLLightSource = Found<TGLLightSource>(*this, "GLLightSource");
  GLLightSource1 = Found<TGLLightSource>(*this, "GLLightSource1");
  GLSphere = Found<TGLSphere>(*this, "GLSphere");
  GLInSphere = Found<TGLSphere>(*this, "GLInSphere");
  GLXYZGrid = Found<TGLXYZGrid>(*this, "GLXYZGrid");
  GLYAxis = Found<TGLArrowLine>(*this, "GLYAxis");
  GLXAxis = Found<TGLArrowLine>(*this, "GLXAxis");
  GLPlaneOriginal = Found<TGLPlane>(*this, "GLPlaneOriginal");
  GLCamera = Found<TGLCamera>(*this, "GLCamera");
}

std::any Tfrm3D::MethodAddress(const std::string& name) const {
  auto* self = const_cast<Tfrm3D*>(this);
  if (name == "GLSceneViewerMouseDown")
    return TMouseEvent(
        [self](TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
          self->GLSceneViewerMouseDown(sender, button, shift, x, y);
        });
  if (name == "GLSceneViewerMouseMove")
    return TMouseMoveEvent([self](TObject* sender, TShiftState shift, int x, int y) {
      self->GLSceneViewerMouseMove(sender, shift, x, y);
    });
  return inherited::MethodAddress(name);
}

void Tfrm3D::ConnectEvents() {
  for (QCheckBox* box : {chkXAxis, chkYAxis, chkGrid, chkSky, chkSphere, chkPerspective})
    connect(box, &QCheckBox::toggled, this, [this, box] { Guard([&] { chkXAxisClick(box); }); });
  Spin->OnClick = [this](TUDBtnType) { Guard([this] { SpinClick(); }); };
  connect(btnCopy, &QPushButton::clicked, this, [this] { Guard([this] { btnCopyClick(); }); });
  connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
  // The keys of the controls and those the viewer passes on from its window; not those of the
  // viewer's own parts, which reach the viewer too.
  QWidget* viewer = GLSceneViewer ? GLSceneViewer->GetControl() : nullptr;
  for (QWidget* child : findChildren<QWidget*>())
    if (child == viewer || !viewer || !viewer->isAncestorOf(child)) child->installEventFilter(this);
}

int Tfrm3D::ShowModal() {
  FormShow();
  return exec();
}

// ---- Scene and joint planes

void Tfrm3D::FormShow() {
  Assert(Joints != nullptr);
  Assert(Groups != nullptr);
  ApplyViewOptions();
  BuildJointPlanes();
}

void Tfrm3D::BuildJointPlanes() {
  for (int j = 0; j < Joints->Count(); ++j) {
    const TJoint* joint = (*Joints)[j];
    if (!joint->InGroup) AddItemPlanes(joint->Beta, joint->Psi, joint->Color);
  }
  for (int g = 0; g < Groups->Count(); ++g) {
    const TGroup* group = (*Groups)[g];
    if (group->Active) AddItemPlanes(group->Beta, group->Psi, group->Color);
  }
}

void Tfrm3D::AddItemPlanes(double Beta, double Psi, TColor Color) {
  // The upper face takes the item's colour whatever range the dip is given in; a vertical plane
  // has no upper face and keeps the normal of its dip.
  const bool vertical = std::fmod(std::fabs(Psi), 180.0) == 90;
  const auto normal = vertical ? Stereonet::PlaneNormal : Stereonet::UpwardNormal;
  const Stereonet::TNormal n = normal(Stereonet::DegToRad(Beta), Stereonet::DegToRad(Psi));
  // Members whose normals cancel leave their group no plane to show.
  if (!std::isfinite(n.X) || !std::isfinite(n.Y) || !std::isfinite(n.Z)) return;
  TGLPlane* upper = nullptr;
  TGLPlane* lower = nullptr;
  try {
    upper = TGLBaseSceneObject::CreateAsChild<TGLPlane>(GLSceneGraph->GetObjects());
    lower = TGLBaseSceneObject::CreateAsChild<TGLPlane>(GLSceneGraph->GetObjects());
    upper->Assign(GLPlaneOriginal);
    upper->SetWidth(2);
    upper->SetHeight(2);
    lower->Assign(upper);
    // The normal goes in as one vector: written a component at a time, each write would turn the
    // plane on the way and leave it off the joint's orientation.
    TGLColor* upperColor = upper->GetMaterial()->GetFrontProperties()->GetDiffuse();
    upperColor->SetAsWinColor(Color);
    upper->GetDirection()->SetVector(float(n.X), float(n.Y), float(n.Z));
    upper->SetVisible(true);
    lower->GetDirection()->SetVector(float(-n.X), float(-n.Y), float(-n.Z));
    const TColorVector& c = upperColor->GetColor();
    lower->GetMaterial()->GetFrontProperties()->GetDiffuse()->SetRGBA(
        float(0.9L * c[0]), float(0.9L * c[1]), float(0.9L * c[2]), c[3]);
    lower->SetVisible(true);
  } catch (const std::exception&) {
    // The item is left out without a message; the others are shown.
    delete lower;
    delete upper;
  }
}

// ---- Navigation, view options and copy

void Tfrm3D::GLSceneViewerMouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
  MouseX = X;
  MouseY = Y;
}

void Tfrm3D::GLSceneViewerMouseMove(TObject*, TShiftState Shift, int X, int Y) {
  // Half the movement, truncated: a drag of one pixel at a time moves nothing.
  const int dx = (MouseX - X) * 50 / 100;
  const int dy = (MouseY - Y) * 50 / 100;
  MouseX = X;
  MouseY = Y;
  if (Shift & ssLeft) GLCamera->MoveAroundTarget(float(dy), float(dx));
}

void Tfrm3D::FormMouseWheel(int WheelDelta, bool&) {
  GLCamera->AdjustDistanceToTarget(float(std::pow(1.1L, WheelDelta / 600.0L)));
}

void Tfrm3D::FormKeyDown(int Key) {
  switch (Key) {
    case Qt::Key_PageUp:
      GLCamera->MoveAroundTarget(1, 0);
      break;
    case Qt::Key_PageDown:
      GLCamera->MoveAroundTarget(-1, 0);
      break;
    case Qt::Key_Insert:
      GLCamera->MoveAroundTarget(0, 1);
      break;
    case Qt::Key_Delete:
      GLCamera->MoveAroundTarget(0, -1);
      break;
    case Qt::Key_F1:
      GLCamera->AdjustDistanceToTarget(KeyDistanceRatio);
      break;
    case Qt::Key_F2:
      GLCamera->AdjustDistanceToTarget(KeyDistanceRatioInverse);
      break;
    default:
      break;
  }
}

void Tfrm3D::ApplyViewOptions() {
  GLXAxis->SetVisible(chkXAxis->isChecked());
  GLYAxis->SetVisible(chkYAxis->isChecked());
  GLEarthSkyDome->SetVisible(chkSky->isChecked());
  GLXYZGrid->SetVisible(chkGrid->isChecked());
  GLSphere->SetVisible(chkSphere->isChecked());
  GLInSphere->SetVisible(GLSphere->GetVisible());
}

void Tfrm3D::chkXAxisClick(QObject* Sender) {
  ApplyViewOptions();
  if (Sender != chkPerspective) return;
  if (chkPerspective->isChecked()) {
    GLCamera->SetCameraStyle(csPerspective);
    GLCamera->SetFocalLength(105);
  } else {
    GLCamera->SetCameraStyle(csOrthogonal);
    GLCamera->SetFocalLength(35);
  }
  Spin->SetPosition(static_cast<int>(GLCamera->GetFocalLength()));
  edtSpin->setText(Q(IntToStr(Spin->GetPosition())));
}

void Tfrm3D::SpinClick() {
  edtSpin->setText(Q(IntToStr(Spin->GetPosition())));
  GLCamera->SetFocalLength(float(Spin->GetPosition()));
}

void Tfrm3D::btnCopyClick() {
  QGuiApplication::clipboard()->setImage(GLSceneViewer->CreateSnapShotBitmap());
}

// ---- Keys and wheel

bool Tfrm3D::FirstKeyReceiver(QObject* watched) const {
  return watched == QApplication::focusWidget() ||
         (GLSceneViewer && watched == GLSceneViewer->GetControl());
}

bool Tfrm3D::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && FirstKeyReceiver(watched)) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    Guard([&] { FormKeyDown(key); });
  }
  return QDialog::eventFilter(watched, event);
}

void Tfrm3D::wheelEvent(QWheelEvent* event) {
  bool handled = false;
  // A wheel turned sideways is no turn of the wheel the window knows.
  if (const int delta = event->angleDelta().y(); delta != 0)
    Guard([&] { FormMouseWheel(delta, handled); });
  event->setAccepted(handled);
}

void Tfrm3D::keyPressEvent(QKeyEvent* event) {
  // Past QDialog's, which would press a default button on Enter and close on Escape.
  QWidget::keyPressEvent(event);
}

// OpenSceneGraph's side of the sphere benchmark: the same strips, materials, light and view,
// drawn by an embedded viewer into a framebuffer object on a Qt off-screen context made as the
// engine makes its memory contexts.
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QSurfaceFormat>
#include <cmath>
#include <numbers>
#include <numeric>
#include <osg/CullSettings>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/LightModel>
#include <osg/LightSource>
#include <osg/Material>
#include <osg/MatrixTransform>
#include <osgViewer/Viewer>
#include <stdexcept>
#include <string>

#include "bench/SpheresScene.h"

namespace spheres_bench {
namespace {

// The unit sphere as the engine's sphere draws it: one strip per stack from the north pole
// down, each vertex with its normal and texture coordinate.
osg::ref_ptr<osg::Geometry> SphereGeometry() {
  auto vertices = new osg::Vec3Array, normals = new osg::Vec3Array;
  auto texCoords = new osg::Vec2Array;
  osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
  const long double pi = std::numbers::pi_v<long double>;
  const long double dTheta = 2 * pi / cSlices, dPhi = pi / cStacks;
  const auto add = [&](long double p, long double q, float s, float t) {
    const osg::Vec3 v(float(std::cos(p) * std::sin(q)), float(std::sin(p)),
                      float(std::cos(p) * std::cos(q)));
    vertices->push_back(v);
    normals->push_back(v);
    texCoords->push_back({s, t});
  };
  long double p1 = pi / 2;
  for (int j = 0; j < cStacks; ++j) {
    const int first = int(vertices->size());
    long double q = 0;
    for (int i = 0; i <= cSlices; ++i) {
      const float s = float(i) / cSlices;
      add(p1, q, s, 1 - float(j) / cStacks);
      add(p1 - dPhi, q, s, 1 - float(j + 1) / cStacks);
      q += dTheta;
    }
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLE_STRIP, first, 2 * (cSlices + 1)));
    p1 -= dPhi;
  }
  geometry->setVertexArray(vertices);
  geometry->setNormalArray(normals, osg::Array::BIND_PER_VERTEX);
  geometry->setTexCoordArray(0, texCoords, osg::Array::BIND_PER_VERTEX);
  return geometry;
}

osg::ref_ptr<osg::Group> SceneRoot() {
  osg::ref_ptr<osg::Group> root = new osg::Group;
  osg::StateSet* state = root->getOrCreateStateSet();
  state->setMode(GL_LIGHTING, osg::StateAttribute::ON);
  state->setMode(GL_LIGHT0, osg::StateAttribute::ON);
  state->setMode(GL_NORMALIZE, osg::StateAttribute::ON);
  state->setMode(GL_CULL_FACE, osg::StateAttribute::ON);
  auto model = new osg::LightModel;
  model->setAmbientIntensity(
      {cSceneAmbient[0], cSceneAmbient[1], cSceneAmbient[2], cSceneAmbient[3]});
  model->setTwoSided(false);
  state->setAttributeAndModes(model);

  auto light = new osg::Light(0);
  light->setPosition({cLightPosition[0], cLightPosition[1], cLightPosition[2], cLightPosition[3]});
  light->setAmbient({0, 0, 0, 1});
  light->setDiffuse({1, 1, 1, 1});
  light->setSpecular({0, 0, 0, 1});
  auto lightSource = new osg::LightSource;
  lightSource->setLight(light);
  root->addChild(lightSource);

  osg::ref_ptr<osg::Geometry> geometry = SphereGeometry();
  osg::ref_ptr<osg::Geode> geode = new osg::Geode;
  geode->addDrawable(geometry);
  for (const TSphere& s : Spheres()) {
    auto transform =
        new osg::MatrixTransform(osg::Matrix::scale(cRadius, cRadius, cRadius) *
                                 osg::Matrix::translate(s.Centre[0], s.Centre[1], s.Centre[2]));
    auto material = new osg::Material;
    material->setAmbient(osg::Material::FRONT_AND_BACK, {cMaterialAmbient[0], cMaterialAmbient[1],
                                                         cMaterialAmbient[2], cMaterialAmbient[3]});
    material->setDiffuse(osg::Material::FRONT_AND_BACK,
                         {s.Colour[0], s.Colour[1], s.Colour[2], s.Colour[3]});
    material->setSpecular(osg::Material::FRONT_AND_BACK, {0, 0, 0, 1});
    material->setEmission(osg::Material::FRONT_AND_BACK, {0, 0, 0, 1});
    transform->getOrCreateStateSet()->setAttribute(material);
    transform->addChild(geode);
    root->addChild(transform);
  }
  return root;
}

class TOsg : public TOsgRenderer {
 public:
  TOsg() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    FSurface.setFormat(format);
    FSurface.create();
    FContext.setFormat(format);
    if (!FContext.create() || !FContext.makeCurrent(&FSurface))
      throw std::runtime_error("no OpenGL context for OpenSceneGraph");
    QOpenGLFramebufferObjectFormat fboFormat;
    fboFormat.setInternalTextureFormat(GL_RGBA8);
    fboFormat.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
    FFramebuffer = std::make_unique<QOpenGLFramebufferObject>(cWidth, cHeight, fboFormat);
    FFramebuffer->bind();

    FWindow = FViewer.setUpViewerAsEmbeddedInWindow(0, 0, cWidth, cHeight);
    FWindow->setDefaultFboId(FFramebuffer->handle());
    FViewer.setThreadingModel(osgViewer::Viewer::SingleThreaded);
    FViewer.setLightingMode(osg::View::NO_LIGHT);
    FViewer.setSceneData(SceneRoot());
    osg::Camera* camera = FViewer.getCamera();
    camera->setClearColor({0, 0, 0, 1});
    camera->setComputeNearFarMode(osg::CullSettings::DO_NOT_COMPUTE_NEAR_FAR);
    // The engine draws every sphere, however small on screen.
    camera->setCullingMode(camera->getCullingMode() & ~osg::CullSettings::SMALL_FEATURE_CULLING);
    camera->setDrawBuffer(GL_COLOR_ATTACHMENT0);
    camera->setReadBuffer(GL_COLOR_ATTACHMENT0);
    FViewer.realize();
  }
  ~TOsg() override {
    FContext.makeCurrent(&FSurface);
    FViewer.setSceneData(nullptr);
    FViewer.getCamera()->setGraphicsContext(nullptr);
    FFramebuffer.reset();
    FContext.doneCurrent();
  }

  void Frame(const TMatrix16& ModelView, const TMatrix16& Projection) override {
    FContext.makeCurrent(&FSurface);
    FFramebuffer->bind();
    osg::Camera* camera = FViewer.getCamera();
    camera->setViewMatrix(osg::Matrixd(ModelView.data()));
    camera->setProjectionMatrix(osg::Matrixd(Projection.data()));
    FViewer.frame();
    FContext.functions()->glFinish();
    FContext.doneCurrent();
  }

  std::string Renderer() override {
    FContext.makeCurrent(&FSurface);
    const auto* text = FContext.functions()->glGetString(GL_RENDERER);
    std::string renderer = text ? reinterpret_cast<const char*>(text) : "?";
    FContext.doneCurrent();
    return renderer;
  }

  double MeanPixel() override {
    FContext.makeCurrent(&FSurface);
    const QImage image = FFramebuffer->toImage(false).convertToFormat(QImage::Format_RGBA8888);
    FContext.doneCurrent();
    const uchar* bits = image.constBits();
    return std::accumulate(bits, bits + image.sizeInBytes(), 0.0) / double(image.sizeInBytes());
  }

 private:
  QOffscreenSurface FSurface;
  QOpenGLContext FContext;
  std::unique_ptr<QOpenGLFramebufferObject> FFramebuffer;
  osgViewer::Viewer FViewer;
  osgViewer::GraphicsWindowEmbedded* FWindow = nullptr;
};

}  // namespace

std::unique_ptr<TOsgRenderer> NewOsgRenderer() {
  return std::make_unique<TOsg>();
}

}  // namespace spheres_bench

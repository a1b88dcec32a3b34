#pragma once
// The scene both renderers of the sphere benchmark draw: 10,000 lit spheres of 16 slices and 16
// stacks, each of its own colour, in a grid that fills a 713 x 390 view, one light, and a camera
// that circles above the grid looking at its centre. The engine's side and OpenSceneGraph's side
// live in separate sources, since the engine's OpenGL names are macros that OpenSceneGraph's
// headers cannot stand.

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace spheres_bench {

constexpr int cWidth = 713;
constexpr int cHeight = 390;
constexpr int cColumns = 125;
constexpr int cRows = 80;
constexpr int cSlices = 16;
constexpr int cStacks = 16;
constexpr float cRadius = 0.4f;
// Scene ambient, material ambient, light position (w = 1: a point light).
constexpr std::array<float, 4> cSceneAmbient{0.2f, 0.2f, 0.2f, 1};
constexpr std::array<float, 4> cMaterialAmbient{0.2f, 0.2f, 0.2f, 1};
constexpr std::array<float, 4> cLightPosition{-40, 30, 60, 1};

struct TSphere {
  std::array<float, 3> Centre;
  std::array<float, 4> Colour;
};

// The grid, in the z = 0 plane round the origin, one spacing unit apart.
std::vector<TSphere> Spheres();
// The eye of frame `frame` of `frames`, once round the z axis above the grid.
std::array<float, 3> OrbitEye(int frame, int frames);

// A 4 x 4 matrix in OpenGL's memory order.
using TMatrix16 = std::array<float, 16>;

// One renderer: its scene built once, then frames drawn into its own off-screen buffer, each
// waited for until OpenGL has finished it.
class TRenderer {
 public:
  virtual ~TRenderer() = default;
  // The mean of the colour buffer's bytes, so that the two pictures can be compared.
  virtual double MeanPixel() = 0;
};

// The engine: a scene graph of TGLSphere nodes drawn by a scene buffer on a memory context. The
// eye goes to its camera, which looks at the grid's centre; it answers the matrices the frame
// was drawn with.
class TEngineRenderer : public TRenderer {
 public:
  virtual void Frame(const std::array<float, 3>& Eye, TMatrix16& ModelView,
                     TMatrix16& Projection) = 0;
};
std::unique_ptr<TEngineRenderer> NewEngineRenderer();

// OpenSceneGraph: one shared geometry of the same strips under a transform and a material per
// sphere, drawn by an embedded viewer into a framebuffer object on a Qt off-screen context,
// with the engine's matrices.
class TOsgRenderer : public TRenderer {
 public:
  virtual void Frame(const TMatrix16& ModelView, const TMatrix16& Projection) = 0;
  // The OpenGL renderer's name, to show which driver drew.
  virtual std::string Renderer() = 0;
};
std::unique_ptr<TOsgRenderer> NewOsgRenderer();

}  // namespace spheres_bench

// clang-format off
// Qt's OpenGL headers come before the engine's binding, whose names would rename their members.
// Qt's native-interface header names a type EGLContext, as the engine's context error is
// named; nothing here needs the native interfaces, so that header is kept out.
#define QOPENGLCONTEXT_PLATFORM_H
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFramebufferObject>
#include <QPlatformSurfaceEvent>
#include <QWindow>
// clang-format on

#include "engine/platform/GLQtContext.h"

#include <cxxabi.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <typeinfo>

#include "engine/GLCrossPlatform.h"
#include "platform/gl/OpenGL.h"
#include "platform/rtl/SysUtils.h"

namespace {

// The warnings Qt prints while a call runs, so that a failure can quote what Qt reported. One
// handler, installed on first use, passes every message on to the one before it; a report only
// marks the time it collects.
class TQtReport {
 public:
  TQtReport() : FOuter(FCurrent) {
    static const QtMessageHandler previous = qInstallMessageHandler(&Capture);
    FPrevious = previous;
    FCurrent = this;
  }
  ~TQtReport() { FCurrent = FOuter; }
  TQtReport(const TQtReport&) = delete;
  TQtReport& operator=(const TQtReport&) = delete;
  std::string Text(const char* otherwise) const { return FText.empty() ? otherwise : FText; }

 private:
  static void Capture(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (FCurrent) {
      if (!FCurrent->FText.empty()) FCurrent->FText += "; ";
      FCurrent->FText += message.toStdString();
    }
    if (FPrevious) FPrevious(type, context, message);
  }
  static inline TQtReport* FCurrent = nullptr;
  static inline QtMessageHandler FPrevious = nullptr;
  TQtReport* FOuter;
  std::string FText;
};

// Qt's current context and surface, made current again when the scope ends.
class TKeepQtCurrent {
 public:
  TKeepQtCurrent()
      : FContext(QOpenGLContext::currentContext()),
        FSurface(FContext ? FContext->surface() : nullptr) {}
  ~TKeepQtCurrent() {
    if (FContext)
      FContext->makeCurrent(FSurface);
    else if (QOpenGLContext* current = QOpenGLContext::currentContext())
      current->doneCurrent();
  }
  TKeepQtCurrent(const TKeepQtCurrent&) = delete;
  TKeepQtCurrent& operator=(const TKeepQtCurrent&) = delete;

 private:
  QOpenGLContext* FContext;
  QSurface* FSurface;
};

std::string ExceptionClassName(const std::exception& e) {
  int status = 0;
  char* name = abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status);
  std::string result = status == 0 && name ? name : typeid(e).name();
  std::free(name);
  return result;
}

void MakeCurrent(QOpenGLContext& context, QSurface* surface) {
  TQtReport report;
  if (!context.makeCurrent(surface))
    throw EGLContext("Context activation failed: " + report.Text("the surface was refused"));
}

void CreateQtContext(QOpenGLContext& context) {
  TQtReport report;
  if (!context.create()) throw EOSError("OS Error : " + report.Text("no OpenGL context"), 0);
}

QSurfaceFormat CompatibilityFormat() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  return format;
}

}  // namespace

namespace {

// The share partner of every engine context, alive while any of them is.
struct TRootContext {
  QOffscreenSurface Surface;
  QOpenGLContext Context;
  bool MultisampleOffered = false;
};
TRootContext* vRoot = nullptr;
int vCreatedContexts = 0;

QOpenGLContext* RootContext() {
  if (vRoot) return &vRoot->Context;
  try {
    auto root = std::make_unique<TRootContext>();
    root->Surface.setFormat(CompatibilityFormat());
    root->Surface.create();
    root->Context.setFormat(CompatibilityFormat());
    CreateQtContext(root->Context);
    TKeepQtCurrent keep;
    MakeCurrent(root->Context, &root->Surface);
    root->MultisampleOffered = root->Context.hasExtension("GL_ARB_multisample");
    vRoot = root.release();
  } catch (const std::exception& e) {
    throw Exception("Unable to create legacy context\r\n" + ExceptionClassName(e) + ": " +
                    e.what());
  }
  return &vRoot->Context;
}

void ReleaseRootIfUnused() {
  if (vCreatedContexts > 0) return;
  delete vRoot;
  vRoot = nullptr;
}

void RequireOpenGL() {
  static const bool loaded = InitOpenGL();
  if (!loaded) {
    const std::vector<std::string>& missing = GLMissingEntryPoints();
    throw EOSError("OS Error : the OpenGL libraries cannot be loaded" +
                       (missing.empty() ? std::string() : " (" + missing.front() + ")"),
                   0);
  }
}

// What the implementation's entry points and flags were last read for.
const QOpenGLContext* vLastRead = nullptr;
std::string vLastVendor;

std::string GLText(GLenum name) {
  const GLubyte* text = glGetString(name);
  return text ? reinterpret_cast<const char*>(text) : "";
}

bool IsSoftwareRenderer(const std::string& renderer) {
  for (const char* name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
    if (renderer.find(name) != std::string::npos) return true;
  return false;
}

// Per colour depth, the bits of red, green and blue.
struct TChannels {
  int Red, Green, Blue;
};
TChannels ChannelsOf(int colorBits) {
  if (colorBits <= 0) return {-1, -1, -1};
  if (colorBits <= 8) return {3, 3, 2};
  if (colorBits <= 16) return {5, 6, 5};
  if (colorBits <= 32) return {8, 8, 8};
  if (colorBits <= 64) return {16, 16, 16};
  return {32, 32, 32};
}

int SamplesOf(TGLAntiAliasing antiAliasing) {
  switch (antiAliasing) {
    case aaNone:
      return 0;
    case aa2x:
    case aa2xHQ:
      return 2;
    case aa4x:
    case aa4xHQ:
      return 4;
    default:
      return -1;
  }
}

// The swap interval of the current window on X: the MESA form acts on the current context,
// the EXT form on the current drawable.
struct TSwapControl {
  std::function<int()> Get;
  std::function<void(int)> Set;
};

template <class F>
F GLXEntry(QOpenGLContext* context, const char* name) {
  return reinterpret_cast<F>(context->getProcAddress(name));
}

TSwapControl SwapControl(QOpenGLContext* context) {
  if (QGuiApplication::platformName() != "xcb") return {};
  const auto currentDisplay = GLXEntry<void* (*)()>(context, "glXGetCurrentDisplay");
  const auto currentDrawable = GLXEntry<unsigned long (*)()>(context, "glXGetCurrentDrawable");
  const auto queryExtensions =
      GLXEntry<const char* (*)(void*, int)>(context, "glXQueryExtensionsString");
  const auto defaultScreen =
      reinterpret_cast<int (*)(void*)>(dlsym(RTLD_DEFAULT, "XDefaultScreen"));
  void* display = currentDisplay ? currentDisplay() : nullptr;
  if (!display || !currentDrawable || !queryExtensions || !defaultScreen) return {};
  const char* extensions = queryExtensions(display, defaultScreen(display));
  if (HasExtension(extensions, "GLX_MESA_swap_control")) {
    const auto get = GLXEntry<int (*)()>(context, "glXGetSwapIntervalMESA");
    const auto set = GLXEntry<int (*)(unsigned)>(context, "glXSwapIntervalMESA");
    if (get && set) return {get, [set](int interval) { set(unsigned(interval)); }};
  }
  if (HasExtension(extensions, "GLX_EXT_swap_control")) {
    constexpr int GLX_SWAP_INTERVAL_EXT = 0x20F1;
    const auto query =
        GLXEntry<void (*)(void*, unsigned long, int, unsigned*)>(context, "glXQueryDrawable");
    const auto set = GLXEntry<void (*)(void*, unsigned long, int)>(context, "glXSwapIntervalEXT");
    if (query && set)
      return {[=] {
                unsigned value = 0;
                query(display, currentDrawable(), GLX_SWAP_INTERVAL_EXT, &value);
                return int(value);
              },
              [=](int interval) { set(display, currentDrawable(), interval); }};
  }
  return {};
}

// ---- Window tracking

struct TTrackedWindow {
  QWindow* Window;
  TNotifyEvent Callback;
  const void* Owner;
};
std::vector<TTrackedWindow> vTracked;

bool IsTracked(QWindow* window) {
  return std::any_of(vTracked.begin(), vTracked.end(),
                     [window](const TTrackedWindow& t) { return t.Window == window; });
}

void EraseEntries(QWindow* window) {
  std::erase_if(vTracked, [window](const TTrackedWindow& t) { return t.Window == window; });
}

// From the last entry to the first, staying within the table when a callback removes entries.
void WindowDestroying(QWindow* window) {
  for (size_t i = vTracked.size(); i > 0; i = std::min(i - 1, vTracked.size())) {
    if (vTracked[i - 1].Window != window) continue;
    const TNotifyEvent callback = vTracked[i - 1].Callback;
    try {
      if (callback) callback(nullptr);
    } catch (const std::exception& e) {
      // The window goes whatever happens; the event loop cannot carry the error.
      qWarning("%s", e.what());
    }
  }
}

class TWindowTracker : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::PlatformSurface &&
        static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
            QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed)
      WindowDestroying(static_cast<QWindow*>(watched));
    return false;
  }
};

TWindowTracker& Tracker() {
  static TWindowTracker tracker;
  return tracker;
}

void StopWatching(QWindow* window) {
  window->removeEventFilter(&Tracker());
  QObject::disconnect(window, &QObject::destroyed, &Tracker(), nullptr);
}

}  // namespace

// ---- Formats

std::vector<QSurfaceFormat> GLQtFormatLadder(const TGLFormatWishes& wishes,
                                             bool multisampleOffered) {
  QSurfaceFormat base = CompatibilityFormat();
  base.setSwapBehavior(wishes.Options & cfDoubleBuffered ? QSurfaceFormat::DoubleBuffer
                                                         : QSurfaceFormat::SingleBuffer);
  base.setStereo(wishes.Options & cfStereo);
  if (wishes.AlphaBits > 0) base.setAlphaBufferSize(wishes.AlphaBits);
  if (wishes.StencilBits > 0) base.setStencilBufferSize(wishes.StencilBits);
  std::vector<QSurfaceFormat> ladder;
  const auto add = [&](int colorBits, int depthBits, int samples) {
    QSurfaceFormat format = base;
    const TChannels channels = ChannelsOf(colorBits);
    format.setRedBufferSize(channels.Red);
    format.setGreenBufferSize(channels.Green);
    format.setBlueBufferSize(channels.Blue);
    format.setDepthBufferSize(depthBits > 0 ? depthBits : -1);
    format.setSamples(samples);
    if (ladder.empty() || ladder.back() != format) ladder.push_back(format);
  };
  const int colorBits = wishes.ColorBits, depthBits = wishes.DepthBits;
  add(colorBits, depthBits, multisampleOffered ? SamplesOf(wishes.AntiAliasing) : -1);
  int depth = depthBits, color = colorBits;
  if (depthBits >= 32) add(color, depth = 24, -1);
  if (depthBits >= 24) add(color, depth = 16, -1);
  if (colorBits >= 24) add(color = 16, depth, -1);
  add(colorBits, depthBits, -1);
  return ladder;
}

bool GLQtFormatMeets(const QSurfaceFormat& actual, const QSurfaceFormat& request) {
  const auto atLeast = [](int have, int want) { return want <= 0 || have >= want; };
  const bool samplesMet = request.samples() < 0    ? true
                          : request.samples() == 0 ? actual.samples() <= 1
                                                   : actual.samples() >= request.samples();
  return atLeast(actual.redBufferSize(), request.redBufferSize()) &&
         atLeast(actual.greenBufferSize(), request.greenBufferSize()) &&
         atLeast(actual.blueBufferSize(), request.blueBufferSize()) &&
         atLeast(actual.alphaBufferSize(), request.alphaBufferSize()) &&
         atLeast(actual.depthBufferSize(), request.depthBufferSize()) &&
         atLeast(actual.stencilBufferSize(), request.stencilBufferSize()) && samplesMet &&
         (!request.stereo() || actual.stereo()) &&
         (request.swapBehavior() != QSurfaceFormat::DoubleBuffer ||
          actual.swapBehavior() == QSurfaceFormat::DoubleBuffer);
}

void SetupMultisampleFilterHint(TGLAntiAliasing antiAliasing) {
  if ((antiAliasing == aa2xHQ || antiAliasing == aa4xHQ) && GLSupport.ARB_multisample &&
      GLSupport.NV_multisample_filter_hint)
    glHint(GL_MULTISAMPLE_FILTER_HINT_NV, GL_NICEST);
}

// ---- TGLQtContext

TGLQtContext::TGLQtContext() = default;

TGLQtContext::~TGLQtContext() {
  ReleaseContext();
  // Also when the destruction failed: no callback and no count may outlive this object.
  DropPlatformContext();
}

bool TGLQtContext::IsValid() {
  return FRC != nullptr;
}

void TGLQtContext::SwapBuffers() {
  if (FRC && FWindow && (GetOptions() & cfDoubleBuffered)) FRC->swapBuffers(FWindow);
  if (GetActive()) ResolveFrame();
}

void TGLQtContext::BindFramebuffers() {
  if (!FFramebuffer) return;
  FFramebuffer->bind();
  if (FMultisampleFramebuffer)
    FRC->extraFunctions()->glBindFramebuffer(GL_DRAW_FRAMEBUFFER,
                                             FMultisampleFramebuffer->handle());
}

void TGLQtContext::ResolveFrame() {
  if (!FMultisampleFramebuffer) return;
  QOpenGLExtraFunctions& f = *FRC->extraFunctions();
  // The scissor box would cut the copy as it cuts drawing.
  const bool scissor = glIsEnabled(GL_SCISSOR_TEST);
  if (scissor) glDisable(GL_SCISSOR_TEST);
  f.glBindFramebuffer(GL_READ_FRAMEBUFFER, FMultisampleFramebuffer->handle());
  f.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, FFramebuffer->handle());
  const QSize size = FFramebuffer->size();
  f.glBlitFramebuffer(0, 0, size.width(), size.height(), 0, 0, size.width(), size.height(),
                      GL_COLOR_BUFFER_BIT, GL_NEAREST);
  BindFramebuffers();
  if (scissor) glEnable(GL_SCISSOR_TEST);
}

TGLOutputDevice TGLQtContext::RenderOutputDevice() {
  if (FWindow) return FWindow;
  return FSurface.get();
}

TGLFormatWishes TGLQtContext::Wishes() {
  return {GetColorBits(), GetAlphaBits(),  GetDepthBits(),    GetStencilBits(),
          GetAccumBits(), GetAuxBuffers(), GetAntiAliasing(), GetOptions()};
}

void TGLQtContext::DoCreateContext(TGLOutputDevice outputDevice) {
  auto* window = static_cast<QWindow*>(outputDevice);
  if (!window) throw EGLContext("No window to draw to");
  TrackWindow(
      window, [this](TObject*) { ReleaseContext(); }, this);
  try {
    RequireOpenGL();
    QOpenGLContext* root = RootContext();
    if (!window->handle()) {
      const std::vector<QSurfaceFormat> ladder =
          GLQtFormatLadder(Wishes(), vRoot->MultisampleOffered);
      window->setSurfaceType(QSurface::OpenGLSurface);
      for (const QSurfaceFormat& format : ladder) {
        window->setFormat(format);
        window->create();
        if (GLQtFormatMeets(window->format(), format) || &format == &ladder.back()) break;
        window->destroy();
      }
    }
    FRC = std::make_unique<QOpenGLContext>();
    FRC->setShareContext(root);
    FRC->setScreen(window->screen());
    FRC->setFormat(window->requestedFormat());
    FWindow = window;
    CreateQtContext(*FRC);
    FinishCreation({});
  } catch (...) {
    UnTrackWindow(window, this);
    ReleaseQtObjects();
    ReleaseRootIfUnused();
    throw;
  }
}

void TGLQtContext::DoCreateMemoryContext(TGLOutputDevice, int width, int height) {
  try {
    RequireOpenGL();
    QOpenGLContext* root = RootContext();
    FSurface = std::make_unique<QOffscreenSurface>();
    FSurface->setFormat(root->format());
    FSurface->create();
    if (!FSurface->isValid()) throw Exception("Unabled to create pbuffer's DC.");
    FRC = std::make_unique<QOpenGLContext>();
    FRC->setShareContext(root);
    FRC->setFormat(root->format());
    if (!FRC->create()) throw Exception("Unabled to create pbuffer's RC.");
    FinishCreation([&] {
      if (!QOpenGLFramebufferObject::hasOpenGLFramebufferObjects())
        throw Exception("WGL_ARB_pbuffer support required.");
      QOpenGLFramebufferObjectFormat format;
      format.setInternalTextureFormat(GL_RGBA8);
      if (GetStencilBits() > 0)
        format.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
      else if (GetDepthBits() > 0)
        format.setAttachment(QOpenGLFramebufferObject::Depth);
      FFramebuffer = std::make_unique<QOpenGLFramebufferObject>(width, height, format);
      if (!FFramebuffer->isValid()) throw Exception("Unabled to create pbuffer.");
      // Anti-aliased frames are drawn into a multisampled target, which cannot be read, and
      // resolved into the one above; a driver that offers no such target draws without.
      const int samples = SamplesOf(GetAntiAliasing());
      if (samples > 0 && QOpenGLFramebufferObject::hasOpenGLFramebufferBlit()) {
        format.setSamples(samples);
        FMultisampleFramebuffer = std::make_unique<QOpenGLFramebufferObject>(width, height, format);
        if (!FMultisampleFramebuffer->isValid() || FMultisampleFramebuffer->format().samples() < 1)
          FMultisampleFramebuffer.reset();
      }
      BindFramebuffers();
      CheckOpenGLError();
    });
  } catch (...) {
    ReleaseQtObjects();
    ReleaseRootIfUnused();
    throw;
  }
}

void TGLQtContext::FinishCreation(const std::function<void()>& whileCurrent) {
  TKeepQtCurrent keep;
  MakeCurrent(*FRC, Surface());
  if (whileCurrent) whileCurrent();
  SetAcceleration(IsSoftwareRenderer(GLText(GL_RENDERER)) ? caSoftware : caHardware);
  vLastRead = nullptr;
  ++vCreatedContexts;
  FCounted = true;
}

QSurface* TGLQtContext::Surface() const {
  if (FWindow) return FWindow;
  return FSurface.get();
}

void TGLQtContext::ReleaseQtObjects() {
  if (FFramebuffer && FRC) {
    TKeepQtCurrent keep;
    FRC->makeCurrent(Surface());
    FMultisampleFramebuffer.reset();
    FFramebuffer.reset();
  }
  FMultisampleFramebuffer.reset();
  FFramebuffer.reset();
  FRC.reset();
  FSurface.reset();
  FWindow = nullptr;
}

// Only a window's drawable swaps; nothing is asked of X for a memory context.
bool TGLQtContext::HasSwapControl() {
  return FWindow && GetActive() && SwapControl(FRC.get()).Set != nullptr;
}

int TGLQtContext::GetSwapInterval() {
  if (!HasSwapControl()) return 0;
  return SwapControl(FRC.get()).Get();
}

void TGLQtContext::SetSwapInterval(int interval) {
  if (HasSwapControl()) SwapControl(FRC.get()).Set(interval);
}

void TGLQtContext::DoShareLists(TGLContext* context) {
  if (!dynamic_cast<TGLQtContext*>(context)) throw Exception("Incompatible contexts");
}

void TGLQtContext::DoDestroyContext() {
  DropPlatformContext();
}

void TGLQtContext::DropPlatformContext() {
  UnTrackWindow(FWindow, this);
  ReleaseQtObjects();
  // A shut-down that came first has already counted this context out.
  if (FCounted && vCreatedContexts > 0) --vCreatedContexts;
  FCounted = false;
  ReleaseRootIfUnused();
}

void TGLQtContext::DoActivate() {
  MakeCurrent(*FRC, Surface());
  BindFramebuffers();
  if (vLastRead != FRC.get()) {
    const std::string vendor = GLText(GL_VENDOR);
    if (vendor != vLastVendor) {
      ReadImplementationProperties();
      vLastVendor = vendor;
    }
    vLastRead = FRC.get();
  }
  SetupMultisampleFilterHint(GetAntiAliasing());
}

void TGLQtContext::DoDeactivate() {
  ResolveFrame();
  FRC->doneCurrent();
  if (QOpenGLContext::currentContext() == FRC.get()) throw Exception("Context deactivation failed");
}

// ---- Window tracking

void TrackWindow(QWindow* window, TNotifyEvent callback, const void* owner) {
  if (!window) return;
  if (!IsTracked(window)) {
    window->installEventFilter(&Tracker());
    QObject::connect(window, &QObject::destroyed, &Tracker(), [window] { EraseEntries(window); });
  }
  vTracked.push_back({window, std::move(callback), owner});
}

void UnTrackWindow(QWindow* window) {
  if (!window || !IsTracked(window)) return;
  EraseEntries(window);
  StopWatching(window);
}

void UnTrackWindow(QWindow* window, const void* owner) {
  if (!window) return;
  std::erase_if(vTracked,
                [=](const TTrackedWindow& t) { return t.Window == window && t.Owner == owner; });
  if (!IsTracked(window)) StopWatching(window);
}

int TrackedWindowCount() {
  std::vector<QWindow*> windows;
  for (const TTrackedWindow& t : vTracked)
    if (std::find(windows.begin(), windows.end(), t.Window) == windows.end())
      windows.push_back(t.Window);
  return int(windows.size());
}

void RegisterGLQtContext() {
  RegisterGLContextClass(TGLQtContext::StaticClass());
}

void FinalizeGLQtContext() {
  for (const TTrackedWindow& t : std::vector<TTrackedWindow>(vTracked)) UnTrackWindow(t.Window);
  vLastVendor.clear();
  vLastRead = nullptr;
  vCreatedContexts = 0;
  ReleaseRootIfUnused();
}

// The scene buffer without OpenGL: which setter asks for a repaint and which for a new context,
// the pixel-format wishes its options make, its viewport, and its place in a window layout.
#include <gtest/gtest.h>

// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <functional>
#include <string>

#include "engine/GLSceneGraph/FogEnvironment.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "platform/rtl/SysUtils.h"
#include "tests/engine/scene/SceneBufferFakes.h"

namespace {

using namespace scene_test;

struct TNotices {
  int Changes = 0;
  int StructuralChanges = 0;
};

TNotices& Listen(TGLSceneBuffer& buffer, TNotices& notices) {
  buffer.OnChange = [&notices](TObject*) { ++notices.Changes; };
  buffer.OnStructuralChange = [&notices](TObject*) { ++notices.StructuralChanges; };
  return notices;
}

TEST(SceneBuffer, EachSetterAsksForARepaintOrForANewContext) {
  TGLColor red(nullptr, {1, 0, 0, 1});
  const struct {
    const char* what;
    std::function<void(TGLSceneBuffer&)> set;
    bool structural;
    // Whether setting the same value again sends nothing.
    bool onlyOnChange;
  } cases[] = {
      {"FaceCulling", [](auto& b) { b.SetFaceCulling(false); }, false, true},
      {"FogEnable", [](auto& b) { b.SetFogEnable(true); }, false, true},
      {"Lighting", [](auto& b) { b.SetLighting(false); }, false, true},
      {"DepthTest", [](auto& b) { b.SetDepthTest(false); }, false, true},
      {"BackgroundColor", [](auto& b) { b.SetBackgroundColor(clRed); }, false, true},
      {"ShadeModel", [](auto& b) { b.SetShadeModel(smFlat); }, false, true},
      {"ViewPort", [](auto& b) { b.SetViewPort(0, 0, 10, 10); }, false, false},
      {"AmbientColor", [&](auto& b) { b.SetAmbientColor(&red); }, false, false},
      {"AmbientColor's channel", [](auto& b) { b.GetAmbientColor()->SetRed(1); }, false, true},
      {"FogEnvironment's start", [](auto& b) { b.GetFogEnvironment()->SetFogStart(2); }, false,
       true},
      {"ContextOptions",
       [](auto& b) {
         b.SetContextOptions(ContextOptions({roDoubleBuffer, roStencilBuffer}));
       },
       true, true},
      {"AntiAliasing", [](auto& b) { b.SetAntiAliasing(aa4x); }, true, true},
      {"DepthPrecision", [](auto& b) { b.SetDepthPrecision(dp16bits); }, true, true},
      {"ColorDepth", [](auto& b) { b.SetColorDepth(cd16bits); }, true, true},
      {"AccumBufferBits", [](auto& b) { b.SetAccumBufferBits(16); }, true, true},
  };
  for (const auto& c : cases) {
    TGLSceneBuffer buffer(nullptr);
    TNotices notices;
    Listen(buffer, notices);
    c.set(buffer);
    EXPECT_EQ(notices.Changes, c.structural ? 0 : 1) << c.what;
    EXPECT_EQ(notices.StructuralChanges, c.structural ? 1 : 0) << c.what;
    c.set(buffer);
    const int again = c.onlyOnChange ? 0 : 1;
    EXPECT_EQ(notices.Changes, c.structural ? 0 : 1 + again) << c.what << " set again";
    EXPECT_EQ(notices.StructuralChanges, c.structural ? 1 : 0) << c.what << " set again";
  }
}

TEST(SceneBuffer, AFogEnvironmentIsCopiedInAndRepaints) {
  TGLSceneBuffer source(nullptr), buffer(nullptr);
  source.GetFogEnvironment()->SetFogEnd(50);
  source.GetFogEnvironment()->SetFogMode(fmExp2);
  TNotices notices;
  Listen(buffer, notices);
  buffer.SetFogEnvironment(source.GetFogEnvironment());
  EXPECT_EQ(buffer.GetFogEnvironment()->GetFogEnd(), 50);
  EXPECT_EQ(buffer.GetFogEnvironment()->GetFogMode(), fmExp2);
  EXPECT_NE(buffer.GetFogEnvironment(), source.GetFogEnvironment());
  EXPECT_GE(notices.Changes, 1);
  EXPECT_EQ(notices.StructuralChanges, 0);
}

TEST(SceneBuffer, OptionsBecomeTheContextsWishes) {
  TFakeContextUnit unit;
  const struct {
    const char* what;
    std::function<void(TGLSceneBuffer&)> set;
    TGLContextFlags options;
    int32_t colorBits, depthBits, stencilBits, alphaBits, accumBits;
    TGLAntiAliasing antiAliasing;
  } cases[] = {
      {"a new buffer", [](auto&) {}, cfDoubleBuffered, 24, 24, 0, 0, 0, aaDefault},
      {"single-buffered stereo", [](auto& b) { b.SetContextOptions(ContextOptions({roStereo})); },
       cfStereo, 24, 24, 0, 0, 0, aaDefault},
      {"stencil and destination alpha",
       [](auto& b) {
         b.SetContextOptions(ContextOptions({roDoubleBuffer, roStencilBuffer, roDestinationAlpha}));
       },
       cfDoubleBuffered, 24, 24, 8, 8, 0, aaDefault},
      {"no colour buffer whatever the colour depth",
       [](auto& b) {
         b.SetColorDepth(cdFloat128bits);
         b.SetContextOptions(ContextOptions({roNoColorBuffer}));
       },
       0, 0, 24, 0, 0, 0, aaDefault},
      {"depths, colours, accumulation and anti-aliasing",
       [](auto& b) {
         b.SetDepthPrecision(dp32bits);
         b.SetColorDepth(cd16bits);
         b.SetAccumBufferBits(32);
         b.SetAntiAliasing(aa2xHQ);
       },
       cfDoubleBuffered, 16, 32, 0, 0, 32, aa2xHQ},
      {"16-bit depth, 8-bit and 64-bit colours",
       [](auto& b) {
         b.SetDepthPrecision(dp16bits);
         b.SetColorDepth(cdFloat64bits);
       },
       cfDoubleBuffered, 64, 16, 0, 0, 0, aaDefault},
  };
  for (const auto& c : cases) {
    TGLSceneBuffer buffer(nullptr);
    c.set(buffer);
    int prepared = 0;
    buffer.OnPrepareGLContext = [&](TObject* sender) {
      EXPECT_EQ(sender, &buffer);
      ++prepared;
    };
    TFakeContext context;
    context.SetAuxBuffers(3);
    buffer.SetupRCOptions(&context);
    EXPECT_EQ(context.GetOptions(), c.options) << c.what;
    EXPECT_EQ(context.GetColorBits(), c.colorBits) << c.what;
    EXPECT_EQ(context.GetDepthBits(), c.depthBits) << c.what;
    EXPECT_EQ(context.GetStencilBits(), c.stencilBits) << c.what;
    EXPECT_EQ(context.GetAlphaBits(), c.alphaBits) << c.what;
    EXPECT_EQ(context.GetAccumBits(), c.accumBits) << c.what;
    EXPECT_EQ(context.GetAuxBuffers(), 0) << c.what;
    EXPECT_EQ(context.GetAntiAliasing(), c.antiAliasing) << c.what;
    EXPECT_EQ(prepared, 1) << c.what << ": the event comes after the wishes";
  }
  EXPECT_EQ(ColorDepthBits(cd8bits), 8);
  EXPECT_EQ(DepthPrecisionBits(dp24bits), 24);
}

TEST(SceneBuffer, ResizeKeepsAtLeastOnePixelWhileSetViewPortStoresWhatItIsGiven) {
  TGLSceneBuffer buffer(nullptr);
  buffer.Resize(0, 0);
  EXPECT_EQ(buffer.GetViewPort().Width, 1);
  EXPECT_EQ(buffer.GetViewPort().Height, 1);
  buffer.Resize(-5, 30);
  EXPECT_EQ(buffer.GetViewPort().Width, 1);
  EXPECT_EQ(buffer.GetViewPort().Height, 30);
  buffer.SetViewPort(2, 3, 0, -1);
  EXPECT_EQ(buffer.GetViewPort().Left, 2);
  EXPECT_EQ(buffer.GetViewPort().Top, 3);
  EXPECT_EQ(buffer.GetViewPort().Width, 0);
  EXPECT_EQ(buffer.GetViewPort().Height, -1);
}

TEST(SceneBuffer, TheDeviceViewPortScalesWithThePixelRatio) {
  TGLSceneBuffer buffer(nullptr);
  buffer.Resize(301, 200);
  EXPECT_EQ(buffer.DeviceViewPort().Width, 301);
  buffer.SetDevicePixelRatio(1.5);
  EXPECT_EQ(buffer.GetViewPort().Width, 301) << "sizes stay logical";
  EXPECT_EQ(buffer.DeviceViewPort().Width, 452);
  EXPECT_EQ(buffer.DeviceViewPort().Height, 300);
  for (double refused : {0.0, -2.0, std::nan("")}) {
    buffer.SetDevicePixelRatio(refused);
    EXPECT_EQ(buffer.GetDevicePixelRatio(), 1.5) << refused;
  }
}

TEST(SceneBuffer, ModelViewMatricesStackAndAnUnbalancedPopIsRefused) {
  TGLSceneBuffer buffer(nullptr);
  TMatrix scaled = IdentityHmgMatrix;
  scaled[0][0] = 2;
  buffer.PushModelViewMatrix(scaled);
  EXPECT_EQ(buffer.GetModelViewMatrix(), scaled);
  buffer.PopModelViewMatrix();
  EXPECT_EQ(buffer.GetModelViewMatrix(), IdentityHmgMatrix);
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { buffer.PopModelViewMatrix(); },
                                       testing::StartsWith("Unbalanced PopModelViewMatrix")));
}

TEST(SceneBuffer, CreateRCWithoutAContextClassRaisesAndLeavesNoContext) {
  InitializeGLContext();
  TGLSceneBuffer buffer(nullptr);
  EXPECT_TRUE(Raises<Exception>([&] { buffer.CreateRC(nullptr, false); },
                                "Failed to create RenderingContext."));
  EXPECT_FALSE(buffer.RCInstantiated());
  EXPECT_FALSE(buffer.GetRendering());
  FinalizeGLContext();
}

TEST(SceneBuffer, AFailedPlatformCreationLeavesNoContext) {
  TFakeContextUnit unit;
  TGLSceneBuffer buffer(nullptr);
  buffer.SetViewPort(0, 0, 64, 48);
  FailingSteps = {"memory"};
  EXPECT_TRUE(Raises<EGLContext>([&] { buffer.CreateRC(nullptr, true); }, "memory failed"));
  EXPECT_FALSE(buffer.RCInstantiated());
  EXPECT_FALSE(buffer.GetRendering());
  EXPECT_EQ(GLContextManager->ContextCount(), 0) << "the context object is freed";
}

// ---- The window layout

std::string WriteLayout(TComponent* root) {
  TStringStream stream;
  stream.WriteComponent(root);
  return stream.DataString();
}

TEST(SceneBuffer, TheLayoutHoldsOnlyWhatDiffersAndTheFogOnlyAwayFromItsDefaults) {
  TBufferHolder written;
  const std::string plain = WriteLayout(&written);
  for (const char* left : {"FaceCulling", "BackgroundColor", "ContextOptions", "ShadeModel",
                           "AccumBufferBits", "FogEnvironment"})
    EXPECT_EQ(plain.find(std::string("Buffer.") + left), std::string::npos) << left << plain;

  written.Buffer->SetBackgroundColor(clBlack);
  written.Buffer->SetContextOptions(ContextOptions({roDoubleBuffer, roStencilBuffer}));
  written.Buffer->SetDepthPrecision(dp16bits);
  written.Buffer->GetFogEnvironment()->GetFogColor()->SetBlue(1);
  const std::string layout = WriteLayout(&written);
  for (const char* line :
       {"Buffer.BackgroundColor = clBlack",
        "Buffer.ContextOptions = [roDoubleBuffer, roStencilBuffer]",
        "Buffer.DepthPrecision = dp16bits", "Buffer.FogEnvironment.FogStart = 10",
        "Buffer.FogEnvironment.FogEnd = 1000"})
    EXPECT_NE(layout.find(line), std::string::npos) << line << "\n" << layout;
  EXPECT_EQ(layout.find("FogMode"), std::string::npos) << layout;

  TBufferHolder read;
  TStringStream stream(layout);
  stream.ReadComponent(&read);
  EXPECT_EQ(read.Buffer->GetBackgroundColor(), clBlack);
  EXPECT_EQ(read.Buffer->GetContextOptions(), ContextOptions({roDoubleBuffer, roStencilBuffer}));
  EXPECT_EQ(read.Buffer->GetDepthPrecision(), dp16bits);
  EXPECT_EQ(read.Buffer->GetFogEnvironment()->GetFogColor()->GetColor(), (TVector{0, 0, 1, 1}));
  EXPECT_EQ(WriteLayout(&read), layout);
}

}  // namespace

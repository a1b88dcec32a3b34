// The formats a context asks Qt for, in the order it asks, and when what Qt gave will do.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/platform/GLQtContext.h"
#include "platform/gl/GLRecorder.h"

namespace {

std::string Bits(int bits) {
  return bits < 0 ? "-" : std::to_string(bits);
}

// "8/8/8 a8 d24 s8 x4 double stereo": channels, then alpha, depth, stencil, samples when asked.
std::string Describe(const QSurfaceFormat& f) {
  std::string text =
      Bits(f.redBufferSize()) + "/" + Bits(f.greenBufferSize()) + "/" + Bits(f.blueBufferSize());
  if (f.alphaBufferSize() >= 0) text += " a" + Bits(f.alphaBufferSize());
  if (f.depthBufferSize() >= 0) text += " d" + Bits(f.depthBufferSize());
  if (f.stencilBufferSize() >= 0) text += " s" + Bits(f.stencilBufferSize());
  if (f.samples() >= 0) text += " x" + Bits(f.samples());
  text += f.swapBehavior() == QSurfaceFormat::DoubleBuffer ? " double" : " single";
  if (f.stereo()) text += " stereo";
  return text;
}

std::vector<std::string> Ladder(const TGLFormatWishes& wishes, bool multisampleOffered = true) {
  std::vector<std::string> texts;
  for (const QSurfaceFormat& f : GLQtFormatLadder(wishes, multisampleOffered)) {
    EXPECT_EQ(f.profile(), QSurfaceFormat::CompatibilityProfile);
    EXPECT_EQ(f.renderableType(), QSurfaceFormat::OpenGL);
    texts.push_back(Describe(f));
  }
  return texts;
}

using Texts = std::vector<std::string>;

TEST(GLQtFormatLadder, WishesToRequests) {
  const struct {
    const char* what;
    TGLFormatWishes wishes;
    bool multisampleOffered;
    Texts ladder;
  } cases[] = {
      {"the buffer's defaults",
       {24, 0, 24, 0, 0, 0, aaDefault, cfDoubleBuffered},
       true,
       {"8/8/8 d24 double", "8/8/8 d16 double", "5/6/5 d16 double", "8/8/8 d24 double"}},
      {"everything, four samples",
       {32, 8, 32, 8, 0, 0, aa4x, cfDoubleBuffered},
       true,
       {"8/8/8 a8 d32 s8 x4 double", "8/8/8 a8 d24 s8 double", "8/8/8 a8 d16 s8 double",
        "5/6/5 a8 d16 s8 double", "8/8/8 a8 d32 s8 double"}},
      {"samples not offered",
       {24, 0, 16, 0, 0, 0, aa2xHQ, 0},
       false,
       {"8/8/8 d16 single", "5/6/5 d16 single", "8/8/8 d16 single"}},
      {"no anti-aliasing asks for no samples",
       {24, 0, 16, 0, 0, 0, aaNone, 0},
       true,
       {"8/8/8 d16 x0 single", "5/6/5 d16 single", "8/8/8 d16 single"}},
      {"nothing to lower", {16, 0, 16, 0, 0, 0, aaDefault, 0}, true, {"5/6/5 d16 single"}},
      {"eight-bit colour, stereo",
       {8, 0, 0, 0, 0, 0, aaDefault, cfStereo | cfDoubleBuffered},
       true,
       {"3/3/2 double stereo"}},
      {"no colour buffer",
       {0, 0, 24, 0, 0, 0, aaDefault, 0},
       true,
       {"-/-/- d24 single", "-/-/- d16 single", "-/-/- d24 single"}},
      {"floating-point colour",
       {64, 0, 16, 0, 0, 0, aa2x, 0},
       true,
       {"16/16/16 d16 x2 single", "5/6/5 d16 single", "16/16/16 d16 single"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Ladder(c.wishes, c.multisampleOffered), c.ladder) << c.what;
}

TEST(GLQtFormatLadder, AccumulationAndAuxiliaryWishesHaveNoEffect) {
  EXPECT_EQ(Ladder({24, 0, 24, 0, 64, 4, aaDefault, 0}),
            Ladder({24, 0, 24, 0, 0, 0, aaDefault, 0}));
}

QSurfaceFormat Format(int rgb, int alpha, int depth, int stencil, int samples,
                      bool doubleBuffered = true) {
  QSurfaceFormat f;
  f.setRedBufferSize(rgb);
  f.setGreenBufferSize(rgb);
  f.setBlueBufferSize(rgb);
  f.setAlphaBufferSize(alpha);
  f.setDepthBufferSize(depth);
  f.setStencilBufferSize(stencil);
  f.setSamples(samples);
  f.setSwapBehavior(doubleBuffered ? QSurfaceFormat::DoubleBuffer : QSurfaceFormat::SingleBuffer);
  return f;
}

TEST(GLQtFormatMeets, WhatQtGaveAgainstWhatWasAsked) {
  const struct {
    const char* what;
    QSurfaceFormat actual, request;
    bool meets;
  } cases[] = {
      {"exact", Format(8, 8, 24, 8, 0), Format(8, 8, 24, 8, 0), true},
      {"more than asked", Format(8, 8, 24, 8, 4), Format(5, -1, 16, -1, -1), true},
      {"less depth", Format(8, 0, 24, 0, 0), Format(8, -1, 32, -1, -1), false},
      {"no stencil", Format(8, 0, 24, 0, 0), Format(8, -1, 24, 8, -1), false},
      {"no alpha", Format(8, 0, 24, 0, 0), Format(8, 8, 24, -1, -1), false},
      {"fewer samples", Format(8, 0, 24, 0, 2), Format(8, -1, 24, -1, 4), false},
      {"samples where none were wanted", Format(8, 0, 24, 0, 4), Format(8, -1, 24, -1, 0), false},
      {"single where double was wanted", Format(8, 0, 24, 0, 0, false), Format(8, -1, 24, -1, -1),
       false},
  };
  for (const auto& c : cases) EXPECT_EQ(GLQtFormatMeets(c.actual, c.request), c.meets) << c.what;
}

TEST(GLQtMultisampleHint, OnlyTheHighQualityModesWithBothExtensions) {
  const struct {
    TGLAntiAliasing antiAliasing;
    const char* extensions;
    size_t hints;
  } cases[] = {
      {aa4xHQ, "GL_ARB_multisample GL_NV_multisample_filter_hint", 1},
      {aa2xHQ, "GL_ARB_multisample GL_NV_multisample_filter_hint", 1},
      {aa4x, "GL_ARB_multisample GL_NV_multisample_filter_hint", 0},
      {aa4xHQ, "GL_ARB_multisample", 0},
      {aa4xHQ, "GL_NV_multisample_filter_hint", 0},
  };
  for (const auto& c : cases) {
    TGLRecorder gl;
    gl.SetImplementation("1.5", c.extensions);
    SetupMultisampleFilterHint(c.antiAliasing);
    const TGLCalls expected(c.hints, TGLCall("glHint", GL_MULTISAMPLE_FILTER_HINT_NV, GL_NICEST));
    EXPECT_EQ(gl.Calls(), expected) << c.antiAliasing << " " << c.extensions;
  }
}

}  // namespace

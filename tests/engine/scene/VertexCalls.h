#pragma once
// The primitives of a recorded call log, each vertex with the normal, colour and texture
// coordinate in force when it was sent, whichever form of the call sent them.

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "engine/base/VectorGeometry.h"
#include "platform/gl/GLRecorder.h"

namespace vertex_calls {

// Values nothing sent before the vertex.
constexpr float Unset = -99;

struct TSentVertex {
  TVector Position;  // w is 1 for a three-component vertex
  TAffineVector Normal{Unset, Unset, Unset};
  TVector Color{Unset, Unset, Unset, Unset};
  TTexPoint Tex{Unset, Unset};
};

struct TPrimitive {
  GLenum Mode;
  std::vector<TSentVertex> Vertices;
};

inline std::ostream& operator<<(std::ostream& out, const TSentVertex& v) {
  return out << "(" << v.Position[X] << ", " << v.Position[Y] << ", " << v.Position[Z]
             << " | n " << v.Normal[X] << ", " << v.Normal[Y] << ", " << v.Normal[Z] << " | st "
             << v.Tex.S << ", " << v.Tex.T << ")";
}

// Every argument of the call from First on as floats, the arrays of the ...v forms included.
inline std::vector<float> Numbers(const TGLCall& Call, size_t First = 0) {
  std::vector<float> numbers;
  for (size_t i = First; i < Call.Args.size(); ++i) {
    if (const auto* array = std::get_if<TGLArray>(&Call.Args[i]))
      for (double value : *array) numbers.push_back(float(value));
    else if (const auto* value = std::get_if<double>(&Call.Args[i]))
      numbers.push_back(float(*value));
  }
  return numbers;
}

inline std::vector<TPrimitive> Primitives(const TGLCalls& Calls) {
  std::vector<TPrimitive> primitives;
  TSentVertex current;
  const auto starts = [](const std::string& name, const char* prefix) {
    return name.rfind(prefix, 0) == 0;
  };
  for (const TGLCall& call : Calls) {
    const std::vector<float> n = Numbers(call);
    if (call.Name == "glBegin") {
      primitives.push_back({GLenum(std::get<int64_t>(call.Args[0])), {}});
    } else if (call.Name == "glEnd") {
      continue;
    } else if (starts(call.Name, "glNormal3")) {
      current.Normal = {n[0], n[1], n[2]};
    } else if (starts(call.Name, "glColor4")) {
      current.Color = {n[0], n[1], n[2], n[3]};
    } else if (starts(call.Name, "glTexCoord2")) {
      current.Tex = {n[0], n[1]};
    } else if (starts(call.Name, "glVertex")) {
      EXPECT_FALSE(primitives.empty()) << "a vertex outside glBegin";
      if (primitives.empty()) continue;
      current.Position = {n[0], n[1], n.size() > 2 ? n[2] : 0, n.size() > 3 ? n[3] : 1};
      primitives.back().Vertices.push_back(current);
    }
  }
  return primitives;
}

inline float Length(const TAffineVector& v) {
  return std::sqrt(v[X] * v[X] + v[Y] * v[Y] + v[Z] * v[Z]);
}

}  // namespace vertex_calls

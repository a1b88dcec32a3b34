// The engine's matrix and vector routines against glm on the same data. A TMatrix in the
// row-vector convention has the memory layout of the column-major glm::mat4 of the same transform,
// so both sides read identical bytes.

#include <benchmark/benchmark.h>

#include <cstring>
#include <glm/glm.hpp>
#include <vector>

#include "engine/base/VectorGeometry.h"

namespace {

constexpr int cVectorCount = 1000000;
constexpr int cMatrixCount = 1000;

float Sample(int i) {
  return float((unsigned(i) * 7919u) % 1000u) / 100 - 5;
}

TMatrix SampleMatrix(int k) {
  TMatrix m;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = Sample(k * 16 + i * 4 + j) + (i == j ? 20 : 0);
  return m;
}

template <typename T, typename S>
T As(const S& s) {
  static_assert(sizeof(T) == sizeof(S));
  T t;
  std::memcpy(static_cast<void*>(&t), &s, sizeof(T));
  return t;
}

std::vector<TMatrix> Matrices() {
  std::vector<TMatrix> v(cMatrixCount);
  for (int k = 0; k < cMatrixCount; ++k) v[k] = SampleMatrix(k);
  return v;
}

template <typename V>
std::vector<V> Vectors() {
  std::vector<V> v(cVectorCount);
  for (int i = 0; i < cVectorCount; ++i)
    for (int c = 0; c < int(sizeof(V) / sizeof(float)); ++c) v[i][c] = Sample(i * 4 + c) + 0.01f;
  return v;
}

void MatrixMultiply_Engine(benchmark::State& state) {
  auto a = Matrices();
  TMatrix b = SampleMatrix(-1);
  std::vector<TMatrix> r(cMatrixCount);
  for (auto _ : state) {
    for (int k = 0; k < cMatrixCount; ++k) MatrixMultiply(a[k], b, r[k]);
    benchmark::DoNotOptimize(r.data());
  }
  state.SetItemsProcessed(state.iterations() * cMatrixCount);
}

void MatrixMultiply_glm(benchmark::State& state) {
  std::vector<glm::mat4> a;
  for (const TMatrix& m : Matrices()) a.push_back(As<glm::mat4>(m));
  glm::mat4 b = As<glm::mat4>(SampleMatrix(-1));
  std::vector<glm::mat4> r(cMatrixCount);
  for (auto _ : state) {
    for (int k = 0; k < cMatrixCount; ++k) r[k] = b * a[k];
    benchmark::DoNotOptimize(r.data());
  }
  state.SetItemsProcessed(state.iterations() * cMatrixCount);
}

void InvertMatrix_Engine(benchmark::State& state) {
  auto a = Matrices();
  std::vector<TMatrix> r(cMatrixCount);
  for (auto _ : state) {
    for (int k = 0; k < cMatrixCount; ++k) {
      r[k] = a[k];
      InvertMatrix(r[k]);
    }
    benchmark::DoNotOptimize(r.data());
  }
  state.SetItemsProcessed(state.iterations() * cMatrixCount);
}

void InvertMatrix_glm(benchmark::State& state) {
  std::vector<glm::mat4> a;
  for (const TMatrix& m : Matrices()) a.push_back(As<glm::mat4>(m));
  std::vector<glm::mat4> r(cMatrixCount);
  for (auto _ : state) {
    for (int k = 0; k < cMatrixCount; ++k) r[k] = glm::inverse(a[k]);
    benchmark::DoNotOptimize(r.data());
  }
  state.SetItemsProcessed(state.iterations() * cMatrixCount);
}

void VectorTransform_Engine(benchmark::State& state) {
  auto v = Vectors<TVector>();
  TMatrix m = SampleMatrix(3);
  std::vector<TVector> r(cVectorCount);
  for (auto _ : state) {
    for (int i = 0; i < cVectorCount; ++i) VectorTransform(v[i], m, r[i]);
    benchmark::DoNotOptimize(r.data());
  }
  state.SetItemsProcessed(state.iterations() * cVectorCount);
}

void VectorTransform_glm(benchmark::State& state) {
  auto src = Vectors<TVector>();
  std::vector<glm::vec4> v(cVectorCount), r(cVectorCount);
  for (int i = 0; i < cVectorCount; ++i) v[i] = As<glm::vec4>(src[i]);
  glm::mat4 m = As<glm::mat4>(SampleMatrix(3));
  for (auto _ : state) {
    for (int i = 0; i < cVectorCount; ++i) r[i] = m * v[i];
    benchmark::DoNotOptimize(r.data());
  }
  state.SetItemsProcessed(state.iterations() * cVectorCount);
}

void VectorArrayAdd_Engine(benchmark::State& state) {
  auto v = Vectors<TAffineVector>();
  std::vector<TAffineVector> r(cVectorCount);
  const TAffineVector delta = {1, 2, 3};
  for (auto _ : state) {
    VectorArrayAdd(v.data(), delta, cVectorCount, r.data());
    benchmark::DoNotOptimize(r.data());
  }
  state.SetItemsProcessed(state.iterations() * cVectorCount);
}

void VectorArrayAdd_glm(benchmark::State& state) {
  auto src = Vectors<TAffineVector>();
  std::vector<glm::vec3> v(cVectorCount), r(cVectorCount);
  for (int i = 0; i < cVectorCount; ++i) v[i] = As<glm::vec3>(src[i]);
  const glm::vec3 delta(1, 2, 3);
  for (auto _ : state) {
    for (int i = 0; i < cVectorCount; ++i) r[i] = v[i] + delta;
    benchmark::DoNotOptimize(r.data());
  }
  state.SetItemsProcessed(state.iterations() * cVectorCount);
}

// Normalising in place keeps the data unit length from one iteration to the next, so every pass
// does the same work.
void NormalizeVector_Engine(benchmark::State& state) {
  auto v = Vectors<TAffineVector>();
  for (auto _ : state) {
    for (int i = 0; i < cVectorCount; ++i) NormalizeVector(v[i]);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * cVectorCount);
}

void NormalizeVectorArray_Engine(benchmark::State& state) {
  auto v = Vectors<TAffineVector>();
  for (auto _ : state) {
    NormalizeVectorArray(v.data(), cVectorCount);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * cVectorCount);
}

void NormalizeVector_glm(benchmark::State& state) {
  auto src = Vectors<TAffineVector>();
  std::vector<glm::vec3> v(cVectorCount);
  for (int i = 0; i < cVectorCount; ++i) v[i] = As<glm::vec3>(src[i]);
  for (auto _ : state) {
    for (int i = 0; i < cVectorCount; ++i) v[i] = glm::normalize(v[i]);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * cVectorCount);
}

}  // namespace

BENCHMARK(MatrixMultiply_Engine);
BENCHMARK(MatrixMultiply_glm);
BENCHMARK(InvertMatrix_Engine);
BENCHMARK(InvertMatrix_glm);
BENCHMARK(VectorTransform_Engine);
BENCHMARK(VectorTransform_glm);
BENCHMARK(VectorArrayAdd_Engine);
BENCHMARK(VectorArrayAdd_glm);
BENCHMARK(NormalizeVector_Engine);
BENCHMARK(NormalizeVectorArray_Engine);
BENCHMARK(NormalizeVector_glm);

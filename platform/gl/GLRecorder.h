#pragma once
// A stand-in OpenGL for tests: while a TGLRecorder lives, every entry of the dispatch table logs
// its call with its arguments, so a unit's exact call sequence is checked without a context. A
// small state model answers what callers read back: errors, generated names, texture objects,
// enable flags, strings and glGet values. Every other read answers OpenGL's initial state, or
// zero where there is none, so no caller reads memory nobody wrote.

#include <cstdint>
#include <deque>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "platform/gl/OpenGL.h"

// The values an input array held (colours, matrices, names), as doubles.
using TGLArray = std::vector<double>;
// A pointer the call received, logged by address (vertex data, pixels, quadrics).
struct TGLAddress {
  const void* Value;
  bool operator==(const TGLAddress&) const = default;
};
using TGLArg = std::variant<int64_t, double, TGLArray, TGLAddress>;

struct TGLCall {
  std::string Name;
  std::vector<TGLArg> Args;  // output pointers are left out

  TGLCall() = default;
  template <class... A>
  explicit TGLCall(std::string name, A... args) : Name(std::move(name)), Args{Arg(args)...} {}
  bool operator==(const TGLCall&) const = default;

  static TGLArg Arg(const TGLArray& v) { return v; }
  static TGLArg Arg(float v) { return double(v); }
  static TGLArg Arg(double v) { return v; }
  static TGLArg Arg(const void* v) { return TGLAddress{v}; }
  template <class T>
  requires std::is_integral_v<T>
  static TGLArg Arg(T v) { return int64_t(v); }
};
using TGLCalls = std::vector<TGLCall>;

std::ostream& operator<<(std::ostream& out, const TGLCall& call);

class TGLRecorder {
 public:
  // Takes over the dispatch table and the support flags; the destructor gives both back.
  TGLRecorder();
  ~TGLRecorder();
  TGLRecorder(const TGLRecorder&) = delete;
  TGLRecorder& operator=(const TGLRecorder&) = delete;

  const TGLCalls& Calls() const { return FCalls; }
  // The calls logged since the last Take, which empties the log.
  TGLCalls Take();
  // The calls of one name, in order.
  TGLCalls CallsOf(const std::string& name) const;

  // State model. glGetError hands the queued errors out in order, then GL_NO_ERROR.
  void PushError(GLenum error) { FErrors.push_back(error); }
  // glGetString; glGetIntegerv, glGetFloatv, glGetBooleanv and glGetDoublev for a pname (a
  // pname nobody set answers OpenGL's initial value: identity matrices, viewport 0, ...).
  void SetString(GLenum name, std::string value) { FStrings[name] = std::move(value); }
  void SetValues(GLenum pname, std::vector<double> values) { FValues[pname] = std::move(values); }
  // Texture names glIsTexture answers true for: those glGenTextures made and glDeleteTextures
  // has not deleted.
  bool TextureExists(GLuint name) const { return FTextures.count(name) != 0; }
  // Capabilities glEnable and glDisable turned on and off, for glIsEnabled and glGet (dithering
  // and multisampling start on, as in a new context).
  bool IsEnabled(GLenum capability) const { return FEnabled.count(capability) != 0; }

  // Makes InitOpenGL-like support flags: version text, extension string, GLU version.
  void SetImplementation(const std::string& version, const std::string& extensions,
                         const std::string& gluVersion = "1.3");

  static TGLRecorder* Current() { return FCurrent; }
  void Log(size_t entry, std::vector<TGLArg> args);

 private:
  friend struct TGLRecorderModel;
  static TGLRecorder* FCurrent;
  TGLDispatch FSavedDispatch;
  TGLSupport FSavedSupport;
  TGLRecorder* FSavedRecorder;
  TGLCalls FCalls;
  std::deque<GLenum> FErrors;
  std::map<GLenum, std::string> FStrings;
  std::map<GLenum, std::vector<double>> FValues;
  std::set<GLuint> FTextures;
  std::set<GLenum> FEnabled = {GL_DITHER, GL_MULTISAMPLE};  // on in a new context
  GLuint FNextTexture = 1;
  GLuint FNextList = 1;
  GLuint FNextName = 1;  // of queries and buffers
};

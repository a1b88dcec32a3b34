#define GL_DISPATCH_NO_NAMES
#include "platform/gl/GLRecorder.h"

#include <cstring>
#include <string_view>
#include <type_traits>

TGLRecorder* TGLRecorder::FCurrent = nullptr;

namespace {
bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

int ValuesForParameter(int64_t pname) {
  switch (pname) {
    case GL_AMBIENT:
    case GL_DIFFUSE:
    case GL_SPECULAR:
    case GL_EMISSION:
    case GL_AMBIENT_AND_DIFFUSE:
    case GL_POSITION:
    case GL_OBJECT_PLANE:
    case GL_EYE_PLANE:
    case GL_TEXTURE_ENV_COLOR:
    case GL_FOG_COLOR:
    case GL_LIGHT_MODEL_AMBIENT:
    case GL_TEXTURE_BORDER_COLOR:
      return 4;
    case GL_SPOT_DIRECTION:
    case GL_COLOR_INDEXES:
    case GL_POINT_DISTANCE_ATTENUATION:
      return 3;
    default:
      return 1;
  }
}

// How many values an input array of the call holds, from its name and the arguments before it;
// 0 when unknown, and the array is then logged by address.
int ArrayLength(std::string_view name, const std::vector<TGLArg>& before) {
  const auto arrays = [&] {
    int n = 0;
    for (const TGLArg& a : before) n += std::holds_alternative<TGLArray>(a);
    return n;
  };
  const auto firstInteger = [&] {
    return before.empty() ? 0 : int(std::get<int64_t>(before.front()));
  };
  if (name == "gluPickMatrix") return 4;
  if (StartsWith(name, "gluProject") || StartsWith(name, "gluUnProject"))
    return arrays() < 2 ? 16 : 4;
  if (name == "gluTessVertex") return 3;
  if (name.find("Matrix") != std::string_view::npos) return 16;
  if (StartsWith(name, "glDelete") || name == "glPrioritizeTextures" ||
      name == "glAreTexturesResident")
    return firstInteger();
  if (StartsWith(name, "glRect")) return 2;
  if (StartsWith(name, "glGet")) return 0;
  if (name == "glClipPlane") return 4;
  for (std::string_view suffix : {"ARB", "EXT"})
    if (name.ends_with(suffix)) name.remove_suffix(suffix.size());
  if (!name.ends_with('v')) return 0;
  name.remove_suffix(1);
  while (!name.empty() && std::strchr("bsifdu", name.back())) name.remove_suffix(1);
  if (!name.empty() && name.back() >= '1' && name.back() <= '4') return name.back() - '0';
  for (std::string_view byParameter : {"glMaterial", "glLight", "glLightModel", "glTexGen",
                                       "glTexEnv", "glFog", "glTexParameter", "glPointParameter"})
    if (name == byParameter)
      return before.empty() ? 0 : ValuesForParameter(std::get<int64_t>(before.back()));
  return 0;
}

template <class T>
void AddArg(std::string_view name, std::vector<TGLArg>& args, T value) {
  if constexpr (std::is_integral_v<T>) {
    args.push_back(int64_t(value));
  } else if constexpr (std::is_floating_point_v<T>) {
    args.push_back(double(value));
  } else if constexpr (std::is_pointer_v<T> && std::is_function_v<std::remove_pointer_t<T>>) {
    args.push_back(TGLAddress{reinterpret_cast<const void*>(value)});
  } else {
    using P = std::remove_pointer_t<T>;
    if constexpr (std::is_arithmetic_v<P>) {
      // Non-const arrays are answers the call writes, except GLU's vertex location.
      if (!std::is_const_v<P> && name != "gluTessVertex") return;
      const int length = value ? ArrayLength(name, args) : 0;
      if (length > 0) {
        args.push_back(TGLArray(value, value + length));
        return;
      }
    }
    args.push_back(TGLAddress{static_cast<const void*>(value)});
  }
}

template <size_t Index, class F>
struct TRecord;
template <size_t Index, class R, class... A>
struct TRecord<Index, R (*)(A...)> {
  static R Call(A... a) {
    std::vector<TGLArg> args;
    (AddArg<A>(GLEntryName(Index), args, a), ...);
    TGLRecorder::Current()->Log(Index, std::move(args));
    return R();
  }
};

constexpr TGLDispatch RecordingTable() {
  TGLDispatch table{};
#define GL_ENTRY(name) table.name = &TRecord<GLE_##name, decltype(&::name)>::Call;
#define GLU_ENTRY(name) GL_ENTRY(name)
#include "platform/gl/GLEntryPoints.inc"
  return table;
}

#define RECORD(name) TRecord<GLE_##name, decltype(&::name)>::Call

}  // namespace

// The entries that answer from the state model: each logs like any other, then answers.
struct TGLRecorderModel {
  static TGLRecorder& R() { return *TGLRecorder::Current(); }
  static const GLubyte* Text(GLenum name) {
    const auto found = R().FStrings.find(name);
    return found == R().FStrings.end() ? nullptr
                                       : reinterpret_cast<const GLubyte*>(found->second.c_str());
  }
  template <size_t Index, class T>
  static void Get(GLenum pname, T* out) {
    TRecord<Index, void (*)(GLenum, T*)>::Call(pname, out);
    const auto found = R().FValues.find(pname);
    if (found == R().FValues.end()) return;
    for (size_t i = 0; i < found->second.size(); ++i) out[i] = T(found->second[i]);
  }

  static void Install(TGLDispatch& t) {
    t.glGetError = [] {
      RECORD(glGetError)();
      if (R().FErrors.empty()) return GLenum(GL_NO_ERROR);
      const GLenum error = R().FErrors.front();
      R().FErrors.pop_front();
      return error;
    };
    t.glGetString = [](GLenum name) {
      RECORD(glGetString)(name);
      return Text(name);
    };
    t.gluGetString = [](GLenum name) {
      RECORD(gluGetString)(name);
      return Text(name);
    };
    t.gluErrorString = [](GLenum error) {
      RECORD(gluErrorString)(error);
      return reinterpret_cast<const GLubyte*>(ErrorText(error));
    };
    t.glGenTextures = [](GLsizei n, GLuint* names) {
      RECORD(glGenTextures)(n, names);
      for (GLsizei i = 0; i < n; ++i) R().FTextures.insert(names[i] = R().FNextTexture++);
    };
    t.glDeleteTextures = [](GLsizei n, const GLuint* names) {
      RECORD(glDeleteTextures)(n, names);
      for (GLsizei i = 0; i < n; ++i) R().FTextures.erase(names[i]);
    };
    t.glIsTexture = [](GLuint name) {
      RECORD(glIsTexture)(name);
      return GLboolean(R().TextureExists(name));
    };
    t.glGenLists = [](GLsizei range) {
      RECORD(glGenLists)(range);
      const GLuint first = R().FNextList;
      R().FNextList += GLuint(range);
      return first;
    };
    t.glEnable = [](GLenum capability) {
      RECORD(glEnable)(capability);
      R().FEnabled.insert(capability);
    };
    t.glDisable = [](GLenum capability) {
      RECORD(glDisable)(capability);
      R().FEnabled.erase(capability);
    };
    t.glIsEnabled = [](GLenum capability) {
      RECORD(glIsEnabled)(capability);
      return GLboolean(R().IsEnabled(capability));
    };
    t.glGetIntegerv = &Get<GLE_glGetIntegerv, GLint>;
    t.glGetFloatv = &Get<GLE_glGetFloatv, GLfloat>;
    t.glGetDoublev = &Get<GLE_glGetDoublev, GLdouble>;
    t.glGetBooleanv = &Get<GLE_glGetBooleanv, GLboolean>;
  }

  // GLU's own texts for the OpenGL errors.
  static const char* ErrorText(GLenum error) {
    switch (error) {
      case GL_NO_ERROR:
        return "no error";
      case GL_INVALID_ENUM:
        return "invalid enumerant";
      case GL_INVALID_VALUE:
        return "invalid value";
      case GL_INVALID_OPERATION:
        return "invalid operation";
      case GL_STACK_OVERFLOW:
        return "stack overflow";
      case GL_STACK_UNDERFLOW:
        return "stack underflow";
      case GL_OUT_OF_MEMORY:
        return "out of memory";
      default:
        return nullptr;
    }
  }
};

TGLRecorder::TGLRecorder()
    : FSavedDispatch(GLDispatch), FSavedSupport(GLSupport), FSavedRecorder(FCurrent) {
  FCurrent = this;
  GLDispatch = RecordingTable();
  TGLRecorderModel::Install(GLDispatch);
  GLSupport = TGLSupport();
}

TGLRecorder::~TGLRecorder() {
  GLDispatch = FSavedDispatch;
  GLSupport = FSavedSupport;
  FCurrent = FSavedRecorder;
}

void TGLRecorder::Log(size_t entry, std::vector<TGLArg> args) {
  FCalls.push_back(TGLCall(GLEntryName(entry)));
  FCalls.back().Args = std::move(args);
}

TGLCalls TGLRecorder::Take() {
  TGLCalls calls;
  calls.swap(FCalls);
  return calls;
}

TGLCalls TGLRecorder::CallsOf(const std::string& name) const {
  TGLCalls calls;
  for (const TGLCall& call : FCalls)
    if (call.Name == name) calls.push_back(call);
  return calls;
}

void TGLRecorder::SetImplementation(const std::string& version, const std::string& extensions,
                                    const std::string& gluVersion) {
  SetString(GL_VERSION, version);
  SetString(GL_EXTENSIONS, extensions);
  SetString(GLU_VERSION, gluVersion);
  ReadImplementationProperties();
  FCalls.clear();
}

std::ostream& operator<<(std::ostream& out, const TGLCall& call) {
  struct TPrint {
    std::ostream& out;
    void operator()(int64_t v) const {
      if (v >= 0x100)
        out << "0x" << std::hex << v << std::dec;
      else
        out << v;
    }
    void operator()(double v) const { out << v; }
    void operator()(const TGLArray& v) const {
      out << '{';
      for (size_t i = 0; i < v.size(); ++i) out << (i ? ", " : "") << v[i];
      out << '}';
    }
    void operator()(const TGLAddress& v) const { out << '@' << v.Value; }
  };
  out << call.Name << '(';
  for (size_t i = 0; i < call.Args.size(); ++i) {
    if (i) out << ", ";
    std::visit(TPrint{out}, call.Args[i]);
  }
  return out << ')';
}

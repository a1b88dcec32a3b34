#define GL_DISPATCH_NO_NAMES
#include "platform/gl/GLRecorder.h"

#include <algorithm>
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
  template <class T>
  static void Write(T* out, const std::vector<double>& values) {
    for (size_t i = 0; i < values.size(); ++i) {
      if constexpr (std::is_same_v<T, GLboolean>)
        out[i] = values[i] != 0 ? GL_TRUE : GL_FALSE;
      else if constexpr (std::is_integral_v<T>)
        out[i] = T(int64_t(values[i]));  // through int64_t: an all-ones mask is -1
      else
        out[i] = T(values[i]);
    }
  }
  // What a glGet reads: a value a test set or a call stored, an enabled capability, else
  // OpenGL's initial value.
  static std::vector<double> State(GLenum pname) {
    const auto found = R().FValues.find(pname);
    if (found != R().FValues.end()) return found->second;
    if (R().IsEnabled(pname)) return {1};
    if (pname == GL_COMPRESSED_TEXTURE_FORMATS)
      return std::vector<double>(size_t(State(GL_NUM_COMPRESSED_TEXTURE_FORMATS)[0]), 0.0);
    return InitialState(pname);
  }
  template <size_t Index, class T>
  static void Get(GLenum pname, T* out) {
    TRecord<Index, void (*)(GLenum, T*)>::Call(pname, out);
    Write(out, State(pname));
  }
  // The reads of one light, material, texture unit or texture: OpenGL's initial values.
  template <size_t Index, class T, std::vector<double> (*Initial)(GLenum, GLenum)>
  static void GetOf(GLenum of, GLenum pname, T* out) {
    TRecord<Index, void (*)(GLenum, GLenum, T*)>::Call(of, pname, out);
    Write(out, Initial(of, pname));
  }
  template <size_t Index, class T>
  static void GetTexLevel(GLenum target, GLint level, GLenum pname, T* out) {
    TRecord<Index, void (*)(GLenum, GLint, GLenum, T*)>::Call(target, level, pname, out);
    Write(out, {pname == GL_TEXTURE_INTERNAL_FORMAT ? 1.0 : 0.0});
  }
  template <size_t Index, class T>
  static void GetMap(GLenum target, GLenum query, T* out) {
    TRecord<Index, void (*)(GLenum, GLenum, T*)>::Call(target, query, out);
    Write(out, InitialMap(target, query));
  }
  template <size_t Index, class T>
  static void GetPixelMap(GLenum map, T* out) {
    TRecord<Index, void (*)(GLenum, T*)>::Call(map, out);
    Write(out, {0});
  }
  static void Zero(void* out, size_t bytes) {
    if (bytes > 0) std::memset(out, 0, bytes);
  }
  static void Names(GLsizei n, GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) names[i] = R().FNextName++;
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
    // The pack parameters size what glReadPixels and gluScaleImage write.
    t.glPixelStorei = [](GLenum pname, GLint param) {
      RECORD(glPixelStorei)(pname, param);
      R().FValues[pname] = {double(param)};
    };
    t.glPixelStoref = [](GLenum pname, GLfloat param) {
      RECORD(glPixelStoref)(pname, param);
      R().FValues[pname] = {double(param)};
    };

    // Every other read answers too, with OpenGL's initial state or zero: a recorded test never
    // goes on with memory nobody wrote.
    t.glGetLightfv = &GetOf<GLE_glGetLightfv, GLfloat, InitialLight>;
    t.glGetLightiv = &GetOf<GLE_glGetLightiv, GLint, InitialLight>;
    t.glGetMaterialfv = &GetOf<GLE_glGetMaterialfv, GLfloat, InitialMaterial>;
    t.glGetMaterialiv = &GetOf<GLE_glGetMaterialiv, GLint, InitialMaterial>;
    t.glGetTexEnvfv = &GetOf<GLE_glGetTexEnvfv, GLfloat, InitialTexEnv>;
    t.glGetTexEnviv = &GetOf<GLE_glGetTexEnviv, GLint, InitialTexEnv>;
    t.glGetTexGendv = &GetOf<GLE_glGetTexGendv, GLdouble, InitialTexGen>;
    t.glGetTexGenfv = &GetOf<GLE_glGetTexGenfv, GLfloat, InitialTexGen>;
    t.glGetTexGeniv = &GetOf<GLE_glGetTexGeniv, GLint, InitialTexGen>;
    t.glGetTexParameterfv = &GetOf<GLE_glGetTexParameterfv, GLfloat, InitialTexParameter>;
    t.glGetTexParameteriv = &GetOf<GLE_glGetTexParameteriv, GLint, InitialTexParameter>;
    t.glGetQueryiv = &GetOf<GLE_glGetQueryiv, GLint, Zeros>;
    t.glGetBufferParameteriv = &GetOf<GLE_glGetBufferParameteriv, GLint, InitialBuffer>;
    t.glGetTexLevelParameterfv = &GetTexLevel<GLE_glGetTexLevelParameterfv, GLfloat>;
    t.glGetTexLevelParameteriv = &GetTexLevel<GLE_glGetTexLevelParameteriv, GLint>;
    t.glGetMapdv = &GetMap<GLE_glGetMapdv, GLdouble>;
    t.glGetMapfv = &GetMap<GLE_glGetMapfv, GLfloat>;
    t.glGetMapiv = &GetMap<GLE_glGetMapiv, GLint>;
    t.glGetPixelMapfv = &GetPixelMap<GLE_glGetPixelMapfv, GLfloat>;
    t.glGetPixelMapuiv = &GetPixelMap<GLE_glGetPixelMapuiv, GLuint>;
    t.glGetPixelMapusv = &GetPixelMap<GLE_glGetPixelMapusv, GLushort>;
    t.glGetQueryObjectiv = [](GLuint id, GLenum pname, GLint* out) {
      RECORD(glGetQueryObjectiv)(id, pname, out);
      *out = 0;
    };
    t.glGetQueryObjectuiv = [](GLuint id, GLenum pname, GLuint* out) {
      RECORD(glGetQueryObjectuiv)(id, pname, out);
      *out = 0;
    };
    t.glGetClipPlane = [](GLenum plane, GLdouble* equation) {
      RECORD(glGetClipPlane)(plane, equation);
      Write(equation, {0, 0, 0, 0});
    };
    t.glGetPolygonStipple = [](GLubyte* mask) {
      RECORD(glGetPolygonStipple)(mask);
      std::memset(mask, 0xff, 32 * 32 / 8);
    };
    t.glGetPointerv = [](GLenum pname, GLvoid** out) {
      RECORD(glGetPointerv)(pname, out);
      *out = nullptr;
    };
    t.glGetBufferPointerv = [](GLenum target, GLenum pname, void** out) {
      RECORD(glGetBufferPointerv)(target, pname, out);
      *out = nullptr;
    };
    t.glReadPixels = [](GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type,
                        GLvoid* pixels) {
      RECORD(glReadPixels)(x, y, w, h, format, type, pixels);
      Zero(pixels, PackedBytes(w, h, format, type));
    };
    t.gluScaleImage = [](GLenum format, GLint wIn, GLint hIn, GLenum typeIn, const void* in,
                         GLint wOut, GLint hOut, GLenum typeOut, GLvoid* out) {
      RECORD(gluScaleImage)(format, wIn, hIn, typeIn, in, wOut, hOut, typeOut, out);
      Zero(out, PackedBytes(wOut, hOut, format, typeOut));
      return GLint(0);
    };
    // The recorder's textures have no image: level 0 is 0 by 0 and holds no bytes.
    t.glGetTexImage = [](GLenum target, GLint level, GLenum format, GLenum type, GLvoid* pixels) {
      RECORD(glGetTexImage)(target, level, format, type, pixels);
    };
    t.glGetBufferSubData = [](GLenum target, GLintptr offset, GLsizeiptr size, void* data) {
      RECORD(glGetBufferSubData)(target, offset, size, data);
      Zero(data, size_t(std::max<GLsizeiptr>(size, 0)));
    };
    t.glAreTexturesResident = [](GLsizei n, const GLuint* names, GLboolean* residences) {
      RECORD(glAreTexturesResident)(n, names, residences);
      for (GLsizei i = 0; i < n; ++i) residences[i] = GL_FALSE;
      return GLboolean(GL_FALSE);
    };
    t.glGenQueries = [](GLsizei n, GLuint* ids) {
      RECORD(glGenQueries)(n, ids);
      Names(n, ids);
    };
    t.glGenBuffers = [](GLsizei n, GLuint* buffers) {
      RECORD(glGenBuffers)(n, buffers);
      Names(n, buffers);
    };
    t.gluGetNurbsProperty = [](GLUnurbs* nurb, GLenum property, GLfloat* data) {
      RECORD(gluGetNurbsProperty)(nurb, property, data);
      Write(data, InitialNurbs(property));
    };
    t.gluGetTessProperty = [](GLUtesselator* tess, GLenum which, GLdouble* data) {
      RECORD(gluGetTessProperty)(tess, which, data);
      Write(data, {which == GLU_TESS_WINDING_RULE ? double(GLU_TESS_WINDING_ODD) : 0.0});
    };
    // The projections answer failure, with the outputs zero.
    t.gluProject = [](GLdouble x, GLdouble y, GLdouble z, const GLdouble* model,
                      const GLdouble* projection, const GLint* viewport, GLdouble* winX,
                      GLdouble* winY, GLdouble* winZ) {
      RECORD(gluProject)(x, y, z, model, projection, viewport, winX, winY, winZ);
      *winX = *winY = *winZ = 0;
      return GLint(GL_FALSE);
    };
    t.gluUnProject = [](GLdouble x, GLdouble y, GLdouble z, const GLdouble* model,
                        const GLdouble* projection, const GLint* viewport, GLdouble* objX,
                        GLdouble* objY, GLdouble* objZ) {
      RECORD(gluUnProject)(x, y, z, model, projection, viewport, objX, objY, objZ);
      *objX = *objY = *objZ = 0;
      return GLint(GL_FALSE);
    };
    t.gluUnProject4 = [](GLdouble x, GLdouble y, GLdouble z, GLdouble w, const GLdouble* model,
                         const GLdouble* projection, const GLint* viewport, GLdouble nearVal,
                         GLdouble farVal, GLdouble* objX, GLdouble* objY, GLdouble* objZ,
                         GLdouble* objW) {
      RECORD(gluUnProject4)
      (x, y, z, w, model, projection, viewport, nearVal, farVal, objX, objY, objZ, objW);
      *objX = *objY = *objZ = *objW = 0;
      return GLint(GL_FALSE);
    };
  }

  // ---- OpenGL's initial state

  static std::vector<double> InitialState(GLenum pname) {
    static const std::vector<double> identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    switch (pname) {
      case GL_MODELVIEW_MATRIX:
      case GL_PROJECTION_MATRIX:
      case GL_TEXTURE_MATRIX:
      case GL_COLOR_MATRIX:
      case GL_TRANSPOSE_MODELVIEW_MATRIX:
      case GL_TRANSPOSE_PROJECTION_MATRIX:
      case GL_TRANSPOSE_TEXTURE_MATRIX:
      case GL_TRANSPOSE_COLOR_MATRIX:
        return identity;
      case GL_VIEWPORT:
      case GL_SCISSOR_BOX:
      case GL_COLOR_CLEAR_VALUE:
      case GL_ACCUM_CLEAR_VALUE:
      case GL_BLEND_COLOR:
      case GL_FOG_COLOR:
        return {0, 0, 0, 0};
      case GL_COLOR_WRITEMASK:
      case GL_CURRENT_COLOR:
      case GL_CURRENT_RASTER_COLOR:
        return {1, 1, 1, 1};
      case GL_CURRENT_SECONDARY_COLOR:
      case GL_CURRENT_RASTER_SECONDARY_COLOR:
      case GL_CURRENT_TEXTURE_COORDS:
      case GL_CURRENT_RASTER_POSITION:
      case GL_CURRENT_RASTER_TEXTURE_COORDS:
        return {0, 0, 0, 1};
      case GL_LIGHT_MODEL_AMBIENT:
        return {0.2, 0.2, 0.2, 1};
      case GL_MAP2_GRID_DOMAIN:
        return {0, 1, 0, 1};
      case GL_CURRENT_NORMAL:
        return {0, 0, 1};
      case GL_POINT_DISTANCE_ATTENUATION:
        return {1, 0, 0};
      case GL_DEPTH_RANGE:
      case GL_MAP1_GRID_DOMAIN:
        return {0, 1};
      case GL_MAP2_GRID_SEGMENTS:
        return {1, 1};
      case GL_POLYGON_MODE:
        return {GL_FILL, GL_FILL};
      case GL_MAX_VIEWPORT_DIMS:
      case GL_LINE_WIDTH_RANGE:
      case GL_POINT_SIZE_RANGE:
      case GL_ALIASED_LINE_WIDTH_RANGE:
      case GL_ALIASED_POINT_SIZE_RANGE:
        return {0, 0};
      case GL_MATRIX_MODE:
        return {GL_MODELVIEW};
      case GL_DEPTH_FUNC:
        return {GL_LESS};
      case GL_ALPHA_TEST_FUNC:
      case GL_STENCIL_FUNC:
        return {GL_ALWAYS};
      case GL_STENCIL_FAIL:
      case GL_STENCIL_PASS_DEPTH_FAIL:
      case GL_STENCIL_PASS_DEPTH_PASS:
        return {GL_KEEP};
      case GL_STENCIL_VALUE_MASK:
      case GL_STENCIL_WRITEMASK:
      case GL_INDEX_WRITEMASK:
        return {-1};  // all ones
      case GL_BLEND_SRC:
      case GL_BLEND_SRC_ALPHA:
        return {GL_ONE};
      case GL_BLEND_EQUATION:
        return {GL_FUNC_ADD};
      case GL_LOGIC_OP_MODE:
        return {GL_COPY};
      case GL_CULL_FACE_MODE:
      case GL_DRAW_BUFFER:
      case GL_READ_BUFFER:
        return {GL_BACK};
      case GL_FRONT_FACE:
        return {GL_CCW};
      case GL_SHADE_MODEL:
        return {GL_SMOOTH};
      case GL_FOG_MODE:
        return {GL_EXP};
      case GL_FOG_COORD_SRC:
        return {GL_FRAGMENT_DEPTH};
      case GL_RENDER_MODE:
        return {GL_RENDER};
      case GL_ACTIVE_TEXTURE:
      case GL_CLIENT_ACTIVE_TEXTURE:
        return {GL_TEXTURE0};
      case GL_COLOR_MATERIAL_FACE:
        return {GL_FRONT_AND_BACK};
      case GL_COLOR_MATERIAL_PARAMETER:
        return {GL_AMBIENT_AND_DIFFUSE};
      case GL_LIGHT_MODEL_COLOR_CONTROL:
        return {GL_SINGLE_COLOR};
      case GL_PERSPECTIVE_CORRECTION_HINT:
      case GL_POINT_SMOOTH_HINT:
      case GL_LINE_SMOOTH_HINT:
      case GL_POLYGON_SMOOTH_HINT:
      case GL_FOG_HINT:
      case GL_GENERATE_MIPMAP_HINT:
      case GL_TEXTURE_COMPRESSION_HINT:
        return {GL_DONT_CARE};
      case GL_PACK_ALIGNMENT:
      case GL_UNPACK_ALIGNMENT:
        return {4};
      case GL_LINE_STIPPLE_PATTERN:
        return {0xffff};
      case GL_DEPTH_WRITEMASK:
      case GL_DEPTH_CLEAR_VALUE:
      case GL_DEPTH_SCALE:
      case GL_LINE_WIDTH:
      case GL_LINE_STIPPLE_REPEAT:
      case GL_POINT_SIZE:
      case GL_POINT_FADE_THRESHOLD_SIZE:
      case GL_FOG_DENSITY:
      case GL_FOG_END:
      case GL_RED_SCALE:
      case GL_GREEN_SCALE:
      case GL_BLUE_SCALE:
      case GL_ALPHA_SCALE:
      case GL_ZOOM_X:
      case GL_ZOOM_Y:
      case GL_SAMPLE_COVERAGE_VALUE:
      case GL_MODELVIEW_STACK_DEPTH:
      case GL_PROJECTION_STACK_DEPTH:
      case GL_TEXTURE_STACK_DEPTH:
      case GL_COLOR_MATRIX_STACK_DEPTH:
        return {1};
      default:
        return {0};
    }
  }
  static std::vector<double> InitialLight(GLenum light, GLenum pname) {
    const double first = light == GL_LIGHT0 ? 1 : 0;
    switch (pname) {
      case GL_AMBIENT:
        return {0, 0, 0, 1};
      case GL_DIFFUSE:
      case GL_SPECULAR:
        return {first, first, first, 1};
      case GL_POSITION:
        return {0, 0, 1, 0};
      case GL_SPOT_DIRECTION:
        return {0, 0, -1};
      case GL_SPOT_CUTOFF:
        return {180};
      case GL_CONSTANT_ATTENUATION:
        return {1};
      default:
        return {0};
    }
  }
  static std::vector<double> InitialMaterial(GLenum, GLenum pname) {
    switch (pname) {
      case GL_AMBIENT:
        return {0.2, 0.2, 0.2, 1};
      case GL_DIFFUSE:
        return {0.8, 0.8, 0.8, 1};
      case GL_SPECULAR:
      case GL_EMISSION:
        return {0, 0, 0, 1};
      case GL_COLOR_INDEXES:
        return {0, 1, 1};
      default:
        return {0};
    }
  }
  static std::vector<double> InitialTexEnv(GLenum, GLenum pname) {
    switch (pname) {
      case GL_TEXTURE_ENV_MODE:
        return {GL_MODULATE};
      case GL_TEXTURE_ENV_COLOR:
        return {0, 0, 0, 0};
      case GL_RGB_SCALE:
      case GL_ALPHA_SCALE:
        return {1};
      default:
        return {0};
    }
  }
  static std::vector<double> InitialTexGen(GLenum coord, GLenum pname) {
    if (pname == GL_TEXTURE_GEN_MODE) return {GL_EYE_LINEAR};
    return {coord == GL_S ? 1.0 : 0.0, coord == GL_T ? 1.0 : 0.0, 0, 0};  // the planes
  }
  static std::vector<double> InitialTexParameter(GLenum, GLenum pname) {
    switch (pname) {
      case GL_TEXTURE_MIN_FILTER:
        return {GL_NEAREST_MIPMAP_LINEAR};
      case GL_TEXTURE_MAG_FILTER:
        return {GL_LINEAR};
      case GL_TEXTURE_WRAP_S:
      case GL_TEXTURE_WRAP_T:
      case GL_TEXTURE_WRAP_R:
        return {GL_REPEAT};
      case GL_TEXTURE_BORDER_COLOR:
        return {0, 0, 0, 0};
      case GL_TEXTURE_PRIORITY:
        return {1};
      case GL_TEXTURE_MIN_LOD:
        return {-1000};
      case GL_TEXTURE_MAX_LOD:
      case GL_TEXTURE_MAX_LEVEL:
        return {1000};
      case GL_DEPTH_TEXTURE_MODE:
        return {GL_LUMINANCE};
      case GL_TEXTURE_COMPARE_FUNC:
        return {GL_LEQUAL};
      default:
        return {0};
    }
  }
  static std::vector<double> InitialBuffer(GLenum, GLenum pname) {
    if (pname == GL_BUFFER_ACCESS) return {GL_READ_WRITE};
    if (pname == GL_BUFFER_USAGE) return {GL_STATIC_DRAW};
    return {0};
  }
  static std::vector<double> Zeros(GLenum, GLenum) { return {0}; }
  // A map's order, domain or control point before any glMap: order 1, domain 0 to 1, and the
  // point the map's kind starts at.
  static std::vector<double> InitialMap(GLenum target, GLenum query) {
    const bool twoD = target >= GL_MAP2_COLOR_4 && target <= GL_MAP2_VERTEX_4;
    if (query == GL_ORDER) return twoD ? std::vector<double>{1, 1} : std::vector<double>{1};
    if (query == GL_DOMAIN)
      return twoD ? std::vector<double>{0, 1, 0, 1} : std::vector<double>{0, 1};
    switch (twoD ? target - GL_MAP2_COLOR_4 + GL_MAP1_COLOR_4 : target) {
      case GL_MAP1_COLOR_4:
        return {1, 1, 1, 1};
      case GL_MAP1_INDEX:
        return {1};
      case GL_MAP1_NORMAL:
        return {0, 0, 1};
      case GL_MAP1_TEXTURE_COORD_1:
        return {0};
      case GL_MAP1_TEXTURE_COORD_2:
        return {0, 0};
      case GL_MAP1_TEXTURE_COORD_3:
      case GL_MAP1_VERTEX_3:
        return {0, 0, 0};
      default:  // the four-value coordinates and vertices
        return {0, 0, 0, 1};
    }
  }
  static std::vector<double> InitialNurbs(GLenum property) {
    switch (property) {
      case GLU_SAMPLING_TOLERANCE:
        return {50};
      case GLU_PARAMETRIC_TOLERANCE:
        return {0.5};
      case GLU_DISPLAY_MODE:
        return {GLU_FILL};
      case GLU_SAMPLING_METHOD:
        return {GLU_PATH_LENGTH};
      case GLU_AUTO_LOAD_MATRIX:
        return {1};
      case GLU_U_STEP:
      case GLU_V_STEP:
        return {100};
      default:
        return {0};
    }
  }

  // The bytes an image of w x h pixels takes in memory under the pack parameters, up to the end
  // of its last pixel; 0 for a format or type the recorder does not size.
  static size_t PackedBytes(GLsizei w, GLsizei h, GLenum format, GLenum type) {
    if (w <= 0 || h <= 0) return 0;
    size_t components = 0;
    switch (format) {
      case GL_RED:
      case GL_GREEN:
      case GL_BLUE:
      case GL_ALPHA:
      case GL_LUMINANCE:
      case GL_COLOR_INDEX:
      case GL_STENCIL_INDEX:
      case GL_DEPTH_COMPONENT:
        components = 1;
        break;
      case GL_LUMINANCE_ALPHA:
        components = 2;
        break;
      case GL_RGB:
      case GL_BGR:
        components = 3;
        break;
      case GL_RGBA:
      case GL_BGRA:
        components = 4;
        break;
    }
    size_t pixelBytes = 0;
    switch (type) {
      case GL_UNSIGNED_BYTE:
      case GL_BYTE:
        pixelBytes = components;
        break;
      case GL_UNSIGNED_SHORT:
      case GL_SHORT:
        pixelBytes = 2 * components;
        break;
      case GL_UNSIGNED_INT:
      case GL_INT:
      case GL_FLOAT:
        pixelBytes = 4 * components;
        break;
      case GL_UNSIGNED_BYTE_3_3_2:
      case GL_UNSIGNED_BYTE_2_3_3_REV:
        pixelBytes = 1;
        break;
      case GL_UNSIGNED_SHORT_5_6_5:
      case GL_UNSIGNED_SHORT_5_6_5_REV:
      case GL_UNSIGNED_SHORT_4_4_4_4:
      case GL_UNSIGNED_SHORT_4_4_4_4_REV:
      case GL_UNSIGNED_SHORT_5_5_5_1:
      case GL_UNSIGNED_SHORT_1_5_5_5_REV:
        pixelBytes = 2;
        break;
      case GL_UNSIGNED_INT_8_8_8_8:
      case GL_UNSIGNED_INT_8_8_8_8_REV:
      case GL_UNSIGNED_INT_10_10_10_2:
      case GL_UNSIGNED_INT_2_10_10_10_REV:
        pixelBytes = 4;
        break;
    }
    const auto pack = [](GLenum pname) { return size_t(std::max(State(pname)[0], 0.0)); };
    const size_t rowPixels = pack(GL_PACK_ROW_LENGTH) > 0 ? pack(GL_PACK_ROW_LENGTH) : size_t(w);
    const size_t alignment = std::max<size_t>(pack(GL_PACK_ALIGNMENT), 1);
    const size_t stride = (rowPixels * pixelBytes + alignment - 1) / alignment * alignment;
    return (pack(GL_PACK_SKIP_ROWS) + size_t(h) - 1) * stride +
           (pack(GL_PACK_SKIP_PIXELS) + size_t(w)) * pixelBytes;
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

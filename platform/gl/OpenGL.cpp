#define GL_DISPATCH_NO_NAMES
#include "platform/gl/OpenGL.h"

#include <dlfcn.h>

#include <cstring>

#include "platform/rtl/SysUtils.h"

namespace {
const char* const EntryNames[] = {
#define GL_ENTRY(name) #name,
#define GLU_ENTRY(name) #name,
#include "platform/gl/GLEntryPoints.inc"
};

[[noreturn]] void RaiseMissing(size_t index) {
  throw Exception(std::string("OpenGL entry point ") + GLEntryName(index) + " is not available");
}

// What an entry holds until the loader finds the function: a clear error instead of a jump
// through a null pointer.
template <size_t Index, class F>
struct TMissing;
template <size_t Index, class R, class... A>
struct TMissing<Index, R (*)(A...)> {
  static R Call(A...) { RaiseMissing(Index); }
};

constexpr TGLDispatch MissingTable() {
  TGLDispatch table{};
#define GL_ENTRY(name) table.name = &TMissing<GLE_##name, decltype(&::name)>::Call;
#define GLU_ENTRY(name) GL_ENTRY(name)
#include "platform/gl/GLEntryPoints.inc"
  return table;
}

std::vector<std::string> Missing;

using TGetProcAddress = void (*(*)(const GLubyte*))();
}  // namespace

TGLDispatch GLDispatch = MissingTable();
TGLSupport GLSupport;

const char* GLEntryName(size_t index) {
  return index < GLEntryCount ? EntryNames[index] : "";
}

const std::vector<std::string>& GLMissingEntryPoints() {
  return Missing;
}

namespace {
// Loaded once for the life of the process: the table points into them.
void* LibGL() {
  static void* const library = dlopen("libGL.so.1", RTLD_NOW | RTLD_GLOBAL);
  return library;
}

void* LibGLU() {
  static void* const library = dlopen("libGLU.so.1", RTLD_NOW | RTLD_GLOBAL);
  return library;
}

// GLX's loader, only where it answers nil for a name it does not know: under GLVND it hands
// out a dispatch stub for any name, which would pass a missing entry off as present.
TGetProcAddress TrustedGetProcAddress() {
  static const TGetProcAddress getProc = [] {
    const auto found =
        LibGL() ? reinterpret_cast<TGetProcAddress>(dlsym(LibGL(), "glXGetProcAddressARB"))
                : nullptr;
    const auto* unknown = reinterpret_cast<const GLubyte*>("glNoSuchEntryPointAnywhere");
    return found && !found(unknown) ? found : nullptr;
  }();
  return getProc;
}
}  // namespace

void* GLEntryAddress(const char* name) {
  if (void* entry = LibGL() ? dlsym(LibGL(), name) : nullptr) return entry;
  const TGetProcAddress getProc = TrustedGetProcAddress();
  return getProc ? reinterpret_cast<void*>(getProc(reinterpret_cast<const GLubyte*>(name)))
                 : nullptr;
}

bool InitOpenGL() {
  const auto findGLU = [](const char* name) -> void* {
    return LibGLU() ? dlsym(LibGLU(), name) : nullptr;
  };
  Missing.clear();
  GLDispatch = MissingTable();
#define LOAD_ENTRY(name, find)                                    \
  if (void* entry = find(#name))                                  \
    GLDispatch.name = reinterpret_cast<decltype(&::name)>(entry); \
  else                                                            \
    Missing.push_back(#name);
#define GL_ENTRY(name) LOAD_ENTRY(name, GLEntryAddress)
#define GLU_ENTRY(name) LOAD_ENTRY(name, findGLU)
#include "platform/gl/GLEntryPoints.inc"
#undef LOAD_ENTRY
  return LibGL() && LibGLU();
}

bool ParseGLVersion(const char* text, int& major, int& minor) {
  major = minor = 0;
  if (!text) return false;
  const char* p = text;
  if (*p < '0' || *p > '9') return false;
  while (*p >= '0' && *p <= '9') major = major * 10 + (*p++ - '0');
  if (*p++ != '.' || *p < '0' || *p > '9') return false;
  while (*p >= '0' && *p <= '9') minor = minor * 10 + (*p++ - '0');
  return true;
}

bool HasExtension(const char* extensions, const char* name) {
  if (!extensions || !*name) return false;
  const size_t length = std::strlen(name);
  for (const char* p = extensions; (p = std::strstr(p, name)) != nullptr; p += length) {
    const bool starts = p == extensions || p[-1] == ' ';
    const bool ends = p[length] == '\0' || p[length] == ' ';
    if (starts && ends) return true;
  }
  return false;
}

void ReadImplementationProperties() {
  const auto text = [](const GLubyte* s) { return reinterpret_cast<const char*>(s); };
  // The flags stand for 1.first, 1.first+1, ...
  const auto versionFlags = [](const char* version, int first, std::initializer_list<bool*> flags) {
    int major, minor;
    const bool known = ParseGLVersion(version, major, minor);
    int wanted = first;
    for (bool* flag : flags) *flag = known && (major > 1 || (major == 1 && minor >= wanted++));
  };
  TGLSupport& s = GLSupport;
  versionFlags(text(GLDispatch.glGetString(GL_VERSION)), 0,
               {&s.GL_1_0, &s.GL_1_1, &s.GL_1_2, &s.GL_1_3, &s.GL_1_4, &s.GL_1_5});
  versionFlags(text(GLDispatch.gluGetString(GLU_VERSION)), 1, {&s.GLU_1_1, &s.GLU_1_2, &s.GLU_1_3});
  const char* extensions = text(GLDispatch.glGetString(GL_EXTENSIONS));
#define GL_EXTENSION(name) s.name = HasExtension(extensions, "GL_" #name);
#include "platform/gl/GLEntryPoints.inc"
}

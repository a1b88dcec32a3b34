#pragma once
// The engine's OpenGL binding: one dispatch table holding every OpenGL and GLU entry point,
// filled by name from the implementation at start-up (or by the recorder in tests), and the
// version and extension flags read from the current context.
//
// Engine code includes this header and calls glEnable(...), gluDisk(...) as usual; the names
// are macros that go through the table, so no call can reach the library around it. Include
// it after any Qt OpenGL header, whose member functions carry the same names.

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cstddef>
#include <string>
#include <vector>

#ifndef GL_GLEXT_PROTOTYPES
#error "platform/gl needs GL_GLEXT_PROTOTYPES for the types of its entry points"
#endif

struct TGLDispatch {
#define GL_ENTRY(name) decltype(&::name) name;
#define GLU_ENTRY(name) decltype(&::name) name;
#include "platform/gl/GLEntryPoints.inc"
};

// The version flags hold for the version and every one below it; an extension flag is set
// when the extension string names it as a whole word.
struct TGLSupport {
  bool GL_1_0 = false, GL_1_1 = false, GL_1_2 = false, GL_1_3 = false, GL_1_4 = false,
       GL_1_5 = false;
  bool GLU_1_1 = false, GLU_1_2 = false, GLU_1_3 = false;
#define GL_EXTENSION(name) bool name = false;
#include "platform/gl/GLEntryPoints.inc"
};

extern TGLDispatch GLDispatch;
extern TGLSupport GLSupport;

// The entries by index, in list order: the recorder logs calls by index.
enum TGLEntryIndex : size_t {
#define GL_ENTRY(name) GLE_##name,
#define GLU_ENTRY(name) GLE_##name,
#include "platform/gl/GLEntryPoints.inc"
  GLEntryCount
};
const char* GLEntryName(size_t index);

// Loads libGL and libGLU and fills the table by name; an entry the libraries lack raises
// Exception "OpenGL entry point <name> is not available" when called. False when a library
// cannot be opened (the table then raises on every call).
bool InitOpenGL();
// Where InitOpenGL finds an OpenGL function: the library's own symbol, else GLX's loader where
// that one tells a missing name apart; nil when the implementation lacks it.
void* GLEntryAddress(const char* name);
// The names InitOpenGL could not resolve.
const std::vector<std::string>& GLMissingEntryPoints();

// Reads GL_VERSION, GL_EXTENSIONS, GLU_VERSION and GLU_EXTENSIONS through the table into
// GLSupport; needs a current context for the OpenGL half.
void ReadImplementationProperties();

// A version text such as "1.5.0 NVIDIA" or "4.5 (Compatibility Profile) Mesa 23.2"; false
// when it does not start with major.minor.
bool ParseGLVersion(const char* text, int& major, int& minor);
bool HasExtension(const char* extensions, const char* name);

#ifndef GL_DISPATCH_NO_NAMES
#include "platform/gl/GLNames.h"
#endif

#pragma once
// Texture coordinates and their generation go through one dispatch record, so that geometry
// emits them once while the material being applied decides which texture units receive them.
// Callers keep texture unit 0 active and client-active: the multi-unit families end on it.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/gl/OpenGL.h"

enum TMapTexCoordMode : uint8_t {
  mtcmUndefined,
  mtcmNull,
  mtcmMain,
  mtcmDual,
  mtcmSecond,
  mtcmArbitrary,
};

struct TTexCoordDispatch {
  TMapTexCoordMode Mode;
  // When set, texture unit 1 receives no coordinates.
  bool vForbidSecondTextureUnit;
  void (*TexCoord2f)(GLfloat s, GLfloat t);
  void (*TexCoord2fv)(const GLfloat* v);
  void (*TexCoord3f)(GLfloat s, GLfloat t, GLfloat r);
  void (*TexCoord3fv)(const GLfloat* v);
  void (*TexCoord4f)(GLfloat s, GLfloat t, GLfloat r, GLfloat q);
  void (*TexCoord4fv)(const GLfloat* v);
  void (*TexGenf)(GLenum coord, GLenum pname, GLfloat param);
  void (*TexGenfv)(GLenum coord, GLenum pname, const GLfloat* params);
  void (*TexGeni)(GLenum coord, GLenum pname, GLint param);
  void (*TexGeniv)(GLenum coord, GLenum pname, const GLint* params);
  void (*TexCoordPointer)(GLint size, GLenum type, GLsizei stride, const GLvoid* data);
  void (*EnableClientState)(GLenum array);
  void (*DisableClientState)(GLenum array);
  void (*Enable)(GLenum capability);
  void (*Disable)(GLenum capability);
};

extern TTexCoordDispatch vTexCoordDispatch;

void MapTexCoordToNull();
void MapTexCoordToMain();
void MapTexCoordToSecond();
void MapTexCoordToDual();
// Units are GL_TEXTURE0_ARB + n, used in list order.
void MapTexCoordToArbitrary(const std::vector<GLenum>& units);
// Makes a braced list of one unit, {GL_TEXTURE2_ARB}, a list rather than a mask.
void MapTexCoordToArbitrary(std::initializer_list<GLenum> units);
// Bits 0 to 7 of the mask, ascending; higher bits are ignored.
void MapTexCoordToArbitrary(uint32_t bitWiseUnits);
void MapTexCoordToArbitraryAdd(uint32_t bitWiseUnits);

// The units of the mode in force (the pending one inside BeginUpdate/EndUpdate) as a bit mask.
// Asserts in the null and undefined modes.
uint32_t GetBitWiseMapping();

// Between them only the last mode asked for is applied, at the outer EndUpdate. An EndUpdate
// without its BeginUpdate asserts.
void BeginUpdate();
void EndUpdate();

// The units mtcmArbitrary sends to.
const std::vector<GLenum>& GetTexCoordUnits();

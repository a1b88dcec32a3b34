#include "engine/base/XOpenGL.h"

#include "platform/rtl/SysUtils.h"

namespace {
int32_t UpdateCount = 0;
TMapTexCoordMode PendingMode = mtcmUndefined;
std::vector<GLenum> Units;

constexpr GLenum Unit0 = GL_TEXTURE0_ARB;
constexpr GLenum Unit1 = GL_TEXTURE1_ARB;

void Select(GLenum unit) {
  glActiveTextureARB(unit);
}
void ClientSelect(GLenum unit) {
  glClientActiveTextureARB(unit);
}

// The five families. Coords sends a coordinate, given as the plain call and the multi-texture
// call for a unit; OnUnits runs a plain call on each unit, selecting them through select.
struct TNull {
  static void Coords(auto&&, auto&&) {}
  static void OnUnits(void (*)(GLenum), auto&&) {}
};
struct TMain {
  static void Coords(auto&& plain, auto&&) { plain(); }
  static void OnUnits(void (*)(GLenum), auto&& plain) { plain(); }
};
struct TSecond {
  static void Coords(auto&&, auto&& multi) { multi(Unit1); }
  static void OnUnits(void (*select)(GLenum), auto&& plain) {
    select(Unit1);
    plain();
    select(Unit0);
  }
};
struct TDual {
  static void Coords(auto&& plain, auto&& multi) {
    plain();
    multi(Unit1);
  }
  static void OnUnits(void (*select)(GLenum), auto&& plain) {
    plain();
    TSecond::OnUnits(select, plain);
  }
};
struct TArbitrary {
  static void Coords(auto&&, auto&& multi) {
    for (GLenum unit : Units) multi(unit);
  }
  static void OnUnits(void (*select)(GLenum), auto&& plain) {
    for (GLenum unit : Units) {
      select(unit);
      plain();
    }
    select(Unit0);
  }
};

template <class F>
constexpr TTexCoordDispatch Entries(TMapTexCoordMode mode, bool forbid) {
  TTexCoordDispatch d{};
  d.Mode = mode;
  d.vForbidSecondTextureUnit = forbid;
  d.TexCoord2f = [](GLfloat s, GLfloat t) {
    F::Coords([=] { glTexCoord2f(s, t); }, [=](GLenum u) { glMultiTexCoord2fARB(u, s, t); });
  };
  d.TexCoord2fv = [](const GLfloat* v) {
    F::Coords([=] { glTexCoord2fv(v); }, [=](GLenum u) { glMultiTexCoord2fvARB(u, v); });
  };
  d.TexCoord3f = [](GLfloat s, GLfloat t, GLfloat r) {
    F::Coords([=] { glTexCoord3f(s, t, r); }, [=](GLenum u) { glMultiTexCoord3fARB(u, s, t, r); });
  };
  d.TexCoord3fv = [](const GLfloat* v) {
    F::Coords([=] { glTexCoord3fv(v); }, [=](GLenum u) { glMultiTexCoord3fvARB(u, v); });
  };
  d.TexCoord4f = [](GLfloat s, GLfloat t, GLfloat r, GLfloat q) {
    F::Coords([=] { glTexCoord4f(s, t, r, q); },
              [=](GLenum u) { glMultiTexCoord4fARB(u, s, t, r, q); });
  };
  d.TexCoord4fv = [](const GLfloat* v) {
    F::Coords([=] { glTexCoord4fv(v); }, [=](GLenum u) { glMultiTexCoord4fvARB(u, v); });
  };
  d.TexGenf = [](GLenum c, GLenum p, GLfloat v) {
    F::OnUnits(Select, [=] { glTexGenf(c, p, v); });
  };
  d.TexGenfv = [](GLenum c, GLenum p, const GLfloat* v) {
    F::OnUnits(Select, [=] { glTexGenfv(c, p, v); });
  };
  d.TexGeni = [](GLenum c, GLenum p, GLint v) { F::OnUnits(Select, [=] { glTexGeni(c, p, v); }); };
  d.TexGeniv = [](GLenum c, GLenum p, const GLint* v) {
    F::OnUnits(Select, [=] { glTexGeniv(c, p, v); });
  };
  d.TexCoordPointer = [](GLint size, GLenum type, GLsizei stride, const GLvoid* data) {
    F::OnUnits(ClientSelect, [=] { glTexCoordPointer(size, type, stride, data); });
  };
  d.EnableClientState = [](GLenum a) { F::OnUnits(ClientSelect, [=] { glEnableClientState(a); }); };
  d.DisableClientState = [](GLenum a) {
    F::OnUnits(ClientSelect, [=] { glDisableClientState(a); });
  };
  d.Enable = [](GLenum cap) { F::OnUnits(Select, [=] { glEnable(cap); }); };
  d.Disable = [](GLenum cap) { F::OnUnits(Select, [=] { glDisable(cap); }); };
  return d;
}

constexpr TTexCoordDispatch FamilyOf(TMapTexCoordMode mode, bool forbid) {
  switch (mode) {
    case mtcmMain:
      return Entries<TMain>(mode, forbid);
    case mtcmSecond:
      return Entries<TSecond>(mode, forbid);
    case mtcmDual:
      return Entries<TDual>(mode, forbid);
    case mtcmArbitrary:
      return Entries<TArbitrary>(mode, forbid);
    default:
      return Entries<TNull>(mode, forbid);
  }
}

// The mode is stored only once the family can be written, so a refused switch leaves mode and
// entries as they were.
void Apply(TMapTexCoordMode mode) {
  if (UpdateCount != 0) {
    PendingMode = mode;
    return;
  }
  if (vTexCoordDispatch.Mode == mode) return;
  if (mode == mtcmSecond || mode == mtcmDual || mode == mtcmArbitrary)
    Assert(GLSupport.ARB_multitexture);
  vTexCoordDispatch = FamilyOf(mode, vTexCoordDispatch.vForbidSecondTextureUnit);
}

bool Forbidden() {
  return vTexCoordDispatch.vForbidSecondTextureUnit;
}
}  // namespace

constinit TTexCoordDispatch vTexCoordDispatch = FamilyOf(mtcmNull, false);

void MapTexCoordToNull() {
  Apply(mtcmNull);
}

void MapTexCoordToMain() {
  Apply(mtcmMain);
}

void MapTexCoordToSecond() {
  Apply(Forbidden() ? mtcmNull : mtcmSecond);
}

void MapTexCoordToDual() {
  Apply(Forbidden() ? mtcmMain : mtcmDual);
}

void MapTexCoordToArbitrary(const std::vector<GLenum>& units) {
  // A switch that would be refused must not leave a new list behind either.
  if (UpdateCount == 0 && vTexCoordDispatch.Mode != mtcmArbitrary)
    Assert(GLSupport.ARB_multitexture);
  Units.clear();
  for (GLenum unit : units)
    if (!(Forbidden() && unit == Unit1)) Units.push_back(unit);
  Apply(mtcmArbitrary);
}

void MapTexCoordToArbitrary(std::initializer_list<GLenum> units) {
  MapTexCoordToArbitrary(std::vector<GLenum>(units));
}

void MapTexCoordToArbitrary(uint32_t bitWiseUnits) {
  std::vector<GLenum> units;
  for (GLenum i = 0; i < 8; ++i)
    if (bitWiseUnits & (1u << i)) units.push_back(Unit0 + i);
  MapTexCoordToArbitrary(units);
}

void MapTexCoordToArbitraryAdd(uint32_t bitWiseUnits) {
  MapTexCoordToArbitrary(GetBitWiseMapping() | bitWiseUnits);
}

uint32_t GetBitWiseMapping() {
  switch (UpdateCount > 0 ? PendingMode : vTexCoordDispatch.Mode) {
    case mtcmMain:
      return 1;
    case mtcmSecond:
      return 2;
    case mtcmDual:
      return 3;
    case mtcmArbitrary: {
      uint32_t mask = 0;
      // A listed enum outside the 32 units a mask can show has no bit.
      for (GLenum unit : Units)
        if (unit >= Unit0 && unit - Unit0 < 32) mask |= 1u << (unit - Unit0);
      return mask;
    }
    default:
      Assert(false);
      return 0;
  }
}

void BeginUpdate() {
  if (UpdateCount++ == 0) PendingMode = vTexCoordDispatch.Mode;
}

void EndUpdate() {
  Assert(UpdateCount > 0, "Unbalanced texture-coordinate EndUpdate");
  if (--UpdateCount == 0 && PendingMode != vTexCoordDispatch.Mode) Apply(PendingMode);
}

const std::vector<GLenum>& GetTexCoordUnits() {
  return Units;
}

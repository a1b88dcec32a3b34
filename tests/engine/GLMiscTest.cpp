// Change notices by owner kind, the coordinates' kind rules, and their binary layout value.
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <bit>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/GLMisc.h"

namespace {

std::vector<std::string> Log;

std::string Name(TObject* object) {
  if (auto* component = dynamic_cast<TComponent*>(object)) return component->GetName();
  if (auto* persistent = dynamic_cast<TPersistent*>(object)) return persistent->ClassName();
  return "nil";
}

class TLoggingObject : public TGLUpdateAbleObject {
  RTL_CLASS(TLoggingObject, TGLUpdateAbleObject)
  using TGLUpdateAbleObject::TGLUpdateAbleObject;
  void NotifyChange(TObject* Sender) override {
    Log.push_back("object <- " + Name(Sender));
    inherited::NotifyChange(Sender);
  }
};

// A named update-able component that logs the notices it gets.
template <class Base>
class TLogging : public Base {
 public:
  explicit TLogging(TComponent* owner, const std::string& name = "") : Base(owner) {
    this->SetName(name);
  }
  void NotifyChange(TObject* Sender) override {
    Log.push_back(this->GetName() + " <- " + Name(Sender));
    Base::NotifyChange(Sender);
  }
};
using TLoggingComponent = TLogging<TGLUpdateAbleComponent>;

// A scene-object-like owner with a published position.
class TMover : public TLogging<TGLCoordinatesUpdateAbleComponent> {
  RTL_CLASS(TMover, TGLCoordinatesUpdateAbleComponent)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TMover>(TGLCoordinatesUpdateAbleComponent::Published())
            .Object("Position", [](const TMover& m) { return m.Position.get(); })
            .Object("Plane", [](const TMover& m) { return m.Plane.get(); });
    return table;
  }
  using TLogging::TLogging;
  void CoordinateChanged(TGLCoordinates* Sender) override {
    Log.push_back(GetName() + " coordinate <- " + Name(Sender));
  }
  std::unique_ptr<TGLCoordinates> Position =
      std::make_unique<TGLCoordinates>(this, NullHmgPoint, ckPoint);
  std::unique_ptr<TGLCoordinates4> Plane =
      std::make_unique<TGLCoordinates4>(this, TVector{0, 0, 1, 0}, ckVector);
};

void LogEvent(TGLUpdateAbleObject& object) {
  object.OnNotifyChange = [](TObject* sender) { Log.push_back("event <- " + Name(sender)); };
}

class GLMiscTest : public ::testing::Test {
 protected:
  void SetUp() override { Log.clear(); }
};

TEST_F(GLMiscTest, UpdateAbleObjectTellsItsOwnerByTheOwnersKind) {
  TLoggingObject objectOwner(nullptr);
  TLoggingComponent componentOwner(nullptr, "Component");
  TMover coordinatesOwner(nullptr, "Mover");
  TComponent plainComponent(nullptr);
  TStringList plainPersistent;
  const struct {
    const char* what;
    TPersistent* owner;
    std::vector<std::string> log;
  } cases[] = {
      {"no owner", nullptr, {}},
      {"update-able object",
       &objectOwner,
       {"object <- TGLUpdateAbleObject", "event <- TGLUpdateAbleObject"}},
      {"update-able component",
       &componentOwner,
       {"Component <- TGLUpdateAbleObject", "event <- TGLUpdateAbleObject"}},
      {"component taking coordinates",
       &coordinatesOwner,
       {"Mover <- TGLUpdateAbleObject", "event <- TGLUpdateAbleObject"}},
      {"plain component", &plainComponent, {"event <- TGLUpdateAbleObject"}},
      {"plain persistent", &plainPersistent, {"event <- TGLUpdateAbleObject"}},
  };
  for (const auto& c : cases) {
    Log.clear();
    TGLUpdateAbleObject object(c.owner);
    LogEvent(object);
    object.NotifyChange(&plainComponent);
    EXPECT_EQ(Log, c.log) << c.what;
  }
}

TEST_F(GLMiscTest, NoticeClimbsTheChainEachLinkNamingItself) {
  TLoggingComponent scene(nullptr, "Scene");
  auto* object = new TLoggingComponent(&scene, "Object");
  TLoggingObject material(object);
  TGLUpdateAbleObject color(&material);
  color.NotifyChange(nullptr);
  EXPECT_EQ(Log, (std::vector<std::string>{"object <- TGLUpdateAbleObject",
                                           "Object <- TLoggingObject", "Scene <- Object"}));
}

TEST_F(GLMiscTest, UpdatingObjectSendsNothing) {
  TLoggingComponent owner(nullptr, "Owner");
  TGLUpdateAbleObject object(&owner);
  LogEvent(object);
  object.BeginUpdate();
  object.BeginUpdate();
  object.NotifyChange(&object);
  object.EndUpdate();
  object.NotifyChange(&object);
  EXPECT_TRUE(Log.empty());
  object.EndUpdate();
  object.NotifyChange(&object);
  EXPECT_EQ(Log, (std::vector<std::string>{"Owner <- TGLUpdateAbleObject",
                                           "event <- TGLUpdateAbleObject"}));
}

TEST_F(GLMiscTest, CoordinatesTellACoordinatesOwnerAloneAndEvenWhileUpdating) {
  TMover mover(nullptr, "Mover");
  LogEvent(*mover.Position);
  mover.Position->BeginUpdate();
  mover.Position->SetPoint(1, 2, 3);
  EXPECT_EQ(Log, (std::vector<std::string>{"Mover coordinate <- TGLCoordinates"}));

  Log.clear();
  TLoggingObject texture(nullptr);
  TGLCoordinates offset(&texture, TVector{}, ckFree);
  LogEvent(offset);
  offset.SetX(1);
  EXPECT_EQ(Log, (std::vector<std::string>{"object <- TGLCoordinates", "event <- TGLCoordinates"}));
}

TEST_F(GLMiscTest, EachChangeNotifiesOnceAndDirectWritesNever) {
  const TVector v{0.6f, 0, 0.8f, 0};
  const struct {
    const char* what;
    void (*change)(TGLCoordinates&, const TVector&);
    size_t notices;
  } cases[] = {
      {"SetAsVector", [](TGLCoordinates& c, const TVector& v) { c.SetAsVector(v); }, 1},
      {"SetVector x, y, z", [](TGLCoordinates& c, const TVector&) { c.SetVector(1, 2, 3); }, 1},
      {"SetVector x, y, z, w", [](TGLCoordinates& c, const TVector&) { c.SetVector(1, 2, 3, 4); },
       1},
      {"SetCoordinate", [](TGLCoordinates& c, const TVector&) { c.SetCoordinate(3, 2); }, 1},
      {"Rotate",
       [](TGLCoordinates& c, const TVector&) {
         c.Rotate({0, 0, 1}, 1);
       },
       1},
      {"Normalize", [](TGLCoordinates& c, const TVector&) { c.Normalize(); }, 1},
      {"Initialize", [](TGLCoordinates& c, const TVector& v) { c.Initialize(v); }, 0},
      {"SetDirectVector", [](TGLCoordinates& c, const TVector& v) { c.SetDirectVector(v); }, 0},
      {"Assign",
       [](TGLCoordinates& c, const TVector& v) {
         TGLCoordinates source(nullptr, v, ckFree);
         c.Assign(&source);
       },
       0},
  };
  for (const auto& c : cases) {
    TMover mover(nullptr, "Mover");
    TGLCoordinates coordinates(&mover, TVector{1, 0, 0, 0}, ckVector);
    Log.clear();
    c.change(coordinates, v);
    EXPECT_EQ(Log.size(), c.notices) << c.what;
  }
}

TEST_F(GLMiscTest, KindRules) {
  const TVector given{1, 2, 3, 5};
  const struct {
    TGLCoordinatesKind kind;
    float asVectorW;
  } cases[] = {{ckPoint, 1}, {ckVector, 0}, {ckFree, 5}};
  for (const auto& c : cases) {
    TGLCoordinates coordinates(nullptr, TVector{3, 0, 4, 7}, c.kind);
    EXPECT_EQ(coordinates.GetAsVector(), (TVector{3, 0, 4, 7})) << "created as given";
    EXPECT_EQ(coordinates.VectorLength(), 5);
    coordinates.Normalize();
    EXPECT_EQ(coordinates.GetAsVector(), (TVector{0.6f, 0, 0.8f, 0})) << c.kind;
    coordinates.SetAsVector(given);
    EXPECT_EQ(coordinates.GetAsVector(), (TVector{1, 2, 3, c.asVectorW})) << c.kind;
    coordinates.SetCoordinate(3, 0.5f);
    EXPECT_EQ(coordinates.GetW(), 0.5f) << c.kind;
  }
}

TEST_F(GLMiscTest, WritingWTakesAPointOffOne) {
  TGLCoordinates4 plane(nullptr, NullHmgPoint, ckPoint);
  GetPropInfo(plane, "W")->SetFloat(plane, 0.5);
  EXPECT_EQ(plane.GetAsVector(), (TVector{0, 0, 0, 0.5f}));
}

TEST_F(GLMiscTest, RefusedWritesChangeNothingAndSendNothing) {
  const struct {
    TGLCoordinatesKind kind;
    void (*write)(TGLCoordinates&);
  } refused[] = {
      {ckPoint, [](TGLCoordinates& c) { c.SetVector(1, 2, 3); }},
      {ckPoint, [](TGLCoordinates& c) { c.SetVector(1, 2, 3, 4); }},
      {ckVector, [](TGLCoordinates& c) { c.SetPoint(1, 2, 3); }},
  };
  for (const auto& c : refused) {
    TMover mover(nullptr, "Mover");
    TGLCoordinates coordinates(&mover, TVector{9, 8, 7, 6}, c.kind);
    Log.clear();
    EXPECT_TRUE(Raises<EAssertionFailed>(
        [&] { c.write(coordinates); }, testing::StartsWith("Assertion failure (GLMisc.cpp, line ")))
        << "kind " << c.kind << " took the write";
    EXPECT_EQ(coordinates.GetAsVector(), (TVector{9, 8, 7, 6}));
    EXPECT_TRUE(Log.empty());
  }
  TGLCoordinates free(nullptr, TVector{}, ckFree);
  free.SetPoint(1, 2, 3);
  EXPECT_EQ(free.GetAsVector(), (TVector{1, 2, 3, 1}));
  free.SetVector(1, 2, 3);
  EXPECT_EQ(free.GetAsVector(), (TVector{1, 2, 3, 0}));
}

TEST_F(GLMiscTest, AssignCopiesAllFourFloatsAcrossKinds) {
  TGLCoordinates point(nullptr, TVector{1, 2, 3, 1}, ckPoint);
  TGLCoordinates vector(nullptr, TVector{4, 5, 6, 0.25f}, ckVector);
  point.Assign(&vector);
  EXPECT_EQ(point.GetAsVector(), (TVector{4, 5, 6, 0.25f}));
  EXPECT_EQ(point.GetKind(), ckPoint);

  TStringList other;
  EXPECT_TRUE(Raises<EConvertError>([&] { point.Assign(&other); },
                                    "Cannot assign a TStringList to a TGLCoordinates"))
      << "a string list was assigned";
}

std::string WriteLayout(TComponent* root) {
  TStringStream stream;
  stream.WriteComponent(root);
  return stream.DataString();
}

TEST_F(GLMiscTest, CoordinatesTravelAsSixteenBytesReadBackSilentlyAndBitwise) {
  const float nan = std::bit_cast<float>(0x7FC01234u);
  const struct {
    TVector value;
    const char* hex;
  } cases[] = {
      {{7, 7, 14, 1}, "{0000E0400000E040000060410000803F}"},
      {{-0.0f, nan, 1e-45f, 0.25f}, "{000000803412C07F010000000000803E}"},
  };
  for (const auto& c : cases) {
    TMover written(nullptr, "Mover");
    written.Position->SetDirectVector(c.value);
    const std::string layout = WriteLayout(&written);
    EXPECT_NE(layout.find("  Position.Coordinates = " + std::string(c.hex) + "\n"),
              std::string::npos)
        << layout;
    EXPECT_EQ(layout.find("Position.X"), std::string::npos) << layout;

    TMover read(nullptr, "Mover");
    Log.clear();
    TStringStream stream(layout);
    stream.ReadComponent(&read);
    EXPECT_TRUE(Log.empty());
    EXPECT_TRUE(read.Position->Equals(c.value));
  }
}

TEST_F(GLMiscTest, ACoordinatesValueOfTheWrongLengthRaisesAndLeavesTheCoordinates) {
  TMover written(nullptr, "Mover");
  written.Position->SetDirectVector({7, 7, 14, 1});
  const std::string good = "{0000E0400000E040000060410000803F}";
  const std::string layout = WriteLayout(&written);
  ASSERT_NE(layout.find(good), std::string::npos) << layout;
  for (const std::string bad :
       {"{0000E0400000E040}", "{0000E0400000E040000060410000803F00000000}"}) {
    std::string damaged = layout;
    damaged.replace(damaged.find(good), good.size(), bad);
    TMover read(nullptr, "Mover");
    read.Position->SetDirectVector({1, 2, 3, 1});
    TStringStream stream(damaged);
    EXPECT_THROW(stream.ReadComponent(&read), EReadError) << bad;
    EXPECT_TRUE(read.Position->Equals({1, 2, 3, 1})) << bad;
  }
}

TEST_F(GLMiscTest, FourCoordinatesWriteWAsAFloatBesideTheBytes) {
  TMover mover(nullptr, "Mover");
  EXPECT_EQ(WriteLayout(&mover).find("Plane.W"), std::string::npos);
  mover.Plane->SetDirectVector({0, 0, 1, 2.5f});
  const std::string layout = WriteLayout(&mover);
  EXPECT_NE(
      layout.find("  Plane.W = 2.5\n  Plane.Coordinates = {00000000000000000000803F00002040}"),
      std::string::npos)
      << layout;
}

}  // namespace

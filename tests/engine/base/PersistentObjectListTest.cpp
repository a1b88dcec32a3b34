// The engine's object list: growth by 16, index operations, freeing on request, and its archive
// with the class table, including damaged archives that must raise and leave nothing behind.
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <memory>
#include <vector>

#include "FilerTestSupport.h"
#include "engine/base/PersistentClasses.h"
#include "engine/base/VectorLists.h"

namespace {

// Counts its live instances, so that a test sees what a list freed or leaked.
class TCounted : public TPersistentObject {
  RTL_CLASS(TCounted, TPersistentObject)
  static inline int Live = 0;
  TCounted() { ++Live; }
  explicit TCounted(int32_t value) : Value(value) { ++Live; }
  ~TCounted() override { --Live; }
  int32_t Value = 0;
  void WriteToFiler(TVirtualWriter* writer) override {
    writer->WriteInteger(0);
    writer->WriteInteger(Value);
  }
  void ReadFromFiler(TVirtualReader* reader) override {
    const int32_t archiveVersion = reader->ReadInteger();
    if (archiveVersion != 0) RaiseFilerException(archiveVersion);
    Value = reader->ReadInteger();
  }
};

class TNotPersistent : public TObject {
  RTL_CLASS(TNotPersistent, TObject)
};

class ObjectList : public testing::Test {
 protected:
  void SetUp() override {
    RegisterPersistentClasses();
    RegisterVectorLists();
    RegisterClasses({TCounted::StaticClass(), TNotPersistent::StaticClass()});
    TCounted::Live = 0;
  }
  void TearDown() override { EXPECT_EQ(TCounted::Live, 0); }
};

TEST_F(ObjectList, GrowsBySixteenSlots) {
  const struct { int adds, capacity; } cases[] = {{0, 0}, {1, 16}, {16, 16}, {17, 32}, {33, 48}};
  for (const auto& c : cases) {
    TPersistentObjectList list;
    for (int i = 0; i < c.adds; ++i) EXPECT_EQ(list.Add(nullptr), i);
    EXPECT_EQ(list.Capacity(), c.capacity) << c.adds;
  }
}

// The capacity steps by sixteen, but the block behind it must not move at every step: appending
// one item at a time would then copy the whole list each sixteen items.
TEST_F(ObjectList, AppendsMoveTheBlockRarely) {
  TPersistentObjectList list;
  int moves = 0;
  const void* block = list.List();
  for (int i = 0; i < 10000; ++i) {
    list.Add(nullptr);
    if (list.List() != block) ++moves, block = list.List();
  }
  EXPECT_LE(moves, 20);
  EXPECT_EQ(list.Capacity(), 10000);
  list.SetCapacity(20);
  EXPECT_EQ(list.Count(), 20);
  EXPECT_EQ(list.Capacity(), 20);
}

TEST_F(ObjectList, IndexOperations) {
  TCounted a, b, c, d;
  TPersistentObjectList list;
  list.Add(&a);
  list.Add(&c);
  list.Insert(1, &b);
  list.Insert(3, &d);
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Get(1), &b);
  EXPECT_EQ(list.IndexOf(&d), 3);
  EXPECT_EQ(list.Remove(&b), 1);
  EXPECT_EQ(list.Remove(&b), -1);
  EXPECT_EQ(list.Get(1), &c);
  list.Delete(0);
  EXPECT_EQ(list.Pop(), &d);
  EXPECT_EQ(list.Pop(), &c);
  EXPECT_EQ(list.Pop(), nullptr);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.IndexOf(&a), -1);

  list.SetCount(5);
  EXPECT_EQ(list.Count(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(list.Get(i), nullptr);
  list.Put(3, &a);
  list.SetCapacity(2);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Capacity(), 2);
  EXPECT_THROW(list.Error(), EListError);
  EXPECT_THROW(list.SetCount(-1), EAssertionFailed);
  EXPECT_THROW(list.SetCapacity(-1), EAssertionFailed);
  EXPECT_EQ(list.Count(), 2);
}

// Frees itself out of the list that holds it, and takes its neighbour along.
class TSelfRemoving : public TCounted {
  RTL_CLASS(TSelfRemoving, TCounted)
  TPersistentObjectList* Holder = nullptr;
  TCounted* Neighbour = nullptr;
  ~TSelfRemoving() override {
    Holder->Remove(this);
    if (Neighbour != nullptr && Holder->Remove(Neighbour) >= 0) delete Neighbour;
  }
};

TEST_F(ObjectList, CleanFreesElementsThatRemoveThemselvesExactlyOnce) {
  TPersistentObjectList list;
  auto* first = new TCounted(1);
  auto* second = new TSelfRemoving;
  auto* third = new TCounted(3);
  auto* fourth = new TSelfRemoving;
  second->Holder = fourth->Holder = &list;
  fourth->Neighbour = third;
  for (TObject* o : std::initializer_list<TObject*>{first, second, third, fourth}) list.Add(o);
  list.CleanFree();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
  // TearDown checks that all four are gone; ASan would see a double free.
}

TEST_F(ObjectList, ArchiveNamesEachClassOnceThenByIndex) {
  TAffineVectorList first, second;
  first.Add({1, 2, 3});
  TPersistentObjectList list;
  list.Add(&first);
  list.Add(nullptr);
  list.Add(&second);
  // Each vector list: version, count, item size, the floats 1, 2, 3, its own version.
  const std::string firstData =
      Bytes({2, 0, 2, 1, 2, 12, 0, 0, 0x80, 0x3F, 0, 0, 0, 0x40, 0, 0, 0x40, 0x40, 2, 0});
  const std::string secondData = Bytes({2, 0, 2, 0, 2, 12, 2, 0});
  EXPECT_EQ(Hex(list.SaveToString()),
            Hex(Bytes({2, 0, 1, 6, 17}) + "TAffineVectorList" + firstData + Bytes({8, 2, 0, 2, 0}) +
                secondData + Bytes({0})));

  TCounted a(1), b(2), c(3);
  TPersistentObjectList three;
  for (TCounted* o : {&a, &b, &c}) three.Add(o);
  EXPECT_EQ(Hex(three.SaveToString()),
            Hex(Bytes({2, 0, 1, 6, 8}) + "TCounted" +
                Bytes({2, 0, 2, 1, 2, 0, 2, 0, 2, 2, 2, 0, 2, 0, 2, 3, 0})));
}

TEST_F(ObjectList, ReadRecreatesElementsAfterFreeingTheOldOnes) {
  TCounted a(5), b(6);
  TPersistentObjectList source;
  source.Add(&a);
  source.Add(nullptr);
  source.Add(&b);
  const std::string data = source.SaveToString();

  TPersistentObjectList target;
  target.Add(new TCounted(99));
  std::vector<int32_t> seenBeforeRead;
  TStringStream stream(data);
  TBinaryReader reader(&stream);
  target.ReadFromFilerWithEvent(
      &reader, [&](TObject* o) { seenBeforeRead.push_back(static_cast<TCounted*>(o)->Value); });
  EXPECT_EQ(TCounted::Live, 4);  // a, b and the two read; the 99 is gone
  ASSERT_EQ(target.Count(), 3);
  EXPECT_EQ(static_cast<TCounted*>(target.Get(0))->Value, 5);
  EXPECT_EQ(target.Get(1), nullptr);
  EXPECT_EQ(static_cast<TCounted*>(target.Get(2))->Value, 6);
  EXPECT_EQ(seenBeforeRead, (std::vector<int32_t>{0, 0}));
  target.CleanFree();
}

TEST_F(ObjectList, DamagedArchivesRaiseAndLeaveTheListEmpty) {
  const std::string counted = Bytes({6, 8}) + "TCounted" + Bytes({2, 0, 2, 1});
  const struct {
    std::string bytes;
    std::string message;
  } cases[] = {
      {Bytes({2, 1, 1, 0}), "TPersistentObjectList : unknown archive version 1"},
      {Bytes({2, 0, 1}) + counted + Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F, 0}),
       "Broken ObjectList archive"},
      {Bytes({2, 0, 1, 6, 5}) + "TNope" + Bytes({0}), "Class TNope not found"},
      {Bytes({2, 0, 1, 6, 14}) + "TNotPersistent" + Bytes({0}),
       "Class TNotPersistent is not a persistent object class"},
      {Bytes({2, 0, 1}) + counted + Bytes({2, 1, 2, 0, 2, 1, 0}), "List index out of bounds (1)"},
      {Bytes({2, 0, 1}) + counted + Bytes({2, -1, 0}), "List index out of bounds (-1)"},
      // A pointer value other than nil cannot come from another program.
      {Bytes({2, 0, 1, 8, 4, 0x78, 0x56, 0x34, 0x12, 0}), "Broken ObjectList archive"},
      {Bytes({2, 0, 1}) + counted, "Stream read error"},
      {Bytes({2, 0, 1}) + counted.substr(0, 6), "Stream read error"},
      {Bytes({2, 0, 0}), "TBinaryReader, read type error"},
      // What a nested list read has no owner once the outer read fails: it is freed too.
      {Bytes({2, 0, 1, 6, 21}) + "TPersistentObjectList" + Bytes({2, 0, 1}) + counted +
           Bytes({0, 5}),
       "Broken ObjectList archive"},
  };
  for (const auto& c : cases) {
    TPersistentObjectList list;
    list.Add(new TCounted(1));
    try {
      list.LoadFromString(c.bytes);
      ADD_FAILURE() << Hex(c.bytes);
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message) << Hex(c.bytes);
      EXPECT_TRUE(dynamic_cast<const EFilerError*>(&e) || dynamic_cast<const EFilerException*>(&e))
          << c.message;
    }
    EXPECT_EQ(list.Count(), 0) << c.message;
    EXPECT_EQ(TCounted::Live, 0) << c.message;
  }
}

// An archive of `levels` lists, each holding a counted element and then the next list, so that
// a refused archive shows whether every level read before the refusal was freed.
std::string NestedLists(int levels) {
  const std::string level = Bytes({2, 0, 1, 6, 8}) + "TCounted" + Bytes({2, 0, 2, 1});
  std::string archive;
  for (int i = 1; i < levels; ++i) archive += level + Bytes({6, 21}) + "TPersistentObjectList";
  return archive + level + std::string(size_t(levels), '\0');
}

TEST_F(ObjectList, NestingIsReadToTheLayoutReadersDepthAndRefusedBeyond) {
  TPersistentObjectList list;
  list.LoadFromString(NestedLists(256));
  EXPECT_EQ(TCounted::Live, 256);
  int levels = 1;
  for (auto* level = &list; level->Count() == 2; ++levels)
    level = static_cast<TPersistentObjectList*>(level->Get(1));
  EXPECT_EQ(levels, 256);
  FreeNested(list);

  // The deepest one would overflow the stack if each level were read by one more call.
  for (int tooDeep : {257, 100000}) {
    list.Add(new TCounted(1));
    EXPECT_TRUE(Raises<EReadError>([&] { list.LoadFromString(NestedLists(tooDeep)); },
                                   "ObjectList archive nested too deeply"))
        << tooDeep;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(TCounted::Live, 0) << tooDeep;
  }
}

TEST_F(ObjectList, RefusesToWriteAnElementItCouldNotReadBack) {
  TNotPersistent stranger;
  TPersistentObjectList list;
  list.Add(nullptr);
  list.Add(&stranger);
  TStringStream stream;
  EXPECT_TRUE(Raises<EWriteError>([&] { list.SaveToStream(stream); },
                                  "Cannot store a TNotPersistent in an ObjectList archive"));
  EXPECT_EQ(stream.GetSize(), 0);
}

TEST_F(ObjectList, RefusesToWriteNestingItCouldNotReadBack) {
  // levels[0] holds levels[1], and so on.
  std::vector<std::unique_ptr<TPersistentObjectList>> levels;
  for (int i = 0; i < 257; ++i) {
    levels.push_back(std::make_unique<TPersistentObjectList>());
    if (i > 0) levels[size_t(i - 1)]->Add(levels.back().get());
  }
  TPersistentObjectList readBack;
  readBack.LoadFromString(levels[1]->SaveToString());
  FreeNested(readBack);
  EXPECT_THROW(levels[0]->SaveToString(), EWriteError);

  TPersistentObjectList holdsItself;
  holdsItself.Add(&holdsItself);
  EXPECT_TRUE(Raises<EWriteError>([&] { holdsItself.SaveToString(); },
                                  "ObjectList nested too deeply to store"));
}

}  // namespace

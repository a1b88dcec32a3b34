// Objects, class references, the registry, persistent objects, components, collections, lists,
// string lists and streams.
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <cstdio>
#include <string>
#include <vector>

#include "platform/rtl/Classes.h"

namespace {

std::vector<std::string> Log;

class TShape : public TComponent {
  RTL_CLASS(TShape, TComponent)
  explicit TShape(TComponent* owner) : TComponent(owner) {}
  ~TShape() override { Log.push_back("~" + GetName()); }
  TComponent* Watched = nullptr;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == opRemove && component == Watched) {
      Log.push_back(GetName() + " forgets " + component->GetName());
      Watched = nullptr;
    }
    inherited::Notification(component, operation);
  }
};

class TCircle : public TShape {
  RTL_CLASS(TCircle, TShape)
  using TShape::TShape;
};

// Logs every notice it is given.
class TEar : public TComponent {
  RTL_CLASS(TEar, TComponent)
  explicit TEar(TComponent* owner) : TComponent(owner) {}

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    Log.push_back(GetName() + (operation == opInsert ? " hears of " : " hears the end of ") +
                  component->GetName());
    inherited::Notification(component, operation);
  }
};

class TLoudEar : public TEar {
  RTL_CLASS(TLoudEar, TEar)
  using TEar::TEar;
};

TComponent* Named(TComponent* component, const std::string& name) {
  component->SetName(name);
  return component;
}

class TValue : public TPersistent {
  RTL_CLASS(TValue, TPersistent)
  int Data = 0;
  void Assign(TPersistent* source) override {
    if (auto* other = dynamic_cast<TValue*>(source))
      Data = other->Data;
    else
      inherited::Assign(source);
  }
};

class TOther : public TPersistent {
  RTL_CLASS(TOther, TPersistent)
};

class TNote : public TCollectionItem {
  RTL_CLASS(TNote, TCollectionItem)
  using TCollectionItem::TCollectionItem;
  std::string Text;
  void Assign(TPersistent* source) override {
    if (auto* other = dynamic_cast<TNote*>(source))
      Text = other->Text;
    else
      inherited::Assign(source);
  }
  std::string GetDisplayName() const override {
    return Text.empty() ? inherited::GetDisplayName() : Text;
  }
};

class TNotes : public TOwnedCollection {
  RTL_CLASS(TNotes, TOwnedCollection)
  explicit TNotes(TPersistent* owner) : TOwnedCollection(owner, TNote::StaticClass()) {}
  std::vector<TCollectionItem*> Updates;

 protected:
  void Update(TCollectionItem* item) override { Updates.push_back(item); }
};

class TNoted : public TComponent {
  RTL_CLASS(TNoted, TComponent)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TNoted>(TComponent::Published())
            .Object("Notes", [](const TNoted& o) { return o.FNotes.get(); });
    return table;
  }
  explicit TNoted(TComponent* owner) : TComponent(owner) {}
  TNotes* Notes() { return FNotes.get(); }

 private:
  std::unique_ptr<TNotes> FNotes = std::make_unique<TNotes>(this);
};

}  // namespace

TEST(Classes, ClassReferencesKnowNamesAndAncestry) {
  TCircle circle(nullptr);
  EXPECT_EQ(circle.ClassName(), "TCircle");
  EXPECT_TRUE(circle.InheritsFrom(TShape::StaticClass()));
  EXPECT_TRUE(circle.InheritsFrom(TObject::StaticClass()));
  EXPECT_FALSE(TShape::StaticClass()->InheritsFrom(TCircle::StaticClass()));
  EXPECT_NE(circle.ClassType(), TShape::StaticClass());  // the exact-class test
  EXPECT_EQ(TCircle::StaticClass()->ClassParent(), TShape::StaticClass());
  EXPECT_TRUE(circle.ClassNameIs("tcircle"));
}

TEST(Classes, RegistryFindsCaseInsensitivelyAndCreatesThroughTheClassReference) {
  RegisterClasses({TShape::StaticClass(), TCircle::StaticClass()});
  RegisterClass(TCircle::StaticClass());  // registering again is harmless
  EXPECT_EQ(GetClass("tcircle"), TCircle::StaticClass());
  EXPECT_EQ(GetClass("TSquare"), nullptr);
  EXPECT_TRUE(Raises<EClassNotFound>([&] { FindClass("TSquare"); }, "Class TSquare not found"));

  TComponent owner(nullptr);
  TObject* made = FindClass("TCircle")->Create(&owner).release();  // the owner owns it
  EXPECT_EQ(made->ClassType(), TCircle::StaticClass());
  EXPECT_EQ(owner.Components(0), made);
  TValue notAnOwner;
  EXPECT_THROW(TCircle::StaticClass()->Create(&notAnOwner), EInvalidCast);
  EXPECT_THROW(TStream::StaticClass()->Create(), Exception);  // abstract
}

TEST(Classes, AnotherClassUnderATakenNameIsRefused) {
  static const TMetaClass fake("TCircle", TPersistent::StaticClass(), nullptr, &TObject::Published);
  RegisterClass(TCircle::StaticClass());
  EXPECT_THROW(RegisterClass(&fake), EFilerError);
}

TEST(Classes, AssertionIsAlwaysOnAndNamesFileAndLine) {
  const int line = __LINE__ + 1;
  const auto fails = [] { Assert(1 + 1 == 3); };
  EXPECT_TRUE(Raises<EAssertionFailed>(
      fails, "Assertion failure (ClassesTest.cpp, line " + std::to_string(line) + ")"));
  EXPECT_NO_THROW(Assert(true, "never"));
  EXPECT_THROW(Assert(false, std::string("custom")), EAssertionFailed);
}

TEST(Persistent, AssignErrorsNameBothClasses) {
  TValue a, b;
  TOther other;
  a.Data = 5;
  b.Assign(&a);
  EXPECT_EQ(b.Data, 5);
  const struct {
    TPersistent* Source;
    const char* Message;
  } cases[] = {{&other, "Cannot assign a TOther to a TValue"},
               {nullptr, "Cannot assign a nil to a TValue"}};
  for (const auto& c : cases) {
    EXPECT_TRUE(Raises<EConvertError>([&] { b.Assign(c.Source); }, c.Message)) << c.Message;
  }
}

TEST(Component, OwnerFreesOwnedComponentsLastFirstAndTellsTheWatchers) {
  Log.clear();
  auto* form = new TShape(nullptr);
  form->SetName("Form");
  auto* a = new TShape(form);
  a->SetName("A");
  auto* b = new TShape(form);
  b->SetName("B");
  TShape outsider(nullptr);
  outsider.SetName("Outsider");
  outsider.Watched = a;
  a->FreeNotification(&outsider);
  b->Watched = a;  // a sibling hears of it through the common owner

  EXPECT_EQ(form->FindComponent("b"), b);
  EXPECT_EQ(b->ComponentIndex(), 1);
  delete form;
  EXPECT_EQ(Log, (std::vector<std::string>{"~Form", "~B", "~A", "Outsider forgets A"}));
  EXPECT_EQ(outsider.Watched, nullptr);
}

TEST(Component, FreedComponentLeavesItsOwnerAndNotifiesSiblings) {
  Log.clear();
  TShape form(nullptr);
  auto* a = new TShape(&form);
  a->SetName("A");
  auto* b = new TShape(&form);
  b->SetName("B");
  b->Watched = a;
  delete a;
  EXPECT_EQ(form.ComponentCount(), 1);
  EXPECT_EQ(b->Watched, nullptr);
  EXPECT_EQ(Log, (std::vector<std::string>{"~A", "B forgets A"}));
}

TEST(Component, FreeNotificationIsDroppedWhenTheWatcherGoesFirst) {
  auto* target = new TShape(nullptr);
  target->SetName("Target");
  {
    TShape watcher(nullptr);
    watcher.SetName("Watcher");
    watcher.Watched = target;
    target->FreeNotification(&watcher);
  }
  Log.clear();
  delete target;  // must not call the freed watcher
  EXPECT_EQ(Log, (std::vector<std::string>{"~Target"}));
}

TEST(Component, InsertsAndRemovalsReachEveryComponentThatActsOnThem) {
  TComponent form(nullptr);
  Named(new TComponent(&form), "Plain");
  Named(new TEar(&form), "Ear");
  // A plain component passes the notices on to the one it owns that acts on them.
  TComponent* holder = Named(new TComponent(&form), "Holder");
  Named(new TEar(holder), "Inner");
  // A class that inherits its Notification acts as its parent's does.
  Named(new TLoudEar(&form), "Loud");
  Log.clear();
  TComponent* added = Named(new TComponent(nullptr), "Added");
  form.InsertComponent(added);
  delete added;
  // Last component first, as the owner holds them.
  EXPECT_EQ(Log, (std::vector<std::string>{"Loud hears of Added", "Inner hears of Added",
                                           "Ear hears of Added", "Loud hears the end of Added",
                                           "Inner hears the end of Added",
                                           "Ear hears the end of Added"}));

  // A component that comes to own one that acts hears from then on, and no longer once it
  // has gone.
  TComponent* plain = form.FindComponent("Plain");
  TComponent* late = Named(new TEar(plain), "Late");
  Log.clear();
  form.InsertComponent(Named(new TComponent(nullptr), "Second"));
  EXPECT_EQ(Log, (std::vector<std::string>{"Loud hears of Second", "Inner hears of Second",
                                           "Ear hears of Second", "Late hears of Second"}));
  delete late;
  delete holder;
  Log.clear();
  delete form.FindComponent("Second");
  EXPECT_EQ(Log, (std::vector<std::string>{"Loud hears the end of Second",
                                           "Ear hears the end of Second"}));
}

TEST(Component, FreeNotificationReachesLinkedComponentsWhereverTheyAre) {
  Log.clear();
  TComponent form(nullptr);
  auto* target = Named(new TComponent(&form), "Target");
  // A watcher owned elsewhere, and a plain sibling owner whose own component watches.
  TShape outsider(nullptr);
  outsider.SetName("Outsider");
  outsider.Watched = target;
  target->FreeNotification(&outsider);
  TComponent other(nullptr);
  auto* inner = new TShape(&other);
  inner->SetName("Inner");
  inner->Watched = target;
  target->FreeNotification(inner);
  delete target;
  EXPECT_EQ(Log, (std::vector<std::string>{"Inner forgets Target", "Outsider forgets Target"}));

  // A plain component linked to a sibling drops the link when the sibling leaves the owner, so
  // the sibling, which watches it, is not told when it goes later.
  auto* plain = Named(new TComponent(&form), "Plain");
  auto* sibling = new TShape(&form);
  sibling->SetName("Sibling");
  sibling->Watched = plain;
  plain->FreeNotification(sibling);
  form.RemoveComponent(sibling);
  Log.clear();
  delete plain;
  EXPECT_EQ(Log, std::vector<std::string>{});
  EXPECT_EQ(sibling->Watched, plain);
  delete sibling;
}

TEST(Component, AnInsertOrARemovalAmongManyPlainComponentsReachesTheOneThatActs) {
  for (const int siblings : {10, 10000}) {
    SCOPED_TRACE(std::to_string(siblings) + " siblings");
    TComponent form(nullptr);
    for (int i = 0; i < siblings; ++i) new TComponent(&form);
    auto* ear = Named(new TEar(&form), "Ear");
    Log.clear();
    for (int i = 0; i < 100; ++i) delete new TComponent(&form);
    EXPECT_EQ(Log.size(), 200u);
    // The components that do nothing with the notices still go with their owner.
    EXPECT_EQ(form.ComponentCount(), siblings + 1);
    EXPECT_EQ(ear->ComponentIndex(), siblings);
  }
}

TEST(Component, RemovalsKeepTheOrderOfTheOthers) {
  TComponent form(nullptr);
  std::vector<TComponent*> made;
  for (int i = 0; i < 8; ++i) made.push_back(Named(new TComponent(&form), "C" + std::to_string(i)));
  const auto names = [&] {
    std::string all;
    for (int i = 0; i < form.ComponentCount(); ++i) all += form.Components(i)->GetName() + " ";
    return all;
  };
  delete made[2];
  delete made[5];
  EXPECT_EQ(form.ComponentCount(), 6);
  EXPECT_EQ(made[6]->ComponentIndex(), 4);
  EXPECT_EQ(names(), "C0 C1 C3 C4 C6 C7 ");
  delete made[0];
  form.RemoveComponent(made[7]);
  EXPECT_EQ(made[7]->Owner(), nullptr);
  EXPECT_EQ(form.FindComponent("C7"), nullptr);
  EXPECT_EQ(form.FindComponent("C4"), made[4]);
  form.InsertComponent(made[7]);
  form.InsertComponent(made[1]);  // again: it moves to the end
  EXPECT_EQ(names(), "C3 C4 C6 C7 C1 ");
  EXPECT_TRUE(Raises<EListError>([&] { form.Components(5); }, "List index out of bounds (5)"));
  // The owner frees what is left last first.
  Log.clear();
  for (int i = 0; i < form.ComponentCount(); ++i) {
    auto* shape = new TShape(form.Components(i));
    shape->SetName("Of" + form.Components(i)->GetName());
  }
  form.DestroyComponents();
  EXPECT_EQ(Log, (std::vector<std::string>{"~OfC1", "~OfC7", "~OfC6", "~OfC4", "~OfC3"}));
  EXPECT_EQ(form.ComponentCount(), 0);
}

TEST(Component, NamesMustBeIdentifiersAndUniqueWithinTheOwner) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  auto* b = new TComponent(&owner);
  a->SetName("Sphere1");
  EXPECT_THROW(b->SetName("sphere1"), EComponentError);
  EXPECT_THROW(b->SetName("1Sphere"), EComponentError);
  EXPECT_THROW(b->SetName("a b"), EComponentError);
  b->SetName("Sphere2");
  EXPECT_EQ(b->GetName(), "Sphere2");
  EXPECT_EQ(b->GetNamePath(), "Sphere2");

  // A move to an owner that has the name already is refused and leaves the component where it was.
  TComponent other(nullptr);
  auto* clash = new TComponent(&other);
  clash->SetName("SPHERE2");
  EXPECT_THROW(owner.InsertComponent(clash), EComponentError);
  EXPECT_EQ(clash->Owner(), &other);
  EXPECT_EQ(other.FindComponent("Sphere2"), clash);
  owner.InsertComponent(b);  // again into its own owner: no clash with itself
  EXPECT_EQ(b->Owner(), &owner);
  EXPECT_EQ(owner.ComponentCount(), 2);
}

TEST(Collection, IdsAreNeverReusedAndUpdateWaitsForEndUpdate) {
  TNoted owner(nullptr);
  owner.SetName("Owner");
  TNotes& notes = *owner.Notes();
  notes.Add();
  notes.Add();
  notes.Delete(1);
  auto* third = static_cast<TNote*>(notes.Add());
  EXPECT_EQ(third->ID(), 2);
  EXPECT_EQ(notes.FindItemID(1), nullptr);
  EXPECT_EQ(third->GetNamePath(), "Owner.Notes[1]");
  EXPECT_EQ(third->GetDisplayName(), "TNote");
  third->Text = "hello";
  EXPECT_EQ(third->GetDisplayName(), "hello");

  notes.Updates.clear();
  notes.BeginUpdate();
  notes.Add();
  notes.Add();
  EXPECT_TRUE(notes.Updates.empty());
  notes.EndUpdate();
  EXPECT_EQ(notes.Updates, (std::vector<TCollectionItem*>{nullptr}));

  third->SetIndex(0);
  EXPECT_EQ(notes.GetItem(0), third);
  EXPECT_THROW(notes.GetItem(4), EListError);
}

TEST(Collection, AssignCopiesItemsThroughTheirAssign) {
  TNotes source(nullptr), target(nullptr);
  static_cast<TNote*>(source.Add())->Text = "a";
  static_cast<TNote*>(source.Add())->Text = "b";
  target.Add();
  target.Assign(&source);
  ASSERT_EQ(target.Count(), 2);
  EXPECT_EQ(static_cast<TNote*>(target.GetItem(1))->Text, "b");
  EXPECT_EQ(target.GetItem(0)->ID(), 1);  // after the cleared item's 0
  EXPECT_EQ(target.GetNamePath(), "TNotes");
  TOther other;
  EXPECT_THROW(target.Assign(&other), EConvertError);

  target.Assign(&target);
  ASSERT_EQ(target.Count(), 2);
  EXPECT_EQ(static_cast<TNote*>(target.GetItem(0))->Text, "a");
}

TEST(List, IndexErrorsAndReordering) {
  TList list;
  int a = 1, b = 2, c = 3;
  list.Add(&a);
  list.Add(&b);
  list.Insert(0, &c);
  list.Move(0, 2);
  EXPECT_EQ(list.Get(2), &c);
  list.Exchange(0, 1);
  EXPECT_EQ(list.First(), &b);
  EXPECT_EQ(list.Remove(&a), 1);
  EXPECT_EQ(list.Extract(&a), nullptr);
  list.SetCount(4);
  EXPECT_EQ(list.Get(3), nullptr);
  EXPECT_TRUE(Raises<EListError>([&] { list.Get(4); }, "List index out of bounds (4)"));
  EXPECT_THROW(list.Insert(6, &a), EListError);
  EXPECT_THROW(list.Delete(-1), EListError);
}

TEST(List, ThreadListRefusesDuplicatesByItsSetting) {
  TThreadList list;
  int a = 0;
  list.Add(&a);
  list.Add(&a);
  EXPECT_EQ(list.LockList()->Count(), 1);
  list.UnlockList();
  list.Duplicates = dupError;
  EXPECT_THROW(list.Add(&a), EListError);
  list.Duplicates = dupAccept;
  list.Add(&a);
  EXPECT_EQ(list.LockList()->Count(), 2);
  list.UnlockList();
}

TEST(StringList, ObjectsAndNameValueLines) {
  TStringList list;
  TValue object;
  list.AddObject("bmp=Bitmap", &object);
  list.Add("JPG=JPEG image");
  list.Add("plain");
  EXPECT_EQ(list.IndexOfName("jpg"), 1);
  EXPECT_EQ(list.Values("BMP"), "Bitmap");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.GetObject(list.IndexOfName("bmp")), &object);
  list.SetValue("png", "Portable");
  list.SetValue("bmp", "");
  EXPECT_EQ(list.GetText(), "JPG=JPEG image\nplain\npng=Portable\n");
  EXPECT_EQ(list.IndexOf("PLAIN"), 1);
  list.SetText("a\r\nb\nc");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Get(2), "c");
  EXPECT_THROW(list.Get(3), EListError);
  TStringList copy;
  copy.Assign(&list);
  EXPECT_EQ(copy.GetText(), "a\nb\nc\n");
}

TEST(Stream, ShortReadsRaiseAndMemoryStreamsGrow) {
  TMemoryStream stream;
  stream.WriteBuffer("abcdef", 6);
  stream.SetPosition(2);
  stream.WriteBuffer("XY", 2);
  EXPECT_EQ(stream.GetSize(), 6);
  stream.SetPosition(4);
  char buffer[8] = {};
  EXPECT_EQ(stream.Read(buffer, 8), 2);
  stream.SetPosition(4);
  EXPECT_TRUE(Raises<EReadError>([&] { stream.ReadBuffer(buffer, 3); }, "Stream read error"));
  stream.SetSize(3);
  EXPECT_EQ(stream.GetPosition(), 3);
  TStringStream text("");
  text.CopyFrom(stream, 0);
  EXPECT_EQ(text.DataString(), "abX");
  text.SetPosition(1);
  EXPECT_EQ(text.ReadString(10), "bX");
}

TEST(Stream, FileStreamModesAndErrors) {
  const std::string name = testing::TempDir() + "rtl_stream.bin";
  {
    TFileStream file(name, fmCreate);
    file.WriteBuffer("0123456789", 10);
  }
  {
    TFileStream file(name, fmOpenReadWrite | fmShareDenyWrite);
    EXPECT_EQ(file.GetSize(), 10);
    file.Seek(-3, soEnd);
    file.WriteBuffer("ab", 2);
    file.SetSize(9);
  }
  TStringList lines;
  lines.LoadFromFile(name);
  EXPECT_EQ(lines.Get(0), "0123456ab");
  {
    TFileStream file(name, fmOpenRead);
    char buffer[16];
    EXPECT_THROW(file.ReadBuffer(buffer, 16), EReadError);
    EXPECT_THROW(file.WriteBuffer("x", 1), EWriteError);
  }
  std::remove(name.c_str());
  EXPECT_TRUE(Raises<EFOpenError>([&] { TFileStream missing(name, fmOpenRead | fmShareDenyNone); },
                                  testing::StartsWith("Cannot open file \"" + name + "\". ")));
  EXPECT_THROW(TFileStream(testing::TempDir() + "no/such/dir/x", fmCreate), EFCreateError);
}

// Extensible collections: joining and leaving, the addition rules, name paths, assignment, and
// the stream with its class table, including broken streams.
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <memory>

#include "engine/base/XCollection.h"

namespace {

class TPlainItem : public TXCollectionItem {
  RTL_CLASS(TPlainItem, TXCollectionItem)
  explicit TPlainItem(TXCollection* owner,
                      TXCollectionItemClass itemClass = XCollectionItemClass<TPlainItem>())
      : TXCollectionItem(owner, itemClass) {}
  static inline int Live = 0;
  ~TPlainItem() override { --Live; }
  static std::string FriendlyName() { return "Plain"; }
  int32_t Extra = 0;
  void Assign(TPersistent* source) override {
    if (auto* item = dynamic_cast<TPlainItem*>(source)) Extra = item->Extra;
    inherited::Assign(source);
  }
  void WriteToFiler(TWriter& writer) override {
    inherited::WriteToFiler(writer);
    writer.WriteInteger(Extra);
  }
  void ReadFromFiler(TReader& reader) override {
    inherited::ReadFromFiler(reader);
    Extra = reader.ReadInteger();
  }

 private:
  [[maybe_unused]] int FCounted = ++Live;
};

TPlainItem* AddPlain(TXCollection& c, const std::string& name, int32_t extra) {
  auto* item = new TPlainItem(&c);
  item->SetName(name);
  item->Extra = extra;
  return item;
}

class TUniqueItem : public TXCollectionItem {
  RTL_CLASS(TUniqueItem, TXCollectionItem)
  explicit TUniqueItem(TXCollection* owner,
                       TXCollectionItemClass itemClass = XCollectionItemClass<TUniqueItem>())
      : TXCollectionItem(owner, itemClass) {}
  static std::string FriendlyName() { return "Unique"; }
  static std::string FriendlyDescription() { return "One per collection"; }
  static bool UniqueItem() { return true; }
};

class TUniqueChild : public TUniqueItem {
  RTL_CLASS(TUniqueChild, TUniqueItem)
  explicit TUniqueChild(TXCollection* owner)
      : TUniqueItem(owner, XCollectionItemClass<TUniqueChild>()) {}
  static std::string FriendlyName() { return "Unique child"; }
};

class TPickyCollection : public TXCollection {
  RTL_CLASS(TPickyCollection, TXCollection)
  using TXCollection::TXCollection;
};

// Refuses the picky collections.
class TPickyItem : public TXCollectionItem {
  RTL_CLASS(TPickyItem, TXCollectionItem)
  explicit TPickyItem(TXCollection* owner)
      : TXCollectionItem(owner, XCollectionItemClass<TPickyItem>()) {}
  static std::string FriendlyName() { return "Picky"; }
  static std::string ItemCategory() { return "Tests"; }
  static bool CanAddTo(TXCollection* c) { return dynamic_cast<TPickyCollection*>(c) == nullptr; }
};

class TPathOwner : public TPersistent {
  RTL_CLASS(TPathOwner, TPersistent)
  std::string Path;
  std::string GetNamePath() const override { return Path; }
};

TEST(XCollection, ItemsJoinWithTheirFriendlyNameAndLeaveWithoutAGap) {
  TXCollection c(nullptr);
  auto* first = new TPlainItem(&c);
  auto* second = new TUniqueItem(&c);
  auto* third = new TPlainItem(&c);
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(first->GetName(), "Plain");
  EXPECT_EQ(second->GetName(), "Unique");
  EXPECT_EQ(third->Index(), 2);
  delete second;
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(c.GetItems(1), third);
  EXPECT_EQ(third->Index(), 1);
  EXPECT_THROW(c.GetItems(2), EListError);

  TPlainItem loose(nullptr);
  EXPECT_EQ(loose.GetName(), "Plain");
  EXPECT_EQ(loose.Index(), -1);
  EXPECT_EQ(loose.GetNamePath(), "TPlainItem");
}

// Tells whether the name came through its own setter.
class TRenamedItem : public TXCollectionItem {
  RTL_CLASS(TRenamedItem, TXCollectionItem)
  explicit TRenamedItem(TXCollection* owner)
      : TXCollectionItem(owner, XCollectionItemClass<TRenamedItem>()) {}
  static std::string FriendlyName() { return "Renamed"; }
  std::string Setter;
  void SetName(const std::string& name) override {
    Setter = "TRenamedItem";
    inherited::SetName(name);
  }
};

// Publishes an item as a sub-object, the way a scene object shows one in a layout.
class TItemHolder : public TComponent {
  RTL_CLASS(TItemHolder, TComponent)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TItemHolder>(TComponent::Published())
            .Object("Item", [](const TItemHolder& h) { return h.Item.get(); });
    return table;
  }
  using TComponent::TComponent;
  std::unique_ptr<TRenamedItem> Item = std::make_unique<TRenamedItem>(nullptr);
};

TEST(XCollection, ItemNameIsPublishedAndReadThroughItsSetter) {
  TItemHolder written(nullptr);
  written.SetName("Holder");
  written.Item->SetName("Glow");
  TStringStream out;
  out.WriteComponent(&written);
  EXPECT_NE(out.DataString().find("  Item.Name = 'Glow'\n"), std::string::npos) << out.DataString();

  TItemHolder read(nullptr);
  TStringStream in(out.DataString());
  in.ReadComponent(&read);
  EXPECT_EQ(read.Item->GetName(), "Glow");
  EXPECT_EQ(read.Item->Setter, "TRenamedItem");
}

TEST(XCollection, ClassFunctions) {
  TXCollectionItemClass unique = XCollectionItemClass<TUniqueItem>();
  TXCollectionItemClass picky = XCollectionItemClass<TPickyItem>();
  EXPECT_EQ(unique->FriendlyDescription(), "One per collection");
  EXPECT_EQ(picky->FriendlyDescription(), "Picky");
  EXPECT_EQ(picky->ItemCategory(), "Tests");
  EXPECT_EQ(unique->ItemCategory(), "");
  EXPECT_TRUE(XCollectionItemClass<TUniqueChild>()->UniqueItem());
  EXPECT_FALSE(picky->UniqueItem());
}

TEST(XCollection, AdditionRules) {
  using Make = std::function<void(TXCollection*)>;
  const Make plain = [](TXCollection* c) { new TPlainItem(c); };
  const Make unique = [](TXCollection* c) { new TUniqueItem(c); };
  const Make child = [](TXCollection* c) { new TUniqueChild(c); };
  const Make picky = [](TXCollection* c) { new TPickyItem(c); };
  const struct {
    const char* what;
    Make present, candidate;
    bool pickyCollection, accepted;
  } cases[] = {
      {"plain next to plain", plain, plain, false, true},
      {"plain next to unique", unique, plain, false, true},
      {"unique twice", unique, unique, false, false},
      {"a unique class's descendant next to it", unique, child, false, false},
      {"a unique class next to its descendant", child, unique, false, false},
      {"an item refusing the collection", plain, picky, true, false},
      {"an item accepting the collection", plain, picky, false, true},
  };
  for (const auto& c : cases) {
    std::unique_ptr<TXCollection> collection(c.pickyCollection ? new TPickyCollection(nullptr)
                                                               : new TXCollection(nullptr));
    c.present(collection.get());
    try {
      c.candidate(collection.get());
      EXPECT_TRUE(c.accepted) << c.what;
    } catch (const EAssertionFailed& e) {
      EXPECT_FALSE(c.accepted) << c.what;
      EXPECT_EQ(e.Message().rfind("Addition of T", 0), 0u) << e.Message();
      EXPECT_NE(e.Message().find(" to " + collection->ClassName() + " rejected. ("),
                std::string::npos)
          << e.Message();
    }
    EXPECT_EQ(collection->Count(), c.accepted ? 2 : 1) << c.what;
  }
}

TEST(XCollection, NamePaths) {
  TPathOwner owner;
  owner.Path = "Form1.Sphere1";
  TXCollection c(&owner);
  for (int i = 0; i < 3; ++i) new TPlainItem(&c);
  EXPECT_EQ(c.GetNamePath(), "Form1.Sphere1.XCollection");
  EXPECT_EQ(c.GetItems(2)->GetNamePath(), "Form1.Sphere1.XCollection[2]");
  EXPECT_EQ(c.GetItems(2)->GetOwner(), &c);
  EXPECT_EQ(c.GetOwner(), &owner);

  owner.Path = "";
  EXPECT_EQ(c.GetItems(0)->GetNamePath(), "TXCollection[0]");
  TPickyCollection orphan(nullptr);
  EXPECT_EQ(orphan.GetNamePath(), "TPickyCollection");
}

TEST(XCollection, AssignClonesClassesAndNames) {
  TXCollection source(nullptr);
  AddPlain(source, "Walk", 4);
  new TUniqueChild(&source);
  TXCollection target(nullptr);
  new TPlainItem(&target);
  target.Assign(&source);
  ASSERT_EQ(target.Count(), 2);
  EXPECT_EQ(target.GetItems(0)->ClassType(), TPlainItem::StaticClass());
  EXPECT_EQ(target.GetItems(0)->GetName(), "Walk");
  EXPECT_EQ(static_cast<TPlainItem*>(target.GetItems(0))->Extra, 4);
  EXPECT_EQ(target.GetItems(1)->ClassType(), TUniqueChild::StaticClass());
  EXPECT_EQ(target.GetItems(1)->Owner(), &target);
  target.Assign(&target);
  ASSERT_EQ(target.Count(), 2);
  EXPECT_EQ(target.GetItems(0)->GetName(), "Walk");

  TPickyCollection other(nullptr);
  EXPECT_THROW(target.Assign(&other), EConvertError);
  target.Assign(nullptr);
  EXPECT_EQ(target.Count(), 0);
}

TEST(XCollection, ACopiedItemGetsItsNameThroughItsSetter) {
  TXCollection source(nullptr), target(nullptr);
  (new TRenamedItem(&source))->SetName("Glow");
  target.Assign(&source);
  auto* copy = static_cast<TRenamedItem*>(target.GetItems(0));
  EXPECT_EQ(copy->GetName(), "Glow");
  EXPECT_EQ(copy->Setter, "TRenamedItem");
}

TEST(XCollection, DestroyFreesTheItemsAndTellsTheDestroyEvent) {
  TPlainItem::Live = 0;
  TXCollection* told = nullptr;
  vXCollectionDestroyEvent = [&](TXCollection* sender) { told = sender; };
  auto* c = new TXCollection(nullptr);
  new TPlainItem(c);
  new TPlainItem(c);
  delete c;
  vXCollectionDestroyEvent = nullptr;
  EXPECT_EQ(told, c);
  EXPECT_EQ(TPlainItem::Live, 0);
}

// Inherits its parent's constructor, and with it the parent's class record.
class TInheritingItem : public TPlainItem {
  RTL_CLASS(TInheritingItem, TPlainItem)
  using TPlainItem::TPlainItem;
  static std::string FriendlyName() { return "Inheriting"; }
};

class XCollectionStream : public testing::Test {
 protected:
  void SetUp() override {
    RegisterXCollectionItemClass(XCollectionItemClass<TPlainItem>());
    RegisterXCollectionItemClass(XCollectionItemClass<TUniqueItem>());
    RegisterXCollectionItemClass(XCollectionItemClass<TInheritingItem>());
    RegisterXCollectionItemClass(XCollectionItemClass<TRenamedItem>());
    TPlainItem::Live = 0;
  }
  void TearDown() override { EXPECT_EQ(TPlainItem::Live, 0); }

  static std::string Write(TXCollection& c) {
    TStringStream stream;
    TWriter writer(stream);
    c.WriteToFiler(writer);
    return stream.DataString();
  }
  static void Read(TXCollection& c, const std::string& text) {
    TStringStream stream(text);
    TReader reader(stream);
    c.ReadFromFiler(reader);
  }
};

TEST_F(XCollectionStream, NamesEachClassOnceAndReadsBack) {
  TXCollection c(nullptr);
  AddPlain(c, "Walk", 300);
  new TUniqueItem(&c);
  new TPlainItem(&c);
  const std::string text = Write(c);
  EXPECT_EQ(text,
            "3\n'TPlainItem'\n0\n'Walk'\n300\n'TUniqueItem'\n0\n'Unique'\n0\n0\n'Plain'\n0\n");

  TXCollection back(nullptr);
  new TPlainItem(&back);
  Read(back, text);
  ASSERT_EQ(back.Count(), 3);
  EXPECT_EQ(back.GetItems(0)->GetName(), "Walk");
  EXPECT_EQ(static_cast<TPlainItem*>(back.GetItems(0))->Extra, 300);
  EXPECT_EQ(back.GetItems(1)->ClassType(), TUniqueItem::StaticClass());
  EXPECT_EQ(back.GetItems(2)->ClassType(), TPlainItem::StaticClass());

  Read(back, "0\n");
  EXPECT_EQ(back.Count(), 0);
  Read(back, "-4\n");
  EXPECT_EQ(back.Count(), 0);
}

TEST_F(XCollectionStream, AReadItemGetsItsNameThroughItsSetter) {
  TXCollection c(nullptr);
  Read(c, "1\n'TRenamedItem'\n0\n'Glow'\n");
  ASSERT_EQ(c.Count(), 1);
  EXPECT_EQ(c.GetItems(0)->GetName(), "Glow");
  EXPECT_EQ(static_cast<TRenamedItem*>(c.GetItems(0))->Setter, "TRenamedItem");
}

// Such an item would be named, checked, stored and read back as its parent while a copy of it
// is of its real class.
TEST_F(XCollectionStream, AnItemMadeWithItsParentsClassRecordIsRefused) {
  const std::string message =
      "An item of class TInheritingItem is made as a TPlainItem: its class needs a constructor of "
      "its own (";
  TXCollection read(nullptr);
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { Read(read, "1\n'TInheritingItem'\n0\n'I'\n5\n"); },
                                       testing::StartsWith(message)));
  EXPECT_EQ(read.Count(), 0);

  // Made outside the collection, it is refused before the collection checks or stores it.
  TXCollection made(nullptr);
  new TInheritingItem(&made);
  EXPECT_TRUE(
      Raises<EAssertionFailed>([&] { new TPlainItem(&made); }, testing::StartsWith(message)));
  EXPECT_EQ(made.Count(), 1);
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { Write(made); }, testing::StartsWith(message)));
  TXCollection copy(nullptr);
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { copy.Assign(&made); }, testing::StartsWith(message)));
  EXPECT_EQ(copy.Count(), 0);
}

TEST_F(XCollectionStream, RegistryLookupIsExact) {
  EXPECT_EQ(FindXCollectionItemClass("TPlainItem"), XCollectionItemClass<TPlainItem>());
  EXPECT_EQ(FindXCollectionItemClass("tplainitem"), nullptr);
  EXPECT_EQ(FindXCollectionItemClass("TPickyItem"), nullptr);
}

TEST_F(XCollectionStream, BrokenStreamsRaiseAndLeaveTheCollectionEmpty) {
  const struct {
    std::string text;
    std::string message;  // the start of it
  } cases[] = {
      {"1\n'TPickyItem'\n0\n'P'\n",
       "Class TPickyItem unknown. Add the relevant unit to your \"uses\". ("},
      {"2\n'TPlainItem'\n0\n'A'\n1\n1\n0\n'B'\n1\n", "List index out of bounds (1)"},
      {"1\n0\n0\n'A'\n1\n", "List index out of bounds (0)"},
      {"1\n'TPlainItem'\n1\n'A'\n1\n", "TPlainItem : unknown archive version 1"},
      {"2\n'TUniqueItem'\n0\n'A'\n0\n0\n'B'\n",
       "Addition of TUniqueItem to TXCollection rejected."},
      {"3\n'TPlainItem'\n0\n'A'\n1\n", "Error reading layout"},
  };
  for (const auto& c : cases) {
    TXCollection collection(nullptr);
    new TPlainItem(&collection);
    EXPECT_TRUE(
        Raises<Exception>([&] { Read(collection, c.text); }, testing::StartsWith(c.message)))
        << c.text;
    EXPECT_EQ(collection.Count(), 0) << c.text;
  }
}

}  // namespace

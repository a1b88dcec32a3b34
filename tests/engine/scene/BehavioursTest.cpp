// Behaviour and effect collections of a scene node: which items each takes, their name paths,
// and their binary stream, byte for byte, through the binary filer and inside a layout text.
#include <gtest/gtest.h>
// clang-format off
#include "tests/support/Raises.h"
// clang-format on

#include <memory>
#include <string>

#include "engine/GLSceneGraph/BaseSceneObject.h"
#include "engine/GLSceneGraph/Behaviours.h"
#include "engine/base/PersistentClasses.h"
#include "platform/rtl/Classes.h"

namespace {

class TNode : public TGLBaseSceneObject {
  RTL_CLASS(TNode, TGLBaseSceneObject)
  using TGLBaseSceneObject::TGLBaseSceneObject;
  static const TPropertyTable& Published() {
    static const TPropertyTable table = TPropertyTable::Extend<TNode>(TComponent::Published());
    return table;
  }
};

class TSpin : public TGLBehaviour {
  RTL_CLASS(TSpin, TGLBehaviour)
  explicit TSpin(TXCollection* AOwner) : TGLBehaviour(AOwner, XCollectionItemClass<TSpin>()) {}
  static std::string FriendlyName() { return "Spin"; }
};

class TGlow : public TGLObjectEffect {
  RTL_CLASS(TGlow, TGLObjectEffect)
  explicit TGlow(TXCollection* AOwner) : TGLObjectEffect(AOwner, XCollectionItemClass<TGlow>()) {}
  static std::string FriendlyName() { return "Glow"; }
};

class Behaviours : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterClasses({TNode::StaticClass()});
    RegisterXCollectionItemClass(XCollectionItemClass<TSpin>());
    RegisterXCollectionItemClass(XCollectionItemClass<TGlow>());
  }
  static std::string Layout(TComponent* form) {
    TStringStream stream;
    stream.WriteComponent(form);
    return stream.DataString();
  }
  static std::string Bytes(TXCollection& collection) {
    TStringStream stream;
    {
      TWriter writer(stream, feBinary);
      collection.WriteToFiler(writer);
    }
    return stream.DataString();
  }
  static void ReadBytes(TXCollection& collection, const std::string& bytes) {
    TStringStream stream(bytes);
    TReader reader(stream, feBinary);
    collection.ReadFromFiler(reader);
  }

  TComponent form{nullptr};
  TNode* node = new TNode(&form);
};

// Two spins and a third of the same class: the class is named once, then referred to by index.
const std::string SpinBytes = std::string("\x02\x02", 2) +                    // two items
                              "\x06\x05TSpin" + std::string("\x02\x00", 2) +  // class, version
                              "\x06\x01"
                              "A" +
                              std::string("\x02\x00", 2) +          // name, own version
                              std::string("\x02\x00\x02\x00", 4) +  // class 0, version
                              "\x06\x01"
                              "B" +
                              std::string("\x02\x00", 2);

TEST_F(Behaviours, EachCollectionTakesOnlyItsKind) {
  EXPECT_TRUE(node->GetBehaviours()->CanAdd(XCollectionItemClass<TSpin>()));
  EXPECT_FALSE(node->GetBehaviours()->CanAdd(XCollectionItemClass<TGlow>()));
  EXPECT_TRUE(node->GetEffects()->CanAdd(XCollectionItemClass<TGlow>()));
  EXPECT_FALSE(node->GetEffects()->CanAdd(XCollectionItemClass<TSpin>()));
  EXPECT_ANY_THROW(new TGlow(node->GetBehaviours()));
  EXPECT_EQ(node->GetBehaviours()->Count(), 0);
}

TEST_F(Behaviours, NamePathsFollowTheNode) {
  EXPECT_EQ(node->GetBehaviours()->GetNamePath(), "TGLBehaviours");
  EXPECT_EQ(node->GetEffects()->GetNamePath(), "TGLObjectEffects");
  node->SetName("Cube1");
  EXPECT_EQ(node->GetBehaviours()->GetNamePath(), "Cube1.Behaviours");
  EXPECT_EQ(node->GetEffects()->GetNamePath(), "Cube1.Effects");
}

TEST_F(Behaviours, TheStreamIsTheComponentStreamsTaggedValues) {
  (new TSpin(node->GetBehaviours()))->SetName("A");
  (new TSpin(node->GetBehaviours()))->SetName("B");
  EXPECT_EQ(Bytes(*node->GetBehaviours()), SpinBytes);

  TNode copy(nullptr);
  ReadBytes(*copy.GetBehaviours(), SpinBytes);
  ASSERT_EQ(copy.GetBehaviours()->Count(), 2);
  EXPECT_EQ(copy.GetBehaviours()->GetItems(1)->ClassType(), TSpin::StaticClass());
  EXPECT_EQ(copy.GetBehaviours()->GetItems(1)->GetName(), "B");
  EXPECT_EQ(Bytes(*copy.GetBehaviours()), SpinBytes);
}

TEST_F(Behaviours, ALayoutHoldsTheBytesOnlyForCollectionsWithItems) {
  form.SetName("Form");
  node->SetName("Cube1");
  EXPECT_EQ(Layout(&form).find("Data"), std::string::npos) << "never read";
  node->GetBehaviours();
  node->GetEffects();
  EXPECT_EQ(Layout(&form).find("Data"), std::string::npos) << "read but empty";

  (new TSpin(node->GetBehaviours()))->SetName("A");
  (new TSpin(node->GetBehaviours()))->SetName("B");
  (new TGlow(node->GetEffects()))->SetName("G");
  const std::string layout = Layout(&form);
  EXPECT_NE(layout.find("BehavioursData = {0202060554537069"), std::string::npos) << layout;
  EXPECT_NE(layout.find("EffectsData = {0201060554476C6F7702000601470200}"), std::string::npos)
      << layout;

  TComponent readForm(nullptr);
  TStringStream stream(layout);
  stream.ReadComponent(&readForm);
  auto* read = dynamic_cast<TNode*>(readForm.FindComponent("Cube1"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(Bytes(*read->GetBehaviours()), SpinBytes);
  ASSERT_EQ(read->GetEffects()->Count(), 1);
  EXPECT_EQ(read->GetEffects()->GetItems(0)->GetName(), "G");
  EXPECT_EQ(Layout(&readForm), layout);
}

TEST_F(Behaviours, AnUnknownVersionIsAReadErrorAndLeavesNothingHalfRead) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string message;
  } cases[] = {
      {"item version", SpinBytes.substr(0, 9) + "\x02\x01" + SpinBytes.substr(11),
       "TSpin : unknown archive version 1"},
      {"behaviour version", SpinBytes.substr(0, 14) + "\x02\x07" + SpinBytes.substr(16),
       "TSpin : unknown archive version 7"},
      {"cut short", SpinBytes.substr(0, SpinBytes.size() - 1), "the data ends"},
      {"string past the end", std::string("\x02\x01\x06\x7F", 4) + "TSpin", "does not fit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TNode target(nullptr);
    (new TSpin(target.GetBehaviours()))->SetName("kept?");
    EXPECT_TRUE(Raises<Exception>([&] { ReadBytes(*target.GetBehaviours(), c.bytes); },
                                  testing::HasSubstr(c.message)));
    EXPECT_EQ(target.GetBehaviours()->Count(), 0);
  }
}

}  // namespace

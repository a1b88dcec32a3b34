// The layout text: writer and reader round trip, stored tests and defaults, references and events
// resolved after the read, Loaded order, nested value streams, and broken input.
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/rtl/Classes.h"
#include "platform/rtl/Graphics.h"

namespace {

std::vector<std::string> Loads;

enum TStyle { stPlain, stBold, stItalic };

class TPoint4 : public TPersistent {
  RTL_CLASS(TPoint4, TPersistent)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TPoint4>(TPersistent::Published())
            .Float(
                "X", [](const TPoint4& p) { return p.V[0]; },
                [](TPoint4& p, float v) { p.V[0] = v; }, NotStored())
            .Integer("Kind", &TPoint4::GetKind, &TPoint4::SetKind, Default(1));
    return table;
  }
  float V[4] = {0, 0, 0, 1};
  int Kind = 1;
  int GetKind() const { return Kind; }
  void SetKind(int k) { Kind = k; }

 protected:
  // The four floats travel as one 16-byte binary value.
  void DefineProperties(TFiler& filer) override {
    filer.DefineBinaryProperty(
        "Coordinates", [this](TStream& s) { s.ReadBuffer(V, sizeof V); },
        [this](TStream& s) { s.WriteBuffer(V, sizeof V); }, true);
  }
};

class TTag : public TCollectionItem {
  RTL_CLASS(TTag, TCollectionItem)
  static const TPropertyTable& Published() {
    static const TPropertyTable table = TPropertyTable::Extend<TTag>(TCollectionItem::Published())
                                            .String("Text", &TTag::GetText, &TTag::SetText);
    return table;
  }
  using TCollectionItem::TCollectionItem;
  std::string Text;
  const std::string& GetText() const { return Text; }
  void SetText(const std::string& t) { Text = t; }
};

class TNode : public TComponent {
  RTL_CLASS(TNode, TComponent)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TNode>(TComponent::Published())
            .Float("Radius", &TNode::GetRadius, &TNode::SetRadius, Default(1.0f))
            .Float("Weight", &TNode::GetWeight, &TNode::SetWeight)
            .Integer("Count", &TNode::GetCount, &TNode::SetCount)
            .Boolean("Visible", &TNode::GetVisible, &TNode::SetVisible, Default(true))
            .Enumeration("Style", &TNode::GetStyle, &TNode::SetStyle,
                         {"stPlain", "stBold", "stItalic"}, Default(stPlain))
            .Set("Options", &TNode::GetOptions, &TNode::SetOptions, {"opA", "opB", "opC"},
                 Default(0))
            .String("Caption", &TNode::GetCaption, &TNode::SetCaption)
            .Color("Color", &TNode::GetColor, &TNode::SetColor, Default(clBlack))
            .Object("Position", [](const TNode& n) { return n.Position.get(); })
            .Object("Tags", [](const TNode& n) { return n.Tags.get(); })
            .Component("Target", &TNode::GetTarget, &TNode::SetTarget)
            .Event("OnChange", &TNode::OnChange);
    return table;
  }
  explicit TNode(TComponent* owner) : TComponent(owner) {}
  ~TNode() override {
    for (TNode* child : Children) child->FParent = nullptr;
    if (FParent) std::erase(FParent->Children, this);
  }

  float GetRadius() const { return Radius; }
  void SetRadius(float r) { Radius = r; }
  double GetWeight() const { return Weight; }
  void SetWeight(double w) { Weight = w; }
  int GetCount() const { return Count; }
  void SetCount(int c) {
    if (c < 0) throw EConvertError("Count must not be negative");
    Count = c;
  }
  bool GetVisible() const { return Visible; }
  void SetVisible(bool v) { Visible = v; }
  TStyle GetStyle() const { return Style; }
  void SetStyle(TStyle s) { Style = s; }
  unsigned GetOptions() const { return Options; }
  void SetOptions(unsigned o) { Options = o; }
  const std::string& GetCaption() const { return Caption; }
  void SetCaption(const std::string& c) { Caption = c; }
  TColor GetColor() const { return Color; }
  void SetColor(TColor c) { Color = c; }
  TNode* GetTarget() const { return Target; }
  void SetTarget(TNode* t) {
    if (Target) Target->RemoveFreeNotification(this);
    Target = t;
    if (t) t->FreeNotification(this);
  }

  void GetChildren(const TGetChildProc& proc, TComponent*) override {
    for (TNode* child : Children) proc(child);
  }
  bool HasParent() const override { return FParent != nullptr; }
  TComponent* GetParentComponent() const override { return FParent; }
  void SetParentComponent(TComponent* parent) override {
    if (auto* node = dynamic_cast<TNode*>(parent)) {
      FParent = node;
      node->Children.push_back(this);
    }
  }
  TNode* AddChild(const std::string& name) {
    auto* child = new TNode(Owner() ? Owner() : this);
    child->SetName(name);
    child->SetParentComponent(this);
    return child;
  }

  float Radius = 1;
  double Weight = 0;
  int Count = 0;
  bool Visible = true;
  TStyle Style = stPlain;
  unsigned Options = 0;
  std::string Caption;
  TColor Color = clBlack;
  TNode* Target = nullptr;
  TNotifyEvent OnChange;
  std::vector<TNode*> Children;
  std::unique_ptr<TPoint4> Position = std::make_unique<TPoint4>();
  std::unique_ptr<TOwnedCollection> Tags =
      std::make_unique<TOwnedCollection>(this, TTag::StaticClass());
  bool TargetKnownAtLoad = false;

 protected:
  void Loaded() override {
    inherited::Loaded();
    TargetKnownAtLoad = Target != nullptr;
    Loads.push_back(GetName());
  }
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == opRemove && component == Target) Target = nullptr;
    inherited::Notification(component, operation);
  }

 private:
  TNode* FParent = nullptr;
};

class TForm : public TComponent {
  RTL_CLASS(TForm, TComponent)
  using TComponent::TComponent;
  int Changes = 0, Clicks = 0;
  std::any MethodAddress(const std::string& name) const override {
    if (name == "FormChange")
      return TNotifyEvent([this](TObject*) { ++const_cast<TForm*>(this)->Changes; });
    if (name == "FormClick")
      return TNotifyEvent([this](TObject*) { ++const_cast<TForm*>(this)->Clicks; });
    if (name == "FormCount") return std::function<int()>([] { return 1; });
    return {};
  }

 protected:
  void Loaded() override {
    inherited::Loaded();
    Loads.push_back(GetName());
  }
};

// An item with a reference and an event of its own, in a component that has an event of the
// same name.
class TLink : public TCollectionItem {
  RTL_CLASS(TLink, TCollectionItem)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TLink>(TCollectionItem::Published())
            .Component("Target", &TLink::GetTarget, &TLink::SetTarget)
            .Event("OnChange", &TLink::OnChange);
    return table;
  }
  using TCollectionItem::TCollectionItem;
  TComponent* GetTarget() const { return Target; }
  void SetTarget(TComponent* t) { Target = t; }
  TComponent* Target = nullptr;
  TNotifyEvent OnChange;
};

class TBoard : public TComponent {
  RTL_CLASS(TBoard, TComponent)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TBoard>(TComponent::Published())
            .Component("Partner", &TBoard::GetPartner, &TBoard::SetPartner,
                       Stored(&TBoard::GetStorePartner))
            .Object("Links", [](const TBoard& b) { return b.Links.get(); })
            .Event("OnChange", &TBoard::OnChange);
    return table;
  }
  using TComponent::TComponent;
  TComponent* GetPartner() const { return Partner; }
  void SetPartner(TComponent* p) {
    Assert(p != this, "a board is not its own partner");
    Partner = p;
  }
  bool GetStorePartner() const { return StorePartner; }

  TComponent* Partner = nullptr;
  bool StorePartner = false;
  TNotifyEvent OnChange;
  std::unique_ptr<TOwnedCollection> Links =
      std::make_unique<TOwnedCollection>(this, TLink::StaticClass());

 protected:
  // Never written; a wrong value read is a programming error of whoever wrote the layout.
  void DefineProperties(TFiler& filer) override {
    filer.DefineProperty(
        "Stamp", [](TReader& r) { Assert(r.ReadInteger() == 1, "the stamp is 1"); }, {}, false);
  }
};

class TAbstractPart : public TComponent {
  RTL_CLASS(TAbstractPart, TComponent)
  using TComponent::TComponent;
  virtual void Draw() = 0;
};

void RegisterTestClasses() {
  RegisterClasses({TNode::StaticClass(), TForm::StaticClass(), TPoint4::StaticClass(),
                   TBoard::StaticClass(), TAbstractPart::StaticClass()});
}

std::string Write(TComponent* root) {
  TStringStream stream;
  stream.WriteComponent(root);
  return stream.DataString();
}

void Read(const std::string& text, TComponent* root) {
  TStringStream stream(text);
  stream.ReadComponent(root);
}

// Every kind of value, a sub-object with a binary property, nested children, a collection, a
// reference to a component that comes later in the text, and an event.
const char* const Layout =
    R"(object Form1: TForm
  object Sphere: TNode
    Radius = 0.5
    Weight = 0.1
    Count = 3
    Visible = False
    Style = stItalic
    Options = [opA, opC]
    Caption = 'it''s'#13#10'two lines'
    Color = $00804020
    Position.Kind = 0
    Position.Coordinates = {0000E0400000E04000006041000000BF}
    Tags = <
      item
        Text = 'first'
      end
      item
      end>
    Target = Camera
    OnChange = FormChange
    object Inner: TNode
      Count = 0
      Color = clRed
      Position.Coordinates = {000000000000000000000000000080BF}
      Tags = <>
    end
  end
  object Camera: TNode
    Count = 7
    Position.Coordinates = {0000803F00000040000040400000803F}
    Tags = <>
  end
end
)";

}  // namespace

TEST(Filer, LayoutRoundTripsByteIdenticalThroughReaderAndWriter) {
  RegisterTestClasses();
  Loads.clear();
  TForm form(nullptr);
  Read(Layout, &form);
  EXPECT_EQ(Write(&form), Layout);

  EXPECT_EQ(form.GetName(), "Form1");
  auto* sphere = dynamic_cast<TNode*>(form.FindComponent("Sphere"));
  auto* camera = dynamic_cast<TNode*>(form.FindComponent("Camera"));
  ASSERT_TRUE(sphere && camera);
  EXPECT_EQ(sphere->Radius, 0.5f);
  EXPECT_EQ(sphere->Weight, 0.1);
  EXPECT_FALSE(sphere->Visible);
  EXPECT_EQ(sphere->Style, stItalic);
  EXPECT_EQ(sphere->Options, 5u);
  EXPECT_EQ(sphere->Caption, "it's\r\ntwo lines");
  EXPECT_EQ(sphere->Color, 0x804020);
  EXPECT_EQ(sphere->Position->Kind, 0);
  EXPECT_EQ(sphere->Position->V[2], 14.0f);
  EXPECT_EQ(sphere->Position->V[3], -0.5f);
  ASSERT_EQ(sphere->Tags->Count(), 2);
  EXPECT_EQ(static_cast<TTag*>(sphere->Tags->GetItem(0))->Text, "first");
  ASSERT_EQ(sphere->Children.size(), 1u);
  EXPECT_EQ(sphere->Children[0]->Color, clRed);
  EXPECT_EQ(sphere->Target, camera);
  EXPECT_TRUE(sphere->TargetKnownAtLoad);  // resolved before Loaded
  ASSERT_TRUE(sphere->OnChange);
  sphere->OnChange(sphere);
  EXPECT_EQ(form.Changes, 1);
  EXPECT_EQ(Loads, (std::vector<std::string>{"Form1", "Sphere", "Inner", "Camera"}));
  for (int i = 0; i < form.ComponentCount(); ++i)
    EXPECT_EQ(form.Components(i)->ComponentState() & (csLoading | csReading), 0u);

  delete camera;  // free notification clears the reference
  EXPECT_EQ(sphere->Target, nullptr);
}

TEST(Filer, WriterObeysDefaultsAndStoredTestsAndIgnoresTheRegion) {
  RegisterTestClasses();
  const char previous = DecimalSeparator;
  DecimalSeparator = ',';
  TForm form(nullptr);
  form.SetName("F");
  auto* root = new TNode(&form);
  root->SetName("Plain");  // every value at its default
  auto* other = new TNode(&form);
  other->SetName("Other");
  other->Radius = 2;
  other->Weight = 1.0 / 3;
  other->Count = 4;
  other->Options = 2;
  other->Position->V[0] = 1.5f;  // X is not stored: the binary value carries it
  other->AddChild("Child")->SetTag(9);
  const std::string text = Write(&form);
  DecimalSeparator = previous;
  EXPECT_EQ(text, R"(object F: TForm
  object Plain: TNode
    Count = 0
    Position.Coordinates = {0000000000000000000000000000803F}
    Tags = <>
  end
  object Other: TNode
    Radius = 2.0
    Weight = 0.3333333333333333
    Count = 4
    Options = [opB]
    Position.Coordinates = {0000C03F00000000000000000000803F}
    Tags = <>
    object Child: TNode
      Tag = 9
      Count = 0
      Position.Coordinates = {0000000000000000000000000000803F}
      Tags = <>
    end
  end
end
)");
  TForm copy(nullptr);
  Read(text, &copy);
  EXPECT_EQ(Write(&copy), text);
  EXPECT_EQ(dynamic_cast<TNode*>(copy.FindComponent("Other"))->Weight, 1.0 / 3);
}

TEST(Filer, ReadsANewRootFromItsRegisteredClass) {
  RegisterTestClasses();
  TStringStream stream("object Made: TForm\n  Tag = 3\nend\n");
  std::unique_ptr<TComponent> root = TReader(stream).ReadRootComponent();
  EXPECT_EQ(root->ClassType(), TForm::StaticClass());
  EXPECT_EQ(root->GetTag(), 3);
}

TEST(Filer, NestedWriterAndReaderShareTheValueCodec) {
  TMemoryStream data;
  {
    TWriter writer(data);
    writer.WriteInteger(2);
    writer.WriteString("TItem");
    writer.WriteInteger(300);
    writer.WriteFloat(85);
    writer.WriteBoolean(true);
    writer.WriteListBegin();
    writer.WriteIdent("osNone");
    writer.WriteListEnd();
  }
  data.SetPosition(0);
  TReader reader(data);
  EXPECT_EQ(reader.NextValue(), vaInt8);
  EXPECT_EQ(reader.ReadInteger(), 2);
  EXPECT_EQ(reader.NextValue(), vaString);
  EXPECT_EQ(reader.ReadString(), "TItem");
  EXPECT_EQ(reader.NextValue(), vaInt16);
  EXPECT_EQ(reader.ReadInteger(), 300);
  EXPECT_EQ(reader.NextValue(), vaExtended);
  EXPECT_EQ(reader.ReadFloat(), 85.0);
  EXPECT_TRUE(reader.ReadBoolean());
  reader.ReadListBegin();
  EXPECT_FALSE(reader.EndOfList());
  EXPECT_EQ(reader.ReadIdent(), "osNone");
  EXPECT_TRUE(reader.EndOfList());
  reader.ReadListEnd();
  EXPECT_EQ(reader.NextValue(), vaNull);
  EXPECT_THROW(reader.ReadInteger(), EReadError);
}

TEST(Filer, NonFiniteFloatsAreFloatsToTheNestedReader) {
  const double values[] = {HUGE_VAL, -HUGE_VAL, std::nan("")};
  TMemoryStream data;
  {
    TWriter writer(data);
    for (double v : values) writer.WriteFloat(v);
  }
  data.SetPosition(0);
  TReader reader(data);
  for (double v : values) {
    EXPECT_EQ(reader.NextValue(), vaExtended) << v;
    const double back = reader.ReadFloat();
    EXPECT_TRUE(std::isnan(v) ? std::isnan(back) : back == v) << v;
  }
}

namespace {

std::string Wrap(const std::string& body) {
  return "object Form1: TForm\n" + body + "end\n";
}

}  // namespace

TEST(Filer, ItemEventsStayApartFromTheOwnersAndFollowTheirItem) {
  RegisterTestClasses();
  const std::string layout = R"(object Form1: TForm
  object Board: TBoard
    Links = <
      item
        Target = Board
        OnChange = FormClick
      end
      item
      end
      item
        OnChange = FormChange
      end>
    OnChange = FormChange
  end
end
)";
  TForm form(nullptr);
  Read(layout, &form);
  EXPECT_EQ(Write(&form), layout);
  auto* board = dynamic_cast<TBoard*>(form.FindComponent("Board"));
  ASSERT_TRUE(board);
  const auto link = [&](int i) { return static_cast<TLink*>(board->Links->GetItem(i)); };
  EXPECT_EQ(link(0)->Target, board);
  ASSERT_TRUE(board->OnChange && link(0)->OnChange && link(2)->OnChange);
  EXPECT_FALSE(link(1)->OnChange);
  board->OnChange(board);
  link(0)->OnChange(nullptr);
  EXPECT_EQ(form.Changes, 1);
  EXPECT_EQ(form.Clicks, 1);

  board->Links->Delete(0);
  EXPECT_NE(Write(&form).find("      item\n      end\n      item\n        OnChange = FormChange\n"),
            std::string::npos)
      << Write(&form);
}

TEST(Filer, ACollectionReadTwiceKeepsOnlyTheSecondItemsReferencesAndEvents) {
  RegisterTestClasses();
  TForm form(nullptr);
  Read(Wrap(R"(  object Board: TBoard
    Links = <
      item
        Target = Nowhere
        OnChange = FormClose
      end
      item
        OnChange = FormClick
      end>
    Links = <
      item
        Target = Board
      end>
  end
)"),
       &form);
  auto* board = dynamic_cast<TBoard*>(form.FindComponent("Board"));
  ASSERT_TRUE(board);
  ASSERT_EQ(board->Links->Count(), 1);
  auto* link = static_cast<TLink*>(board->Links->GetItem(0));
  EXPECT_EQ(link->Target, board);
  EXPECT_FALSE(link->OnChange);
  EXPECT_EQ(Write(&form),
            Wrap("  object Board: TBoard\n    Links = <\n      item\n        Target = "
                 "Board\n      end>\n  end\n"));
}

TEST(Filer, AnUnsetStoredReferenceIsWrittenAsNilAndReadBack) {
  RegisterTestClasses();
  TForm form(nullptr);
  form.SetName("Form1");
  auto* board = new TBoard(&form);
  board->SetName("Board");
  board->StorePartner = true;
  const std::string text = Write(&form);
  EXPECT_EQ(text, Wrap("  object Board: TBoard\n    Partner = nil\n    Links = <>\n  end\n"));
  TForm copy(nullptr);
  Read(text, &copy);
  auto* back = dynamic_cast<TBoard*>(copy.FindComponent("Board"));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Partner, nullptr);
}

TEST(Filer, WriterRefusesAReferenceTheReaderCannotFind) {
  RegisterTestClasses();
  TForm form(nullptr), elsewhere(nullptr);
  form.SetName("Form1");
  auto* board = new TBoard(&form);
  board->SetName("Board");
  board->StorePartner = true;
  auto* outside = new TBoard(&elsewhere);
  outside->SetName("Outside");
  auto* deep = new TBoard(board);  // owned by a child, so not among the root's components
  deep->SetName("Deep");
  for (TComponent* target : {static_cast<TComponent*>(outside), static_cast<TComponent*>(deep)}) {
    board->SetPartner(target);
    EXPECT_TRUE(Raises<EWriteError>([&] { Write(&form); },
                                    "Cannot write Board.Partner: " + target->GetName() +
                                        " is neither the root nor one of its components"))
        << "written with a reference to " << target->GetName();
  }
  board->SetPartner(&form);
  EXPECT_NE(Write(&form).find("Partner = Form1"), std::string::npos);
}

TEST(Filer, AssertionsOfAPropertysOwnReaderPassUnwrapped) {
  RegisterTestClasses();
  TForm form(nullptr);
  EXPECT_THROW(Read(Wrap("  object Board: TBoard\n    Stamp = 2\n  end\n"), &form),
               EAssertionFailed);
  EXPECT_EQ(form.ComponentCount(), 0);
  Read(Wrap("  object Board: TBoard\n    Stamp = 1\n  end\n"), &form);
  EXPECT_EQ(form.ComponentCount(), 1);
}

TEST(Filer, BrokenLayoutsRaiseNamingWhereAndLeaveNothingBehind) {
  RegisterTestClasses();
  const std::string node = "  object Sphere: TNode\n";
  const std::vector<std::pair<std::string, std::string>> table = {
      {"", "Error reading layout at line 1: 'object' expected but the text ends"},
      {"object Form1: TOther\nend\n", "the layout holds a TOther, not a TForm"},
      {Wrap(node + "    Position.Coordinates = {0000E040}\n  end\n"),
       "Error reading Sphere.Position.Coordinates at line 3: Stream read error"},
      {Wrap(node + "    Position.Coordinates = {0000E0400000E04000006041000000BF00}\n  end\n"),
       "Sphere.Position.Coordinates at line 3: the binary value holds 17 bytes, of which 16 were "
       "read"},
      {Wrap(node + "    Position.Coordinates = {0000E04}\n  end\n"), "odd number of digits"},
      {"object Form1: TForm\n" + node + "    Position.Coordinates = {0000E040",
       "unterminated binary value"},
      {Wrap(node + "    Caption = 'open\n  end\n"),
       "Sphere.Caption at line 3: unterminated string"},
      {Wrap(node + "    Count =\n  end\n"),
       "Sphere.Count at line 4: An integer expected but 'end' was found"},
      {Wrap(node + "    Count = 99999999999\n  end\n"), "99999999999 is out of the range of Count"},
      {Wrap(node + "    Count = -2\n  end\n"),
       "Sphere.Count at line 3: Count must not be negative"},
      {Wrap(node + "    Weight = 1.5.5\n  end\n"), "'1.5.5' is not a valid floating point value"},
      {Wrap(node + "    Style = stUnderline\n  end\n"), "'stUnderline' is no value of Style"},
      {Wrap(node + "    Options = [opA opB]\n  end\n"), "',' expected but 'opB' was found"},
      {Wrap(node + "    Radiuss = 1.0\n  end\n"),
       "Sphere.Radiuss at line 3: property Radiuss does not exist in TNode"},
      {Wrap(node + "    Caption.Text = 'x'\n  end\n"), "property Caption is no object of TNode"},
      {Wrap(node + "    Position = 1\n  end\n"), "property Position is an object"},
      {Wrap("  object Cube: TCube\n  end\n"),
       "Error reading Cube at line 2: class TCube not found"},
      {Wrap("  object P: TPoint4\n  end\n"), "TPoint4 is no component class"},
      {Wrap(node + "  end\n  object sphere: TNode\n  end\n"),
       "A component named sphere already exists"},
      {Wrap(node + "    Target = Camera\n  end\n"),
       "Error reading Sphere.Target at line 3: unresolved reference to Camera"},
      {Wrap(node + "    Target = Form1\n  end\n"), "Form1 is a TForm, which does not fit Target"},
      {Wrap(node + "    OnChange = FormClose\n  end\n"), "method FormClose not found in TForm"},
      {Wrap(node + "    OnChange = FormCount\n  end\n"), "method FormCount does not fit OnChange"},
      {Wrap(node + "    Tags = <\n      item\n        Txt = 'a'\n      end>\n  end\n"),
       "property Txt does not exist in TTag"},
      {Wrap(node + "  end\n") + "object Extra: TForm\nend\n", "The end of the text expected"},
      {Wrap(node), "A property, 'object' or 'end' expected but the text ends"},
      {Wrap(node + "    Count ~ 1\n  end\n"), "invalid character #126"},
      {Wrap(node + "    Color = 99999999999\n  end\n"),
       "Sphere.Color at line 3: 99999999999 is out of the range of Color"},
      {Wrap(node + "    Color = -2147483649\n  end\n"), "-2147483649 is out of the range of Color"},
      {Wrap("  object Part: TAbstractPart\n  end\n"),
       "Error reading Part at line 2: Cannot create an instance of the abstract class "
       "TAbstractPart"},
      {Wrap("  object Board: TBoard\n    Partner = Board\n  end\n"),
       "Error reading Board.Partner at line 3: a board is not its own partner"},
  };
  for (const auto& [text, message] : table) {
    TForm form(nullptr);
    auto* kept = new TNode(&form);
    kept->SetName("Kept");
    EXPECT_TRUE(Raises<EReadError>([&] { Read(text, &form); }, testing::HasSubstr(message)))
        << "no error for:\n"
        << text;
    // Only what was there before the read is left, and the root is not loading any more.
    ASSERT_EQ(form.ComponentCount(), 1) << text;
    EXPECT_EQ(form.Components(0), kept);
    EXPECT_EQ(form.ComponentState() & (csLoading | csReading), 0u);
  }
}

// A deterministic fuzz run: mutations of a valid layout either load or raise a filer or convert
// error; nothing else escapes and nothing crashes (the sanitizer build also checks for leaks).
TEST(Filer, MutatedLayoutsLoadOrRaiseFilerErrors) {
  RegisterTestClasses();
  std::mt19937 random(20240607);
  const std::string base = Layout;
  const std::string alphabet = "=:()[]<>{},.'#$-+0123456789abcdefxyzEobjectend \n\t\x01\xff";
  int loaded = 0, refused = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text = base;
    const int edits = 1 + int(random() % 4);
    for (int e = 0; e < edits && !text.empty(); ++e) {
      const size_t at = random() % text.size();
      switch (random() % 4) {
        case 0:
          text.erase(at, 1 + random() % 8);
          break;
        case 1:
          text.insert(at, 1, alphabet[random() % alphabet.size()]);
          break;
        case 2:
          text[at] = alphabet[random() % alphabet.size()];
          break;
        default:
          text.resize(at);  // truncated
      }
    }
    TForm form(nullptr);
    try {
      Read(text, &form);
      ++loaded;
    } catch (const EFilerError&) {
      ++refused;
    } catch (const EConvertError&) {
      ++refused;
    } catch (const EComponentError&) {
      ++refused;
    }
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(loaded, 0);
}

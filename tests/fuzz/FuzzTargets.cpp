#include "FuzzTargets.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/jclasses.h"
#include "engine/GLSceneGraph/BaseSceneObject.h"
#include "engine/GLSceneGraph/Behaviours.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"

namespace {

void Expect(bool condition, const std::string& what) {
  if (!condition) throw std::logic_error(what);
}

// ---- The data file

struct TRecords {
  std::vector<TGroupRecord> Groups;
  std::vector<TJointRecord> Joints;
};

TRecords ReadRecords(std::string_view bytes) {
  TRecords records;
  TDataFileVisitor collect;
  collect.Group = [&](int, const TGroupRecord& group) { records.Groups.push_back(group); };
  collect.Joint = [&](const TJointRecord& joint) { records.Joints.push_back(joint); };
  ReadDataFile(bytes, "fuzz", &collect);
  return records;
}

// Lists as the editing commands make them from the records.
std::string WriteRecords(const TRecords& records) {
  TGroupList groups;
  for (const TGroupRecord& record : records.Groups) {
    auto group = std::make_unique<TGroup>();
    group->Caption = record.Caption;
    group->Active = record.Active;
    group->Color = record.Color;
    groups.Add(std::move(group));
  }
  TJointList joints;
  for (const TJointRecord& record : records.Joints) {
    auto joint = std::make_unique<TJoint>();
    joint->Caption = record.Caption;
    joint->Beta = StrToFloat(record.Beta);
    joint->Psi = StrToFloat(record.Psi);
    joint->InGroup = record.InGroup;
    joint->GroupIndex = record.GroupIndex;
    joint->Color = record.Color;
    joints.Add(std::move(joint));
  }
  return WriteDataFile(groups, joints);
}

void FuzzDataFile(const uint8_t* data, size_t size) {
  TRecords read;
  try {
    read = ReadRecords(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const Exception&) {
    return;
  }
  const std::string written = WriteRecords(read);
  const TRecords again = ReadRecords(written);
  Expect(again.Groups.size() == read.Groups.size() && again.Joints.size() == read.Joints.size(),
         "the written file holds other records");
  for (size_t i = 0; i < read.Groups.size(); ++i) {
    const TGroupRecord &a = read.Groups[i], &b = again.Groups[i];
    Expect(a.Caption == b.Caption && a.Active == b.Active && a.Color == b.Color,
           "a group reads back changed");
  }
  for (size_t i = 0; i < read.Joints.size(); ++i) {
    const TJointRecord &a = read.Joints[i], &b = again.Joints[i];
    Expect(a.Caption == b.Caption && a.InGroup == b.InGroup && a.GroupIndex == b.GroupIndex &&
               a.Color == b.Color,
           "a joint reads back changed");
    Expect(b.Beta == FloatToStr(StrToFloat(a.Beta)) && b.Psi == FloatToStr(StrToFloat(a.Psi)),
           "a joint's numbers read back changed: " + a.Beta + " " + a.Psi + " as " + b.Beta + " " +
               b.Psi);
  }
  Expect(WriteRecords(again) == written, "a second writing differs from the first");
}

// ---- The layout text

enum TFuzzStyle { fsPlain, fsBold, fsItalic };

class TFuzzCoordinates : public TPersistent {
  RTL_CLASS(TFuzzCoordinates, TPersistent)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TFuzzCoordinates>(TPersistent::Published())
            .Integer("Kind", &TFuzzCoordinates::GetKind, &TFuzzCoordinates::SetKind, Default(1));
    return table;
  }
  int GetKind() const { return Kind; }
  void SetKind(int kind) { Kind = kind; }
  int Kind = 1;
  float V[4] = {0, 0, 0, 1};

 protected:
  void DefineProperties(TFiler& filer) override {
    filer.DefineBinaryProperty(
        "Coordinates", [this](TStream& s) { s.ReadBuffer(V, sizeof V); },
        [this](TStream& s) { s.WriteBuffer(V, sizeof V); }, true);
  }
};

class TFuzzPart : public TCollectionItem {
  RTL_CLASS(TFuzzPart, TCollectionItem)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TFuzzPart>(TCollectionItem::Published())
            .String("Text", &TFuzzPart::GetText, &TFuzzPart::SetText)
            .Component("Target", &TFuzzPart::GetTarget, &TFuzzPart::SetTarget);
    return table;
  }
  using TCollectionItem::TCollectionItem;
  const std::string& GetText() const { return Text; }
  void SetText(const std::string& text) { Text = text; }
  TComponent* GetTarget() const { return Target; }
  void SetTarget(TComponent* target) { Target = target; }
  std::string Text;
  TComponent* Target = nullptr;
};

class TFuzzNode : public TComponent {
  RTL_CLASS(TFuzzNode, TComponent)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TFuzzNode>(TComponent::Published())
            .Float("Radius", &TFuzzNode::GetRadius, &TFuzzNode::SetRadius, Default(1.0f))
            .Float("Weight", &TFuzzNode::GetWeight, &TFuzzNode::SetWeight)
            .Integer("Count", &TFuzzNode::GetCount, &TFuzzNode::SetCount)
            .Boolean("Visible", &TFuzzNode::GetVisible, &TFuzzNode::SetVisible, Default(true))
            .Enumeration("Style", &TFuzzNode::GetStyle, &TFuzzNode::SetStyle,
                         {"fsPlain", "fsBold", "fsItalic"}, Default(fsPlain))
            .Set("Options", &TFuzzNode::GetOptions, &TFuzzNode::SetOptions, {"foA", "foB", "foC"},
                 Default(0))
            .String("Caption", &TFuzzNode::GetCaption, &TFuzzNode::SetCaption)
            .Color("Color", &TFuzzNode::GetColor, &TFuzzNode::SetColor, Default(clBlack))
            .Object("Position", [](const TFuzzNode& n) { return n.Position.get(); })
            .Object("Parts", [](const TFuzzNode& n) { return n.Parts.get(); })
            .Component("Target", &TFuzzNode::GetTarget, &TFuzzNode::SetTarget)
            .Event("OnChange", &TFuzzNode::OnChange);
    return table;
  }
  explicit TFuzzNode(TComponent* owner) : TComponent(owner) {}
  ~TFuzzNode() override {
    for (TFuzzNode* child : Children) child->FParent = nullptr;
    if (FParent) std::erase(FParent->Children, this);
  }
  float GetRadius() const { return Radius; }
  void SetRadius(float radius) { Radius = radius; }
  double GetWeight() const { return Weight; }
  void SetWeight(double weight) { Weight = weight; }
  int GetCount() const { return Count; }
  // A setter that refuses a value, as many of the engine's do.
  void SetCount(int count) {
    if (count < 0) throw EConvertError("Count must not be negative");
    Count = count;
  }
  bool GetVisible() const { return Visible; }
  void SetVisible(bool visible) { Visible = visible; }
  TFuzzStyle GetStyle() const { return Style; }
  void SetStyle(TFuzzStyle style) { Style = style; }
  unsigned GetOptions() const { return Options; }
  void SetOptions(unsigned options) { Options = options; }
  const std::string& GetCaption() const { return Caption; }
  void SetCaption(const std::string& caption) { Caption = caption; }
  TColor GetColor() const { return Color; }
  void SetColor(TColor color) { Color = color; }
  TFuzzNode* GetTarget() const { return Target; }
  void SetTarget(TFuzzNode* target) {
    if (Target) Target->RemoveFreeNotification(this);
    Target = target;
    if (target) target->FreeNotification(this);
  }
  void GetChildren(const TGetChildProc& proc, TComponent*) override {
    for (TFuzzNode* child : Children) proc(child);
  }
  bool HasParent() const override { return FParent != nullptr; }
  TComponent* GetParentComponent() const override { return FParent; }
  void SetParentComponent(TComponent* parent) override {
    if (auto* node = dynamic_cast<TFuzzNode*>(parent)) {
      FParent = node;
      node->Children.push_back(this);
    }
  }

  float Radius = 1;
  double Weight = 0;
  int Count = 0;
  bool Visible = true;
  TFuzzStyle Style = fsPlain;
  unsigned Options = 0;
  std::string Caption;
  TColor Color = clBlack;
  TFuzzNode* Target = nullptr;
  TNotifyEvent OnChange;
  std::vector<TFuzzNode*> Children;
  std::unique_ptr<TFuzzCoordinates> Position = std::make_unique<TFuzzCoordinates>();
  std::unique_ptr<TOwnedCollection> Parts =
      std::make_unique<TOwnedCollection>(this, TFuzzPart::StaticClass());

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == opRemove && component == Target) Target = nullptr;
    inherited::Notification(component, operation);
  }

 private:
  TFuzzNode* FParent = nullptr;
};

class TFuzzForm : public TComponent {
  RTL_CLASS(TFuzzForm, TComponent)
  using TComponent::TComponent;
  std::any MethodAddress(const std::string& name) const override {
    if (name == "FormChange") return TNotifyEvent([](TObject*) {});
    return {};
  }
};

std::string WriteLayout(TComponent* root) {
  TStringStream stream;
  stream.WriteComponent(root);
  return stream.DataString();
}

void FuzzLayoutText(const uint8_t* data, size_t size) {
  static const bool registered = [] {
    RegisterClasses({TFuzzNode::StaticClass(), TFuzzForm::StaticClass()});
    return true;
  }();
  (void)registered;
  const std::string text(reinterpret_cast<const char*>(data), size);
  // Into a root of its own, as the 3D window reads its stored scene; and into one that the
  // layout's first line names.
  std::unique_ptr<TComponent> root = std::make_unique<TFuzzForm>(nullptr);
  try {
    TStringStream stream(text);
    stream.ReadComponent(root.get());
  } catch (const Exception&) {
    root.reset();
  }
  try {
    TStringStream stream(text);
    TReader reader(stream);
    std::unique_ptr<TComponent> named = reader.ReadRootComponent();
    if (!root) root = std::move(named);
  } catch (const Exception&) {
  }
  if (!root) return;
  // What the reader took, the writer writes, and that reads back as the same layout.
  const std::string written = WriteLayout(root.get());
  std::unique_ptr<TComponent> again;
  try {
    TStringStream stream(written);
    TReader reader(stream);
    again = reader.ReadRootComponent();
  } catch (const Exception& e) {
    throw std::logic_error("a written layout is refused: " + e.Message() + "\n" + written);
  }
  const std::string rewritten = WriteLayout(again.get());
  Expect(rewritten == written, "a written layout reads back changed:\n" + written + rewritten);
}

// ---- The behaviours and effects of a scene node, binary values inside a layout

class TFuzzSceneNode : public TGLBaseSceneObject {
  RTL_CLASS(TFuzzSceneNode, TGLBaseSceneObject)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TFuzzSceneNode>(TComponent::Published());
    return table;
  }
  using TGLBaseSceneObject::TGLBaseSceneObject;
};

// A behaviour with values of its own after the common ones, as a plug-in class stores them.
class TFuzzBehaviour : public TGLBehaviour {
  RTL_CLASS(TFuzzBehaviour, TGLBehaviour)
  explicit TFuzzBehaviour(TXCollection* owner)
      : TGLBehaviour(owner, XCollectionItemClass<TFuzzBehaviour>()) {}
  static std::string FriendlyName() { return "Spin"; }
  void WriteToFiler(TWriter& writer) override {
    inherited::WriteToFiler(writer);
    writer.WriteInteger(Turns);
    writer.WriteBoolean(Clockwise);
    writer.WriteString(Axis);
  }
  void ReadFromFiler(TReader& reader) override {
    inherited::ReadFromFiler(reader);
    Turns = reader.ReadInteger();
    Clockwise = reader.ReadBoolean();
    Axis = reader.ReadString();
  }
  int32_t Turns = 0;
  bool Clockwise = false;
  std::string Axis;
};

// An effect a node may carry once.
class TFuzzEffect : public TGLObjectEffect {
  RTL_CLASS(TFuzzEffect, TGLObjectEffect)
  explicit TFuzzEffect(TXCollection* owner)
      : TGLObjectEffect(owner, XCollectionItemClass<TFuzzEffect>()) {}
  static std::string FriendlyName() { return "Glow"; }
  static bool UniqueItem() { return true; }
  void WriteToFiler(TWriter& writer) override {
    inherited::WriteToFiler(writer);
    writer.WriteFloat(Strength);
  }
  void ReadFromFiler(TReader& reader) override {
    inherited::ReadFromFiler(reader);
    Strength = reader.ReadFloat();
  }
  long double Strength = 0;
};

// Reads the input as the stored value of one of a node's collections, inside a layout.
void ReadSceneCollection(const std::string& property, const std::string& hex) {
  const std::string text = "object Form: TFuzzForm\n  object Node: TFuzzSceneNode\n    " +
                           property + " = {" + hex + "}\n  end\nend\n";
  std::unique_ptr<TComponent> root = std::make_unique<TFuzzForm>(nullptr);
  try {
    TStringStream stream(text);
    stream.ReadComponent(root.get());
  } catch (const Exception&) {
    return;
  }
  // What was taken is written again, and that reads back as the same layout.
  const std::string written = WriteLayout(root.get());
  std::unique_ptr<TComponent> again = std::make_unique<TFuzzForm>(nullptr);
  try {
    TStringStream stream(written);
    stream.ReadComponent(again.get());
  } catch (const Exception& e) {
    throw std::logic_error("a written layout is refused: " + e.Message() + "\n" + written);
  }
  const std::string rewritten = WriteLayout(again.get());
  Expect(rewritten == written, "a written layout reads back changed:\n" + written + rewritten);
}

// The input is the stored value of a node's behaviours, and of its effects.
void FuzzSceneCollections(const uint8_t* data, size_t size) {
  static const bool registered = [] {
    RegisterClasses({TFuzzSceneNode::StaticClass(), TFuzzForm::StaticClass()});
    RegisterXCollectionItemClass(XCollectionItemClass<TFuzzBehaviour>());
    RegisterXCollectionItemClass(XCollectionItemClass<TFuzzEffect>());
    return true;
  }();
  (void)registered;
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (size_t i = 0; i < size; ++i) {
    hex += digits[data[i] >> 4];
    hex += digits[data[i] & 15];
  }
  ReadSceneCollection("BehavioursData", hex);
  ReadSceneCollection("EffectsData", hex);
}

}  // namespace

const TFuzzTarget FuzzTargets[3] = {
    {"data-file", FuzzDataFile},
    {"layout-text", FuzzLayoutText},
    {"scene-collections", FuzzSceneCollections},
};

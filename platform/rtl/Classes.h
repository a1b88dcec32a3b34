#pragma once
// The class library core: the class registry, persistent objects, components with ownership and
// free notification, collections, lists, string lists, streams, and the form filer that writes
// and reads a component tree as a layout text.

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/rtl/System.h"
#include "platform/rtl/TypInfo.h"

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFilerError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EReadError : public EFilerError {
 public:
  using EFilerError::EFilerError;
};
class EWriteError : public EFilerError {
 public:
  using EFilerError::EFilerError;
};
class EClassNotFound : public EFilerError {
 public:
  using EFilerError::EFilerError;
};
class EListError : public Exception {
 public:
  using Exception::Exception;
};
class EComponentError : public Exception {
 public:
  using Exception::Exception;
};

// ---- Class registry: filled by explicit calls from one start-up routine; names are
// case-insensitive.

void RegisterClass(TClass cls);  // EFilerError when another class has the name already
void RegisterClasses(std::initializer_list<TClass> classes);
TClass GetClass(const std::string& name);   // nullptr when unknown
TClass FindClass(const std::string& name);  // EClassNotFound "Class %s not found"

// ---- Persistent objects

class TFiler;
class TReader;
class TWriter;

class TPersistent : public TObject {
  RTL_CLASS(TPersistent, TObject)
  virtual void Assign(TPersistent* source);
  virtual TPersistent* GetOwner() const { return nullptr; }
  virtual std::string GetNamePath() const;

 protected:
  friend class TWriter;
  friend class TReader;
  virtual void AssignTo(TPersistent* dest);
  // Binary and other unpublished values of the layout: DefineProperty/DefineBinaryProperty.
  virtual void DefineProperties(TFiler&) {}
  // EConvertError "Cannot assign a %s to a %s".
  [[noreturn]] void AssignError(TPersistent* source);
};

// ---- Components

using TComponentState = uint32_t;
constexpr TComponentState csLoading = 1 << 0;
constexpr TComponentState csReading = 1 << 1;
constexpr TComponentState csWriting = 1 << 2;
constexpr TComponentState csDestroying = 1 << 3;

enum TOperation : int { opInsert, opRemove };

using TNotifyEvent = std::function<void(TObject* sender)>;

class TComponent;
using TGetChildProc = std::function<void(TComponent*)>;

class TComponent : public TPersistent {
  RTL_CLASS(TComponent, TPersistent)
  using TCreateArg = TComponent*;
  static const TPropertyTable& Published();

  explicit TComponent(TComponent* owner);
  // Tells the components that asked for free notification, frees the owned components (last
  // first) and leaves the owner.
  ~TComponent() override;

  TComponent* Owner() const { return FOwner; }
  TPersistent* GetOwner() const override { return FOwner; }
  std::string GetNamePath() const override { return FName; }
  const std::string& GetName() const { return FName; }
  // EComponentError for an invalid identifier or a name taken among the owner's components.
  virtual void SetName(const std::string& name);
  int32_t GetTag() const { return FTag; }
  void SetTag(int32_t tag) { FTag = tag; }
  TComponentState ComponentState() const { return FComponentState; }

  int ComponentCount() const { return int(FComponents.size()) - FHoles; }
  TComponent* Components(int index) const;  // EListError out of range
  int ComponentIndex() const;
  TComponent* FindComponent(const std::string& name) const;  // case-insensitive; nullptr
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  void DestroyComponents();
  // Sets csDestroying here and in every owned component; destructors of derived classes may call
  // it first, so that the state is seen before any part is gone.
  void Destroying();

  // Asks `component` to call this one's Notification(component, opRemove) when it is freed.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Layout streaming hooks. The root's default hands the owned components that have no parent.
  virtual void GetChildren(const TGetChildProc& proc, TComponent* root);
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual bool HasParent() const { return false; }
  virtual void SetParentComponent(TComponent*) {}
  virtual void ReadState(TReader& reader);

  // The root's methods by name, for the events of a layout; an empty value when there is none.
  virtual std::any MethodAddress(const std::string& name) const;
  // Which root method an event property (by its path, such as "Sub.OnChange") is bound to. An
  // item's event goes by its collection's path and the item's ID, such as "Tags#3.OnChange", so
  // that it follows the item when other items move or go.
  std::string EventName(const std::string& path) const;
  void SetEventName(const std::string& path, const std::string& method);

 protected:
  friend class TReader;
  friend class TWriter;
  friend void rtl_detail::NotificationDeclared(TObject*, TClass);
  // The owner's notice of each component inserted or removed. Passed on only to the owned
  // components that can act on it: those of a class that declares its own Notification, those
  // linked by free notification, and those that own such a component; to the others it would
  // do nothing, and telling them all would make each insert cost as much as the siblings. A
  // class that overrides it has its own RTL_CLASS, or the override does not compile.
  virtual void Notification(TComponent* component, TOperation operation);
  // Called once the whole layout is read and its references are resolved; clears csLoading.
  virtual void Loaded();
  void SetState(TComponentState flags, bool on);

 private:
  TComponent* FOwner = nullptr;
  std::string FName;
  int32_t FTag = 0;
  // Whether the owner passes its notices on to this one, and makes it so.
  bool HearsNotices() const;
  void UpdateHearing();
  // Closes the gaps that removals left in the owned components.
  void Compact() const;

  TComponentState FComponentState = 0;
  // Owned, in their order; a removed one leaves a gap (nil) until the list is next read by
  // index, so that a removal costs the same whatever the number of the others.
  mutable std::vector<TComponent*> FComponents;
  mutable int FHoles = 0;
  // The slot in the owner's FComponents.
  int FIndex = -1;
  // The owned components that hear the notices, in the order of their slots.
  std::vector<TComponent*> FHearers;
  // In the owner's FHearers.
  bool FHearing = false;
  // A class of this object declares its own Notification.
  bool FActsOnNotices = false;
  std::vector<TComponent*> FFreeNotifies;  // not owned; each knows this one likewise
  std::map<std::string, std::string> FEventNames;
};

// ---- Collections

class TCollection;

class TCollectionItem : public TPersistent {
  RTL_CLASS(TCollectionItem, TPersistent)
  using TCreateArg = TCollection*;
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;

  TCollection* Collection() const { return FCollection; }
  void SetCollection(TCollection* collection);
  int ID() const { return FID; }
  int GetIndex() const;
  virtual void SetIndex(int index);
  virtual std::string GetDisplayName() const;
  virtual void SetDisplayName(const std::string&) { Changed(false); }
  TPersistent* GetOwner() const override;
  std::string GetNamePath() const override;

 protected:
  // Tells the collection (Update) unless it is updating: all items or this one.
  void Changed(bool allItems);

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

class TCollection : public TPersistent {
  RTL_CLASS(TCollection, TPersistent)
  explicit TCollection(TClass itemClass);
  ~TCollection() override;  // frees the items

  TClass ItemClass() const { return FItemClass; }
  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();
  int Count() const { return int(FItems.size()); }
  TCollectionItem* GetItem(int index) const;  // EListError out of range
  void SetItem(int index, TCollectionItem* value) { GetItem(index)->Assign(value); }
  TCollectionItem* FindItemID(int id) const;
  void BeginUpdate() { ++FUpdateCount; }
  virtual void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }
  void Assign(TPersistent* source) override;
  std::string GetNamePath() const override;

 protected:
  friend class TCollectionItem;
  // Called after a change when not updating; item is nullptr when all items may have changed.
  virtual void Update(TCollectionItem*) {}
  void Changed();

 private:
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);

  TClass FItemClass;
  std::vector<TCollectionItem*> FItems;  // owned
  int FNextID = 0;
  int FUpdateCount = 0;
};

class TOwnedCollection : public TCollection {
  RTL_CLASS(TOwnedCollection, TCollection)
  TOwnedCollection(TPersistent* owner, TClass itemClass) : TCollection(itemClass), FOwner(owner) {}
  TPersistent* GetOwner() const override { return FOwner; }

 private:
  TPersistent* FOwner;
};

// ---- Lists

enum TDuplicates { dupIgnore, dupAccept, dupError };

// A list of untyped pointers that owns nothing. Index errors raise EListError
// "List index out of bounds (%d)".
class TList : public TObject {
  RTL_CLASS(TList, TObject)
  int Add(void* item);
  void Insert(int index, void* item);
  void Delete(int index);
  int Remove(void* item);
  void* Extract(void* item);
  int IndexOf(void* item) const;
  void* Get(int index) const;
  void Put(int index, void* item);
  void* First() const { return Get(0); }
  void* Last() const { return Get(Count() - 1); }
  void Exchange(int index1, int index2);
  void Move(int currentIndex, int newIndex);
  int Count() const { return int(FItems.size()); }
  void SetCount(int count);  // new slots are nullptr
  int Capacity() const { return int(FItems.capacity()); }
  void SetCapacity(int capacity);
  void Clear() { FItems.clear(); }

 private:
  void Check(int index, int limit) const;
  std::vector<void*> FItems;
};

// A list used from several threads: every operation locks; LockList holds the lock until
// UnlockList.
class TThreadList : public TObject {
  RTL_CLASS(TThreadList, TObject)
  void Add(void* item);  // by Duplicates
  void Remove(void* item);
  void Clear();
  TList* LockList();
  void UnlockList();
  TDuplicates Duplicates = dupIgnore;

 private:
  std::recursive_mutex FLock;
  TList FList;
};

// ---- String lists

class TStrings : public TPersistent {
  RTL_CLASS(TStrings, TPersistent)
  virtual int Count() const = 0;
  virtual std::string Get(int index) const = 0;
  virtual void Put(int index, const std::string& s) = 0;
  virtual TObject* GetObject(int index) const = 0;
  virtual void PutObject(int index, TObject* object) = 0;
  virtual void InsertObject(int index, const std::string& s, TObject* object) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  int Add(const std::string& s) { return AddObject(s, nullptr); }
  int AddObject(const std::string& s, TObject* object);
  void Insert(int index, const std::string& s) { InsertObject(index, s, nullptr); }
  int IndexOf(const std::string& s) const;  // case-insensitive
  int IndexOfObject(const TObject* object) const;
  // Lines "name=value".
  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;
  int IndexOfName(const std::string& name) const;
  std::string Values(const std::string& name) const;
  void SetValue(const std::string& name, const std::string& value);  // empty value deletes
  // Lines ended by line feeds; reading also accepts CR LF and a last line without an end.
  std::string GetText() const;
  void SetText(const std::string& text);
  void LoadFromStream(class TStream& stream);
  void SaveToStream(class TStream& stream) const;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;
  void Assign(TPersistent* source) override;

 protected:
  [[noreturn]] void IndexError(int index) const;
};

class TStringList : public TStrings {
  RTL_CLASS(TStringList, TStrings)
  int Count() const override { return int(FItems.size()); }
  std::string Get(int index) const override;
  void Put(int index, const std::string& s) override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  void InsertObject(int index, const std::string& s, TObject* object) override;
  void Delete(int index) override;
  void Clear() override { FItems.clear(); }

 private:
  struct TItem {
    std::string String;
    TObject* Object;  // not owned
  };
  std::vector<TItem> FItems;
};

// ---- Streams

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
  RTL_CLASS(TStream, TObject)
  // What was actually transferred; short counts are not errors here.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual void SetSize(int64_t size) = 0;

  int64_t GetPosition() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  int64_t GetSize();
  // EReadError "Stream read error" / EWriteError "Stream write error" on a short transfer.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Count 0 copies the whole source from its beginning.
  int64_t CopyFrom(TStream& source, int64_t count);

  // The layout text of a component tree.
  void WriteComponent(TComponent* root);
  void ReadComponent(TComponent* root);
};

constexpr uint16_t fmCreate = 0xFFFF;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
// Sharing modes are accepted and have no effect on Linux.
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyNone = 0x0040;

class TFileStream : public TStream {
  RTL_CLASS(TFileStream, TStream)
  // fmCreate creates or empties the file (EFCreateError); other modes open an existing file
  // (EFOpenError). Both messages name the file and the system's reason.
  TFileStream(const std::string& fileName, uint16_t mode);
  ~TFileStream() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;
  const std::string& FileName() const { return FFileName; }

 private:
  std::string FFileName;
  int FHandle = -1;
};

class TMemoryStream : public TStream {
  RTL_CLASS(TMemoryStream, TStream)
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;
  const uint8_t* Memory() const { return FData.data(); }
  void Clear();
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

 protected:
  std::vector<uint8_t> FData;
  int64_t FPosition = 0;
};

class TStringStream : public TMemoryStream {
  RTL_CLASS(TStringStream, TMemoryStream)
  explicit TStringStream(const std::string& data = "");
  std::string DataString() const { return std::string(FData.begin(), FData.end()); }
  std::string ReadString(int64_t count);  // at most count bytes
  void WriteString(const std::string& s) { WriteBuffer(s.data(), int64_t(s.size())); }
};

// ---- The form filer
//
// Layout text: "object Name: TClass", its properties one per line ("Prop = value",
// "Sub.Prop = value"), its children, "end". Values: integers, floats ('.' in every region),
// 'strings' with #nn for control characters, identifiers (True, False, enumeration values,
// colours, component and method names), [set, members], {hex} binary data, (lists) and
// <collections of "item ... end">. The value calls also serve nested writers and readers over a
// binary property's stream.

// One byte of stored data: any value a stream holds is one the type can take.
enum TValueType : uint8_t {
  vaNull = 0,  // end of a list, a collection or an object
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaInt64 = 19,
  vaUTF8String = 20,
};

// How a writer or reader spells its values: as layout text, or as the component stream's tagged
// binary values (a TValueType byte, then the value little-endian; strings with their length),
// which is what a binary property such as a scene object's "BehavioursData" holds. The binary
// encoding carries values only: components are always written as layout text.
enum TFilerEncoding { feLayoutText, feBinary };

using TReaderProc = std::function<void(TReader&)>;
using TWriterProc = std::function<void(TWriter&)>;
using TStreamProc = std::function<void(TStream&)>;

class TFiler : public TObject {
  RTL_CLASS(TFiler, TObject)
  explicit TFiler(TStream& stream) : FStream(stream) {}
  // hasData matters to the writer only: a value without data is not written.
  virtual void DefineProperty(const std::string& name, const TReaderProc& readData,
                              const TWriterProc& writeData, bool hasData) = 0;
  virtual void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                                    const TStreamProc& writeData, bool hasData) = 0;
  TStream& Stream() const { return FStream; }
  TComponent* Root() const { return FRoot; }
  void SetRoot(TComponent* root) { FRoot = root; }

 protected:
  TStream& FStream;
  TComponent* FRoot = nullptr;
};

class TWriter : public TFiler {
  RTL_CLASS(TWriter, TFiler)
  explicit TWriter(TStream& stream, TFilerEncoding encoding = feLayoutText)
      : TFiler(stream), FEncoding(encoding) {}

  void WriteRootComponent(TComponent* root);
  void WriteComponent(TComponent* component);
  void WriteProperties(TPersistent* instance);

  void WriteInteger(int64_t value);
  void WriteFloat(double value);
  void WriteSingle(float value);
  void WriteBoolean(bool value);
  void WriteString(const std::string& value);
  void WriteIdent(const std::string& ident);
  void WriteListBegin();
  void WriteListEnd();
  void WriteCollection(TCollection* collection);

  void DefineProperty(const std::string& name, const TReaderProc& readData,
                      const TWriterProc& writeData, bool hasData) override;
  void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                            const TStreamProc& writeData, bool hasData) override;

 private:
  void WriteValue(const std::string& token);
  void WriteLine(const std::string& text);
  void WriteProperty(TPersistent* instance, const TPropInfo& info);
  // A tag byte and the value's bytes, in the binary encoding.
  void WriteTagged(TValueType tag, const void* data = nullptr, size_t size = 0);
  void RequireLayoutText() const;

  TFilerEncoding FEncoding;
  int FIndent = 0;
  std::string FPropPath;     // "Sub." while the properties of a sub-object are written
  std::string FItemPath;     // "Tags#3." while the properties of a collection item are written
  std::string FPendingName;  // the property whose value comes next
  TComponent* FComponent = nullptr;
};

class TReader : public TFiler {
  RTL_CLASS(TReader, TFiler)
  // Reads from the stream's position; leaves the stream after what was consumed.
  explicit TReader(TStream& stream, TFilerEncoding encoding = feLayoutText);
  ~TReader() override;

  // Reads the layout into an existing root whose class it names. Children are created through
  // the class registry, owned by the root; component references and events are resolved when the
  // whole layout is read, then every component read gets Loaded, root first. On any error the
  // components created are freed again and EReadError names the line and the property.
  void ReadRootComponent(TComponent* root);
  // The same with a root created from the registered class the layout names.
  std::unique_ptr<TComponent> ReadRootComponent();
  void ReadData(TComponent* instance);

  TValueType NextValue();
  bool EndOfList();
  int32_t ReadInteger();
  int64_t ReadInt64();
  double ReadFloat();
  float ReadSingle();
  bool ReadBoolean();
  std::string ReadString();
  std::string ReadIdent();
  void ReadListBegin();
  void ReadListEnd();
  void ReadCollection(TCollection* collection);

  void DefineProperty(const std::string& name, const TReaderProc& readData,
                      const TWriterProc& writeData, bool hasData) override;
  void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                            const TStreamProc& writeData, bool hasData) override;

 private:
  struct TToken;
  struct TFixup;
  const TToken& Peek();
  TToken Next();
  bool PeekIdent(const char* word);
  void Expect(char symbol);
  int64_t ReadInt64Text(const std::string& text);
  [[noreturn]] void Unexpected(const std::string& expected);
  [[noreturn]] void Error(const std::string& message, int line = 0) const;
  TComponent* ReadComponent(TComponent* parent);
  void ReadComponentHeader(std::string& name, std::string& className);
  void ReadProperty(TPersistent* instance);
  void ReadPropValue(TPersistent* instance, const TPropInfo& info, const std::string& path);
  void ReadProperties(TPersistent* instance);
  void ReadTopLevel(TComponent* root, const std::string& name);
  void Resolve();
  void Abandon();
  // Runs action, turning the library's exceptions into an EReadError that names where. A
  // property's own reader may raise assertion failures that must reach the caller as they are.
  template <class F>
  void Located(F action, bool keepAssertions = false);
  // Forgets the pending fixups and the event names of the items a collection is about to free.
  void ForgetItems(TCollection* collection, const std::string& path);
  bool PeekSymbol(char symbol);
  // The binary encoding: the next tag without consuming it, a tag, a value's bytes.
  TValueType PeekTag();
  TValueType ReadTag();
  void ReadBytes(void* buffer, int64_t count);
  [[noreturn]] void BinaryError(const std::string& message) const;
  std::string ReadBinaryString(TValueType tag);

  TFilerEncoding FEncoding;
  std::string FText;
  size_t FPos = 0;
  int FLine = 1;
  int64_t FStart = 0;
  std::unique_ptr<TToken> FPeeked;
  size_t FConsumed = 0;
  std::string FWhere;        // "Comp.Prop" while a property is read
  std::string FPendingName;  // a property for DefineProperties to claim
  std::string FValuePath;    // the event-name path of the property whose value is read
  std::string FItemPath;     // "Tags#3." while the properties of a collection item are read
  std::vector<TCollection*> FCollections;  // those whose items are being read, outermost first
  TComponent* FComponent = nullptr;
  int FDepth = 0;
  std::vector<TComponent*> FCreated;
  std::vector<TComponent*> FLoaded;
  std::vector<TFixup> FFixups;
};

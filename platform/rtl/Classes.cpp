#include "platform/rtl/Classes.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

bool SameText(const std::string& a, const std::string& b) {
  return strcasecmp(a.c_str(), b.c_str()) == 0;
}

bool IsValidIdent(const std::string& s) {
  if (s.empty() || !(std::isalpha(uint8_t(s[0])) || s[0] == '_')) return false;
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return std::isalnum(uint8_t(c)) || c == '_'; });
}

template <class V>
void EraseValue(std::vector<V>& list, const V& value) {
  list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

[[noreturn]] void ListIndexError(int index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

struct TNoCase {
  bool operator()(const std::string& a, const std::string& b) const {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  }
};

std::map<std::string, TClass, TNoCase>& Registry() {
  static std::map<std::string, TClass, TNoCase> registry;
  return registry;
}

}  // namespace

// ---- Class registry

void RegisterClass(TClass cls) {
  auto [it, added] = Registry().emplace(cls->ClassName(), cls);
  if (!added && it->second != cls)
    throw EFilerError("A class named " + cls->ClassName() + " already exists");
}

void RegisterClasses(std::initializer_list<TClass> classes) {
  for (TClass cls : classes) RegisterClass(cls);
}

TClass GetClass(const std::string& name) {
  auto it = Registry().find(name);
  return it == Registry().end() ? nullptr : it->second;
}

TClass FindClass(const std::string& name) {
  if (TClass cls = GetClass(name)) return cls;
  throw EClassNotFound("Class " + name + " not found");
}

// ---- TPersistent

void TPersistent::Assign(TPersistent* source) {
  if (source == nullptr) AssignError(nullptr);
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) {
  dest->AssignError(this);
}

void TPersistent::AssignError(TPersistent* source) {
  const std::string from = source ? source->ClassName() : "nil";
  throw EConvertError("Cannot assign a " + from + " to a " + ClassName());
}

std::string TPersistent::GetNamePath() const {
  std::string result = ClassName();
  if (TPersistent* owner = GetOwner()) {
    const std::string path = owner->GetNamePath();
    if (!path.empty()) result = path + "." + result;
  }
  return result;
}

// ---- TComponent

const TPropertyTable& TComponent::Published() {
  static const TPropertyTable table =
      TPropertyTable::Extend<TComponent>(TPersistent::Published())
          .String("Name", &TComponent::GetName, &TComponent::SetName, NotStored())
          .Integer("Tag", &TComponent::GetTag, &TComponent::SetTag, Default(0));
  return table;
}

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    EraseValue(other->FFreeNotifies, this);
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (FComponentState & csDestroying) return;
  FComponentState |= csDestroying;
  for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::SetState(TComponentState flags, bool on) {
  FComponentState = on ? FComponentState | flags : FComponentState & ~flags;
}

void TComponent::SetName(const std::string& name) {
  if (name == FName) return;
  if (!name.empty() && !IsValidIdent(name))
    throw EComponentError("'" + name + "' is not a valid component name");
  if (FOwner && !name.empty()) {
    TComponent* other = FOwner->FindComponent(name);
    if (other && other != this)
      throw EComponentError("A component named " + name + " already exists");
  }
  FName = name;
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) ListIndexError(index);
  return FComponents[index];
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  auto& list = FOwner->FComponents;
  return int(std::find(list.begin(), list.end(), this) - list.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->FName, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  // A refused component stays with its old owner.
  const TComponent* other = FindComponent(component->FName);
  if (other && other != component)
    throw EComponentError("A component named " + component->FName + " already exists");
  if (component->FOwner) component->FOwner->RemoveComponent(component);
  FComponents.push_back(component);
  component->FOwner = this;
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  Notification(component, opRemove);
  EraseValue(FComponents, component);
  component->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    FComponents.pop_back();
    c->FOwner = nullptr;
    delete c;
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(component);
    component->FFreeNotifies.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  EraseValue(FFreeNotifies, component);
  EraseValue(component->FFreeNotifies, static_cast<TComponent*>(this));
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) RemoveFreeNotification(component);
  // Owned components may leave while being told, so the index is checked again each round.
  for (int i = ComponentCount() - 1; i >= 0; --i) {
    if (i >= ComponentCount()) i = ComponentCount() - 1;
    if (i < 0) break;
    FComponents[i]->Notification(component, operation);
  }
}

void TComponent::Loaded() {
  FComponentState &= ~csLoading;
}

void TComponent::GetChildren(const TGetChildProc& proc, TComponent* root) {
  if (root != this) return;
  for (TComponent* c : FComponents)
    if (!c->HasParent()) proc(c);
}

void TComponent::ReadState(TReader& reader) {
  reader.ReadData(this);
}

std::any TComponent::MethodAddress(const std::string&) const {
  return {};
}

std::string TComponent::EventName(const std::string& path) const {
  auto it = FEventNames.find(path);
  return it == FEventNames.end() ? "" : it->second;
}

void TComponent::SetEventName(const std::string& path, const std::string& method) {
  if (method.empty())
    FEventNames.erase(path);
  else
    FEventNames[path] = method;
}

// ---- Collections

TCollectionItem::TCollectionItem(TCollection* collection) {
  SetCollection(collection);
}

TCollectionItem::~TCollectionItem() {
  SetCollection(nullptr);
}

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection == FCollection) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (collection) collection->InsertItem(this);
}

int TCollectionItem::GetIndex() const {
  if (!FCollection) return -1;
  auto& items = FCollection->FItems;
  return int(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index) {
  const int current = GetIndex();
  if (current < 0 || index < 0 || index == current) return;
  auto& items = FCollection->FItems;
  index = std::min(index, int(items.size()) - 1);
  items.erase(items.begin() + current);
  items.insert(items.begin() + index, this);
  Changed(true);
}

std::string TCollectionItem::GetDisplayName() const {
  return ClassName();
}

TPersistent* TCollectionItem::GetOwner() const {
  return FCollection;
}

std::string TCollectionItem::GetNamePath() const {
  if (!FCollection) return ClassName();
  return FCollection->GetNamePath() + "[" + std::to_string(GetIndex()) + "]";
}

void TCollectionItem::Changed(bool allItems) {
  if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(allItems ? nullptr : this);
}

TCollection::TCollection(TClass itemClass) : FItemClass(itemClass) {
  Assert(itemClass && itemClass->InheritsFrom(TCollectionItem::StaticClass()),
         "Collection items must be TCollectionItem descendants");
}

TCollection::~TCollection() {
  FUpdateCount = 1;  // no Update while the collection goes
  while (!FItems.empty()) delete FItems.back();
}

TCollectionItem* TCollection::Add() {
  // The item's constructor inserts it here; the collection owns it from then on.
  return static_cast<TCollectionItem*>(FItemClass->Create(this).release());
}

TCollectionItem* TCollection::Insert(int index) {
  TCollectionItem* item = Add();
  item->SetIndex(index);
  return item;
}

void TCollection::Delete(int index) {
  delete GetItem(index);
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  while (!FItems.empty()) delete FItems.back();
  EndUpdate();
}

TCollectionItem* TCollection::GetItem(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
  return FItems[index];
}

TCollectionItem* TCollection::FindItemID(int id) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == id) return item;
  return nullptr;
}

void TCollection::EndUpdate() {
  --FUpdateCount;
  Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TCollection*>(source);
  if (!other) return inherited::Assign(source);
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* item : other->FItems) Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TCollection::GetNamePath() const {
  TPersistent* owner = GetOwner();
  if (!owner) return ClassName();
  const std::string path = owner->GetNamePath();
  if (path.empty()) return ClassName();
  for (const TPropInfo& info : owner->ClassType()->Published().Items())
    if (info.Kind == tkClass && info.GetObject(*owner) == this) return path + "." + info.Name;
  return ClassName();
}

void TCollection::InsertItem(TCollectionItem* item) {
  FItems.push_back(item);
  item->FCollection = this;
  item->FID = FNextID++;
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  EraseValue(FItems, item);
  item->FCollection = nullptr;
  Changed();
}

// ---- TList

void TList::Check(int index, int limit) const {
  if (index < 0 || index > limit) ListIndexError(index);
}

int TList::Add(void* item) {
  FItems.push_back(item);
  return Count() - 1;
}

void TList::Insert(int index, void* item) {
  Check(index, Count());
  FItems.insert(FItems.begin() + index, item);
}

void TList::Delete(int index) {
  Check(index, Count() - 1);
  FItems.erase(FItems.begin() + index);
}

int TList::Remove(void* item) {
  const int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* item) {
  return Remove(item) >= 0 ? item : nullptr;
}

int TList::IndexOf(void* item) const {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  return it == FItems.end() ? -1 : int(it - FItems.begin());
}

void* TList::Get(int index) const {
  Check(index, Count() - 1);
  return FItems[index];
}

void TList::Put(int index, void* item) {
  Check(index, Count() - 1);
  FItems[index] = item;
}

void TList::Exchange(int index1, int index2) {
  Check(index1, Count() - 1);
  Check(index2, Count() - 1);
  std::swap(FItems[index1], FItems[index2]);
}

void TList::Move(int currentIndex, int newIndex) {
  Check(currentIndex, Count() - 1);
  Check(newIndex, Count() - 1);
  void* item = FItems[currentIndex];
  FItems.erase(FItems.begin() + currentIndex);
  FItems.insert(FItems.begin() + newIndex, item);
}

void TList::SetCount(int count) {
  if (count < 0) ListIndexError(count);
  FItems.resize(count, nullptr);
}

void TList::SetCapacity(int capacity) {
  if (capacity < Count()) ListIndexError(capacity);
  FItems.reserve(capacity);
}

void TThreadList::Add(void* item) {
  std::lock_guard lock(FLock);
  if (Duplicates == dupAccept || FList.IndexOf(item) < 0)
    FList.Add(item);
  else if (Duplicates == dupError)
    throw EListError("List does not allow duplicates");
}

void TThreadList::Remove(void* item) {
  std::lock_guard lock(FLock);
  FList.Remove(item);
}

void TThreadList::Clear() {
  std::lock_guard lock(FLock);
  FList.Clear();
}

TList* TThreadList::LockList() {
  FLock.lock();
  return &FList;
}

void TThreadList::UnlockList() {
  FLock.unlock();
}

// ---- String lists

void TStrings::IndexError(int index) const {
  ListIndexError(index);
}

int TStrings::AddObject(const std::string& s, TObject* object) {
  InsertObject(Count(), s, object);
  return Count() - 1;
}

int TStrings::IndexOf(const std::string& s) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(Get(i), s)) return i;
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  for (int i = 0; i < Count(); ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

std::string TStrings::Names(int index) const {
  const std::string line = Get(index);
  const size_t eq = line.find('=');
  return eq == std::string::npos ? "" : line.substr(0, eq);
}

std::string TStrings::ValueFromIndex(int index) const {
  const std::string line = Get(index);
  const size_t eq = line.find('=');
  return eq == std::string::npos ? "" : line.substr(eq + 1);
}

int TStrings::IndexOfName(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string line = Get(i);
    const size_t eq = line.find('=');
    if (eq != std::string::npos && SameText(line.substr(0, eq), name)) return i;
  }
  return -1;
}

std::string TStrings::Values(const std::string& name) const {
  const int i = IndexOfName(name);
  return i < 0 ? "" : ValueFromIndex(i);
}

void TStrings::SetValue(const std::string& name, const std::string& value) {
  const int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) Delete(i);
  } else if (i < 0) {
    Add(name + "=" + value);
  } else {
    Put(i, name + "=" + value);
  }
}

std::string TStrings::GetText() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) text += Get(i) + "\n";
  return text;
}

void TStrings::SetText(const std::string& text) {
  Clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Add(line);
    start = end + 1;
  }
}

void TStrings::LoadFromStream(TStream& stream) {
  std::string text(size_t(stream.GetSize() - stream.GetPosition()), '\0');
  stream.ReadBuffer(text.data(), int64_t(text.size()));
  SetText(text);
}

void TStrings::SaveToStream(TStream& stream) const {
  const std::string text = GetText();
  stream.WriteBuffer(text.data(), int64_t(text.size()));
}

void TStrings::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TStrings::SaveToFile(const std::string& fileName) const {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

void TStrings::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TStrings*>(source);
  if (!other) return inherited::Assign(source);
  if (other == this) return;
  Clear();
  for (int i = 0; i < other->Count(); ++i) AddObject(other->Get(i), other->GetObject(i));
}

std::string TStringList::Get(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return FItems[index].String;
}

void TStringList::Put(int index, const std::string& s) {
  if (index < 0 || index >= Count()) IndexError(index);
  FItems[index].String = s;
}

TObject* TStringList::GetObject(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return FItems[index].Object;
}

void TStringList::PutObject(int index, TObject* object) {
  if (index < 0 || index >= Count()) IndexError(index);
  FItems[index].Object = object;
}

void TStringList::InsertObject(int index, const std::string& s, TObject* object) {
  if (index < 0 || index > Count()) IndexError(index);
  FItems.insert(FItems.begin() + index, TItem{s, object});
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) IndexError(index);
  FItems.erase(FItems.begin() + index);
}

// ---- Streams

int64_t TStream::GetSize() {
  const int64_t position = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.GetSize();
  }
  char buffer[65536];
  for (int64_t left = count; left > 0;) {
    const int64_t n = std::min<int64_t>(left, sizeof buffer);
    source.ReadBuffer(buffer, n);
    WriteBuffer(buffer, n);
    left -= n;
  }
  return count;
}

void TStream::WriteComponent(TComponent* root) {
  TWriter writer(*this);
  writer.WriteRootComponent(root);
}

void TStream::ReadComponent(TComponent* root) {
  TReader reader(*this);
  reader.ReadRootComponent(root);
}

TFileStream::TFileStream(const std::string& fileName, uint16_t mode) : FFileName(fileName) {
  if (mode == fmCreate) {
    FHandle = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (FHandle < 0)
      throw EFCreateError("Cannot create file \"" + fileName + "\". " + std::strerror(errno));
    return;
  }
  const int access = (mode & 3) == fmOpenWrite       ? O_WRONLY
                     : (mode & 3) == fmOpenReadWrite ? O_RDWR
                                                     : O_RDONLY;
  FHandle = ::open(fileName.c_str(), access | O_CLOEXEC);
  if (FHandle < 0)
    throw EFOpenError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  int64_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(FHandle, static_cast<char*>(buffer) + done, size_t(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  int64_t done = 0;
  while (done < count) {
    const ssize_t n =
        ::write(FHandle, static_cast<const char*>(buffer) + done, size_t(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  return ::lseek(FHandle, offset, whence);
}

void TFileStream::SetSize(int64_t size) {
  if (::ftruncate(FHandle, size) != 0)
    throw EStreamError("Cannot change the size of \"" + FFileName + "\". " + std::strerror(errno));
  if (GetPosition() > size) SetPosition(size);
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  const int64_t n =
      std::clamp<int64_t>(int64_t(FData.size()) - FPosition, 0, std::max<int64_t>(count, 0));
  if (n > 0) std::memcpy(buffer, FData.data() + FPosition, size_t(n));
  FPosition += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  if (FPosition + count > int64_t(FData.size())) FData.resize(size_t(FPosition + count));
  std::memcpy(FData.data() + FPosition, buffer, size_t(count));
  FPosition += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t base = origin == soBeginning ? 0
                       : origin == soCurrent ? FPosition
                                             : int64_t(FData.size());
  FPosition = std::max<int64_t>(base + offset, 0);
  return FPosition;
}

void TMemoryStream::SetSize(int64_t size) {
  FData.resize(size_t(std::max<int64_t>(size, 0)));
  FPosition = std::min(FPosition, int64_t(FData.size()));
}

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  const int64_t size = stream.GetSize();
  std::vector<uint8_t> data(static_cast<size_t>(size));
  stream.ReadBuffer(data.data(), size);
  FData = std::move(data);
  FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream& stream) const {
  stream.WriteBuffer(FData.data(), int64_t(FData.size()));
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

TStringStream::TStringStream(const std::string& data) {
  FData.assign(data.begin(), data.end());
}

std::string TStringStream::ReadString(int64_t count) {
  std::string s(size_t(std::clamp<int64_t>(int64_t(FData.size()) - FPosition, 0, count)), '\0');
  Read(s.data(), int64_t(s.size()));
  return s;
}

// ---- The form filer

namespace {

const char* const HexDigits = "0123456789ABCDEF";

std::string FloatText(double value, bool single) {
  if (!std::isfinite(value)) return FloatToStr(value, '.');
  std::string text;
  for (int digits = 1; digits <= 17; ++digits) {
    text = FloatToStr(value, '.', digits);
    const double back = StrToFloat(text, '.');
    if (single ? float(back) == float(value) : back == value) break;
  }
  // A float keeps a point, so that a reader can tell it from an integer.
  if (text.find_first_of(".E") == std::string::npos) text += ".0";
  return text;
}

std::string QuotedString(const std::string& value) {
  std::string result;
  bool open = false;
  for (unsigned char c : value) {
    if (c < 32 || c == 127) {
      if (open) result += '\'';
      open = false;
      result += "#" + std::to_string(c);
      continue;
    }
    if (!open) result += '\'';
    open = true;
    result += char(c);
    if (c == '\'') result += '\'';
  }
  if (open) result += '\'';
  return result.empty() ? "''" : result;
}

// The event-name prefix of an item's properties.
std::string ItemPath(const std::string& collectionPath, const TCollectionItem* item) {
  return collectionPath + "#" + std::to_string(item->ID()) + ".";
}

// The component a reference by name leads to once the layout of root is read back.
TComponent* Referenced(TComponent* root, const std::string& name) {
  if (!root) return nullptr;
  return SameText(name, root->GetName()) ? root : root->FindComponent(name);
}

bool IsKeyword(const std::string& ident) {
  return SameText(ident, "object") || SameText(ident, "end") || SameText(ident, "item");
}

// A reader's own error, already naming where it happened.
class ELayoutError : public EReadError {
 public:
  ELayoutError(const std::string& message, const TReader* source)
      : EReadError(message), Source(source) {}
  const TReader* Source;
};

}  // namespace

void TWriter::WriteLine(const std::string& text) {
  const std::string line = std::string(FIndent, ' ') + text + "\n";
  FStream.WriteBuffer(line.data(), int64_t(line.size()));
}

void TWriter::WriteValue(const std::string& token) {
  if (FPendingName.empty()) return WriteLine(token);
  const std::string name = std::move(FPendingName);
  FPendingName.clear();
  WriteLine(name + " = " + token);
}

void TWriter::WriteInteger(int64_t value) {
  WriteValue(IntToStr(value));
}
void TWriter::WriteFloat(double value) {
  WriteValue(FloatText(value, false));
}
void TWriter::WriteSingle(float value) {
  WriteValue(FloatText(value, true));
}
void TWriter::WriteBoolean(bool value) {
  WriteValue(value ? "True" : "False");
}
void TWriter::WriteString(const std::string& value) {
  WriteValue(QuotedString(value));
}
void TWriter::WriteIdent(const std::string& ident) {
  WriteValue(ident);
}

void TWriter::WriteListBegin() {
  WriteValue("(");
  FIndent += 2;
}

void TWriter::WriteListEnd() {
  FIndent -= 2;
  WriteLine(")");
}

void TWriter::WriteCollection(TCollection* collection) {
  const std::string path = FItemPath + FPendingName;
  if (collection->Count() == 0) return WriteValue("<>");
  WriteValue("<");
  FIndent += 2;
  const std::string savedPath = std::move(FPropPath), savedItemPath = FItemPath;
  FPropPath.clear();
  for (int i = 0; i < collection->Count(); ++i) {
    TCollectionItem* item = collection->GetItem(i);
    FItemPath = ItemPath(path, item);
    WriteLine("item");
    FIndent += 2;
    WriteProperties(item);
    FIndent -= 2;
    WriteLine(i + 1 < collection->Count() ? "end" : "end>");
  }
  FPropPath = savedPath;
  FItemPath = savedItemPath;
  FIndent -= 2;
}

void TWriter::WriteRootComponent(TComponent* root) {
  FRoot = root;
  WriteComponent(root);
}

void TWriter::WriteComponent(TComponent* component) {
  struct TWriting {
    TComponent* C;
    ~TWriting() { C->SetState(csWriting, false); }
  } writing{component};
  component->SetState(csWriting, true);
  const std::string& name = component->GetName();
  WriteLine("object " + (name.empty() ? "" : name + ": ") + component->ClassName());
  TComponent* savedComponent = FComponent;
  const std::string savedPath = std::move(FPropPath);
  FComponent = component;
  FPropPath.clear();
  FIndent += 2;
  WriteProperties(component);
  component->GetChildren([this](TComponent* child) { WriteComponent(child); }, FRoot);
  FIndent -= 2;
  WriteLine("end");
  FComponent = savedComponent;
  FPropPath = savedPath;
}

void TWriter::WriteProperties(TPersistent* instance) {
  for (const TPropInfo& info : instance->ClassType()->Published().Items())
    WriteProperty(instance, info);
  instance->DefineProperties(*this);
}

void TWriter::WriteProperty(TPersistent* instance, const TPropInfo& info) {
  const std::string path = FPropPath + info.Name;
  const auto fail = [&](const std::string& why) {
    throw EWriteError("Cannot write " + instance->GetNamePath() + "." + info.Name + ": " + why);
  };
  if (info.Kind == tkMethod) {
    const std::string method = FComponent ? FComponent->EventName(FItemPath + path) : "";
    if (method.empty()) return;
    FPendingName = path;
    return WriteIdent(method);
  }
  if (!info.IsStored(*instance)) return;
  if (info.Kind == tkClass) {
    TPersistent* sub = info.GetObject(*instance);
    if (!sub) return;
    if (auto* collection = dynamic_cast<TCollection*>(sub)) {
      FPendingName = path;
      return WriteCollection(collection);
    }
    const std::string savedPath = FPropPath;
    FPropPath = path + ".";
    WriteProperties(sub);
    FPropPath = savedPath;
    return;
  }
  FPendingName = path;
  switch (info.Kind) {
    case tkComponent: {
      auto* component = dynamic_cast<TComponent*>(info.GetObject(*instance));
      if (!component) return WriteIdent("nil");
      const std::string& name = component->GetName();
      if (name.empty()) fail("the component it refers to has no name");
      if (Referenced(FRoot, name) != component)
        fail(name + " is neither the root nor one of its components");
      return WriteIdent(name);
    }
    case tkInteger:
      return WriteInteger(info.GetOrd(*instance));
    case tkBoolean:
      return WriteBoolean(info.GetOrd(*instance) != 0);
    case tkEnumeration: {
      const int64_t value = info.GetOrd(*instance);
      const std::string ident = info.EnumName(value);
      if (ident.empty()) fail("the value " + IntToStr(value) + " has no name");
      return WriteIdent(ident);
    }
    case tkSet: {
      const uint64_t mask = uint64_t(info.GetOrd(*instance));
      std::string text;
      for (size_t bit = 0; bit < 64; ++bit) {
        if (!(mask >> bit & 1)) continue;
        if (bit >= info.Names.size()) fail("the set holds a member without a name");
        text += (text.empty() ? "" : ", ") + info.Names[bit];
      }
      return WriteValue("[" + text + "]");
    }
    case tkColor: {
      const int64_t color = info.GetOrd(*instance);
      const std::string ident = ColorToIdent(color);
      if (!ident.empty()) return WriteIdent(ident);
      char hex[16];
      std::snprintf(hex, sizeof hex, "$%08X", unsigned(uint32_t(color)));
      return WriteValue(hex);
    }
    case tkFloat:
      if (info.IsSingle) return WriteSingle(float(info.GetFloat(*instance)));
      return WriteFloat(info.GetFloat(*instance));
    case tkString:
      return WriteString(info.GetStr(*instance));
    default:
      FPendingName.clear();
  }
}

void TWriter::DefineProperty(const std::string& name, const TReaderProc&,
                             const TWriterProc& writeData, bool hasData) {
  if (!hasData || !writeData) return;
  FPendingName = FPropPath + name;
  writeData(*this);
  FPendingName.clear();
}

void TWriter::DefineBinaryProperty(const std::string& name, const TStreamProc&,
                                   const TStreamProc& writeData, bool hasData) {
  if (!hasData || !writeData) return;
  TMemoryStream data;
  writeData(data);
  std::string hex;
  for (int64_t i = 0; i < data.GetSize(); ++i) {
    hex += HexDigits[data.Memory()[i] >> 4];
    hex += HexDigits[data.Memory()[i] & 15];
  }
  FPendingName = FPropPath + name;
  // Long values go on lines of 32 bytes below the name.
  constexpr size_t line = 64;
  if (hex.size() <= line) return WriteValue("{" + hex + "}");
  WriteValue("{");
  FIndent += 2;
  for (size_t i = 0; i < hex.size(); i += line)
    WriteLine(hex.substr(i, line) + (i + line >= hex.size() ? "}" : ""));
  FIndent -= 2;
}

// ---- TReader

struct TReader::TToken {
  enum TKind { tEnd, tIdent, tNumber, tString, tBinary, tSymbol } Kind = tEnd;
  std::string Text;  // the identifier, number, string value, binary bytes or symbol
  int Line = 0;
  size_t End = 0;
};

struct TReader::TFixup {
  TPersistent* Instance;
  const TPropInfo* Info;
  std::string Name;
  std::string Where;
  int Line;
  std::vector<TCollection*> Within;  // an item's fixup goes when one of these is read again
};

TReader::TReader(TStream& stream) : TFiler(stream) {
  FStart = stream.GetPosition();
  FText.resize(size_t(std::max<int64_t>(stream.GetSize() - FStart, 0)));
  stream.ReadBuffer(FText.data(), int64_t(FText.size()));
}

TReader::~TReader() {
  FStream.SetPosition(FStart + int64_t(FConsumed));
}

void TReader::Error(const std::string& message, int line) const {
  if (line == 0) line = FPeeked ? FPeeked->Line : FLine;
  const std::string where = FWhere.empty() ? "layout" : FWhere;
  throw ELayoutError("Error reading " + where + " at line " + std::to_string(line) + ": " + message,
                     this);
}

template <class F>
void TReader::Located(F action, bool keepAssertions) {
  try {
    action();
  } catch (const ELayoutError& e) {
    if (e.Source == this) throw;
    Error(e.Message());
  } catch (const EAssertionFailed& e) {
    if (keepAssertions) throw;
    Error(e.Message());
  } catch (const Exception& e) {
    Error(e.Message());
  }
}

const TReader::TToken& TReader::Peek() {
  if (FPeeked) return *FPeeked;
  const auto at = [&](size_t i) { return i < FText.size() ? FText[i] : '\0'; };
  while (FPos < FText.size() && std::isspace(uint8_t(FText[FPos])))
    if (FText[FPos++] == '\n') ++FLine;
  auto token = std::make_unique<TToken>();
  token->Line = FLine;
  const size_t start = FPos;
  const char c = at(FPos);
  if (FPos >= FText.size()) {
    token->Kind = TToken::tEnd;
  } else if (std::isalpha(uint8_t(c)) || c == '_') {
    token->Kind = TToken::tIdent;
    while (std::isalnum(uint8_t(at(FPos))) || at(FPos) == '_' || at(FPos) == '.') ++FPos;
    token->Text = FText.substr(start, FPos - start);
  } else if (std::isdigit(uint8_t(c)) || c == '-' || c == '+' || c == '$') {
    token->Kind = TToken::tNumber;
    ++FPos;
    for (;;) {
      const char d = at(FPos), previous = at(FPos - 1);
      const bool sign = (d == '-' || d == '+') && (previous == 'e' || previous == 'E') &&
                        FText[start] != '$' && at(start + 1) != '$';
      if (!(std::isalnum(uint8_t(d)) || d == '.' || sign)) break;
      ++FPos;
    }
    token->Text = FText.substr(start, FPos - start);
  } else if (c == '\'' || c == '#') {
    token->Kind = TToken::tString;
    while (at(FPos) == '\'' || at(FPos) == '#') {
      if (at(FPos) == '#') {
        size_t end = ++FPos;
        while (std::isdigit(uint8_t(at(end))) && end - FPos < 4) ++end;
        const int code = end > FPos ? std::stoi(FText.substr(FPos, end - FPos)) : 256;
        if (code > 255) Error("invalid character code in a string");
        token->Text += char(code);
        FPos = end;
        continue;
      }
      for (++FPos;; ++FPos) {
        if (FPos >= FText.size() || FText[FPos] == '\n') Error("unterminated string");
        if (FText[FPos] == '\'') {
          if (at(FPos + 1) != '\'') break;
          ++FPos;
        }
        token->Text += FText[FPos];
      }
      ++FPos;
    }
  } else if (c == '{') {
    token->Kind = TToken::tBinary;
    std::string digits;
    for (++FPos; at(FPos) != '}'; ++FPos) {
      if (FPos >= FText.size()) Error("unterminated binary value");
      const char d = FText[FPos];
      if (d == '\n') ++FLine;
      if (std::isspace(uint8_t(d))) continue;
      if (!std::isxdigit(uint8_t(d))) Error("invalid character in a binary value");
      digits += d;
    }
    ++FPos;
    if (digits.size() % 2) Error("binary value with an odd number of digits");
    for (size_t i = 0; i < digits.size(); i += 2)
      token->Text += char(std::stoi(digits.substr(i, 2), nullptr, 16));
  } else if (std::strchr("=:()[]<>,", c)) {
    token->Kind = TToken::tSymbol;
    token->Text = std::string(1, c);
    ++FPos;
  } else {
    Error("invalid character #" + std::to_string(uint8_t(c)));
  }
  token->End = FPos;
  FPeeked = std::move(token);
  return *FPeeked;
}

TReader::TToken TReader::Next() {
  Peek();
  TToken token = std::move(*FPeeked);
  FPeeked.reset();
  FConsumed = token.End;
  while (FConsumed < FText.size() && std::isspace(uint8_t(FText[FConsumed]))) ++FConsumed;
  return token;
}

bool TReader::PeekIdent(const char* word) {
  const TToken& t = Peek();
  return t.Kind == TToken::tIdent && SameText(t.Text, word);
}

bool TReader::PeekSymbol(char symbol) {
  const TToken& t = Peek();
  return t.Kind == TToken::tSymbol && t.Text[0] == symbol;
}

void TReader::Unexpected(const std::string& expected) {
  const TToken& t = Peek();
  std::string found = t.Kind == TToken::tEnd      ? "the text ends"
                      : t.Kind == TToken::tString ? "a string was found"
                      : t.Kind == TToken::tBinary ? "a binary value was found"
                                                  : "'" + t.Text + "' was found";
  Error(expected + " expected but " + found);
}

void TReader::Expect(char symbol) {
  if (!PeekSymbol(symbol)) Unexpected(std::string("'") + symbol + "'");
  Next();
}

TValueType TReader::NextValue() {
  const TToken& t = Peek();
  switch (t.Kind) {
    case TToken::tEnd:
      return vaNull;
    case TToken::tString:
      return t.Text.size() <= 255 ? vaString : vaLString;
    case TToken::tBinary:
      return vaBinary;
    case TToken::tSymbol:
      return t.Text[0] == '('   ? vaList
             : t.Text[0] == '[' ? vaSet
             : t.Text[0] == '<' ? vaCollection
                                : vaNull;
    case TToken::tIdent:
      if (SameText(t.Text, "True")) return vaTrue;
      if (SameText(t.Text, "False")) return vaFalse;
      if (SameText(t.Text, "nil")) return vaNil;
      if (SameText(t.Text, "INF") || SameText(t.Text, "NAN")) return vaExtended;
      return SameText(t.Text, "end") ? vaNull : vaIdent;
    case TToken::tNumber:
      break;
  }
  if (t.Text.find_first_of(".eEIN") != std::string::npos && t.Text.find('$') == std::string::npos)
    return vaExtended;
  const int64_t v = ReadInt64Text(t.Text);
  return v >= -128 && v <= 127               ? vaInt8
         : v >= -32768 && v <= 32767         ? vaInt16
         : v >= INT32_MIN && v <= UINT32_MAX ? vaInt32
                                             : vaInt64;
}

bool TReader::EndOfList() {
  return NextValue() == vaNull;
}

int64_t TReader::ReadInt64Text(const std::string& text) {
  size_t i = 0;
  const bool negative = text[0] == '-';
  if (text[0] == '-' || text[0] == '+') ++i;
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  }
  uint64_t magnitude = 0;
  const char* begin = text.data() + i;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(begin, end, magnitude, base);
  if (begin == end || ec != std::errc() || ptr != end || magnitude > uint64_t(INT64_MAX))
    Error("'" + text + "' is not a valid integer value");
  return negative ? -int64_t(magnitude) : int64_t(magnitude);
}

int64_t TReader::ReadInt64() {
  if (Peek().Kind != TToken::tNumber) Unexpected("An integer");
  const int64_t v = ReadInt64Text(Peek().Text);
  Next();
  return v;
}

int32_t TReader::ReadInteger() {
  const int64_t v = ReadInt64();
  if (v < INT32_MIN || v > INT32_MAX) Error(IntToStr(v) + " is out of the integer range");
  return int32_t(v);
}

double TReader::ReadFloat() {
  const TToken& t = Peek();
  if (t.Kind == TToken::tIdent && (SameText(t.Text, "INF") || SameText(t.Text, "NAN"))) {
    const bool inf = SameText(Next().Text, "INF");
    return inf ? HUGE_VAL : std::nan("");
  }
  if (t.Kind != TToken::tNumber) Unexpected("A number");
  if (SameText(t.Text, "-INF")) {
    Next();
    return -HUGE_VAL;
  }
  double value = 0;
  if (t.Text.find('$') != std::string::npos)
    value = double(ReadInt64Text(t.Text));
  else
    Located([&] { value = StrToFloat(t.Text, '.'); });
  Next();
  return value;
}

float TReader::ReadSingle() {
  return float(ReadFloat());
}

bool TReader::ReadBoolean() {
  const TValueType type = NextValue();
  if (type != vaTrue && type != vaFalse) Unexpected("True or False");
  Next();
  return type == vaTrue;
}

std::string TReader::ReadString() {
  if (Peek().Kind != TToken::tString) Unexpected("A string");
  return Next().Text;
}

std::string TReader::ReadIdent() {
  if (Peek().Kind != TToken::tIdent) Unexpected("An identifier");
  return Next().Text;
}

void TReader::ReadListBegin() {
  Expect('(');
}
void TReader::ReadListEnd() {
  Expect(')');
}

void TReader::ForgetItems(TCollection* collection, const std::string& path) {
  std::erase_if(FFixups, [collection](const TFixup& fixup) {
    return std::find(fixup.Within.begin(), fixup.Within.end(), collection) != fixup.Within.end();
  });
  if (!FComponent) return;
  auto& names = FComponent->FEventNames;
  const std::string prefix = path + "#";
  for (auto it = names.lower_bound(prefix); it != names.end() && it->first.starts_with(prefix);)
    it = names.erase(it);
}

void TReader::ReadCollection(TCollection* collection) {
  Expect('<');
  const std::string path = FValuePath, savedItemPath = FItemPath;
  const auto clear = [&] {
    ForgetItems(collection, path);
    collection->Clear();
  };
  collection->BeginUpdate();
  FCollections.push_back(collection);
  try {
    clear();
    while (!PeekSymbol('>')) {
      if (!PeekIdent("item")) Unexpected("'item'");
      Next();
      TCollectionItem* item = collection->Add();
      FItemPath = ItemPath(path, item);
      ReadProperties(item);
      if (!PeekIdent("end")) Unexpected("'end'");
      Next();
    }
    Next();
  } catch (...) {
    FCollections.pop_back();
    FItemPath = savedItemPath;
    clear();
    collection->EndUpdate();
    throw;
  }
  FCollections.pop_back();
  FItemPath = savedItemPath;
  collection->EndUpdate();
}

void TReader::DefineProperty(const std::string& name, const TReaderProc& readData,
                             const TWriterProc&, bool) {
  if (FPendingName.empty() || !SameText(name, FPendingName) || !readData) return;
  FPendingName.clear();
  readData(*this);
}

void TReader::DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                                   const TStreamProc&, bool) {
  if (FPendingName.empty() || !SameText(name, FPendingName) || !readData) return;
  FPendingName.clear();
  if (Peek().Kind != TToken::tBinary) Unexpected("A binary value");
  const std::string bytes = Next().Text;
  TMemoryStream data;
  data.WriteBuffer(bytes.data(), int64_t(bytes.size()));
  data.SetPosition(0);
  Located([&] { readData(data); }, true);
  if (data.GetPosition() != data.GetSize())
    Error("the binary value holds " + IntToStr(data.GetSize()) + " bytes, of which " +
          IntToStr(data.GetPosition()) + " were read");
}

void TReader::ReadProperties(TPersistent* instance) {
  while (Peek().Kind == TToken::tIdent && !IsKeyword(Peek().Text)) ReadProperty(instance);
}

void TReader::ReadProperty(TPersistent* instance) {
  const std::string path = Next().Text;
  const std::string savedWhere = FWhere;
  FWhere = (FComponent && !FComponent->GetName().empty() ? FComponent->GetName() + "." : "") + path;
  Expect('=');
  TPersistent* target = instance;
  size_t start = 0;
  for (size_t dot; (dot = path.find('.', start)) != std::string::npos; start = dot + 1) {
    const TPropInfo* info = target->ClassType()->Published().Find(path.substr(start, dot - start));
    if (!info || info->Kind != tkClass || !(target = info->GetObject(*target)))
      Error("property " + path.substr(0, dot) + " is no object of " + instance->ClassName());
  }
  const std::string name = path.substr(start);
  if (name.empty()) Error("invalid property name " + path);
  FValuePath = FItemPath + path;
  if (const TPropInfo* info = target->ClassType()->Published().Find(name)) {
    ReadPropValue(target, *info, path);
  } else {
    FPendingName = name;
    Located([&] { target->DefineProperties(*this); }, true);
    if (!FPendingName.empty()) {
      FPendingName.clear();
      Error("property " + path + " does not exist in " + instance->ClassName());
    }
  }
  FWhere = savedWhere;
}

void TReader::ReadPropValue(TPersistent* instance, const TPropInfo& info, const std::string& path) {
  const int line = Peek().Line;
  const auto checkRange = [&](int64_t value, int64_t min, int64_t max) {
    if (value < min || value > max) Error(IntToStr(value) + " is out of the range of " + info.Name);
  };
  const auto setOrd = [&](int64_t value) {
    checkRange(value, info.MinValue, info.MaxValue);
    Located([&] { info.SetOrd(*instance, value); });
  };
  const auto ident = [&](const std::string& name) {
    const int value = info.EnumValue(name);
    if (value < 0) Error("'" + name + "' is no value of " + info.Name);
    return value;
  };
  switch (info.Kind) {
    case tkInteger:
      return setOrd(ReadInt64());
    case tkBoolean:
      return setOrd(ReadBoolean());
    case tkEnumeration:
      return setOrd(ident(ReadIdent()));
    case tkSet: {
      int64_t mask = 0;
      Expect('[');
      while (!PeekSymbol(']')) {
        mask |= int64_t(1) << ident(ReadIdent());
        if (!PeekSymbol(']')) Expect(',');
      }
      Next();
      return setOrd(mask);
    }
    case tkColor: {
      if (Peek().Kind != TToken::tIdent) {
        // Written as 32 unsigned bits; a signed value of them is taken as well.
        const int64_t bits = ReadInt64();
        checkRange(bits, INT32_MIN, UINT32_MAX);
        return setOrd(int32_t(uint32_t(bits)));
      }
      int64_t color = 0;
      const std::string name = ReadIdent();
      if (!IdentToColor(name, color)) Error("'" + name + "' is no colour");
      return setOrd(color);
    }
    case tkFloat: {
      const double value = ReadFloat();
      return Located([&] { info.SetFloat(*instance, value); });
    }
    case tkString: {
      const std::string value = ReadString();
      return Located([&] { info.SetStr(*instance, value); });
    }
    case tkClass: {
      auto* collection = dynamic_cast<TCollection*>(info.GetObject(*instance));
      if (!collection) Error("property " + path + " is an object: set its own properties");
      return ReadCollection(collection);
    }
    case tkComponent: {
      const std::string name = ReadIdent();
      if (SameText(name, "nil")) return Located([&] { info.SetComponent(*instance, nullptr); });
      FFixups.push_back({instance, &info, name, FWhere, line, FCollections});
      return;
    }
    case tkMethod: {
      const std::string name = ReadIdent();
      if (FComponent) FComponent->SetEventName(FItemPath + path, name);
      FFixups.push_back({instance, &info, name, FWhere, line, FCollections});
      return;
    }
  }
}

void TReader::ReadComponentHeader(std::string& name, std::string& className) {
  if (!PeekIdent("object")) Unexpected("'object'");
  Next();
  className = ReadIdent();
  if (PeekSymbol(':')) {
    Next();
    name = className;
    className = ReadIdent();
  }
  FWhere = name.empty() ? className : name;
}

TComponent* TReader::ReadComponent(TComponent* parent) {
  if (++FDepth > 256) Error("objects nested too deeply");
  std::string name, className;
  ReadComponentHeader(name, className);
  TClass cls = GetClass(className);
  if (!cls) Error("class " + className + " not found");
  if (!cls->InheritsFrom(TComponent::StaticClass())) Error(className + " is no component class");
  TComponent* component = nullptr;
  Located([&] { component = static_cast<TComponent*>(cls->Create(FRoot).release()); });
  FCreated.push_back(component);
  component->SetState(csLoading | csReading, true);
  Located([&] {
    component->SetName(name);
    component->SetParentComponent(parent);
  });
  FLoaded.push_back(component);
  component->ReadState(*this);
  component->SetState(csReading, false);
  --FDepth;
  return component;
}

void TReader::ReadData(TComponent* instance) {
  TComponent* saved = FComponent;
  FComponent = instance;
  ReadProperties(instance);
  while (PeekIdent("object")) ReadComponent(instance);
  if (!PeekIdent("end")) Unexpected("A property, 'object' or 'end'");
  Next();
  FComponent = saved;
}

void TReader::Resolve() {
  for (const TFixup& fixup : FFixups) {
    FWhere = fixup.Where;
    const auto fail = [&](const std::string& why) { Error(why, fixup.Line); };
    if (fixup.Info->Kind == tkMethod) {
      const std::any handler = FRoot->MethodAddress(fixup.Name);
      if (!handler.has_value())
        fail("method " + fixup.Name + " not found in " + FRoot->ClassName());
      try {
        fixup.Info->SetMethod(*fixup.Instance, handler);
      } catch (const EInvalidCast&) {
        fail("method " + fixup.Name + " does not fit " + fixup.Info->Name);
      } catch (const Exception& e) {
        fail(e.Message());
      }
      continue;
    }
    TComponent* target = Referenced(FRoot, fixup.Name);
    if (!target) fail("unresolved reference to " + fixup.Name);
    try {
      fixup.Info->SetComponent(*fixup.Instance, target);
    } catch (const EInvalidCast&) {
      fail(fixup.Name + " is a " + target->ClassName() + ", which does not fit " +
           fixup.Info->Name);
    } catch (const Exception& e) {
      fail(e.Message());
    }
  }
  FFixups.clear();
  FWhere.clear();
}

void TReader::ReadTopLevel(TComponent* root, const std::string& name) {
  root->SetState(csLoading | csReading, true);
  FLoaded.push_back(root);
  Located([&] { root->SetName(name); });
  FComponent = root;
  root->ReadState(*this);
  FWhere.clear();
  if (Peek().Kind != TToken::tEnd) Unexpected("The end of the text");
  Resolve();
  for (TComponent* c : FLoaded) c->SetState(csReading, false);
  for (TComponent* c : FLoaded) c->Loaded();
  FCreated.clear();
  FLoaded.clear();
}

void TReader::Abandon() {
  // Later components first: children go before their parents.
  while (!FCreated.empty()) {
    delete FCreated.back();
    FCreated.pop_back();
  }
  if (FRoot) FRoot->SetState(csLoading | csReading, false);
  FLoaded.clear();
  FFixups.clear();
}

void TReader::ReadRootComponent(TComponent* root) {
  FRoot = root;
  try {
    std::string name, className;
    ReadComponentHeader(name, className);
    if (!root->ClassNameIs(className))
      Error("the layout holds a " + className + ", not a " + root->ClassName());
    ReadTopLevel(root, name);
  } catch (...) {
    Abandon();
    throw;
  }
}

std::unique_ptr<TComponent> TReader::ReadRootComponent() {
  std::string name, className;
  ReadComponentHeader(name, className);
  TClass cls = GetClass(className);
  if (!cls || !cls->InheritsFrom(TComponent::StaticClass()))
    Error("class " + className + " not found among the components");
  std::unique_ptr<TComponent> root;
  Located([&] { root.reset(static_cast<TComponent*>(cls->Create(nullptr).release())); });
  FRoot = root.get();
  try {
    ReadTopLevel(root.get(), name);
  } catch (...) {
    Abandon();
    throw;
  }
  return root;
}

#include "platform/rtl/Classes.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
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
    other->UpdateHearing();
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void rtl_detail::NotificationDeclared(TObject* object, TClass cls) {
  // The class library's own Notification only passes notices on.
  if (cls == TComponent::StaticClass()) return;
  if (auto* component = dynamic_cast<TComponent*>(object)) {
    component->FActsOnNotices = true;
    component->UpdateHearing();
  }
}

bool TComponent::HearsNotices() const {
  return FActsOnNotices || !FFreeNotifies.empty() || !FHearers.empty();
}

void TComponent::UpdateHearing() {
  const bool hears = FOwner && HearsNotices();
  if (hears == FHearing) return;
  FHearing = hears;
  std::vector<TComponent*>& list = FOwner->FHearers;
  const auto at =
      std::lower_bound(list.begin(), list.end(), this,
                       [](TComponent* a, TComponent* b) { return a->FIndex < b->FIndex; });
  if (hears)
    list.insert(at, this);
  else if (at != list.end() && *at == this)
    list.erase(at);
  // The owner passes notices on for as long as it has a component that hears them.
  FOwner->UpdateHearing();
}

void TComponent::Compact() const {
  if (FHoles == 0) return;
  size_t kept = 0;
  for (TComponent* c : FComponents)
    if (c) {
      c->FIndex = int(kept);
      FComponents[kept++] = c;
    }
  FComponents.resize(kept);
  FHoles = 0;
}

void TComponent::Destroying() {
  if (FComponentState & csDestroying) return;
  FComponentState |= csDestroying;
  for (TComponent* c : FComponents)
    if (c) c->Destroying();
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
  Compact();
  return FComponents[index];
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  FOwner->Compact();
  return FIndex;
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (c && SameText(c->FName, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  // A refused component stays with its old owner.
  const TComponent* other = FindComponent(component->FName);
  if (other && other != component)
    throw EComponentError("A component named " + component->FName + " already exists");
  if (component->FOwner) component->FOwner->RemoveComponent(component);
  component->FIndex = int(FComponents.size());
  FComponents.push_back(component);
  component->FOwner = this;
  component->UpdateHearing();
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  Notification(component, opRemove);
  // Told, but not among this one's components: it keeps its own owner.
  if (component->FOwner != this) return;
  const size_t slot = size_t(component->FIndex);
  FComponents[slot] = nullptr;
  ++FHoles;
  while (!FComponents.empty() && !FComponents.back()) {
    FComponents.pop_back();
    --FHoles;
  }
  component->FOwner = nullptr;
  if (component->FHearing) {
    component->FHearing = false;
    EraseValue(FHearers, component);
    UpdateHearing();
  }
  component->FIndex = -1;
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    FComponents.pop_back();
    if (!c) {
      --FHoles;
      continue;
    }
    c->FOwner = nullptr;
    c->FIndex = -1;
    if (c->FHearing) {
      c->FHearing = false;
      EraseValue(FHearers, c);
    }
    delete c;
  }
  UpdateHearing();
}

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(component);
    component->FFreeNotifies.push_back(this);
    UpdateHearing();
    component->UpdateHearing();
  }
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  EraseValue(FFreeNotifies, component);
  EraseValue(component->FFreeNotifies, static_cast<TComponent*>(this));
  UpdateHearing();
  component->UpdateHearing();
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) RemoveFreeNotification(component);
  // Hearers may stop hearing or leave while being told, so the index is checked again each
  // round.
  for (int i = int(FHearers.size()) - 1; i >= 0; --i) {
    if (i >= int(FHearers.size())) i = int(FHearers.size()) - 1;
    if (i < 0) break;
    FHearers[size_t(i)]->Notification(component, operation);
  }
}

void TComponent::Loaded() {
  FComponentState &= ~csLoading;
}

void TComponent::GetChildren(const TGetChildProc& proc, TComponent* root) {
  if (root != this) return;
  for (TComponent* c : FComponents)
    if (c && !c->HasParent()) proc(c);
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
  if (other == this) return;  // clearing first would leave nothing to copy
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

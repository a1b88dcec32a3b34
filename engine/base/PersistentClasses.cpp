#include "engine/base/PersistentClasses.h"

#include <cmath>
#include <filesystem>
#include <memory>

#include "engine/base/ApplicationFileIO.h"

// ---- Readers and writers

void TVirtualReader::ReadTypeError() {
  throw EReadError(ClassName() + ", read type error");
}

void TVirtualReader::RequireBytes(int64_t count) {
  if (count < 0 || count > FStream->GetSize() - FStream->GetPosition())
    throw EReadError("Stream read error");
}

namespace {

void PutLE(uint8_t* out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = uint8_t(value >> (8 * i));
}

uint64_t GetLE(const uint8_t* in, int bytes) {
  uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= uint64_t(in[i]) << (8 * i);
  return value;
}

}  // namespace

void TBinaryWriter::Write(const void* buffer, int32_t count) {
  Stream()->WriteBuffer(buffer, count);
}

void TBinaryWriter::WriteInteger(int32_t value) {
  uint8_t buffer[5];
  int size = 4;
  if (value >= -128 && value <= 127) {
    buffer[0] = vaInt8;
    size = 1;
  } else if (value >= -32768 && value <= 32767) {
    buffer[0] = vaInt16;
    size = 2;
  } else {
    buffer[0] = vaInt32;
  }
  PutLE(buffer + 1, uint32_t(value), size);
  Write(buffer, 1 + size);
}

void TBinaryWriter::WriteBoolean(bool value) {
  const uint8_t tag = value ? vaTrue : vaFalse;
  Write(&tag, 1);
}

void TBinaryWriter::WriteString(const std::string& value) {
  if (value.size() > size_t(INT32_MAX)) throw EWriteError("Stream write error");
  uint8_t header[5];
  int size = 2;
  if (value.size() > 255) {
    header[0] = vaLString;
    PutLE(header + 1, value.size(), 4);
    size = 5;
  } else {
    header[0] = vaString;
    header[1] = uint8_t(value.size());
  }
  Write(header, size);
  if (!value.empty()) Write(value.data(), int32_t(value.size()));
}

void TBinaryWriter::WriteFloat(long double value) {
  uint8_t buffer[11];
  buffer[0] = vaExtended;
  ExtendedToBytes(value, buffer + 1);
  Write(buffer, 11);
}

void TBinaryWriter::WriteListBegin() {
  const uint8_t tag = vaList;
  Write(&tag, 1);
}

void TBinaryWriter::WriteListEnd() {
  const uint8_t tag = vaNull;
  Write(&tag, 1);
}

void TBinaryReader::Read(void* buffer, int32_t count) {
  Stream()->ReadBuffer(buffer, count);
}

uint8_t TBinaryReader::ReadTag() {
  uint8_t tag;
  Read(&tag, 1);
  return tag;
}

void TBinaryReader::ExpectTag(uint8_t tag) {
  if (ReadTag() != tag) ReadTypeError();
}

TValueType TBinaryReader::NextValue() {
  const int64_t position = Stream()->GetPosition();
  const uint8_t tag = ReadTag();
  Stream()->SetPosition(position);
  // Beyond the range of the value types a tag can only be unknown; 31 is no tag of any format.
  return TValueType(tag < 32 ? tag : 31);
}

int32_t TBinaryReader::ReadInteger() {
  uint8_t payload[4];
  switch (ReadTag()) {
    case vaInt8:
      Read(payload, 1);
      return int8_t(payload[0]);
    case vaInt16:
      Read(payload, 2);
      return int16_t(GetLE(payload, 2));
    case vaInt32:
      Read(payload, 4);
      return int32_t(GetLE(payload, 4));
    default:
      ReadTypeError();
  }
}

bool TBinaryReader::ReadBoolean() {
  switch (ReadTag()) {
    case vaFalse:
      return false;
    case vaTrue:
      return true;
    default:
      ReadTypeError();
  }
}

std::string TBinaryReader::ReadString() {
  const uint8_t tag = ReadTag();
  uint8_t header[4];
  int64_t length = 0;
  switch (tag) {
    case vaString:
      Read(header, 1);
      length = header[0];
      break;
    case vaLString:
      Read(header, 4);
      length = int32_t(GetLE(header, 4));
      break;
    case vaWString:
    case vaUTF8String: {
      std::u16string wide;
      ReadWideString(TValueType(tag), wide);
      return WideStringToUTF8(wide);
    }
    default:
      ReadTypeError();
  }
  RequireBytes(length);
  std::string result(size_t(length), '\0');
  if (length > 0) Read(result.data(), int32_t(length));
  return result;
}

void TBinaryReader::ReadWideString(TValueType tag, std::u16string& result) {
  uint8_t header[4];
  Read(header, 4);
  const int64_t count = int32_t(GetLE(header, 4));
  if (tag == vaWString) {
    RequireBytes(count * 2);
    std::string bytes(size_t(count * 2), '\0');
    if (count > 0) Read(bytes.data(), int32_t(count * 2));
    result.resize(size_t(count));
    for (int64_t i = 0; i < count; ++i)
      result[size_t(i)] =
          char16_t(GetLE(reinterpret_cast<const uint8_t*>(&bytes[size_t(2 * i)]), 2));
  } else {
    RequireBytes(count);
    std::string bytes(size_t(count), '\0');
    if (count > 0) Read(bytes.data(), int32_t(count));
    UTF8ToWideString(bytes, result);
  }
}

long double TBinaryReader::ReadFloat() {
  ExpectTag(vaExtended);
  uint8_t bytes[10];
  Read(bytes, 10);
  return BytesToExtended(bytes);
}

void TBinaryReader::ReadListBegin() {
  ExpectTag(vaList);
}

void TBinaryReader::ReadListEnd() {
  ExpectTag(vaNull);
}

bool TBinaryReader::EndOfList() {
  return NextValue() == vaNull;
}

// ---- The extended format: sign and 15-bit exponent (bias 16383) in the top two bytes, a 64-bit
// mantissa with an explicit integer bit below.

void ExtendedToBytes(long double value, uint8_t bytes[10]) {
  uint64_t mantissa = 0;
  int exponent = 0;
  if (std::isnan(value)) {
    mantissa = 0xC000000000000000u;
    exponent = 0x7FFF;
  } else if (std::isinf(value)) {
    mantissa = 0x8000000000000000u;
    exponent = 0x7FFF;
  } else if (value != 0) {
    int e;
    const long double m = std::frexp(std::fabs(value), &e);  // m in [0.5, 1)
    exponent = e - 1 + 16383;
    int shift = 64;
    if (exponent <= 0) {  // denormal: the integer bit is gone and the exponent field is 0
      shift += exponent - 1;
      exponent = 0;
    }
    mantissa = uint64_t(std::ldexp(m, shift));
  }
  PutLE(bytes, mantissa, 8);
  PutLE(bytes + 8, uint32_t(exponent) | (std::signbit(value) ? 0x8000u : 0u), 2);
}

long double BytesToExtended(const uint8_t bytes[10]) {
  const uint64_t mantissa = GetLE(bytes, 8);
  const unsigned top = unsigned(GetLE(bytes + 8, 2));
  const int exponent = int(top & 0x7FFF);
  long double value;
  if (exponent == 0x7FFF)
    value = (mantissa << 1) == 0 ? HUGE_VALL : std::nanl("");
  else
    value = std::ldexp((long double)mantissa, (exponent == 0 ? 1 : exponent) - 16383 - 63);
  return (top & 0x8000) ? -value : value;
}

// ---- Text conversions

void UTF8ToWideString(const std::string& utf8, std::u16string& result) {
  static const uint32_t offsets[6] = {0, 0x3080, 0xE2080, 0x3C82080, 0xFA082080, 0x82082080};
  result.clear();
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    const uint8_t lead = uint8_t(utf8[i]);
    const int extra = lead < 0xC0   ? 0
                      : lead < 0xE0 ? 1
                      : lead < 0xF0 ? 2
                      : lead < 0xF8 ? 3
                      : lead < 0xFC ? 4
                                    : 5;
    if (i + size_t(extra) >= n && extra > 0) break;
    uint32_t cp = 0;
    for (int k = 0; k <= extra; ++k) {
      if (k > 0) cp <<= 6;
      cp += uint8_t(utf8[i++]);
    }
    cp -= offsets[extra];
    if (cp <= 0xFFFF) {
      result.push_back(char16_t(cp));
    } else if (cp <= 0x10FFFF) {
      result.push_back(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
      result.push_back(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      result.push_back(u'\uFFFD');
    }
  }
}

std::string WideStringToUTF8(const std::u16string& wide) {
  std::string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    uint32_t cp = wide[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (wide[++i] - 0xDC00);
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += char(cp);
    } else if (cp < 0x800) {
      out += char(0xC0 | (cp >> 6));
      out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += char(0xE0 | (cp >> 12));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    } else {
      out += char(0xF0 | (cp >> 18));
      out += char(0x80 | ((cp >> 12) & 0x3F));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

// ---- Persistent objects

namespace {

template <class T>
std::unique_ptr<T> CreateFiler(TClass cls, TStream& stream) {
  std::unique_ptr<TObject> object = cls->Create(&stream);
  auto* filer = dynamic_cast<T*>(object.get());
  if (filer == nullptr) throw EInvalidCast("Invalid class typecast");
  object.release();
  return std::unique_ptr<T>(filer);
}

}  // namespace

void TPersistentObject::Assign(TPersistent* source) {
  if (source == nullptr || source->ClassType() != ClassType()) return inherited::Assign(source);
  TStringStream stream;
  static_cast<TPersistentObject*>(source)->SaveToStream(stream);
  stream.SetPosition(0);
  LoadFromStream(stream);
}

std::unique_ptr<TPersistentObject> TPersistentObject::CreateClone() const {
  std::unique_ptr<TObject> object = ClassType()->Create();
  auto clone =
      std::unique_ptr<TPersistentObject>(static_cast<TPersistentObject*>(object.release()));
  clone->Assign(const_cast<TPersistentObject*>(this));
  return clone;
}

void TPersistentObject::WriteToFiler(TVirtualWriter* writer) {
  Assert(writer != nullptr);
}

void TPersistentObject::ReadFromFiler(TVirtualReader* reader) {
  Assert(reader != nullptr);
}

void TPersistentObject::SaveToStream(TStream& stream, TClass writerClass) {
  auto writer =
      CreateFiler<TVirtualWriter>(writerClass ? writerClass : TBinaryWriter::StaticClass(), stream);
  const std::string signature = FileSignature();
  if (!signature.empty()) writer->Write(signature.data(), int32_t(signature.size()));
  WriteToFiler(writer.get());
}

void TPersistentObject::LoadFromStream(TStream& stream, TClass readerClass) {
  auto reader =
      CreateFiler<TVirtualReader>(readerClass ? readerClass : TBinaryReader::StaticClass(), stream);
  const std::string signature = FileSignature();
  if (!signature.empty()) {
    std::string read(signature.size(), '\0');
    const int64_t got = stream.Read(read.data(), int64_t(read.size()));
    if (got != int64_t(read.size()) || read != signature)
      throw EInvalidFileSignature("Invalid file signature");
  }
  ReadFromFiler(reader.get());
}

// The archive is made whole in memory first, so that an object refused on the way leaves the
// file as it was; then written beside the file and renamed into its place (through a link, onto
// the link's target, with the old file's permissions), so that a failed write does too.
void TPersistentObject::SaveToFile(const std::string& fileName, TClass writerClass) {
  namespace fs = std::filesystem;
  TMemoryStream archive;
  SaveToStream(archive, writerClass ? writerClass : FileVirtualWriter());
  std::error_code error;
  fs::path target = fs::canonical(fileName, error);
  const bool replacing = !error;
  if (!replacing) target = fileName;
  std::string temporary;
  for (int n = 0; temporary.empty() || fs::exists(temporary, error); ++n)
    temporary = target.string() + "." + IntToStr(n) + ".tmp";
  try {
    const std::unique_ptr<TStream> stream = CreateFileStream(temporary, fmCreate);
    stream->WriteBuffer(archive.Memory(), archive.GetSize());
  } catch (...) {
    fs::remove(temporary, error);
    throw;
  }
  if (replacing) fs::permissions(temporary, fs::status(target, error).permissions(), error);
  fs::rename(temporary, target, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw EFCreateError("Cannot create file \"" + fileName + "\". " + error.message());
  }
}

void TPersistentObject::LoadFromFile(const std::string& fileName, TClass readerClass) {
  const std::unique_ptr<TStream> stream = CreateFileStream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(*stream, readerClass ? readerClass : FileVirtualReader());
}

std::string TPersistentObject::SaveToString(TClass writerClass) {
  TStringStream stream;
  SaveToStream(stream, writerClass);
  return stream.DataString();
}

void TPersistentObject::LoadFromString(const std::string& data, TClass readerClass) {
  TStringStream stream(data);
  LoadFromStream(stream, readerClass);
}

void TPersistentObject::RaiseFilerException(int32_t archiveVersion) const {
  RaiseFilerException(ClassType(), archiveVersion);
}

void TPersistentObject::RaiseFilerException(TClass cls, int32_t archiveVersion) {
  throw EFilerException(cls->ClassName() + " : unknown archive version " +
                        IntToStr(archiveVersion));
}

// ---- The object list

void TPersistentObjectList::Grow() {
  // Count can only pass Capacity through a caller's mistake, but a write must then still land
  // inside the block.
  if (FCount >= Capacity()) SetCapacity(std::max(Capacity() + FGrowthDelta, FCount + 1));
}

int32_t TPersistentObjectList::Add(TObject* item) {
  Grow();
  FList[size_t(FCount)] = item;
  return FCount++;
}

void TPersistentObjectList::Insert(int32_t index, TObject* item) {
  Grow();
  std::copy_backward(FList.begin() + index, FList.begin() + FCount, FList.begin() + FCount + 1);
  FList[size_t(index)] = item;
  ++FCount;
}

void TPersistentObjectList::Delete(int32_t index) {
  std::copy(FList.begin() + index + 1, FList.begin() + FCount, FList.begin() + index);
  --FCount;
}

int32_t TPersistentObjectList::IndexOf(const TObject* item) const {
  for (int32_t i = 0; i < FCount; ++i)
    if (FList[size_t(i)] == item) return i;
  return -1;
}

int32_t TPersistentObjectList::Remove(const TObject* item) {
  const int32_t index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

TObject* TPersistentObjectList::Pop() {
  if (FCount == 0) return nullptr;
  return FList[size_t(--FCount)];
}

void TPersistentObjectList::SetCount(int32_t count) {
  Assert(count >= 0);
  if (count > Capacity()) SetCapacity(count);
  for (int32_t i = FCount; i < count; ++i) FList[size_t(i)] = nullptr;
  FCount = count;
}

void TPersistentObjectList::SetCapacity(int32_t capacity) {
  Assert(capacity >= 0);
  if (capacity == Capacity()) return;
  if (capacity < FCount) FCount = capacity;
  // Capacity is the logical block; the storage behind it doubles, so that appending one item at
  // a time costs the same per item however long the list grows, and is given back on shrinking.
  if (size_t(capacity) > FList.capacity())
    FList.reserve(std::max(size_t(capacity), 2 * FList.capacity()));
  const bool shrinking = capacity < Capacity();
  FList.resize(size_t(capacity));
  if (shrinking) FList.shrink_to_fit();
}

void TPersistentObjectList::Clear() {
  FCount = 0;
  FList = {};
}

void TPersistentObjectList::Clean() {
  for (int32_t i = FCount - 1; i >= 0; --i)
    if (i < FCount) delete FList[size_t(i)];
}

void TPersistentObjectList::CleanFree() {
  Clean();
  Clear();
}

void TPersistentObjectList::Error() {
  throw EListError("Invalid list index");
}

namespace {

// Lists nested deeper than the layout reader's objects are refused on write and on read, so that
// neither a damaged archive nor a list that holds itself can exhaust the stack; one count per
// thread covers nesting through any writer or reader.
constexpr int MaxListNesting = 256;
thread_local int ListNesting = 0;

template <class E>
class TNestingGuard {
 public:
  explicit TNestingGuard(const char* message) {
    if (ListNesting >= MaxListNesting) throw E(message);
    ++ListNesting;
  }
  ~TNestingGuard() { --ListNesting; }
  TNestingGuard(const TNestingGuard&) = delete;
  TNestingGuard& operator=(const TNestingGuard&) = delete;
};

}  // namespace

void TPersistentObjectList::WriteToFiler(TVirtualWriter* writer) {
  for (int32_t i = 0; i < FCount; ++i) {
    const TObject* item = FList[size_t(i)];
    if (item != nullptr && dynamic_cast<const TPersistentObject*>(item) == nullptr)
      throw EWriteError("Cannot store a " + item->ClassName() + " in an ObjectList archive");
  }
  const TNestingGuard<EWriteError> nesting("ObjectList nested too deeply to store");
  writer->WriteInteger(0);
  writer->WriteListBegin();
  std::vector<TClass> classes;
  for (int32_t i = 0; i < FCount; ++i) {
    auto* item = static_cast<TPersistentObject*>(FList[size_t(i)]);
    if (item == nullptr) {
      writer->WriteBoolean(false);
      writer->WriteInteger(0);
      continue;
    }
    const auto known = std::find(classes.begin(), classes.end(), item->ClassType());
    if (known == classes.end()) {
      writer->WriteString(item->ClassName());
      classes.push_back(item->ClassType());
    } else {
      writer->WriteInteger(int32_t(known - classes.begin()));
    }
    item->WriteToFiler(writer);
  }
  writer->WriteListEnd();
}

void TPersistentObjectList::ReadFromFiler(TVirtualReader* reader) {
  ReadFromFilerWithEvent(reader, [this](TObject* sender) { AfterObjectCreatedByReader(sender); });
}

namespace {

// What a failed read built has no owner to free it: lists inside it give up their elements too.
void FreeReadElements(TPersistentObjectList& list) {
  for (int32_t i = 0; i < list.Count(); ++i)
    if (auto* inner = dynamic_cast<TPersistentObjectList*>(list.Get(i))) FreeReadElements(*inner);
  list.CleanFree();
}

}  // namespace

void TPersistentObjectList::ReadFromFilerWithEvent(TVirtualReader* reader,
                                                   const TNotifyEvent& afterSenderObjectCreated) {
  CleanFree();
  const TNestingGuard<EReadError> nesting("ObjectList archive nested too deeply");
  std::vector<TClass> classes;
  const auto broken = [] { throw EReadError("Broken ObjectList archive"); };
  try {
    const int32_t archiveVersion = reader->ReadInteger();
    if (archiveVersion != 0) RaiseFilerException(archiveVersion);
    reader->ReadListBegin();
    while (!reader->EndOfList()) {
      TClass cls = nullptr;
      switch (reader->NextValue()) {
        case vaInt8:
        case vaInt16:
        case vaInt32: {
          const int32_t index = reader->ReadInteger();
          if (index < 0 || size_t(index) >= classes.size())
            throw EReadError("List index out of bounds (" + IntToStr(index) + ")");
          cls = classes[size_t(index)];
          break;
        }
        case vaString:
        case vaLString: {
          const std::string name = reader->ReadString();
          cls = FindClass(name);
          if (!cls->InheritsFrom(TPersistentObject::StaticClass()))
            throw EReadError("Class " + name + " is not a persistent object class");
          classes.push_back(cls);
          break;
        }
        case vaFalse:
        case vaTrue:
          reader->ReadBoolean();
          // Only nil can come back: any other pointer value was an address in another program.
          if (reader->ReadInteger() != 0) broken();
          Add(nullptr);
          continue;
        default:
          broken();
      }
      std::unique_ptr<TObject> object = cls->Create();
      auto* item = static_cast<TPersistentObject*>(object.get());
      if (afterSenderObjectCreated) afterSenderObjectCreated(item);
      item->ReadFromFiler(reader);
      Add(object.release());
    }
    reader->ReadListEnd();
  } catch (...) {
    FreeReadElements(*this);
    throw;
  }
}

void RegisterPersistentClasses() {
  RegisterClass(TPersistentObjectList::StaticClass());
}

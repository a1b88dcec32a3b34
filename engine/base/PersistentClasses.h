#pragma once
// The engine's own persistence: objects write themselves as a flat sequence of typed values
// through an abstract writer and read themselves back through an abstract reader. The binary
// encoding uses one tag byte per value, with the tag codes of the class library's component
// streams. TPersistentObjectList is the engine's growable object list, storable with the same
// filer.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Classes.h"

class EFilerException : public Exception {
 public:
  using Exception::Exception;
};

class EInvalidFileSignature : public Exception {
 public:
  using Exception::Exception;
};

// A tag the binary reader understands beyond the class library's value types.
constexpr TValueType vaWString = TValueType(18);

class TVirtualWriter : public TObject {
  RTL_CLASS(TVirtualWriter, TObject)
  using TCreateArg = TStream*;
  explicit TVirtualWriter(TStream* stream) : FStream(stream) {}
  TStream* Stream() const { return FStream; }

  virtual void Write(const void* buffer, int32_t count) = 0;
  virtual void WriteInteger(int32_t value) = 0;
  virtual void WriteBoolean(bool value) = 0;
  virtual void WriteString(const std::string& value) = 0;
  virtual void WriteFloat(long double value) = 0;
  virtual void WriteListBegin() = 0;
  virtual void WriteListEnd() = 0;

 private:
  TStream* FStream;  // not owned
};

class TVirtualReader : public TObject {
  RTL_CLASS(TVirtualReader, TObject)
  using TCreateArg = TStream*;
  explicit TVirtualReader(TStream* stream) : FStream(stream) {}
  TStream* Stream() const { return FStream; }

  virtual void Read(void* buffer, int32_t count) = 0;
  // The tag of the next value; nothing is consumed.
  virtual TValueType NextValue() = 0;
  virtual int32_t ReadInteger() = 0;
  virtual bool ReadBoolean() = 0;
  virtual std::string ReadString() = 0;
  virtual long double ReadFloat() = 0;
  virtual void ReadListBegin() = 0;
  virtual void ReadListEnd() = 0;
  virtual bool EndOfList() = 0;

  // EReadError "<reader class>, read type error".
  [[noreturn]] void ReadTypeError();
  // Raises the stream read error when fewer than count bytes remain, so that a length read from
  // a damaged archive never sizes a block the stream cannot fill.
  void RequireBytes(int64_t count);

 private:
  TStream* FStream;  // not owned
};

class TBinaryWriter : public TVirtualWriter {
  RTL_CLASS(TBinaryWriter, TVirtualWriter)
  using TVirtualWriter::TVirtualWriter;
  void Write(const void* buffer, int32_t count) override;
  void WriteInteger(int32_t value) override;
  void WriteBoolean(bool value) override;
  void WriteString(const std::string& value) override;
  void WriteFloat(long double value) override;
  void WriteListBegin() override;
  void WriteListEnd() override;
};

class TBinaryReader : public TVirtualReader {
  RTL_CLASS(TBinaryReader, TVirtualReader)
  using TVirtualReader::TVirtualReader;
  void Read(void* buffer, int32_t count) override;
  TValueType NextValue() override;
  int32_t ReadInteger() override;
  bool ReadBoolean() override;
  // UTF-8; wide and UTF-8 string tags are converted to it.
  std::string ReadString() override;
  long double ReadFloat() override;
  void ReadListBegin() override;
  void ReadListEnd() override;
  bool EndOfList() override;

 protected:
  // The payload of a wide (18) or UTF-8 (20) string tag, the tag already consumed.
  void ReadWideString(TValueType tag, std::u16string& result);

 private:
  uint8_t ReadTag();
  void ExpectTag(uint8_t tag);
};

// The 80-bit x87 extended format, little-endian, built from the value's parts so that it does
// not depend on the width of long double.
void ExtendedToBytes(long double value, uint8_t bytes[10]);
long double BytesToExtended(const uint8_t bytes[10]);

// The reference conversion: continuation bytes are not checked, code points above U+10FFFF give
// U+FFFD, and a sequence cut short by the end of the input ends the decoding.
void UTF8ToWideString(const std::string& utf8, std::u16string& result);
// Lone surrogates become U+FFFD.
std::string WideStringToUTF8(const std::u16string& wide);

class IFilerObject {
 public:
  virtual void WriteToFiler(TVirtualWriter* writer) = 0;
  virtual void ReadFromFiler(TVirtualReader* reader) = 0;

 protected:
  ~IFilerObject() = default;
};

class TPersistentObject : public TPersistent, public IFilerObject {
  RTL_CLASS(TPersistentObject, TPersistent)
  TPersistentObject() = default;

  // A same-class source is copied through a save and load; others go to TPersistent.
  void Assign(TPersistent* source) override;
  std::unique_ptr<TPersistentObject> CreateClone() const;

  // Raw bytes that precede the values in streams; empty for none.
  virtual std::string FileSignature() const { return ""; }
  virtual TClass FileVirtualWriter() const { return TBinaryWriter::StaticClass(); }
  virtual TClass FileVirtualReader() const { return TBinaryReader::StaticClass(); }

  // Descendants write their archive version first and then their values.
  void WriteToFiler(TVirtualWriter* writer) override;
  void ReadFromFiler(TVirtualReader* reader) override;

  // A writer or reader class of nullptr is the binary one (for files: FileVirtualWriter and
  // FileVirtualReader).
  void SaveToStream(TStream& stream, TClass writerClass = nullptr);
  void LoadFromStream(TStream& stream, TClass readerClass = nullptr);
  void SaveToFile(const std::string& fileName, TClass writerClass = nullptr);
  void LoadFromFile(const std::string& fileName, TClass readerClass = nullptr);
  std::string SaveToString(TClass writerClass = nullptr);
  void LoadFromString(const std::string& data, TClass readerClass = nullptr);

  // EFilerException "<class> : unknown archive version <n>".
  [[noreturn]] void RaiseFilerException(int32_t archiveVersion) const;
  [[noreturn]] static void RaiseFilerException(TClass cls, int32_t archiveVersion);
};

// A growable list of object pointers, nil allowed, that never frees its elements on its own:
// the owner calls Clean or CleanFree. Index operations do not check their index.
class TPersistentObjectList : public TPersistentObject {
  RTL_CLASS(TPersistentObjectList, TPersistentObject)
  TPersistentObjectList() = default;
  ~TPersistentObjectList() override { Clear(); }

  int32_t Add(TObject* item);
  void Insert(int32_t index, TObject* item);
  void Delete(int32_t index);
  TObject* Get(int32_t index) const { return FList[size_t(index)]; }
  void Put(int32_t index, TObject* item) { FList[size_t(index)] = item; }
  int32_t IndexOf(const TObject* item) const;
  int32_t Remove(const TObject* item);
  TObject* Pop();
  TObject* const* List() const { return FList.data(); }

  int32_t Count() const { return FCount; }
  void SetCount(int32_t count);
  int32_t Capacity() const { return int32_t(FList.size()); }
  void SetCapacity(int32_t capacity);
  int32_t GrowthDelta() const { return FGrowthDelta; }
  void SetGrowthDelta(int32_t delta) { FGrowthDelta = delta; }

  void Clear();
  // Frees the elements, last first, each time checking the index against the current Count,
  // since an element may remove itself or others from this list while being freed.
  void Clean();
  void CleanFree();

  // EListError "Invalid list index".
  [[noreturn]] virtual void Error();

  // Elements must be nil or persistent objects, checked before anything is written.
  void WriteToFiler(TVirtualWriter* writer) override;
  void ReadFromFiler(TVirtualReader* reader) override;
  // The previous elements are freed first; a broken archive raises and leaves the list empty.
  void ReadFromFilerWithEvent(TVirtualReader* reader, const TNotifyEvent& afterSenderObjectCreated);

 protected:
  // Called for each element the reader creates, before it reads its data.
  virtual void AfterObjectCreatedByReader(TObject* sender) { (void)sender; }

 private:
  void Grow();
  std::vector<TObject*> FList;  // Capacity slots; elements not owned
  int32_t FCount = 0;
  int32_t FGrowthDelta = 16;
};

// Registers TPersistentObjectList with the class registry; called by the start-up routine.
void RegisterPersistentClasses();

#pragma once
// The joint and group records of a data set and the lists that hold them.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Graphics.h"

class TLineSeries;
class TPointSeries;

struct TJoint {
  double Beta = 0;  // azimuth of the dip direction, degrees clockwise from north
  double Psi = 0;   // dip, degrees
  // The chooser entry at the last Add or Change (-1: none); kept for every joint, meaningful
  // only while InGroup is set.
  int32_t GroupIndex = -1;
  TColor Color = clBlack;
  bool InGroup = false;
  std::string Caption;
};

struct TGroup {
  double Beta = 0;  // the mean plane, recomputed at every redraw and never stored
  double Psi = 0;
  TColor Color = clBlack;
  std::string Caption;
  bool Active = false;
};

// "True" or "False".
std::string BooleanToText(bool value);
// "true" or "false" in any letter case; anything else raises EConvertError, quoting an excerpt
// of a long text.
bool TextToBoolean(const std::string& text);

// An ordered list that owns its items: Delete and Clear free them. Indexing out of range raises
// the list index error.
template <class T>
class TOwningList {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  T* operator[](int index) const { return FItems[CheckIndex(index)].get(); }
  T* Add(std::unique_ptr<T> item) {
    FItems.push_back(std::move(item));
    return FItems.back().get();
  }
  void Delete(int index) { FItems.erase(FItems.begin() + CheckIndex(index)); }
  void Clear() { FItems.clear(); }

 private:
  int CheckIndex(int index) const;
  std::vector<std::unique_ptr<T>> FItems;
};

// Raises "List index out of bounds (index)".
[[noreturn]] void ListIndexError(int index);

template <class T>
int TOwningList<T>::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
  return index;
}

using TJointList = TOwningList<TJoint>;
// Exactly ten groups, made with the main window and never added to or removed from.
using TGroupList = TOwningList<TGroup>;
// Freeing a series takes it off its chart.
using TLineSeriesList = TOwningList<TLineSeries>;
using TPointSeriesList = TOwningList<TPointSeries>;

// ---- The data file: the signature line, ten group records of three lines, the joint count and
// six lines per joint, each line ended by CR LF.

extern const char* const DataFileSignature;

struct TGroupRecord {
  std::string Caption;
  bool Active = false;
  TColor Color = clBlack;
};

// The two numbers stay the text of their lines: the editor takes them as they stand.
struct TJointRecord {
  std::string Caption;
  std::string Beta;
  std::string Psi;
  bool InGroup = false;
  int32_t GroupIndex = -1;
  TColor Color = clBlack;
  int GroupIndexLine = 0;  // the line of GroupIndex, counted from 1
};

// Receives the records of a data file in file order.
struct TDataFileVisitor {
  std::function<void(int index, const TGroupRecord&)> Group;
  std::function<void(const TJointRecord&)> Joint;
};

// What a file holds past the joints that its count gives.
struct TDataFileRest {
  int Count = 0;      // the joint count
  int CountLine = 0;  // its line, counted from 1
  // The first line of each six-line record after the counted joints; empty lines at the end of
  // the file are none.
  std::vector<int> Records;
};

// Reads a data file from its bytes as the editing commands take it: a line ends at LF (a CR
// before it is dropped), past the end every line reads as empty text, and a line that is not
// UTF-8 is Windows-1252, the 8-bit text of such files; a UTF-8 byte-order mark before the first
// line is no part of it. Raises "File type incompatible (fileName)" for a wrong first line, a
// message naming the line of a negative joint count, else the converter's message for the
// first record that the commands would refuse, numbers included, led by "Line n: " for its
// line. A long value is quoted by its excerpt. Without a visitor the file is only checked.
TDataFileRest ReadDataFile(std::string_view bytes, const std::string& fileName,
                           const TDataFileVisitor* visitor = nullptr);

// The bytes of a data file: Windows-1252 when every character fits, else UTF-8, so that the
// 8-bit files of other programs keep their bytes and no text is lost.
std::string WriteDataFile(const TGroupList& groups, const TJointList& joints);

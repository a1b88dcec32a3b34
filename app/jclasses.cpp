#include "app/jclasses.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/rtl/SysUtils.h"

void ListIndexError(int index) {
  throw Exception("List index out of bounds (" + std::to_string(index) + ")");
}

std::string BooleanToText(bool value) {
  return value ? "True" : "False";
}

bool TextToBoolean(const std::string& text) {
  std::string lower = text;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "true") return true;
  if (lower == "false") return false;
  throw EConvertError(Excerpt(text) + ": " + "This string cannot be converted to a boolean value.");
}

const char* const DataFileSignature = "A_VALID_VANDREMOLIX_FILE_VERSION000";

namespace {

// The characters of bytes 0x80 to 0x9F in Windows-1252; its five unused bytes stand for the
// control characters of the same number, so that every byte comes back as it was.
constexpr std::array<char32_t, 32> Windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The code point that starts at `at`, which moves past it; U+FFFFFFFF for a byte that starts no
// well-formed UTF-8 sequence (overlong forms and surrogates included).
char32_t NextUtf8(std::string_view text, size_t& at) {
  constexpr char32_t Bad = 0xFFFFFFFF;
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    ++at;
    return lead;
  }
  int length;
  char32_t c, least;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07, least = 0x10000;
  } else {
    return Bad;
  }
  if (text.size() - at < static_cast<size_t>(length)) return Bad;
  for (int i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return Bad;
    c = (c << 6) | (byte(at + i) & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return Bad;
  at += length;
  return c;
}

bool IsUtf8(std::string_view text) {
  for (size_t at = 0; at < text.size();)
    if (NextUtf8(text, at) == 0xFFFFFFFF) return false;
  return true;
}

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (const char b : text) {
    const auto byte = static_cast<unsigned char>(b);
    AppendUtf8(out, byte >= 0x80 && byte <= 0x9F ? Windows1252High[byte - 0x80] : byte);
  }
  return out;
}

// False, leaving `out` unfinished, when a character has no Windows-1252 byte.
bool Utf8ToWindows1252(std::string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const char32_t c = NextUtf8(text, at);
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out += static_cast<char>(c);
      continue;
    }
    const auto* high = std::find(Windows1252High.begin(), Windows1252High.end(), c);
    if (high == Windows1252High.end()) return false;
    out += static_cast<char>(0x80 + (high - Windows1252High.begin()));
  }
  return true;
}

// What `convert` gives, or its conversion error with the message led by "Line n: ".
template <class TConvert>
auto OnLine(int line, TConvert convert) {
  try {
    return convert();
  } catch (const EConvertError& e) {
    throw EConvertError("Line " + std::to_string(line) + ": " + e.Message());
  }
}

// The lines of a data file, decoded to UTF-8; past the end each reads as empty text.
class TDataFileLines {
 public:
  explicit TDataFileLines(std::string_view text) : FText(text) {}
  int Number() const { return FNumber; }
  bool AtEnd() const { return FAt >= FText.size(); }
  std::string Next() {
    ++FNumber;
    if (FAt >= FText.size()) return {};
    size_t end = FText.find('\n', FAt);
    if (end == std::string_view::npos) end = FText.size();
    std::string_view line = FText.substr(FAt, end - FAt);
    FAt = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return IsUtf8(line) ? std::string(line) : Windows1252ToUtf8(line);
  }

 private:
  std::string_view FText;
  size_t FAt = 0;
  int FNumber = 0;
};

// The next line converted by `convert`; its failure names the line first.
template <class TConvert>
auto ReadValue(TDataFileLines& lines, TConvert convert) {
  const std::string text = lines.Next();
  return OnLine(lines.Number(), [&] { return convert(text); });
}

}  // namespace

TDataFileRest ReadDataFile(std::string_view bytes, const std::string& fileName,
                           const TDataFileVisitor* visitor) {
  // Some editors begin every UTF-8 text they save with a byte-order mark.
  constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
  if (bytes.substr(0, ByteOrderMark.size()) == ByteOrderMark)
    bytes.remove_prefix(ByteOrderMark.size());
  TDataFileLines lines(bytes);
  if (lines.Next() != DataFileSignature)
    throw Exception("File type incompatible (" + fileName + ")");
  for (int i = 0; i <= 9; ++i) {
    TGroupRecord group;
    group.Caption = lines.Next();
    group.Active = ReadValue(lines, TextToBoolean);
    group.Color = ReadValue(lines, StrToInt);
    if (visitor) visitor->Group(i, group);
  }
  TDataFileRest rest;
  const std::string countText = lines.Next();
  rest.CountLine = lines.Number();
  rest.Count = OnLine(rest.CountLine, [&] { return StrToInt(countText); });
  if (rest.Count < 0)
    throw EConvertError("'" + Excerpt(countText) + "' on line " + std::to_string(rest.CountLine) +
                        " is not a valid joint count");
  TJointRecord joint;
  for (int j = 0; j < rest.Count; ++j) {
    joint.Caption = lines.Next();
    joint.Beta = lines.Next();
    const int betaLine = lines.Number();
    joint.Psi = lines.Next();
    joint.InGroup = ReadValue(lines, TextToBoolean);
    joint.GroupIndex = ReadValue(lines, StrToInt);
    joint.GroupIndexLine = lines.Number();
    joint.Color = ReadValue(lines, StrToInt);
    // Add converts the numbers once the record is in the editor.
    OnLine(betaLine, [&] { return StrToFloat(joint.Beta); });
    OnLine(betaLine + 1, [&] { return StrToFloat(joint.Psi); });
    if (visitor) visitor->Joint(joint);
  }
  const int first = lines.Number() + 1;
  int last = 0;  // the last line with text
  while (!lines.AtEnd())
    if (!lines.Next().empty()) last = lines.Number();
  for (int line = first; line <= last; line += 6) rest.Records.push_back(line);
  return rest;
}

std::string WriteDataFile(const TGroupList& groups, const TJointList& joints) {
  std::string text;
  const auto line = [&text](const std::string& value) {
    text += value;
    text += "\r\n";
  };
  line(DataFileSignature);
  for (int i = 0; i < groups.Count(); ++i) {
    const TGroup* group = groups[i];
    line(group->Caption);
    line(BooleanToText(group->Active));
    line(IntToStr(group->Color));
  }
  line(IntToStr(joints.Count()));
  for (int i = 0; i < joints.Count(); ++i) {
    const TJoint* joint = joints[i];
    line(joint->Caption);
    line(FloatToStr(joint->Beta));
    line(FloatToStr(joint->Psi));
    line(BooleanToText(joint->InGroup));
    line(IntToStr(joint->GroupIndex));
    line(IntToStr(joint->Color));
  }
  std::string eightBit;
  if (!Utf8ToWindows1252(text, eightBit)) return text;
  // A line whose 8-bit bytes happen to form UTF-8 would read back as other text ("Ã©" as "é"):
  // such a file is written in UTF-8, which reads back as it is.
  for (size_t at = 0; at < eightBit.size();) {
    const size_t end = eightBit.find("\r\n", at);
    const std::string_view line(eightBit.data() + at, end - at);
    const bool ascii = std::all_of(line.begin(), line.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii && IsUtf8(line)) return text;
    at = end + 2;
  }
  return eightBit;
}

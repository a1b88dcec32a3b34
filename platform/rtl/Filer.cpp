// The layout filer (writer, reader and its tokeniser) of the Classes unit, apart from the lists
// and streams it is built on.
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"

namespace {

bool SameText(const std::string& a, const std::string& b) {
  return strcasecmp(a.c_str(), b.c_str()) == 0;
}

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

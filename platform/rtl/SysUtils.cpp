#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

char DecimalSeparator = '.';

std::string ExceptionMessage(const std::exception& e) {
  if (auto* own = dynamic_cast<const Exception*>(&e)) return own->Message();
  return e.what();
}

void AssertAt(const char* file, int line, bool condition, const std::string& message) {
  if (condition) return;
  std::string name = file;
  name = name.substr(name.find_last_of('/') + 1);
  throw EAssertionFailed(message + " (" + name + ", line " + std::to_string(line) + ")");
}

void AssertAt(const char* file, int line, bool condition, const char* message) {
  if (!condition) AssertAt(file, line, false, std::string(message));
}

std::string Excerpt(const std::string& text) {
  // Characters of UTF-8 text are counted by their first bytes; a cut falls before one.
  const auto following = [&](size_t at) {
    return (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
  };
  size_t characters = 0;
  for (size_t at = 0; at < text.size(); ++at) {
    if (at == ExcerptBytes) {
      // Only bytes that are no UTF-8 bring the cut here before ExcerptLength characters. A
      // character that the cut would split, its first byte at most three bytes before, is left
      // out whole.
      size_t lead = at;
      while (lead > at - 3 && following(lead)) --lead;
      const auto first = static_cast<unsigned char>(text[lead]);
      const size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
      return text.substr(0, lead + length > at ? lead : at) + "\u2026";
    }
    if (following(at)) continue;
    if (characters++ == ExcerptLength) return text.substr(0, at) + "\u2026";
  }
  return text;
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

int32_t StrToInt(const std::string& text) {
  const auto fail = [&]() -> int32_t {
    throw EConvertError("'" + Excerpt(text) + "' is not a valid integer value");
  };
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return fail();
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c)))
      digit = std::tolower(c) - 'a' + 10;
    else
      return fail();
    value = value * base + digit;
    if (value > int64_t{1} << 32) return fail();
  }
  if (negative) value = -value;
  // Hexadecimal texts may spell a negative number by its 32-bit pattern, as "$FFFFFFFF".
  if (base == 16 && value > std::numeric_limits<int32_t>::max() && value <= 0xFFFFFFFFll)
    return static_cast<int32_t>(static_cast<uint32_t>(value));
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    return fail();
  return static_cast<int32_t>(value);
}

namespace {

// The value's decimal digits (no leading zeros) and the position of the decimal point relative
// to them: value = 0.d1d2d3... x 10^exponent.
struct TDecimal {
  bool Negative = false;
  std::string Digits;
  int Exponent = 0;
};

TDecimal ToDecimal(double value, int significant) {
  TDecimal d;
  d.Negative = std::signbit(value);
  if (value == 0) return d;
  // Correctly rounded like printf's, without its locale and at a fraction of its cost.
  char buffer[64];
  const char* end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                  std::chars_format::scientific, significant - 1)
                        .ptr;
  const char* e = std::find(static_cast<const char*>(buffer), end, 'e');
  for (const char* c = buffer; c < e; ++c)
    if (*c != '.') d.Digits += *c;
  const char* exponent = e + 1 < end && e[1] == '+' ? e + 2 : e + 1;
  std::from_chars(exponent, end, d.Exponent);
  ++d.Exponent;
  while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
  return d;
}

bool FitsDouble(const TDecimal& d) {
  const std::string text =
      d.Digits + "e" + std::to_string(d.Exponent - static_cast<int>(d.Digits.size()));
  double value;
  return std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc();
}

// Keeps `fraction` decimals, rounding half away from zero on the decimal digits.
void RoundTo(TDecimal& d, int fraction) {
  const int keep = d.Exponent + fraction;
  if (keep < 0) {
    d.Digits.clear();
    return;
  }
  if (static_cast<int>(d.Digits.size()) <= keep) return;
  const bool up = d.Digits[keep] >= '5';
  d.Digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.Digits[i] == '9') d.Digits[i--] = '0';
    if (i >= 0) {
      ++d.Digits[i];
    } else {
      d.Digits.insert(d.Digits.begin(), '1');
      ++d.Exponent;
    }
  }
  while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
}

char DigitAt(const TDecimal& d, int position) {  // position 0 is the first digit left of the point
  const int index = d.Exponent - 1 - position;
  return index >= 0 && index < static_cast<int>(d.Digits.size()) ? d.Digits[index] : '0';
}

}  // namespace

std::string FloatToStr(double value) { return FloatToStr(value, DecimalSeparator); }

std::string FloatToStr(double value, char separator, int significant) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  significant = std::clamp(significant, 1, 17);
  TDecimal d = ToDecimal(value, significant);
  // Rounded up, the largest doubles would read back as no number at all: they are cut instead.
  if (d.Exponent > std::numeric_limits<double>::max_exponent10 && !FitsDouble(d)) {
    d = ToDecimal(value, 40);
    d.Digits.resize(std::min<size_t>(d.Digits.size(), significant));
    while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
  }
  if (d.Digits.empty()) return "0";
  std::string result = d.Negative ? "-" : "";
  if (d.Exponent > 15 || d.Exponent < -3) {
    result += d.Digits[0];
    if (d.Digits.size() > 1) result += separator + d.Digits.substr(1);
    return result + "E" + std::to_string(d.Exponent - 1);
  }
  if (d.Exponent <= 0) {
    result += "0";
    result += separator;
    result += std::string(-d.Exponent, '0') + d.Digits;
    return result;
  }
  for (int p = d.Exponent - 1; p >= 0; --p) result += DigitAt(d, p);
  if (static_cast<int>(d.Digits.size()) > d.Exponent)
    result += separator + d.Digits.substr(d.Exponent);
  return result;
}

double StrToFloat(const std::string& text) { return StrToFloat(text, DecimalSeparator); }

double StrToFloat(const std::string& text, char separator) {
  const auto fail = [&]() -> double {
    throw EConvertError("'" + Excerpt(text) + "' is not a valid floating point value");
  };
  size_t begin = 0, end = text.size();
  while (begin < end && text[begin] == ' ') ++begin;
  while (end > begin && text[end - 1] == ' ') --end;
  std::string plain;  // the number with '.' as separator, checked character by character
  size_t i = begin;
  if (i < end && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') plain += '-';
    ++i;
  }
  int digits = 0;
  while (i < end && std::isdigit(static_cast<unsigned char>(text[i]))) plain += text[i++], ++digits;
  if (i < end && text[i] == separator) {
    plain += '.';
    ++i;
    while (i < end && std::isdigit(static_cast<unsigned char>(text[i])))
      plain += text[i++], ++digits;
  }
  if (digits == 0) return fail();
  if (i < end && (text[i] == 'e' || text[i] == 'E')) {
    plain += 'e';
    ++i;
    if (i < end && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    int exponentDigits = 0;
    while (i < end && std::isdigit(static_cast<unsigned char>(text[i])))
      plain += text[i++], ++exponentDigits;
    if (exponentDigits == 0) return fail();
  }
  if (i != end) return fail();
  double value = 0;
  const auto [ptr, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (error == std::errc::result_out_of_range) {
    // Too small for a double reads as zero; too large is no valid value.
    long double wide = 0;
    const auto wideResult = std::from_chars(plain.data(), plain.data() + plain.size(), wide);
    const bool tiny =
        wideResult.ec == std::errc() ? std::fabs(wide) < 1 : plain.find("e-") != std::string::npos;
    if (!tiny) return fail();
    return 0.0;
  }
  if (error != std::errc() || ptr != plain.data() + plain.size()) return fail();
  return value;
}

std::string FormatFloat(const std::string& pattern, double value) {
  const size_t point = pattern.find('.');
  const std::string integerPart = pattern.substr(0, point);
  const std::string fractionPart = point == std::string::npos ? "" : pattern.substr(point + 1);
  int minInteger = 0, minFraction = 0, maxFraction = 0;
  for (char c : integerPart)
    if (c == '0') ++minInteger;
  for (char c : fractionPart) {
    if (c == '0')
      minFraction = ++maxFraction;
    else if (c == '#')
      ++maxFraction;
  }
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";

  TDecimal d = ToDecimal(value, 18);
  RoundTo(d, maxFraction);
  std::string result = d.Negative && !d.Digits.empty() ? "-" : "";
  const int integerDigits = std::max(d.Digits.empty() ? 0 : d.Exponent, minInteger);
  for (int p = integerDigits - 1; p >= 0; --p) result += DigitAt(d, p);
  std::string fraction;
  for (int f = 0; f < maxFraction; ++f) fraction += DigitAt(d, -1 - f);
  while (static_cast<int>(fraction.size()) > minFraction && fraction.back() == '0')
    fraction.pop_back();
  if (!fraction.empty()) result += DecimalSeparator + fraction;
  return result;
}

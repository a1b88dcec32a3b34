#pragma once
// Exceptions of the class library, and number texts in the user's regional format: every
// failure carries a message text that the application's default handler shows.

#include <cstdint>
#include <exception>
#include <string>

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const std::string& Message() const { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};

class EInvalidCast : public Exception {
 public:
  using Exception::Exception;
};

class EOSError : public Exception {
 public:
  EOSError(std::string message, int errorCode)
      : Exception(std::move(message)), ErrorCode(errorCode) {}
  int ErrorCode;
};

// Always on, also in release builds: raises EAssertionFailed with "message (file, line n)".
#define Assert(...) ::AssertAt(__FILE__, __LINE__, __VA_ARGS__)
void AssertAt(const char* file, int line, bool condition,
              const char* message = "Assertion failure");
void AssertAt(const char* file, int line, bool condition, const std::string& message);

// The message of any exception: ours carry one, foreign ones give what().
std::string ExceptionMessage(const std::exception& e);

// The regional decimal separator; the application sets it from the system locale at start-up.
extern char DecimalSeparator;

// A text as a message quotes it: whole up to ExcerptLength characters, else its first
// ExcerptLength characters and "…", so that a value of any length makes a short message. Bytes
// that are no UTF-8 make it no longer: it never holds more than ExcerptBytes of the text, as
// many as the longest ExcerptLength characters of UTF-8 take.
constexpr size_t ExcerptLength = 40;
constexpr size_t ExcerptBytes = 4 * ExcerptLength;
std::string Excerpt(const std::string& text);

std::string IntToStr(int64_t value);
// Accepts leading blanks, a sign, decimal digits or hexadecimal after "$" or "0x"; the result
// must fit 32 bits. Raises EConvertError "'text' is not a valid integer value", quoting an
// excerpt of a long text, as the float reader does.
int32_t StrToInt(const std::string& text);

// General format: up to 15 significant digits, no trailing zeros, fixed notation while the
// integer part has at most 15 digits and the value is at least 0.0001, else "1.5E-7".
std::string FloatToStr(double value);
// The same layout with a given separator and number of significant digits (1 to 17), for texts
// that must not depend on the region, such as stored layouts.
std::string FloatToStr(double value, char separator, int significant = 15);
// Accepts blanks around, a sign, digits with DecimalSeparator, and an exponent. Raises
// EConvertError "'text' is not a valid floating point value", quoting an excerpt of a long text.
double StrToFloat(const std::string& text);
double StrToFloat(const std::string& text, char separator);

// Digit-placeholder patterns such as "#.##" or "0.00": '0' always prints a digit, '#' only a
// significant one; the last place rounds half away from zero. A value that rounds to zero
// prints no sign.
std::string FormatFloat(const std::string& pattern, double value);

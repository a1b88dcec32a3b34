// Number texts in the regional format: general float format, parsing, "#.##" patterns.
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/rtl/SysUtils.h"

namespace {

class Separator {
 public:
  explicit Separator(char c) : FSaved(DecimalSeparator) { DecimalSeparator = c; }
  ~Separator() { DecimalSeparator = FSaved; }

 private:
  char FSaved;
};

struct TFloatCase {
  double Value;
  const char* Text;
};

}  // namespace

TEST(FloatToStr, GeneralFormatUpToFifteenDigits) {
  const TFloatCase cases[] = {
      {0, "0"},
      {-0.0, "0"},
      {45.5, "45.5"},
      {-120, "-120"},
      {0.1, "0.1"},
      {1.0 / 3, "0.333333333333333"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {1.5e-7, "1.5E-7"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {-2.5e20, "-2.5E20"},
      {99.99999999999999, "100"},
      {std::numeric_limits<double>::infinity(), "INF"},
      // Rounded up, these would pass the largest double; their last digit is cut instead.
      {std::numeric_limits<double>::max(), "1.79769313486231E308"},
      {-std::numeric_limits<double>::max(), "-1.79769313486231E308"},
      {1.7976931348623149e308, "1.79769313486231E308"},
      {1.79769313486231e308, "1.79769313486231E308"},
      {9.999999999999999e307, "1E308"},
  };
  for (char separator : {'.', ','}) {
    Separator scope(separator);
    for (const auto& c : cases) {
      std::string text = c.Text;
      std::replace(text.begin(), text.end(), '.', separator);
      EXPECT_EQ(FloatToStr(c.Value), text) << c.Value << " with " << separator;
    }
    EXPECT_EQ(FloatToStr(std::nan("")), "NAN");
  }
}

TEST(FloatToStr, UsesTheRegionalSeparatorAndReadsBackTheSameDouble) {
  for (char separator : {'.', ','}) {
    Separator scope(separator);
    EXPECT_EQ(FloatToStr(45.5), std::string("45") + separator + "5");
    for (double v : {45.5, 0.1, 1.0 / 3, 359.99, -1e-7, 123.456789012345, 6.02e23}) {
      const std::string text = FloatToStr(v);
      EXPECT_EQ(FloatToStr(StrToFloat(text)), text);
    }
  }
}

TEST(FloatToStr, EveryFiniteDoubleReadsBack) {
  double top = std::numeric_limits<double>::max();
  for (int i = 0; i < 1000; ++i, top = std::nextafter(top, 0.0)) {
    for (double v : {top, -top}) {
      for (int digits : {1, 15, 17}) {
        const std::string text = FloatToStr(v, '.', digits);
        EXPECT_NO_THROW(StrToFloat(text, '.')) << text;
      }
    }
  }
  EXPECT_EQ(StrToFloat(FloatToStr(std::numeric_limits<double>::max(), '.', 17), '.'),
            std::numeric_limits<double>::max());
}

TEST(StrToFloat, AcceptsRegionalNumbers) {
  Separator scope(',');
  const TFloatCase cases[] = {
      {45.5, "45,5"},     {-3, " -3 "}, {0.5, ",5"},   {5, "5,"},        {1500, "1,5e3"},
      {1.5e-3, "1,5E-3"}, {7, "+7"},    {0, "1e-400"}, {0, "-1e-99999"},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(StrToFloat(c.Text), c.Value) << c.Text;
}

TEST(StrToFloat, RejectsWithTheConvertersMessage) {
  Separator scope(',');
  for (const char* text :
       {"", " ", "45.5", "abc", "1,2,3", "1e", "--1", "1e400", "1e99999", "12a", "INF"}) {
    EXPECT_TRUE(
        Raises<EConvertError>([&] { StrToFloat(text); },
                              std::string("'") + text + "' is not a valid floating point value"))
        << "accepted '" << text << "'";
  }
}

TEST(StrToInt, ReadsDecimalAndHexadecimal) {
  const struct {
    const char* Text;
    int32_t Value;
  } cases[] = {{"0", 0},
               {"-12", -12},
               {" 8388608", 8388608},
               {"+5", 5},
               {"$FF", 255},
               {"0x10", 16},
               {"2147483647", 2147483647},
               {"-2147483648", std::numeric_limits<int32_t>::min()},
               {"$FFFFFFFF", -1}};
  for (const auto& c : cases) EXPECT_EQ(StrToInt(c.Text), c.Value) << c.Text;
  for (const char* bad : {"", "-", "1 ", "1.5", "2147483648", "99999999999999999999", "$", "x1"}) {
    EXPECT_TRUE(Raises<EConvertError>([&] { StrToInt(bad); },
                                      std::string("'") + bad + "' is not a valid integer value"))
        << "accepted '" << bad << "'";
  }
}

// Repeats a text.
std::string Times(size_t count, const std::string& text) {
  std::string all;
  for (size_t i = 0; i < count; ++i) all += text;
  return all;
}

// A long text is quoted by its first characters and a mark, whole characters of UTF-8 only, and
// bytes that are no UTF-8 are quoted no further than the longest characters would be.
TEST(ConvertersMessages, QuoteALongTextByItsBeginning) {
  const std::string forty(ExcerptLength, '7');
  const std::string accents = std::string(ExcerptLength - 1, 'a') + "\u00e9\u00e9";
  const std::string stray = "\x80";  // a byte that only ever follows the first of a character
  const std::string han = "\u65e5", face = "\U0001F600";  // of three and of four bytes
  const struct {
    std::string Text, Quoted;
  } cases[] = {
      {forty + "x", forty + "\u2026"},
      {forty + std::string(300000, '1'), forty + "\u2026"},
      {forty + "\u00e9", forty + "\u2026"},
      {accents, std::string(ExcerptLength - 1, 'a') + "\u00e9\u2026"},
      {"\u00e9" + forty, "\u00e9" + forty.substr(1) + "\u2026"},
      {Times(ExcerptLength + 1, face), Times(ExcerptLength, face) + "\u2026"},
      {Times(100000, stray), Times(ExcerptBytes, stray) + "\u2026"},
      // 101 stray bytes and 19 characters make 158 bytes; the 20th character would cross the bound.
      {Times(101, stray) + Times(100, han), Times(101, stray) + Times(19, han) + "\u2026"},
      {Times(ExcerptBytes - 1, stray) + "7" + Times(10, stray),
       Times(ExcerptBytes - 1, stray) + "7\u2026"},
      {Times(ExcerptBytes - 1, stray) + "\u00e9", Times(ExcerptBytes - 1, stray) + "\u2026"},
      {Times(ExcerptBytes - 3, stray) + Times(5, face), Times(ExcerptBytes - 3, stray) + "\u2026"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Quoted);
    EXPECT_TRUE(Raises<EConvertError>([&] { StrToInt(c.Text); },
                                      "'" + c.Quoted + "' is not a valid integer value"));
    EXPECT_TRUE(Raises<EConvertError>([&] { StrToFloat(c.Text); },
                                      "'" + c.Quoted + "' is not a valid floating point value"));
  }
  // Up to the length the text is quoted whole.
  const std::string x40 = std::string(ExcerptLength - 1, '7') + "x";
  EXPECT_TRUE(
      Raises<EConvertError>([&] { StrToInt(x40); }, "'" + x40 + "' is not a valid integer value"));
}

TEST(FormatFloat, DigitPlaceholders) {
  const struct {
    const char* Pattern;
    double Value;
    const char* Text;
  } cases[] = {
      {"#.##", 120, "120"},
      {"#.##", 45.5, "45.5"},
      {"#.##", 0.5, ".5"},
      {"#.##", 0, ""},
      {"#.##", 0.004, ""},
      {"#.##", -0.004, ""},
      {"#.##", -12.345, "-12.35"},
      {"#.##", 0.125, ".13"},
      {"#.##", 1.005, "1"},
      {"#.##", 359.999, "360"},
      {"#.##", 1e20, "100000000000000000000"},
      {"0.00", 0, "0.00"},
      {"0.00", 3.1, "3.10"},
      {"0.##", 0.5, "0.5"},
      {"#", 2.5, "3"},
      {"00", 7, "07"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatFloat(c.Pattern, c.Value), c.Text) << c.Pattern << " " << c.Value;
  Separator scope(',');
  EXPECT_EQ(FormatFloat("#.##", 45.5), "45,5");
}

// Tests of the value operations: a table of cases per operation, then
// properties over many values. The host C library is correct (glibc's printf
// writes exact digits, strtod rounds correctly), so the tests may use it as an
// oracle; the code under test must not.
#include "values/value_ops.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <thread>

namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kTiny = std::numeric_limits<double>::denorm_min();
constexpr std::int32_t kMinInt = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMaxInt = std::numeric_limits<std::int32_t>::max();

double ReadBack(const Text& text) { return std::strtod(text.c_str(), nullptr); }

// |value| in decimal with every digit: glibc writes the exact expansion.
std::string ExactDecimal(double value) {
  static thread_local char buffer[1500];
  std::snprintf(buffer, sizeof buffer, "%.1100f", std::fabs(value));
  return buffer;
}

// The value to `places` places, half away from zero, worked out on its exact
// expansion with string arithmetic: a second, independent way.
Text ExpectedFixed(std::string digits, bool negative, int places) {
  const std::size_t point = digits.find('.');
  const bool up = digits[point + 1 + places] >= '5';
  digits.erase(point, 1);
  digits.resize(point + places);
  for (std::size_t i = digits.size(); up; --i) {  // add one unit in the last place
    if (i == 0) {
      digits.insert(0, "1");
      break;
    }
    if (digits[i - 1] == '9') {
      digits[i - 1] = '0';
    } else {
      ++digits[i - 1];
      break;
    }
  }
  const std::size_t whole = digits.size() - places;
  Text text = negative && digits.find_first_not_of('0') != std::string::npos ? "-" : "";
  text += digits.substr(0, whole);
  if (places > 0) text += "." + digits.substr(whole);
  return text;
}

// A random double with a magnitude between 2^low and 2^high.
double RandomDouble(std::mt19937_64& random, int low, int high) {
  const std::uint64_t mantissa = random() >> 11;  // 53 bits
  const int exponent = std::uniform_int_distribution<int>(low, high)(random);
  const double value = std::ldexp(static_cast<double>(mantissa | (std::uint64_t{1} << 52)), exponent - 52);
  return random() % 2 ? -value : value;
}

// Values worth sweeping: random bit patterns over a wide range, binary
// fractions (many exact ties), and two-place decimals like the program's.
std::vector<double> SampleValues() {
  std::mt19937_64 random(20240611);
  std::vector<double> values;
  for (int i = 0; i < 10000; ++i) values.push_back(RandomDouble(random, -30, 60));
  for (int i = 0; i < 3000; ++i) values.push_back(RandomDouble(random, -1074, 1023));
  for (int k = -5000; k <= 5000; ++k) values.push_back(k / 1024.0);
  for (int k = -5000; k <= 5000; ++k) values.push_back(k / 8.0 + 1e6);
  for (int k = 0; k < 20000; ++k) values.push_back(k / 100.0);
  for (int k = 0; k < 2000; ++k) values.push_back(static_cast<float>(k / 1000.0) * 100.0);
  return values;
}

TEST(ValueOps, ToInteger) {
  const struct {
    double value;
    std::int32_t expected;
  } cases[] = {
      {2.99, 2},
      {-2.99, -2},
      {-4294967295.0, 1},
      {2147483648.0, kMinInt},
      {4294967296.0, 0},
      {4294967295.0, -1},
      {4294967297.5, 1},
      {2147483647.9, kMaxInt},
      {-2147483648.7, kMinInt},
      {-2147483649.0, kMaxInt},
      {0.5, 0},
      {-0.5, 0},
      {0.0, 0},
      {-0.0, 0},
      {kTiny, 0},
      {100.0, 100},
      {9223372036854774784.0, -1024},  // the largest double below 2^63: 2^63 - 1024
      {-9223372036854775808.0, 0},     // -2^63 is in range; its low 32 bits are 0
      {9223372036854775808.0, 0},      // 2^63 is not
      {-9223372036854777856.0, 0},     // the next double below -2^63
      {1e300, 0},
      {-1e300, 0},
      {kMax, 0},
      {kInf, 0},
      {-kInf, 0},
      {kNaN, 0},
      {-kNaN, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ToInteger(c.value), c.expected) << c.value;
}

TEST(ValueOps, FormatFixed) {
  const struct {
    double value;
    std::int32_t places;
    bool grouping;
    const char* expected;
  } cases[] = {
      {0.0, 2, false, "0.00"},
      {-0.0, 2, false, "0.00"},
      {-4881.84, 2, false, "-4881.84"},
      {200.0, 2, false, "200.00"},
      {204800 / 1024.0, 2, false, "200.00"},
      {0.125, 2, false, "0.13"},  // an exact tie goes away from zero
      {-0.125, 2, false, "-0.13"},
      {2047 / 1024.0, 2, false, "2.00"},
      {-2047 / 1024.0, 2, false, "-2.00"},
      {1.005, 2, false, "1.00"},  // the double is 1.00499999999999989...
      {2.675, 2, false, "2.67"},
      {999.995, 2, false, "1000.00"},  // the double is 999.99500000000000455...
      {0.005, 2, false, "0.01"},
      {-0.005, 2, false, "-0.01"},
      {-0.001, 2, false, "0.00"},  // never "-0.00"
      {-0.0049999, 2, false, "0.00"},
      {-kTiny, 2, false, "0.00"},
      {0.1, 2, false, "0.10"},
      {1 / 3.0, 2, false, "0.33"},
      {0.49999999999999994, 2, false, "0.50"},
      {0.49999999999999994, 0, false, "0"},
      {0.5, 0, false, "1"},
      {-0.5, 0, false, "-1"},
      {2.5, 0, false, "3"},
      {-0.4, 0, false, "0"},
      {4503599627370495.5, 0, false, "4503599627370496"},
      {4503599627370495.5, 2, false, "4503599627370495.50"},
      {0.1, 17, false, "0.10000000000000001"},
      {1.0, 17, false, "1.00000000000000000"},
      {1e15 + 0.25, 17, false, "1000000000000000.25000000000000000"},  // N above 2^64
      {4503599627370495.5, 17, false, "4503599627370495.50000000000000000"},
      {-4881.84, 17, false, "-4881.84000000000014552"},
      {kTiny, 17, false, "0.00000000000000000"},
      {1.5, -3, false, "2"},  // places below 0 count as 0
      {1.5, kMinInt, false, "2"},
      {0.1, 99, false, "0.10000000000000001"},  // above 17 as 17
      {0.1, kMaxInt, false, "0.10000000000000001"},
      {9007199254740992.0, 2, false, "9007199254740992.00"},  // 2^53: a whole number
      {9007199254740994.0, 0, false, "9007199254740994"},
      {4503599627370496.0, 1, false, "4503599627370496.0"},  // 2^52, the first with e = 0
      {1e20, 2, false, "100000000000000000000.00"},
      {-1e20, 0, false, "-100000000000000000000"},
      {1e20, 2, true, "100,000,000,000,000,000,000.00"},
      {kInf, 2, false, "0.00"},
      {-kInf, 2, false, "0.00"},
      {kNaN, 2, false, "0.00"},
      {1234567.891, 2, true, "1,234,567.89"},
      {-1234567.891, 2, true, "-1,234,567.89"},
      {1234567.891, 2, false, "1234567.89"},
      {999.999, 2, true, "1,000.00"},
      {999.0, 0, true, "999"},
      {100000.0, 1, true, "100,000.0"},
      {-0.001, 2, true, "0.00"},
      {12.0, 0, true, "12"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatFixed(c.value, c.places, c.grouping), c.expected)
        << c.value << " to " << c.places << " places";
  }
  // The largest double: its exact 309 digits.
  const Text max = FormatFixed(kMax, 0, false);
  EXPECT_EQ(max.size(), 309u);
  EXPECT_EQ(max.substr(0, 20), "17976931348623157081");
  EXPECT_EQ(max.substr(289), "50404026184124858368");
  EXPECT_EQ(ReadBack(max), kMax);
}

TEST(ValueOps, FormatFixedMatchesTheExactExpansion) {
  for (double value : SampleValues()) {
    const std::string exact = ExactDecimal(value);
    for (int places : {0, 1, 2, 3, 9, 17}) {
      ASSERT_EQ(FormatFixed(value, places, false), ExpectedFixed(exact, std::signbit(value), places))
          << std::hexfloat << value << " to " << places << " places";
    }
  }
}

TEST(ValueOps, FormatFixedGroupsThousands) {
  for (double value : {1.0, 12.0, 123.0, 1234.0, 12345.0, 123456.0, 1234567.0, 12345678.0, 1e9, 1e10}) {
    for (double signed_value : {value, -value}) {
      const Text plain = FormatFixed(signed_value, 2, false);
      Text grouped = plain;
      const std::size_t first = signed_value < 0 ? 1 : 0;
      for (std::size_t i = plain.find('.'); i > first + 3;) grouped.insert(i -= 3, ",");
      EXPECT_EQ(FormatFixed(signed_value, 2, true), grouped);
    }
  }
}

TEST(ValueOps, RoundTo) {
  const struct {
    double value;
    std::int32_t places;
    double expected;
  } cases[] = {
      {0.29296875, 2, 0.29},
      {0.75 * 100.0, 0, 75.0},
      {0.004999999888241291 * 100.0, 0, 0.0},  // the single-precision memory case of the readings
      {0.125, 2, 0.13},
      {-0.125, 2, -0.13},
      {2.5, 0, 3.0},
      {-2.5, 0, -3.0},
      {0.49999999999999994, 0, 0.0},
      {74.999999999, 0, 75.0},
      {1.005, 2, 1.0},
      {2.675, 2, 2.67},
      {999.995, 2, 1000.0},
      {0.1 + 0.2, 2, 0.3},
      {1 / 3.0, 2, 0.33},
      {1 / 3.0, 17, 1 / 3.0},  // N ≥ 2^53: the value itself
      {0.1, 17, 0.1},
      {123.456, -1, 123.0},  // places clamp to 0..17
      {123.456, kMinInt, 123.0},
      {0.123456789012345678, 99, 0.123456789012345678},
      {4503599627370495.5, 0, 4503599627370496.0},
      {4503599627370495.5, 1, 4503599627370495.5},
      {9007199254740994.0, 0, 9007199254740994.0},
      {1e300, 2, 1e300},
      {kMax, 0, kMax},
      {kTiny, 2, 0.0},
      {-0.001, 2, -0.0},
      {1e-7, 17, 1e-7},
      {1.23456789e-10, 17, 1.2345679e-10},
      {kInf, 2, kInf},
      {-kInf, 0, -kInf},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RoundTo(c.value, c.places), c.expected) << c.value << " to " << c.places << " places";
  }
  EXPECT_TRUE(std::isnan(RoundTo(kNaN, 2)));
  EXPECT_TRUE(std::signbit(RoundTo(-0.001, 2)));  // a negative value keeps its sign, as round() does
}

// RoundTo gives the double nearest to the decimal that FormatFixed writes.
TEST(ValueOps, RoundToIsTheDoubleOfTheFixedText) {
  for (double value : SampleValues()) {
    for (int places : {0, 1, 2, 3, 9, 17}) {
      const double rounded = RoundTo(value, places);
      ASSERT_EQ(rounded, ReadBack(FormatFixed(value, places, false)))
          << std::hexfloat << value << " to " << places << " places";
      ASSERT_EQ(std::signbit(rounded), std::signbit(value));
    }
  }
}

TEST(ValueOps, ToTextOfReal) {
  const struct {
    double value;
    Text expected;
  } cases[] = {
      {0.29, "0.29"},
      {75.0, "75"},
      {0.29296875, "0.29296875"},
      {-0.5, "-0.5"},
      {0.0, "0"},
      {-0.0, "0"},
      {1e20, "100000000000000000000"},
      {-1e20, "-100000000000000000000"},
      {kNaN, "0"},
      {kInf, "0"},
      {-kInf, "0"},
      {0.1, "0.1"},
      {0.1 + 0.2, "0.30000000000000004"},
      {1 / 3.0, "0.3333333333333333"},
      {2 / 3.0, "0.6666666666666666"},
      {100 / 3.0, "33.333333333333336"},
      {-4881.84, "-4881.84"},
      {37.0, "37"},
      {123456789.123, "123456789.123"},
      {4503599627370495.5, "4503599627370495.5"},
      {4503599627370496.0, "4503599627370496"},
      {9007199254740994.0, "9007199254740994"},  // 2^53 and up: exact digits
      {1152921504606846976.0, "1152921504606846976"},
      {0.49999999999999994, "0.49999999999999994"},
      {1e-7, "0.0000001"},
      {1e-22, "0.0000000000000000000001"},
      {1e-300, "0." + std::string(299, '0') + "1"},
      // Below 2^53 / 10^22, past 22 places: 17 significant digits.
      {1.2345678901234568e-10, "0.00000000012345678901234568"},
      {kTiny, "0." + std::string(323, '0') + "49406564584124654"},
  };
  for (const auto& c : cases) EXPECT_EQ(ToText(c.value), c.expected) << std::hexfloat << c.value;
  const Text max = ToText(kMax);
  EXPECT_EQ(max, FormatFixed(kMax, 0, false));
}

// Every text reads back as the value and is as short as the shortest
// fixed-notation text that does (std::to_chars gives one on the host). Of the
// texts of that length it is the value rounded half away from zero, as
// FormatFixed writes it; to_chars may settle an exact tie the other way.
TEST(ValueOps, ToTextOfRealReadsBackAndIsShortest) {
  for (double value : SampleValues()) {
    const Text text = ToText(value);
    ASSERT_EQ(ReadBack(text), value) << std::hexfloat << value << " gave " << text;
    ASSERT_EQ(text.find_first_of("eE"), Text::npos);
    if (std::fabs(value) >= 1e-6 && std::fabs(value) < 9007199254740992.0) {
      char buffer[400];
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
      ASSERT_EQ(text.size(), static_cast<std::size_t>(result.ptr - buffer)) << std::hexfloat << value;
      const std::size_t point = text.find('.');
      const auto places = static_cast<std::int32_t>(point == Text::npos ? 0 : text.size() - point - 1);
      if (places <= 17) {
        ASSERT_EQ(text, FormatFixed(value, places, false)) << std::hexfloat << value;
      }
    }
  }
  // What the total caption shows: two-place values read back as they are.
  std::mt19937_64 random(7);
  for (int i = 0; i < 20000; ++i) {
    const double rounded = RoundTo(RandomDouble(random, -10, 40), 2);
    const Text text = ToText(rounded);
    ASSERT_EQ(ReadBack(text), rounded) << text;
    ASSERT_LE(text.size() - std::min(text.find('.'), text.size()), 3u) << text;  // at most 2 places
  }
}

TEST(ValueOps, ToNumber) {
  const struct {
    std::string_view text;
    double expected;
  } cases[] = {
      {"0.00", 0.0},
      {"-4881.84", -4881.84},
      {"200.00", 200.0},
      {"0.29", 0.29},
      {"0.13", 0.13},
      {"-0.13", -0.13},
      {"12", 12.0},
      {"-7", -7.0},
      {"0", 0.0},
      {"-0", 0.0},
      {"007.50", 7.5},
      {"0.1", 0.1},
      {"123456789012.34", 123456789012.34},
      {"4503599627370495.50", 4503599627370495.5},
      {"9007199254740991", 9007199254740991.0},
      {"0.10000000000000001", 0.1},
      {"0.1234567890123456789012", 0.1234567890123456789012},
      // Up to 19 significant digits and 27 places: still the nearest double.
      {"9007199254740993", 9007199254740992.0},  // a tie: to even
      {"9007199254740995", 9007199254740996.0},
      {"1234567890123456789", 1234567890123456789.0},
      {"9999999999999999999", 1e19},
      {"0.000000000000000000000000001", 1e-27},
      {"-0.1234567890123456789", -0.1234567890123456789},
      {"1.5\0garbage"sv, 1.5},  // a text ends at its first zero byte
      {"", 0.0},
      {"-", 0.0},
      {".5", 0.0},
      {"-.5", 0.0},
      {"1.", 0.0},
      {"1.2.3", 0.0},
      {"+1", 0.0},
      {" 1", 0.0},
      {"1 ", 0.0},
      {"1e5", 0.0},
      {"--1", 0.0},
      {"1-", 0.0},
      {"1,000.00", 0.0},
      {"abc", 0.0},
      {"0x10", 0.0},
      {"inf", 0.0},
      {"nan", 0.0},
  };
  for (const auto& c : cases) EXPECT_EQ(ToNumber(c.text), c.expected) << c.text;
  // Longer texts: close to the value, not necessarily the nearest double.
  const struct {
    const char* text;
    double expected;
  } long_cases[] = {
      {"100000000000000000000.00", 1e20},
      {"-123456789012345678901234567890.5", -123456789012345678901234567890.5},
      {"0.0000000000000000000000000001", 1e-28},
      {"0.12345678901234567890123456789", 0.12345678901234567890123456789},
  };
  for (const auto& c : long_cases)
    EXPECT_NEAR(ToNumber(c.text), c.expected, std::fabs(c.expected) * 1e-15) << c.text;
  EXPECT_NEAR(ToNumber(FormatFixed(1e300, 2, false)), 1e300, 1e285);
}

// ToNumber reads every two-place text FormatFixed writes as the decimal's
// nearest double, which is what strtod gives.
TEST(ValueOps, ToNumberReadsFixedTextsExactly) {
  for (int k = -3000000; k <= 3000000; k += 97) {
    const Text text = FormatFixed(k / 1024.0, 2, false);
    ASSERT_EQ(ToNumber(text), ReadBack(text)) << text;
  }
  // Any text of up to 19 significant digits is read exactly; longer ones come
  // close.
  for (double value : SampleValues()) {
    for (int places : {0, 2, 9, 17}) {
      const Text text = FormatFixed(value, places, false);
      const double expected = ReadBack(text);
      const std::size_t first = std::min(text.find_first_not_of("-0."), text.size());
      if (text.size() - first - (text.find('.', first) != Text::npos ? 1 : 0) <= 19) {
        ASSERT_EQ(ToNumber(text), expected) << text;
      } else {
        ASSERT_NEAR(ToNumber(text), expected, std::fabs(expected) * 1e-15) << text;
      }
    }
  }
  // The worked example of the readings: 204800 bytes a second.
  EXPECT_EQ(ToInteger(ToNumber(FormatFixed(204800 / 1024.0, 2, false)) / 2.0), 100);
}

// Decimals of up to 19 significant digits and 27 places read as the nearest
// double, which strtod gives; ties among them too.
TEST(ValueOps, ToNumberIsTheNearestDouble) {
  std::mt19937_64 random(11);
  for (int i = 0; i < 100000; ++i) {
    const int length = std::uniform_int_distribution<int>(1, 19)(random);
    std::string digits = std::to_string(random() % 10000000000000000000u);
    digits = std::string(20, '0') + digits;
    digits = digits.substr(digits.size() - length);
    const int places = std::uniform_int_distribution<int>(0, 27)(random);
    if (static_cast<int>(digits.size()) <= places) digits.insert(0, places + 1 - digits.size(), '0');
    if (places > 0) digits.insert(digits.size() - places, ".");
    ASSERT_EQ(ToNumber(digits), ReadBack(digits)) << digits;
    ASSERT_EQ(ToNumber("-" + digits), -ReadBack(digits)) << digits;
  }
  for (const char* tie : {"9007199254740993", "9007199254740995", "18014398509481986", "18014398509481990"}) {
    EXPECT_EQ(ToNumber(tie), ReadBack(tie)) << tie;
  }
}

TEST(ValueOps, ToTextOfOtherValues) {
  EXPECT_EQ(ToText(std::int32_t{0}), "0");
  EXPECT_EQ(ToText(std::int32_t{37}), "37");
  EXPECT_EQ(ToText(std::int32_t{-1}), "-1");
  EXPECT_EQ(ToText(kMaxInt), "2147483647");
  EXPECT_EQ(ToText(kMinInt), "-2147483648");
  EXPECT_EQ(ToText(std::int32_t{1000000000}), "1000000000");

  const struct {
    Bytes bytes;
    const char* expected;
  } bytes_cases[] = {
      {{}, ""},
      {{0}, ""},
      {{'a', 'b', 'c'}, "abc"},
      {{'a', 0, 'b'}, "a"},
      {{'1', '.', '1', '|', 'h'}, "1.1|h"},
      {{0xD0, 0xC2, 0xB0, 0xE6}, "\xD0\xC2\xB0\xE6"},  // code page 936 bytes as they are
  };
  for (const auto& c : bytes_cases) EXPECT_EQ(ToText(c.bytes), c.expected);

  EXPECT_EQ(ToText("abc"sv), "abc");
  EXPECT_EQ(ToText("ab\0cd"sv), "ab");
  EXPECT_EQ(ToText(""sv), "");
  EXPECT_EQ(ToText(std::string_view()), "");
  EXPECT_EQ(ToText("xyz"), "xyz");
  EXPECT_EQ(ToText(static_cast<const char*>(nullptr)), "");
}

TEST(ValueOps, SplitText) {
  const struct {
    std::string_view text;
    std::string_view delimiter;
    std::vector<Text> expected;
  } cases[] = {
      {"1.1|http://x/|note", "|", {"1.1", "http://x/", "note"}},
      {"abc", "|", {"abc"}},
      {"", "|", {""}},
      {"|", "|", {"", ""}},
      {"|a", "|", {"", "a"}},
      {"a|", "|", {"a", ""}},
      {"a||b", "|", {"a", "", "b"}},
      {"a|b", "", {"a|b"}},
      {"", "", {""}},
      {"a--b--c", "--", {"a", "b", "c"}},
      {"a-b", "--", {"a-b"}},
      {"aaa", "aa", {"", "a"}},
      {"a|b\0|c"sv, "|", {"a", "b"}},  // the text ends at its zero byte
      {"a|b", "\0|"sv, {"a|b"}},       // so does the delimiter: it is empty
  };
  for (const auto& c : cases) EXPECT_EQ(SplitText(c.text, c.delimiter), c.expected) << c.text;
}

TEST(ValueOps, JoinText) {
  EXPECT_EQ(JoinText({}), "");
  EXPECT_EQ(JoinText({"a"}), "a");
  EXPECT_EQ(JoinText({"37", "%"}), "37%");
  EXPECT_EQ(JoinText({"a", "", "b", "c"}), "abc");
  EXPECT_EQ(JoinText({"", ""}), "");
  EXPECT_EQ(JoinText({"a\0x"sv, "b"}), "ab");
  const Text owned = "0.29";
  EXPECT_EQ(JoinText({owned, "MB"}), "0.29MB");
}

TEST(ValueOps, BlankBytes) {
  const struct {
    std::int32_t count;
    std::size_t size;
  } cases[] = {{kMinInt, 0}, {-1, 0}, {0, 0}, {1, 1}, {4, 4}, {860, 860}, {100000, 100000}};
  for (const auto& c : cases) EXPECT_EQ(BlankBytes(c.count), Bytes(c.size, 0)) << c.count;
}

TEST(ValueOps, LeftRightAndMidBytes) {
  const Bytes five{1, 2, 3, 4, 5};
  const struct {
    char op;  // L, R or M
    std::int32_t position;
    std::int32_t count;
    Bytes expected;
  } cases[] = {
      {'L', 0, 2, {1, 2}},
      {'L', 0, 5, five},
      {'L', 0, 6, five},
      {'L', 0, 0, {}},
      {'L', 0, -1, {}},
      {'L', 0, kMaxInt, five},
      {'L', 0, kMinInt, {}},
      {'R', 0, 2, {4, 5}},
      {'R', 0, 5, five},
      {'R', 0, 9, five},
      {'R', 0, 0, {}},
      {'R', 0, -3, {}},
      {'R', 0, kMaxInt, five},
      {'R', 0, kMinInt, {}},
      {'M', 1, 5, five},
      {'M', 2, 3, {2, 3, 4}},
      {'M', 5, 1, {5}},
      {'M', 5, 9, {5}},
      {'M', 6, 1, {}},
      {'M', 0, 2, {1}},
      {'M', -1, 4, {1, 2}},
      {'M', -1, 2, {}},
      {'M', 3, 0, {}},
      {'M', 3, -1, {}},
      {'M', kMinInt, kMaxInt, {}},
      {'M', 1, kMaxInt, five},
      {'M', kMaxInt, kMaxInt, {}},
      {'M', kMaxInt, 1, {}},
      {'M', kMinInt, kMinInt, {}},
      {'M', 4, kMaxInt, {4, 5}},
  };
  for (const auto& c : cases) {
    const Bytes result = c.op == 'L'   ? LeftBytes(five, c.count)
                         : c.op == 'R' ? RightBytes(five, c.count)
                                       : MidBytes(five, c.position, c.count);
    EXPECT_EQ(result, c.expected) << c.op << " " << c.position << " " << c.count;
  }

  // Every buffer of 0 to 5 bytes against the plain definition: the bytes
  // whose 1-based index lies in the range asked for.
  const std::int32_t edges[] = {kMinInt, kMinInt + 1, -6, -1, 0, 1, 2, 3, 4, 5, 6, 7, kMaxInt - 1, kMaxInt};
  for (std::size_t size = 0; size <= 5; ++size) {
    const Bytes bytes(five.begin(), five.begin() + size);
    auto pick = [&bytes](std::int64_t first, std::int64_t last) {
      Bytes picked;
      for (std::int64_t i = 1; i <= static_cast<std::int64_t>(bytes.size()); ++i) {
        if (i >= first && i <= last) picked.push_back(bytes[i - 1]);
      }
      return picked;
    };
    const auto n = static_cast<std::int64_t>(size);
    for (std::int32_t count : edges) {
      EXPECT_EQ(LeftBytes(bytes, count), pick(1, count)) << size << " " << count;
      EXPECT_EQ(RightBytes(bytes, count), pick(n - count + 1, n)) << size << " " << count;
      for (std::int32_t position : edges) {
        EXPECT_EQ(MidBytes(bytes, position, count), pick(position, std::int64_t{position} + count - 1))
            << size << " " << position << " " << count;
      }
    }
  }
}

TEST(ValueOps, ReadInt32) {
  const struct {
    Bytes bytes;
    std::int32_t expected;
  } cases[] = {
      {{}, 0},
      {{0x01}, 1},
      {{0xFF}, 255},
      {{0x01, 0x02}, 0x0201},
      {{0x01, 0x02, 0x03}, 0x030201},
      {{0x78, 0x56, 0x34, 0x12}, 0x12345678},
      {{0xFF, 0xFF, 0xFF, 0xFF}, -1},
      {{0x00, 0x00, 0x00, 0x80}, kMinInt},
      {{0xFF, 0xFF, 0xFF, 0x7F}, kMaxInt},
      {{0x40, 0x62, 0x12, 0x00}, 1204800},
      {{0xFF, 0xFF, 0xFF, 0x7F, 0x99}, kMaxInt},  // a fifth byte is not read
      {{0x00, 0x00, 0x00, 0x00, 0x01}, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadInt32(c.bytes), c.expected) << c.bytes.size() << " bytes";
}

// No state: threads at once get what one thread gets (run under TSan too).
TEST(ValueOps, ThreadsAtOnce) {
  std::vector<double> values = SampleValues();
  values.resize(10000);
  std::vector<Text> expected;
  for (double value : values) expected.push_back(ToText(value) + FormatFixed(value, 2, true));
  std::vector<int> mismatches(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (std::size_t i = 0; i < values.size(); ++i) {
        if (ToText(values[i]) + FormatFixed(values[i], 2, true) != expected[i]) ++mismatches[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace

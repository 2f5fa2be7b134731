// Text, number and byte-buffer operations shared by the readings and the
// update check. They keep no state, so any thread may use them at once, and
// none reads outside a buffer whatever its arguments are.
//
// Texts are 8-bit strings in the system's ANSI code page (the captions are
// code page 936); a text ends at its first zero byte wherever it came from.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;

// Bytes up to the first zero byte; an empty buffer gives "".
Text ToText(const Bytes& bytes);
// A copy, ending at the first zero byte.
Text ToText(std::string_view text);
Text ToText(const char* text);
// Decimal digits, with a leading "-" for negative values.
Text ToText(std::int32_t value);
// The shortest decimal that reads back as the value: 0.29 gives "0.29", 75.0
// gives "75", -0.5 gives "-0.5", 1e20 gives "100000000000000000000": the
// value rounded half away from zero, as FormatFixed writes it, at the fewest
// places at which that rounding reads back. Never an exponent and
// never "-0". Whole numbers from 2^53 up show all their digits. Values below
// about 9e-7 that need more than 22 places show 17 significant digits, which
// read back but may be longer than needed. Not-a-number and the infinities
// give "0": callers keep them away. The same text on every platform.
Text ToText(double value);

// The value of a decimal number such as FormatFixed writes ("-4881.84"): an
// optional "-", digits, and optionally "." and digits. It is the double
// nearest to the decimal for up to 19 significant digits and 27 places (so
// for every two-place text FormatFixed writes for a value below 10^17);
// longer texts give a close value, not always the same bit on every
// platform. Anything else (a "+", spaces, grouping commas, an exponent) gives
// 0, and so does a text that ends before a digit.
double ToNumber(std::string_view text);

// The value to exactly `places` places (0 to 17; others are clamped), with
// trailing zeros, rounded half away from zero on the value's exact binary
// expansion (0.125 gives "0.13"); no "-" on a result that shows as zero.
// Digit grouping (thousands separators ",") only when `grouping` is set.
// Not-a-number and the infinities show as 0. The same text on every platform.
Text FormatFixed(double value, std::int32_t places, bool grouping);

// The value rounded half away from zero to `places` (0 to 17; others are
// clamped) places after the decimal point, on its exact binary expansion: the
// double nearest to the decimal FormatFixed would write. A negative value that
// rounds to 0 gives -0.0. Not-a-number and the infinities come back unchanged.
double RoundTo(double value, std::int32_t places);

// The pieces between delimiters, in order; piece n of the text is element
// n - 1. No delimiter in the text: one piece, the whole text. Empty pieces
// (a leading delimiter, two in a row) stay, as empty texts. An empty
// delimiter gives the whole text as one piece. Both end at a zero byte.
std::vector<Text> SplitText(std::string_view text, std::string_view delimiter);

// The texts in order with nothing between them, each up to its first zero
// byte.
Text JoinText(std::initializer_list<std::string_view> texts);

// `count` zero bytes; a count of 0 or below gives an empty buffer.
Bytes BlankBytes(std::int32_t count);
// The first `count` bytes (fewer when the buffer is shorter, none for a
// count of 0 or below).
Bytes LeftBytes(const Bytes& bytes, std::int32_t count);
// The last `count` bytes (fewer when the buffer is shorter, none for a count
// of 0 or below).
Bytes RightBytes(const Bytes& bytes, std::int32_t count);
// `count` bytes from the 1-based `position`, cut to what lies inside the
// buffer: the bytes at positions `position` to `position` + `count` - 1 that
// exist (so position 0 with count 2 gives the first byte).
Bytes MidBytes(const Bytes& bytes, std::int32_t position, std::int32_t count);

// The first 4 bytes as a little-endian two's complement integer; bytes the
// buffer lacks count as 0.
std::int32_t ReadInt32(const Bytes& bytes);

// Truncated toward zero to 64 bits, of which the low 32 bits are the result:
// whole values beyond the 32-bit range wrap modulo 2^32 (4294967296.0 gives
// 0). Not-a-number and values beyond the 64-bit range give 0.
std::int32_t ToInteger(double value);

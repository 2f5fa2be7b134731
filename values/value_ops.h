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
// gives "75", -0.5 gives "-0.5". Never an exponent. Not-a-number and the
// infinities give "0": callers keep them away.
Text ToText(double value);

// The value of a decimal number such as FormatFixed writes ("-4881.84"). A text
// that is not such a number gives 0.
double ToNumber(std::string_view text);

// The value to exactly `places` places (0 to 17), with trailing zeros, rounded
// half away from zero on the value's exact binary expansion; no "-" on a
// result that shows as zero. Digit grouping (thousands separators ",") only
// when `grouping` is set.
Text FormatFixed(double value, std::int32_t places, bool grouping);

// The value rounded half away from zero to `places` (0 to 17) places after the
// decimal point. Not-a-number and the infinities come back unchanged.
double RoundTo(double value, std::int32_t places);

// The pieces between delimiters, in order; piece n of the text is element
// n - 1. No delimiter in the text: one piece, the whole text. Empty pieces
// (a leading delimiter, two in a row) stay, as empty texts. An empty
// delimiter gives the whole text as one piece.
std::vector<Text> SplitText(std::string_view text, std::string_view delimiter);

// The texts in order with nothing between them.
Text JoinText(std::initializer_list<std::string_view> texts);

// `count` zero bytes; a count of 0 or below gives an empty buffer.
Bytes BlankBytes(std::int32_t count);
// The first `count` bytes (fewer when the buffer is shorter).
Bytes LeftBytes(const Bytes& bytes, std::int32_t count);
// The last `count` bytes (fewer when the buffer is shorter).
Bytes RightBytes(const Bytes& bytes, std::int32_t count);
// `count` bytes from the 1-based `position`, cut to what lies inside the
// buffer.
Bytes MidBytes(const Bytes& bytes, std::int32_t position, std::int32_t count);

// The first 4 bytes as a little-endian two's complement integer; bytes the
// buffer lacks count as 0.
std::int32_t ReadInt32(const Bytes& bytes);

// Truncated toward zero to 64 bits, of which the low 32 bits are the result:
// whole values beyond the 32-bit range wrap modulo 2^32 (4294967296.0 gives
// 0). Not-a-number and values beyond the 64-bit range give 0.
std::int32_t ToInteger(double value);

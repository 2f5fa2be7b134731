// The value operations. The decimal conversions of reals use integer
// arithmetic only (no printf, strtod or std::to_chars): those would add a few
// hundred KB to the 32-bit exe, and glibc and msvcrt do not agree, so the texts
// would differ between the host and Windows. A finite double is exactly
// m × 2^e with m < 2^53; everything below works on that exact value.
#include "values/value_ops.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>

namespace {

// An unsigned 128-bit integer made of two halves: i686 has no __int128. It
// holds m × 10^d for m < 2^53 and d ≤ 22, which stays below 2^127.
struct U128 {
  std::uint64_t hi = 0;
  std::uint64_t lo = 0;
  auto operator<=>(const U128&) const = default;  // hi first: numeric order
};

constexpr std::uint64_t kLow32 = 0xFFFFFFFFu;
constexpr std::uint64_t kTwoTo52 = std::uint64_t{1} << 52;
constexpr std::uint64_t kTwoTo53 = std::uint64_t{1} << 53;

U128 Add(U128 a, U128 b) {
  const std::uint64_t lo = a.lo + b.lo;
  return {a.hi + b.hi + (lo < a.lo ? 1 : 0), lo};
}

U128 Subtract(U128 a, U128 b) {  // a ≥ b
  return {a.hi - b.hi - (a.lo < b.lo ? 1 : 0), a.lo - b.lo};
}

U128 Multiply(U128 a, std::uint32_t k) {  // the product must fit
  const std::uint64_t low = (a.lo & kLow32) * k;
  const std::uint64_t high = (a.lo >> 32) * k + (low >> 32);
  return {a.hi * k + (high >> 32), (high << 32) | (low & kLow32)};
}

// Divides a by k in place, 32 bits at a time, and returns the remainder.
std::uint32_t Divide(U128& a, std::uint32_t k) {
  std::uint64_t parts[4] = {a.hi >> 32, a.hi & kLow32, a.lo >> 32, a.lo & kLow32};
  std::uint64_t rest = 0;
  for (std::uint64_t& part : parts) {
    const std::uint64_t current = (rest << 32) | part;
    part = current / k;
    rest = current % k;
  }
  a = {(parts[0] << 32) | parts[1], (parts[2] << 32) | parts[3]};
  return static_cast<std::uint32_t>(rest);
}

// Shifts of 128 or more give 0 (a uint64 shifted by 64 or more would be UB).
U128 ShiftRight(U128 a, std::int32_t s) {
  if (s >= 128) return {};
  if (s >= 64) return {0, a.hi >> (s - 64)};
  if (s == 0) return a;
  return {a.hi >> s, (a.lo >> s) | (a.hi << (64 - s))};
}

U128 ShiftLeft(U128 a, std::int32_t s) {  // s < 128; bits shifted out are lost
  if (s >= 64) return {a.lo << (s - 64), 0};
  if (s == 0) return a;
  return {(a.hi << s) | (a.lo >> (64 - s)), a.lo << s};
}

U128 TimesPowerOfTen(std::uint64_t a, std::int32_t d) {
  U128 product{0, a};
  for (std::int32_t i = 0; i < d; ++i) product = Multiply(product, 10);
  return product;
}

// The decimal digits of a × 2^twos × 5^fives, without leading zeros ("0" for
// 0). A small bignum in base 10^9, least significant limb first; it serves
// the whole numbers of 2^53 and more and the exact expansions of tiny values.
Text Digits(U128 a, std::int32_t twos = 0, std::int32_t fives = 0) {
  constexpr std::uint32_t kBase = 1000000000;
  std::vector<std::uint32_t> limbs;
  do limbs.push_back(Divide(a, kBase));
  while (a != U128{});
  auto times = [&limbs](std::uint32_t k) {  // k < 2^31: limb × k + carry fits in 64 bits
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs) {
      const std::uint64_t t = std::uint64_t{limb} * k + carry;
      limb = static_cast<std::uint32_t>(t % kBase);
      carry = t / kBase;
    }
    for (; carry != 0; carry /= kBase) limbs.push_back(static_cast<std::uint32_t>(carry % kBase));
  };
  for (; twos > 0; twos -= 30) times(std::uint32_t{1} << std::min(twos, 30));
  for (; fives > 0; fives -= 13) {
    std::uint32_t k = 1;
    for (std::int32_t i = std::min(fives, 13); i > 0; --i) k *= 5;
    times(k);
  }
  Text text;
  for (std::size_t i = limbs.size(); i-- > 0;) {
    char group[9];
    for (std::uint32_t limb = limbs[i], j = 9; j-- > 0; limb /= 10)
      group[j] = static_cast<char>('0' + limb % 10);
    text.append(group, 9);
  }
  const std::size_t first = text.find_first_not_of('0');
  return first == Text::npos ? Text("0") : text.substr(first);
}

// A double as ± m × 2^e. Not-a-number and the infinities come out as zero.
struct Parts {
  bool negative;
  std::uint64_t m;
  std::int32_t e;
};

Parts Decompose(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const bool negative = (bits >> 63) != 0;
  const auto field = static_cast<std::int32_t>((bits >> 52) & 0x7FF);
  const std::uint64_t fraction = bits & (kTwoTo52 - 1);
  if (field == 0x7FF) return {negative, 0, -1074};
  if (field == 0) return {negative, fraction, -1074};  // zero and the subnormals
  return {negative, fraction | kTwoTo52, field - 1075};
}

// |value| × 10^d rounded half away from zero, for a value with e < 0 and
// d ≤ 22: N = floor(m × 10^d / 2^s) plus the bit below the cut, s = -e. And
// whether N / 10^d reads back as the value, that is the value is the double
// nearest to it: the decimal is off by rest / (10^d 2^s) below or by
// (2^s - rest) / (10^d 2^s) above, and the neighbouring doubles lie 2^-s away
// (the one below only half as far when m = 2^52 starts a binade); nearer than
// half of that wins, and so does exactly half with an even m (ties to even).
//
// Whenever N ≥ 2^53 the decimal reads back: the value is then at least
// (2^53 - 1/2) / 10^d, so its gap 2^e exceeds 10^-d (a power of two never
// equals 10^-d for d ≥ 1, and d = 0 gives N < 2^52), and the decimal is at
// most 10^-d / 2 off. RoundTo and ToText rely on this.
struct Scaled {
  U128 n;
  bool readsBack;
};

Scaled ScaleAt(const Parts& p, std::int32_t d) {
  const std::int32_t s = -p.e;  // 1 to 1074
  const U128 product = TimesPowerOfTen(p.m, d);
  const U128 whole = ShiftRight(product, s);
  const U128 rest = s >= 128 ? product : Subtract(product, ShiftLeft(whole, s));
  const bool up = (ShiftRight(product, s - 1).lo & 1) != 0;  // rest ≥ 2^(s-1), so s ≤ 127
  // Twice the distance to the value, in units of 1 / (10^d 2^s); four times
  // below a binade's first double, whose lower neighbour is half as far.
  const U128 twice = up ? ShiftLeft(Subtract(ShiftLeft({0, 1}, s), rest), 1)
                        : ShiftLeft(rest, p.m == kTwoTo52 && p.e > -1074 ? 2 : 1);
  const U128 unit = TimesPowerOfTen(1, d);
  return {up ? Add(whole, {0, 1}) : whole, twice < unit || (twice == unit && p.m % 2 == 0)};
}

std::int32_t BitLength(U128 a) {
  return static_cast<std::int32_t>(a.hi != 0 ? 64 + std::bit_width(a.hi) : std::bit_width(a.lo));
}

// The double nearest to n / 10^d (ties to even) for 1 ≤ n < 2^64 and d ≤ 27,
// in integers. (One IEEE division would do for n < 2^53 and d ≤ 22, but i686
// code uses x87 arithmetic unless built with -mfpmath=sse, and x87 rounds the
// quotient to 64 bits before rounding it to 53.) n / 10^d is
// n × 2^k / 5^d × 2^-(k+d): with n × 2^k just below 2^127 and 5^d < 2^63,
// long division gives a quotient q of 64 bits or more, which is cut to 53
// bits and rounded with the bits cut off and the remainder.
double NearestDouble(std::uint64_t n, std::int32_t d) {
  std::uint64_t five = 1;
  for (std::int32_t i = 0; i < d; ++i) five *= 5;
  const auto k = static_cast<std::int32_t>(127 - std::bit_width(n));  // 63 to 126
  const U128 numerator = ShiftLeft({0, n}, k);
  U128 q;
  std::uint64_t rest = 0;
  for (std::int32_t bit = 127; bit >= 0; --bit) {
    rest = (rest << 1) | (ShiftRight(numerator, bit).lo & 1);
    q = ShiftLeft(q, 1);
    if (rest >= five) {
      rest -= five;
      q.lo |= 1;
    }
  }
  std::int32_t cut = BitLength(q) - 53;  // 11 or more
  std::uint64_t m = ShiftRight(q, cut).lo;
  const U128 below = Subtract(q, ShiftLeft({0, m}, cut));
  const U128 half = ShiftLeft({0, 1}, cut - 1);
  if (below > half || (below == half && (rest != 0 || m % 2 != 0))) ++m;
  if (m == kTwoTo53) {
    m = kTwoTo52;
    ++cut;
  }
  // The value is m × 2^(cut - k - d), between 10^-27 and 2^64: a normal double.
  const auto field = static_cast<std::uint64_t>(cut - k - d + 52 + 1023);
  return std::bit_cast<double>((field << 52) | (m - kTwoTo52));
}

// The decimal N / 10^places from the digits of N: "-" when asked and N is not
// 0, the whole part (grouped in threes when asked), then the places.
Text Place(Text digits, std::int32_t places, bool negative, bool grouping) {
  const auto count = static_cast<std::size_t>(places);
  if (digits.size() <= count) digits.insert(0, count + 1 - digits.size(), '0');
  const std::size_t whole = digits.size() - count;
  Text text = negative && digits.find_first_not_of('0') != Text::npos ? "-" : "";
  for (std::size_t i = 0; i < whole; ++i) {
    if (grouping && i > 0 && (whole - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  if (count > 0) text.append(".").append(digits, whole);
  return text;
}

std::string_view UpToZero(std::string_view text) { return text.substr(0, text.find('\0')); }

// The bytes at 1-based positions first to last that lie inside the buffer,
// computed in 64 bits so that no sum of 32-bit arguments overflows.
Bytes Range(const Bytes& bytes, std::int64_t first, std::int64_t last) {
  first = std::max<std::int64_t>(first, 1);
  last = std::min<std::int64_t>(last, static_cast<std::int64_t>(bytes.size()));
  if (first > last) return {};
  return Bytes(bytes.begin() + (first - 1), bytes.begin() + last);
}

}  // namespace

Text ToText(const Bytes& bytes) {
  return Text(bytes.begin(), std::find(bytes.begin(), bytes.end(), std::uint8_t{0}));
}

Text ToText(std::string_view text) { return Text(UpToZero(text)); }

Text ToText(const char* text) { return text == nullptr ? Text() : Text(text); }

Text ToText(std::int32_t value) {
  const std::int64_t wide = value;
  return (value < 0 ? "-" : "") + Digits({0, static_cast<std::uint64_t>(wide < 0 ? -wide : wide)});
}

Text ToText(double value) {
  const Parts p = Decompose(value);
  if (p.e >= 0) return (p.negative ? "-" : "") + Digits({0, p.m}, p.e);  // a whole number
  auto show = [&p](Text digits, std::int32_t places) {
    for (; places > 0 && digits.back() == '0'; --places) digits.pop_back();
    return Place(digits, places, p.negative, false);
  };
  // The fewest places whose rounding reads back. By d = 22 that is found for
  // any value above 2^53 / 10^22 (about 9e-7), as N ≥ 2^53 reads back.
  for (std::int32_t d = 0; d <= 22; ++d) {
    const Scaled scaled = ScaleAt(p, d);
    if (scaled.readsBack) return show(Digits(scaled.n), d);
  }
  // Smaller values (none that this program shows): the exact expansion
  // m × 5^s / 10^s rounded to 17 significant digits, which always read back.
  Text digits = Digits({0, p.m}, 0, -p.e);
  std::int32_t places = -p.e;
  if (digits.size() > 17) {
    std::uint64_t n = 0;
    for (std::size_t i = 0; i < 17; ++i) n = n * 10 + static_cast<std::uint64_t>(digits[i] - '0');
    n += digits[17] >= '5' ? 1 : 0;
    places -= static_cast<std::int32_t>(digits.size() - 17);
    digits = Digits({0, n});
  }
  return show(digits, places);
}

double ToNumber(std::string_view text) {
  text = UpToZero(text);
  const bool negative = !text.empty() && text[0] == '-';
  std::uint64_t n = 0;       // the digits kept
  std::int32_t places = 0;   // kept digits after the point
  std::int32_t dropped = 0;  // whole-part digits past what n holds
  std::int32_t run = 0;      // digits since the start or the point
  bool point = false;
  for (std::size_t i = negative ? 1 : 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && !point && run > 0) {
      point = true;
      run = 0;
      continue;
    }
    if (c < '0' || c > '9') return 0.0;
    ++run;
    if (n < 1000000000000000000u) {  // 10^18: n × 10 + 9 stays below 2^64
      n = n * 10 + static_cast<std::uint64_t>(c - '0');
      places += point ? 1 : 0;
    } else if (!point) {
      ++dropped;
    }
  }
  if (run == 0) return 0.0;  // no digits, or none after the point
  // Exact up to 19 significant digits and 27 places, which covers every
  // two-place text FormatFixed writes for a value below 10^17. Longer texts
  // take floating-point steps: close, but x87 may differ in the last bit.
  double magnitude = n == 0 ? 0.0 : NearestDouble(n, std::min(places, 27));
  auto tens = [](std::int32_t j) {  // 10^j, exact for j ≤ 22
    double power = 1.0;
    while (j-- > 0) power *= 10.0;
    return power;
  };
  for (std::int32_t j; (j = std::min(places - 27, 22)) > 0; places -= j) magnitude /= tens(j);
  for (std::int32_t j; (j = std::min(dropped, 22)) > 0; dropped -= j) magnitude *= tens(j);
  return negative ? -magnitude : magnitude;
}

Text FormatFixed(double value, std::int32_t places, bool grouping) {
  places = std::clamp(places, 0, 17);
  const Parts p = Decompose(value);
  // From 2^52 up every double is a whole number: its digits, then zeros.
  const Text digits = p.e >= 0 ? Digits({0, p.m}, p.e) + Text(static_cast<std::size_t>(places), '0')
                               : Digits(ScaleAt(p, places).n);
  return Place(digits, places, p.negative, grouping);
}

double RoundTo(double value, std::int32_t places) {
  places = std::clamp(places, 0, 17);
  const Parts p = Decompose(value);
  if (!std::isfinite(value) || p.e >= 0) return value;  // whole numbers stay
  // A decimal that reads back has the value as its nearest double; the others
  // have N < 2^53 (see ScaleAt).
  const Scaled scaled = ScaleAt(p, places);
  if (scaled.readsBack || scaled.n >= U128{0, kTwoTo53}) return value;
  const double magnitude = scaled.n.lo == 0 ? 0.0 : NearestDouble(scaled.n.lo, places);
  return p.negative ? -magnitude : magnitude;
}

std::vector<Text> SplitText(std::string_view text, std::string_view delimiter) {
  text = UpToZero(text);
  delimiter = UpToZero(delimiter);
  if (delimiter.empty()) return {Text(text)};
  std::vector<Text> pieces;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(delimiter, start)) != std::string_view::npos;
       start = at + delimiter.size()) {
    pieces.emplace_back(text.substr(start, at - start));
  }
  pieces.emplace_back(text.substr(start));
  return pieces;
}

Text JoinText(std::initializer_list<std::string_view> texts) {
  Text joined;
  for (std::string_view text : texts) joined += UpToZero(text);
  return joined;
}

Bytes BlankBytes(std::int32_t count) { return Bytes(static_cast<std::size_t>(std::max(count, 0)), 0); }

Bytes LeftBytes(const Bytes& bytes, std::int32_t count) { return Range(bytes, 1, count); }

Bytes RightBytes(const Bytes& bytes, std::int32_t count) {
  const auto size = static_cast<std::int64_t>(bytes.size());
  return Range(bytes, size - count + 1, size);
}

Bytes MidBytes(const Bytes& bytes, std::int32_t position, std::int32_t count) {
  return Range(bytes, position, std::int64_t{position} + count - 1);
}

std::int32_t ReadInt32(const Bytes& bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = std::min<std::size_t>(bytes.size(), 4); i-- > 0;) value = (value << 8) | bytes[i];
  return static_cast<std::int32_t>(value);  // modulo 2^32 (C++20)
}

std::int32_t ToInteger(double value) {
  // Only [-2^63, 2^63) converts to int64 without UB; NaN fails both tests.
  if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) return 0;
  return static_cast<std::int32_t>(static_cast<std::int64_t>(value));  // low 32 bits (C++20)
}

#include "update/web_address.h"

#include <algorithm>

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// What a URI may hold (RFC 3986: unreserved, reserved and "%"). Everything
// else, from controls to quotes and backslashes, never reaches the shell.
bool IsUriCharacter(char c) {
  constexpr std::string_view kPunctuation = "-._~:/?#[]@!$&'()*+,;=%";
  return IsAsciiLetter(c) || IsDigit(c) || kPunctuation.find(c) != std::string_view::npos;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char expected, char actual) {
           return expected == actual || (IsAsciiLetter(actual) && (actual | 0x20) == expected);
         });
}

// The address after "http://" or "https://", or nothing for any other scheme.
bool RemoveWebScheme(std::string_view& address) {
  for (std::string_view scheme : {"http://", "https://"}) {
    if (StartsWithIgnoringCase(address, scheme)) {
      address.remove_prefix(scheme.size());
      return true;
    }
  }
  return false;
}

// "host", "host:port" or "[v6]:port", with no user information.
bool IsSafeAuthority(std::string_view authority) {
  if (authority.find('@') != std::string_view::npos) return false;
  std::string_view host = authority;
  const std::size_t colon = authority.rfind(':');
  const std::size_t bracket = authority.rfind(']');
  if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    host = authority.substr(0, colon);
    std::string_view port = authority.substr(colon + 1);
    if (!std::all_of(port.begin(), port.end(), IsDigit)) return false;
  }
  return !host.empty();
}

}  // namespace

std::string_view TrimLineEnd(std::string_view text) {
  const std::size_t end = text.find_last_not_of("\r\n \t");
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

bool IsSafeWebAddress(std::string_view address) {
  if (address.size() > kMaxWebAddressLength) return false;
  if (!std::all_of(address.begin(), address.end(), IsUriCharacter)) return false;
  std::string_view rest = address;
  if (!RemoveWebScheme(rest)) return false;
  return IsSafeAuthority(rest.substr(0, rest.find_first_of("/?#")));
}

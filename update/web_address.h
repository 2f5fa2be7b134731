// The rule for the download page address the update file names. That file
// comes over plain, unauthenticated HTTP, and the address goes to the shell,
// which would also open local files, network shares and any registered
// protocol handler, or pass stray quotes and spaces on to the browser's
// command line. So only a plain web address is let through.
#pragma once

#include <cstddef>
#include <string_view>

// The longest address that is opened.
inline constexpr std::size_t kMaxWebAddressLength = 2048;

// The text without its trailing line end: CR, LF, spaces and tabs at the end
// go, the rest stays as it is.
std::string_view TrimLineEnd(std::string_view text);

// Whether `address` may be handed to the shell: an absolute http:// or
// https:// address (scheme in any case) with a host, at most
// kMaxWebAddressLength bytes, made only of the printable ASCII characters a
// URI may hold, with no user name ("@" before the path) and an optional port
// of digits. Spaces, quotes, backslashes, control characters and bytes of
// 0x80 and above (code page 936 text) are all refused: a real download page
// writes non-ASCII as %XX, and refusing raw multibyte text also keeps a
// double-byte character's trail byte from smuggling in a "\".
bool IsSafeWebAddress(std::string_view address);

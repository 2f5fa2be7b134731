// The update check's services on Windows: WinINet for the fetch, a message
// box, and the shell for the browser.
#pragma once

#include "update/update_services.h"

class WinUpdateServices : public UpdateServices {
 public:
  // A GET through the user's proxy settings, never from or into the cache.
  // Only a 2xx response of at most 64 KiB yields a body; anything else,
  // including a server that takes too long, gives an empty buffer.
  Bytes FetchUrl(const Text& url) override;
  // MessageBoxW with no owner; the texts are code page 936.
  void ShowMessageBox(const Text& message, std::int32_t style, const Text& title) override;
  // ShellExecuteW "open", only for an address IsSafeWebAddress passes.
  void OpenWebAddress(const Text& address) override;
};

// What the update check needs of the platform: an HTTP client, a message box
// and the default web browser. An interface so that it can be faked.
#pragma once

#include <cstdint>

#include "values/value_ops.h"

class UpdateServices {
 public:
  virtual ~UpdateServices() = default;
  // An HTTP GET of `url`: the response body, or an empty buffer when the
  // fetch fails. Returns only when the fetch is over.
  virtual Bytes FetchUrl(const Text& url) = 0;
  // A modal message box; returns once the user has dismissed it.
  virtual void ShowMessageBox(const Text& message, std::int32_t style, const Text& title) = 0;
  // Opens `address` in the user's default web browser.
  virtual void OpenWebAddress(const Text& address) = 0;
};

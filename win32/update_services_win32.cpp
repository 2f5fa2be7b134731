#include "win32/update_services_win32.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>
#include <wininet.h>

#include <algorithm>

#include "update/web_address.h"
#include "win32/code_page.h"
#include "win32/handle.h"
#include "win32/system_library.h"

namespace {

// What bounds a fetch. WinINet gives each step its own time-out: connecting,
// sending the request and each receive (the response head, then each read
// of the body), so opening the address takes at most about 3 x 10 s. The
// body is bounded as a whole: before every read the time since the start is
// checked against 30 s, and that read may wait only for what is left. So a
// server that stalls or trickles anywhere ends the check after about 30 s.
// Name resolution is the system's and is not bounded here. (Wine 8 ignores
// the send and receive time-outs, so there a server that stalls holds the
// update worker until it closes; the window and the end never wait for it.)
constexpr DWORD kStepTimeoutMs = 10'000;
constexpr DWORD kFetchTimeoutMs = 30'000;
// The update file is a line of text; anything longer is not it.
constexpr std::size_t kMaxBodyBytes = 64 * 1024;

constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;

// WinINet's functions, found when the first fetch starts.
struct WinInet {
  decltype(&::InternetOpenW) open;
  decltype(&::InternetSetOptionW) setOption;
  decltype(&::InternetOpenUrlW) openUrl;
  decltype(&::HttpQueryInfoW) queryInfo;
  decltype(&::InternetQueryDataAvailable) queryDataAvailable;
  decltype(&::InternetReadFile) readFile;
  decltype(&::InternetCloseHandle) closeHandle;
};
// Null if WinINet or one of its functions could not be found.
const WinInet* FindWinInet() {
  static const SystemLibrary library(L"wininet.dll");
  static WinInet api{};
  static const bool found =
      library.Find(api.open, "InternetOpenW") && library.Find(api.setOption, "InternetSetOptionW") &&
      library.Find(api.openUrl, "InternetOpenUrlW") && library.Find(api.queryInfo, "HttpQueryInfoW") &&
      library.Find(api.queryDataAvailable, "InternetQueryDataAvailable") &&
      library.Find(api.readFile, "InternetReadFile") && library.Find(api.closeHandle, "InternetCloseHandle");
  return found ? &api : nullptr;
}

struct InternetTraits {
  using Type = HINTERNET;
  static Type Empty() { return nullptr; }
  // A handle exists only once WinINet has been found.
  static void Close(Type handle) { FindWinInet()->closeHandle(handle); }
};
using UniqueInternetHandle = UniqueHandle<InternetTraits>;

void SetTimeout(const WinInet& api, HINTERNET handle, DWORD option, DWORD milliseconds) {
  api.setOption(handle, option, &milliseconds, sizeof milliseconds);
}

bool HasSuccessStatus(const WinInet& api, HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  return api.queryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) &&
         status >= 200 && status <= 299;
}

}  // namespace

Bytes WinUpdateServices::FetchUrl(const Text& url) {
  // GetTickCount wraps every 49.7 days; differences of DWORDs stay right.
  const DWORD started = GetTickCount();
  const WinInet* api = FindWinInet();
  if (!api) return {};
  UniqueInternetHandle session(api->open(L"Lumivane", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return {};
  // Handles opened from the session inherit its time-outs.
  SetTimeout(*api, session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, kStepTimeoutMs);
  SetTimeout(*api, session.get(), INTERNET_OPTION_SEND_TIMEOUT, kStepTimeoutMs);
  SetTimeout(*api, session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, kStepTimeoutMs);

  UniqueInternetHandle request(
      api->openUrl(session.get(), WideFromCodePage936(url).c_str(), nullptr, 0, kRequestFlags, 0));
  if (!request || !HasSuccessStatus(*api, request.get())) return {};

  Bytes body;
  for (;;) {
    const DWORD elapsed = GetTickCount() - started;
    if (elapsed >= kFetchTimeoutMs) return {};
    SetTimeout(*api, request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT,
               std::min(kFetchTimeoutMs - elapsed, kStepTimeoutMs));
    // A read waits until its whole buffer is full, so each one asks only
    // for what has arrived: a server that trickles cannot stretch a read.
    DWORD available = 0;
    if (!api->queryDataAvailable(request.get(), &available, 0, 0)) return {};
    if (available == 0) return body;
    if (body.size() + available > kMaxBodyBytes) return {};
    const std::size_t size = body.size();
    body.resize(size + available);
    DWORD read = 0;
    if (!api->readFile(request.get(), body.data() + size, available, &read)) return {};
    body.resize(size + read);
  }
}

void WinUpdateServices::ShowMessageBox(const Text& message, std::int32_t style, const Text& title) {
  // The box has no owner, so that the monitor window stays usable (and
  // closable) while it is open; it stays on top instead, or the window, shown
  // just after the check starts, could hide it.
  MessageBoxW(nullptr, WideFromCodePage936(message).c_str(), WideFromCodePage936(title).c_str(),
              static_cast<UINT>(style) | MB_SETFOREGROUND | MB_TOPMOST);
}

void WinUpdateServices::OpenWebAddress(const Text& address) {
  // Checked again here: this is the last stop before the shell, whoever
  // calls it.
  if (!IsSafeWebAddress(address)) return;
  static const SystemLibrary ole32(L"ole32.dll");
  static const SystemLibrary shell32(L"shell32.dll");
  decltype(&::CoInitializeEx) coInitializeEx;
  decltype(&::CoUninitialize) coUninitialize;
  decltype(&::ShellExecuteW) shellExecute;
  if (!shell32.Find(shellExecute, "ShellExecuteW")) return;
  // The shell wants an apartment-threaded caller, and OLE1 DDE is of no use
  // to it.
  const bool com = ole32.Find(coInitializeEx, "CoInitializeEx") &&
                   ole32.Find(coUninitialize, "CoUninitialize") &&
                   SUCCEEDED(coInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  shellExecute(nullptr, L"open", WideFromCodePage936(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (com) coUninitialize();
}

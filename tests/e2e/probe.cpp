// Looks at the running Lumivane window from another process, as a user's
// tools would: finds it by its title and reads or drives its controls.
//
//   probe wait [MS]                 waits for the window; prints its process id, the ANSI code
//                                   page, and where its
//                                   client area lies on the screen
//   probe frame                     prints the window's frame on the screen as WxH+X+Y
//   probe layout                    checks every control against the window description
//   probe readings                  prints each control's caption, and each bar's position and colour
//   probe watch MS                  for MS ms, prints each new set of the readings a refresh writes, one
//                                   line each: "ms=T KEY=VALUE ..." (T: ms since the watch began)
//   probe bars                      prints each bar's rectangle on the screen as WxH+X+Y
//   probe set-bar CONTROL POS RGB   sets a bar's position and colour (CONTROL: row in the table)
//   probe ping MS                   sends WM_NULL every 50 ms for MS ms; prints the longest wait
//                                   and more
//   probe close [MS]                closes the window; fails unless the process ends within MS ms
//
// Output is UTF-8, one "key=value" a line.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tests/window_tools.h"
#include "ui/monitor_window.h"
#include "win32/code_page.h"

namespace {

constexpr int kFirstControlId = 100;

HWND FindMonitorWindow() { return FindWindowW(L"LumivaneMonitorWindow", L"Lumivanev1.0"); }

HWND FindControl(HWND window, Control control) {
  struct Search {
    int id;
    HWND found;
  } search{kFirstControlId + static_cast<int>(control), nullptr};
  EnumChildWindows(
      window,
      [](HWND child, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (GetDlgCtrlID(child) != s->id) return TRUE;
        s->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &result);
  return static_cast<LRESULT>(result);
}

HWND WaitForWindow(DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (HWND window = FindMonitorWindow()) return window;
    if (GetTickCount() - start > timeoutMs) return nullptr;
    Sleep(50);
  }
}

int Layout(HWND window) {
  int failures = 0;
  for (const ControlDescription& d : kMonitorControls) {
    if (d.kind == ControlKind::kTimer) continue;
    HWND control = FindControl(window, d.control);
    std::string name(d.name);
    if (!control) {
      std::printf("FAIL %s: missing\n", name.c_str());
      ++failures;
      continue;
    }
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    WindowRect want = RectInWindow(d.control);
    bool placed = rect.left == want.left && rect.top == want.top && rect.right - rect.left == want.width &&
                  rect.bottom - rect.top == want.height;
    std::string caption = Utf8(TextOf(control));
    std::string wantCaption = Utf8(WideFromCodePage936(d.caption));
    bool captioned = caption == wantCaption;
    bool ranged = true;
    if (d.kind == ControlKind::kProgressBar)
      ranged = Ask(control, PBM_GETRANGE, TRUE) == d.rangeMinimum &&
               Ask(control, PBM_GETRANGE, FALSE) == d.rangeMaximum;
    std::printf("%s %s: at %ld,%ld %ldx%ld caption \"%s\"%s\n", placed && captioned && ranged ? "ok" : "FAIL",
                name.c_str(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                caption.c_str(), ranged ? "" : " wrong range");
    if (!placed || !captioned || !ranged) ++failures;
  }
  return failures == 0 ? 0 : 1;
}

using Reading = std::pair<std::string, std::string>;

// Each control's caption, and each bar's position and colour. `refreshedOnly`:
// only what a refresh writes (the transparent labels, the bars and the total).
std::vector<Reading> ReadControls(HWND window, bool refreshedOnly) {
  std::vector<Reading> readings;
  for (const ControlDescription& d : kMonitorControls) {
    if (d.kind == ControlKind::kTimer) continue;
    if (refreshedOnly && d.kind == ControlKind::kLabel && d.control != Control::流量标签) continue;
    if (refreshedOnly && d.kind == ControlKind::kGroupBox) continue;
    HWND control = FindControl(window, d.control);
    std::string name(d.name);
    if (!refreshedOnly || d.kind != ControlKind::kProgressBar)
      readings.emplace_back(name + ".caption", Utf8(TextOf(control)));
    if (d.kind == ControlKind::kProgressBar) {
      char colour[16];
      std::snprintf(colour, sizeof colour, "0x%06lx",
                    static_cast<unsigned long>(Ask(control, PBM_GETBARCOLOR)));
      readings.emplace_back(name + ".position", std::to_string(Ask(control, PBM_GETPOS)));
      readings.emplace_back(name + ".colour", colour);
    }
  }
  return readings;
}

int Readings(HWND window) {
  for (const auto& [key, value] : ReadControls(window, false))
    std::printf("%s=%s\n", key.c_str(), value.c_str());
  return 0;
}

// A refresh writes its readings one control after another, so a poll may
// catch one half-way. A set counts once it has held for 100 ms: a refresh
// writes its set within a few ms, and the next one comes a second later.
int Watch(HWND window, DWORD durationMs) {
  constexpr ULONGLONG kSteadyMs = 100;
  ULONGLONG begin = GetTickCount64();
  ULONGLONG since = 0;  // when `previous` first appeared
  std::vector<Reading> previous, shown;
  for (ULONGLONG now = 0; now < durationMs; now = GetTickCount64() - begin) {
    if (!IsWindow(window)) return 1;
    std::vector<Reading> current = ReadControls(window, true);
    if (current != previous) {
      previous = std::move(current);
      since = now;
    } else if (now - since >= kSteadyMs && current != shown) {
      std::printf("ms=%llu", static_cast<unsigned long long>(since));
      for (const auto& [key, value] : current) std::printf(" %s=%s", key.c_str(), value.c_str());
      std::printf("\n");
      std::fflush(stdout);
      shown = std::move(current);
    }
    Sleep(20);
  }
  return 0;
}

int Bars(HWND window) {
  for (const ControlDescription& d : kMonitorControls) {
    if (d.kind != ControlKind::kProgressBar) continue;
    RECT rect;
    GetWindowRect(FindControl(window, d.control), &rect);
    std::printf("%s.screen=%ldx%ld+%ld+%ld\n", std::string(d.name).c_str(), rect.right - rect.left,
                rect.bottom - rect.top, rect.left, rect.top);
  }
  return 0;
}

int SetBar(HWND window, int row, int position, unsigned long colour) {
  if (row < 0 || row >= kControlCount) return 2;
  HWND bar = FindControl(window, static_cast<Control>(row));
  Ask(bar, PBM_SETPOS, static_cast<WPARAM>(position));
  Ask(bar, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(colour));
  // The label on the bar repaints from the bar's new picture.
  if (auto label = LabelOver(static_cast<Control>(row)))
    InvalidateRect(FindControl(window, *label), nullptr, FALSE);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string command = argv[1];
  DWORD waitMs = command == "wait" && argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 10000;
  HWND window = WaitForWindow(waitMs);
  if (!window) {
    std::printf("error=no window titled Lumivanev1.0\n");
    return 1;
  }
  if (command == "wait") {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    POINT client{0, 0};
    ClientToScreen(window, &client);
    std::printf("pid=%lu\nclient_x=%ld\nclient_y=%ld\nansi_code_page=%u\n",
                static_cast<unsigned long>(processId), client.x, client.y, GetACP());
    return 0;
  }
  if (command == "frame") {
    RECT frame;
    GetWindowRect(window, &frame);
    std::printf("%ldx%ld+%ld+%ld\n", frame.right - frame.left, frame.bottom - frame.top, frame.left,
                frame.top);
    return 0;
  }
  if (command == "layout") return Layout(window);
  if (command == "readings") return Readings(window);
  if (command == "watch" && argc == 3) return Watch(window, std::strtoul(argv[2], nullptr, 10));
  if (command == "bars") return Bars(window);
  if (command == "set-bar" && argc == 5)
    return SetBar(window, std::atoi(argv[2]), std::atoi(argv[3]), std::strtoul(argv[4], nullptr, 0));
  if (command == "ping" && argc == 3) return Ping(window, std::strtoul(argv[2], nullptr, 10));
  if (command == "close") return CloseAndWait(window, argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 2000);
  return 2;
}

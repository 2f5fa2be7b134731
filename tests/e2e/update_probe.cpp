// Looks at the update check's message box from another process, as a user
// would see it, and answers it.
//
//   update_probe show MS        waits up to MS ms for the box; prints what it shows:
//                                 text=THE TEXT   (UTF-8; CR, LF and "\" written as \r, \n, \\)
//                                 icon=information|warning|error|question|application|unknown|hidden|none
//                                                 (the system icon its picture on the screen shows)
//                                 buttons=IDS     (the ids of its visible buttons, e.g. "1" for OK)
//                                 process=same|other  (whose it is, next to the Lumivane window's)
//                                 covered=yes|no  (whether another window lay over its icon; it is
//                                                  then raised, so that the icon can be seen)
//   update_probe ok MS          presses the box's OK; fails unless the box is gone within MS ms
//   update_probe box-absent MS  fails if the box appears (shown or not yet) within MS ms
//
// The box: a top-level dialog ("#32770") titled "新版本". Exits 1 when what
// is asked for is not seen in time.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tests/window_tools.h"

namespace {

HWND FindUpdateBox() { return FindWindowW(L"#32770", L"新版本"); }

// The box once it shows: it is found by its title before its text is set
// and before it is shown.
HWND WaitForBox(DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND box = FindUpdateBox(); box && IsWindowVisible(box)) return box;
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    Sleep(20);
  }
}

// The line stays one line: CR, LF and the escape character itself escaped.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\\')
      out += "\\\\";
    else
      out += c;
  }
  return out;
}

struct BoxContents {
  std::wstring text;
  HWND icon = nullptr;
  std::string buttons;
};

// One child of the box: its text, its icon or one of its buttons.
BOOL CALLBACK NoteChild(HWND child, LPARAM param) {
  auto* contents = reinterpret_cast<BoxContents*>(param);
  if (!IsWindowVisible(child)) return TRUE;
  const std::wstring name = ClassOf(child);
  if (_wcsicmp(name.c_str(), L"Static") == 0) {
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      contents->icon = child;
    } else if (std::wstring text = TextOf(child); !text.empty()) {
      contents->text = std::move(text);
    }
  } else if (_wcsicmp(name.c_str(), L"Button") == 0) {
    if (!contents->buttons.empty()) contents->buttons += ',';
    contents->buttons += std::to_string(GetDlgCtrlID(child));
  }
  return TRUE;
}

BoxContents Contents(HWND box) {
  BoxContents contents;
  EnumChildWindows(box, NoteChild, reinterpret_cast<LPARAM>(&contents));
  return contents;
}

using Pixels = std::vector<std::uint32_t>;

// WIDTH x HEIGHT pixels of `source` at X,Y, or of `icon` drawn at that size
// over `background` when `icon` is given.
Pixels Picture(HDC source, int x, int y, int width, int height, HICON icon = nullptr,
               COLORREF background = 0) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(source);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    DeleteDC(dc);
    return {};
  }
  HGDIOBJ previous = SelectObject(dc, bitmap);
  if (icon) {
    RECT all{0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
  } else {
    BitBlt(dc, 0, 0, width, height, source, x, y, SRCCOPY);
  }
  GdiFlush();
  const auto* first = static_cast<const std::uint32_t*>(bits);
  Pixels pixels(first, first + static_cast<std::size_t>(width) * height);
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

// Which system icon the icon control shows, told by its picture on the
// screen (an icon handle means nothing in another process): the one that
// matches all but a few pixels, drawn over the box's own background.
const char* IconShown(HWND control) {
  if (!control) return "none";
  RECT rect;
  GetWindowRect(control, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  const POINT middle{rect.left + width / 2, rect.top + height / 2};
  // Nothing lies over it (a point on a static control may give its dialog).
  if (width <= 0 || height <= 0 ||
      GetAncestor(WindowFromPoint(middle), GA_ROOT) != GetAncestor(control, GA_ROOT))
    return "hidden";
  HDC screen = GetDC(nullptr);
  const COLORREF background = GetPixel(screen, rect.left - 1, rect.top);
  const Pixels shown = Picture(screen, rect.left, rect.top, width, height);
  if (shown.empty()) {
    ReleaseDC(nullptr, screen);
    return "unknown";
  }
  const struct {
    const wchar_t* id;
    const char* name;
  } candidates[] = {{IDI_INFORMATION, "information"},
                    {IDI_WARNING, "warning"},
                    {IDI_ERROR, "error"},
                    {IDI_QUESTION, "question"},
                    {IDI_APPLICATION, "application"}};
  const char* best = "unknown";
  std::size_t fewest = shown.size() / 20;  // at most 5% of the pixels differ
  for (const auto& candidate : candidates) {
    const Pixels drawn = Picture(screen, 0, 0, width, height, LoadIconW(nullptr, candidate.id), background);
    if (drawn.size() != shown.size()) continue;
    std::size_t differing = 0;
    for (std::size_t i = 0; i < shown.size(); ++i)
      differing += (shown[i] & 0xffffff) != (drawn[i] & 0xffffff);
    if (differing <= fewest) {
      fewest = differing;
      best = candidate.name;
    }
  }
  ReleaseDC(nullptr, screen);
  return best;
}

int Show(DWORD timeoutMs) {
  HWND box = WaitForBox(timeoutMs);
  if (!box) {
    std::printf("error=no update box\n");
    return 1;
  }
  // A box just made may not be drawn yet, and a window may lie over it (the
  // program's own, when it shows after the box): that window goes beneath
  // the box, and the icon is looked at again for a few seconds until it
  // shows a system icon.
  BoxContents contents;
  std::string icon;
  bool covered = false;
  for (const DWORD start = GetTickCount();;) {
    contents = Contents(box);
    icon = IconShown(contents.icon);
    if ((icon != "hidden" && icon != "unknown") || GetTickCount() - start >= 3000) break;
    if (icon == "hidden") {
      covered = true;
      SetWindowPos(box, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    Sleep(50);
  }
  DWORD boxProcess = 0, windowProcess = 0;
  GetWindowThreadProcessId(box, &boxProcess);
  if (HWND window = FindWindowW(L"LumivaneMonitorWindow", L"Lumivanev1.0"))
    GetWindowThreadProcessId(window, &windowProcess);
  std::printf("text=%s\nicon=%s\nbuttons=%s\nprocess=%s\ncovered=%s\n", Escaped(Utf8(contents.text)).c_str(),
              icon.c_str(), contents.buttons.c_str(), boxProcess == windowProcess ? "same" : "other",
              covered ? "yes" : "no");
  return 0;
}

int PressOk(DWORD timeoutMs) {
  HWND box = FindUpdateBox();
  if (!box) {
    std::printf("error=no update box\n");
    return 1;
  }
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  const DWORD start = GetTickCount();
  while (IsWindow(box)) {
    if (GetTickCount() - start >= timeoutMs) {
      std::printf("error=the box is still open\n");
      return 1;
    }
    Sleep(20);
  }
  return 0;
}

// Any box counts, shown or not yet.
int BoxAbsent(DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!FindUpdateBox()) {
    if (GetTickCount() - start >= timeoutMs) return 0;
    Sleep(20);
  }
  std::printf("error=an update box showed\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string command = argv[1];
  const DWORD ms = std::strtoul(argv[2], nullptr, 10);
  if (command == "show") return Show(ms);
  if (command == "ok") return PressOk(ms);
  if (command == "box-absent") return BoxAbsent(ms);
  return 2;
}

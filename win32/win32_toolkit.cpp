#include "win32/win32_toolkit.h"

#include <commctrl.h>

#include <string_view>
#include <vector>

#include "win32/code_page.h"

namespace {

constexpr wchar_t kWindowClass[] = L"LumivaneMonitorWindow";
constexpr wchar_t kTransparentLabelClass[] = L"LumivaneTransparentLabel";
constexpr int kFirstControlId = 100;
constexpr UINT_PTR kTimerId = 1;
constexpr int kIconResource = 1;

// Window extra bytes of a transparent label.
constexpr int kLabelFontSlot = 0;
constexpr int kLabelBarSlot = sizeof(LONG_PTR);

// Control writes from workers travel to the window's thread as one message
// per hand-over: SendMessage blocks the worker until the window's thread has
// carried them out (so they may live on the worker's stack), and fails at
// once when the window is gone. The window's thread never waits for a
// worker, so the two cannot deadlock.
constexpr UINT kWorkerWritesMessage = WM_APP + 1;
using WriteKind = ControlWrites::Write::Kind;

Win32Toolkit* toolkitOfWindow = nullptr;  // the one window's toolkit, for its window procedure

int ControlIndex(Control control) { return static_cast<int>(control); }

// Group boxes are native buttons, which keep the colour requests of the
// labels inside them to themselves; pass those on to the window.
WNDPROC buttonWindowProc = nullptr;
// A group box paints only its frame and caption, and the window does not
// paint under its children: the box fills its inside itself.
LRESULT CALLBACK GroupBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return SendMessageW(GetParent(box), message, wParam, lParam);
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(box, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
  }
  return CallWindowProcW(buttonWindowProc, box, message, wParam, lParam);
}

// A transparent label draws only its text, over a picture of the bar that it
// lies on (which the bar paints into memory for it).
void PaintTransparentLabel(HWND label) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(label, &paint);
  RECT client;
  GetClientRect(label, &client);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
  HGDIOBJ oldBitmap = SelectObject(memory, bitmap);

  FillRect(memory, &client, GetSysColorBrush(COLOR_BTNFACE));
  if (auto bar = reinterpret_cast<HWND>(GetWindowLongPtrW(label, kLabelBarSlot))) {
    POINT origin{0, 0};
    MapWindowPoints(label, bar, &origin, 1);
    SetViewportOrgEx(memory, -origin.x, -origin.y, nullptr);
    SendMessageW(bar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
    SetViewportOrgEx(memory, 0, 0, nullptr);
  }

  wchar_t text[64];
  GetWindowTextW(label, text, 64);
  SetBkMode(memory, TRANSPARENT);
  SetTextColor(memory, RGB(0, 0, 0));
  HGDIOBJ oldFont = SelectObject(memory, reinterpret_cast<HGDIOBJ>(GetWindowLongPtrW(label, kLabelFontSlot)));
  DrawTextW(memory, text, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(memory, oldFont);

  BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(label, &paint);
}

LRESULT CALLBACK TransparentLabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      PaintTransparentLabel(label);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcW(label, message, wParam, lParam);
      InvalidateRect(label, nullptr, FALSE);
      return result;
    }
    case WM_SETFONT:
      SetWindowLongPtrW(label, kLabelFontSlot, static_cast<LONG_PTR>(wParam));
      if (lParam) InvalidateRect(label, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return GetWindowLongPtrW(label, kLabelFontSlot);
    case WM_NCHITTEST:
      return HTTRANSPARENT;
  }
  return DefWindowProcW(label, message, wParam, lParam);
}

bool RegisterClasses(HINSTANCE instance, WNDPROC windowProc) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconResource));
  if (!windowClass.hIcon) windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

  WNDCLASSEXW labelClass{};
  labelClass.cbSize = sizeof labelClass;
  labelClass.lpfnWndProc = TransparentLabelProc;
  labelClass.cbWndExtra = 2 * sizeof(LONG_PTR);
  labelClass.hInstance = instance;
  labelClass.hCursor = windowClass.hCursor;
  labelClass.lpszClassName = kTransparentLabelClass;
  return RegisterClassExW(&labelClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

struct Win32Toolkit::WorkerWrites {
  const std::vector<ControlWrites::Write>* writes;
  const std::vector<std::wstring>* captions;  // per write: the caption's wide text
};

bool Win32Toolkit::ShowMonitorWindow(const MonitorWindowEvents& events) {
  INITCOMMONCONTROLSEX commonControls{sizeof commonControls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&commonControls);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!RegisterClasses(instance, WindowProc)) return false;

  events_ = events;
  toolkitOfWindow = this;
  constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame{0, 0, kMonitorWindow.clientWidth, kMonitorWindow.clientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  std::wstring title = WideFromCodePage936(kMonitorWindow.title);
  HWND window = CreateWindowExW(0, kWindowClass, title.c_str(), style, kMonitorWindow.left,
                                kMonitorWindow.top, frame.right - frame.left, frame.bottom - frame.top,
                                nullptr, nullptr, instance, nullptr);
  if (!window) return false;
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  return true;
}

void Win32Toolkit::RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

NativeHandle Win32Toolkit::GetNativeHandle(Control control) {
  return reinterpret_cast<NativeHandle>(this->control(control));
}

void Win32Toolkit::Apply(const ControlWrites& writes) {
  // Converted here, so that the window's thread spends no time on it.
  std::vector<std::wstring> captions;
  captions.reserve(writes.writes().size());
  for (const ControlWrites::Write& write : writes.writes())
    captions.push_back(write.kind == WriteKind::kCaption ? WideFromCodePage936(write.text) : std::wstring());
  WorkerWrites request{&writes.writes(), &captions};
  SendMessageW(window_, kWorkerWritesMessage, 0, reinterpret_cast<LPARAM>(&request));
}

LRESULT CALLBACK Win32Toolkit::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Win32Toolkit* self = toolkitOfWindow;
  switch (message) {
    case WM_CREATE:
      return self->OnCreate(window);
    case WM_TIMER:
      self->OnTimer();
      return 0;
    case WM_CTLCOLORSTATIC:
      return self->OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case kWorkerWritesMessage:
      self->OnWorkerWrites(*reinterpret_cast<const WorkerWrites*>(lParam));
      return 0;
    case WM_DESTROY:
      self->OnDestroy();
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Win32Toolkit::OnCreate(HWND window) {
  window_ = window;
  font_.reset(CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"SimSun"));
  CreateControls();
  // The created event comes before the first tick: the timer starts after it.
  if (events_.created) events_.created();
  SetTimer(window, kTimerId, Describe(Control::时钟1).intervalMs, nullptr);
  return 0;
}

void Win32Toolkit::CreateControls() {
  // The window's own controls first, so that every group box exists before
  // the controls inside it.
  for (bool inGroupBox : {false, true})
    for (const ControlDescription& d : kMonitorControls)
      if (d.parent.has_value() == inGroupBox) CreateControl(d);
  // Table order is front-to-back: sending each control to the back in turn
  // leaves the first in front.
  for (const ControlDescription& d : kMonitorControls) {
    if (HWND hwnd = control(d.control))
      SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (auto bar = d.kind == ControlKind::kTransparentLabel ? BarUnder(d.control) : std::nullopt)
      SetWindowLongPtrW(control(d.control), kLabelBarSlot, reinterpret_cast<LONG_PTR>(control(*bar)));
  }
}

void Win32Toolkit::CreateControl(const ControlDescription& d) {
  const wchar_t* className = nullptr;
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  switch (d.kind) {
    case ControlKind::kTransparentLabel:
      className = kTransparentLabelClass;
      break;
    case ControlKind::kLabel:
      className = L"STATIC";
      style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX;
      break;
    case ControlKind::kGroupBox:
      className = L"BUTTON";
      style |= BS_GROUPBOX | WS_CLIPCHILDREN;
      break;
    case ControlKind::kProgressBar:
      className = PROGRESS_CLASSW;
      style |= PBS_SMOOTH;  // the control gives itself a one-pixel sunken edge
      break;
    case ControlKind::kTimer:
      return;  // no visible form; started by OnCreate
  }
  HWND parent = d.parent ? control(*d.parent) : window_;
  std::wstring caption = WideFromCodePage936(d.caption);
  HWND hwnd = CreateWindowExW(
      0, className, caption.c_str(), style, d.left, d.top, d.width, d.height, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + ControlIndex(d.control))),
      GetModuleHandleW(nullptr), nullptr);
  controls_[ControlIndex(d.control)] = hwnd;
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  if (d.kind == ControlKind::kProgressBar) {
    SendMessageW(hwnd, PBM_SETRANGE32, d.rangeMinimum, d.rangeMaximum);
    SendMessageW(hwnd, PBM_SETPOS, 0, 0);
  }
  if (d.kind == ControlKind::kGroupBox)
    buttonWindowProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GroupBoxProc)));
}

void Win32Toolkit::OnTimer() {
  if (events_.tick) events_.tick();
}

void Win32Toolkit::OnDestroy() {
  KillTimer(window_, kTimerId);
  PostQuitMessage(0);
}

LRESULT Win32Toolkit::OnControlColour(HDC dc, HWND hwnd) {
  int index = GetDlgCtrlID(hwnd) - kFirstControlId;
  COLORREF colour = index >= 0 && index < kControlCount ? kMonitorControls[index].textColour : 0;
  SetTextColor(dc, colour);
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void Win32Toolkit::OnWorkerWrites(const WorkerWrites& request) {
  const std::vector<ControlWrites::Write>& writes = *request.writes;
  for (std::size_t i = 0; i < writes.size(); ++i) {
    switch (writes[i].kind) {
      case WriteKind::kCaption:
        ShowCaption(control(writes[i].control), (*request.captions)[i]);
        break;
      case WriteKind::kBarPosition:
        ShowBarPosition(control(writes[i].control), writes[i].position);
        break;
      case WriteKind::kMessage:
        SendControlMessage(writes[i]);
        break;
    }
  }
}

// Most refreshes change only a few of the figures; a write that would leave
// a control as it is is skipped, as it would only cost a repaint.
void Win32Toolkit::ShowCaption(HWND hwnd, const std::wstring& text) {
  wchar_t shown[64];
  const int length = GetWindowTextW(hwnd, shown, 64);
  if (length < 63 && text == std::wstring_view(shown, static_cast<std::size_t>(length))) return;
  SetWindowTextW(hwnd, text.c_str());
}

void Win32Toolkit::ShowBarPosition(HWND bar, std::int32_t position) {
  if (SendMessageW(bar, PBM_GETPOS, 0, 0) == position) return;
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  InvalidateLabelOver(bar);
}

void Win32Toolkit::SendControlMessage(const ControlWrites::Write& write) {
  // Only the window's own controls take messages from workers.
  HWND target = reinterpret_cast<HWND>(write.target);
  if (!IsChild(window_, target)) return;
  // A classic bar cannot be asked for its colour, so the colour last set is
  // kept here.
  if (write.message == PBM_SETBARCOLOR) {
    if (std::optional<Control> bar = ControlOf(target)) {
      std::optional<LPARAM>& colour = barColours_[ControlIndex(*bar)];
      if (colour == write.lParam) return;
      colour = write.lParam;
    }
  }
  ::SendMessageA(target, write.message, write.wParam, write.lParam);
  InvalidateLabelOver(target);
}

// The label's picture of the bar is out of date once the bar has changed.
void Win32Toolkit::InvalidateLabelOver(HWND bar) {
  if (std::optional<Control> barControl = ControlOf(bar))
    if (std::optional<Control> label = LabelOver(*barControl))
      InvalidateRect(control(*label), nullptr, FALSE);
}

std::optional<Control> Win32Toolkit::ControlOf(HWND hwnd) const {
  for (const ControlDescription& d : kMonitorControls)
    if (hwnd && control(d.control) == hwnd) return d.control;
  return std::nullopt;
}

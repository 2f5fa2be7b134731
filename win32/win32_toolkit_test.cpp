// The real window under Wine: create it, send its controls messages, check
// what they hold. Messages are pumped, never slept on.
#include "win32/win32_toolkit.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/window_tools.h"
#include "win32/code_page.h"

namespace {

int createdCalls = 0;
int ticksBeforeCreated = 0;
int ticks = 0;
HWND barSeenByCreatedEvent = nullptr;
Win32Toolkit* current = nullptr;

void OnCreated() {
  ++createdCalls;
  barSeenByCreatedEvent = reinterpret_cast<HWND>(current->GetNativeHandle(Control::发送进度条));
}
void OnTick() {
  if (createdCalls == 0) ++ticksBeforeCreated;
  ++ticks;
}

// Dispatches messages until `done` holds or `timeoutMs` has passed.
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs = 5000) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  return true;
}

// Runs `work` on a new thread while this thread pumps messages, as the
// window's thread does while a refresh writes to it.
template <typename Work>
bool RunOnWorker(Work work) {
  static Work* pending;
  pending = &work;
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID) -> DWORD {
        (*pending)();
        return 0;
      },
      nullptr, 0, nullptr);
  bool finished = PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; });
  CloseHandle(thread);
  return finished;
}

class Win32ToolkitTest : public testing::Test {
 protected:
  void SetUp() override {
    createdCalls = ticksBeforeCreated = ticks = 0;
    current = &toolkit;
    ASSERT_TRUE(toolkit.ShowMonitorWindow({OnCreated, OnTick}));
    PumpUntil([] { return false; }, 100);
  }
  void TearDown() override {
    if (IsWindow(toolkit.window())) DestroyWindow(toolkit.window());
    PumpUntil([] { return false; }, 50);
  }

  RECT RectInWindow(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, toolkit.window(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

  Win32Toolkit toolkit;
};

TEST_F(Win32ToolkitTest, WindowHasItsTitleAndHoldsTheLayout) {
  EXPECT_EQ(TextOf(toolkit.window()), L"Lumivanev1.0");
  RECT client;
  GetClientRect(toolkit.window(), &client);
  EXPECT_GE(client.right, 253);
  EXPECT_GE(client.bottom, 181);
  EXPECT_TRUE(IsWindowVisible(toolkit.window()));
}

TEST_F(Win32ToolkitTest, EveryControlIsCreatedAsDescribed) {
  // The captions as Unicode, independent of the code page 936 bytes the
  // program stores: they must read back the same whatever the ANSI code page.
  struct Expected {
    Control control;
    const wchar_t* className;
    const wchar_t* caption;
  };
  const Expected expected[] = {
      {Control::内存透明标签, L"LumivaneTransparentLabel", L"%"},
      {Control::内存进度条, L"msctls_progress32", L""},
      {Control::CPU透明标签, L"LumivaneTransparentLabel", L"%"},
      {Control::标签3, L"Static", L"内存"},
      {Control::分组框2, L"Button", L"系统即时信息"},
      {Control::CPU进度条, L"msctls_progress32", L""},
      {Control::标签4, L"Static", L"CPU"},
      {Control::流量标签, L"Static", L""},
      {Control::总流量标签, L"Static", L"总流量："},
      {Control::发送透明标签, L"LumivaneTransparentLabel", L"KB"},
      {Control::发送进度条, L"msctls_progress32", L""},
      {Control::接收透明标签, L"LumivaneTransparentLabel", L"KB"},
      {Control::接收进度条, L"msctls_progress32", L""},
      {Control::标签2, L"Static", L"发送"},
      {Control::标签1, L"Static", L"接收"},
      {Control::分组框1, L"Button", L"网卡即时流量"},
  };
  for (const Expected& e : expected) {
    const ControlDescription& d = Describe(e.control);
    SCOPED_TRACE(std::string(d.name));
    HWND control = toolkit.control(e.control);
    ASSERT_TRUE(IsWindow(control));
    EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), e.className), 0) << Utf8(ClassOf(control));
    EXPECT_EQ(TextOf(control), e.caption) << Utf8(TextOf(control));
    EXPECT_TRUE(IsWindowVisible(control));
    EXPECT_EQ(GetParent(control), d.parent ? toolkit.control(*d.parent) : toolkit.window());
    WindowRect want = ::RectInWindow(e.control);
    RECT got = RectInWindow(control);
    EXPECT_TRUE(got.left == want.left && got.top == want.top && got.right - got.left == want.width &&
                got.bottom - got.top == want.height)
        << "at " << got.left << "," << got.top << " " << got.right - got.left << "x" << got.bottom - got.top;
    if (d.kind == ControlKind::kProgressBar) {
      PBRANGE range{};
      SendMessageW(control, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
      EXPECT_EQ(range.iLow, d.rangeMinimum);
      EXPECT_EQ(range.iHigh, d.rangeMaximum);
      EXPECT_EQ(SendMessageW(control, PBM_GETPOS, 0, 0), 0);
      EXPECT_EQ(GetWindowLongW(control, GWL_STYLE) & PBS_VERTICAL, 0);
    }
  }
}

TEST_F(Win32ToolkitTest, EarlierRowsLieInFront) {
  for (const ControlDescription& front : kMonitorControls)
    for (const ControlDescription& back : kMonitorControls) {
      if (front.kind == ControlKind::kTimer || back.kind == ControlKind::kTimer) continue;
      if (static_cast<int>(front.control) >= static_cast<int>(back.control) || front.parent != back.parent)
        continue;
      bool found = false;
      for (HWND next = GetWindow(toolkit.control(front.control), GW_HWNDNEXT); next && !found;
           next = GetWindow(next, GW_HWNDNEXT))
        found = next == toolkit.control(back.control);
      EXPECT_TRUE(found) << front.name << " should lie in front of " << back.name;
    }
}

TEST_F(Win32ToolkitTest, CreatedEventRunsOnceWithTheControlsThenTheTimerTicks) {
  EXPECT_EQ(createdCalls, 1);
  EXPECT_EQ(barSeenByCreatedEvent, toolkit.control(Control::发送进度条));
  EXPECT_NE(barSeenByCreatedEvent, nullptr);
  DWORD start = GetTickCount();
  ASSERT_TRUE(PumpUntil([] { return ticks >= 2; }, 5000)) << "ticks " << ticks;
  EXPECT_GE(GetTickCount() - start, 1000u);
  EXPECT_EQ(ticksBeforeCreated, 0);
}

TEST_F(Win32ToolkitTest, BarsTakeTheirColourFromTheNativeHandle) {
  for (Control bar : {Control::接收进度条, Control::发送进度条, Control::CPU进度条, Control::内存进度条}) {
    NativeHandle handle = toolkit.GetNativeHandle(bar);
    EXPECT_EQ(reinterpret_cast<HWND>(handle), toolkit.control(bar));
    ControlWrites writes;
    writes.SendMessageA(handle, PBM_SETBARCOLOR, 1, 0x00FF8800);
    toolkit.Apply(writes);
    EXPECT_EQ(SendMessageW(toolkit.control(bar), PBM_GETBARCOLOR, 0, 0), 0x00FF8800) << Describe(bar).name;
  }
}

TEST_F(Win32ToolkitTest, TotalLabelIsViolet) {
  HDC dc = CreateCompatibleDC(nullptr);
  SendMessageW(toolkit.window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(toolkit.control(Control::流量标签)));
  EXPECT_EQ(GetTextColor(dc), 0x00FF0090u);
  SendMessageW(toolkit.window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(toolkit.control(Control::标签1)));
  EXPECT_EQ(GetTextColor(dc), 0u);
  DeleteDC(dc);
}

TEST_F(Win32ToolkitTest, WorkersWriteCaptionsAndPositionsThroughTheWindowsThread) {
  ControlWrites writes;
  writes.SetCaption(Control::接收透明标签, "12.50KB");
  writes.SetCaption(Control::流量标签, "\xd7\xdc" /* 总 */);
  writes.SetBarPosition(Control::接收进度条, 123);
  writes.SetBarPosition(Control::发送进度条, 512);   // above the range: a full bar
  writes.SetBarPosition(Control::CPU进度条, -2440);  // below it: an empty bar
  ASSERT_TRUE(RunOnWorker([&] { toolkit.Apply(writes); }));
  EXPECT_EQ(TextOf(toolkit.control(Control::接收透明标签)), L"12.50KB");
  EXPECT_EQ(TextOf(toolkit.control(Control::流量标签)), L"总");
  EXPECT_EQ(SendMessageW(toolkit.control(Control::接收进度条), PBM_GETPOS, 0, 0), 123);
  EXPECT_EQ(SendMessageW(toolkit.control(Control::发送进度条), PBM_GETPOS, 0, 0), 400);
  EXPECT_EQ(SendMessageW(toolkit.control(Control::CPU进度条), PBM_GETPOS, 0, 0), 0);
}

// A refresh whose figures did not change repaints nothing; one that changed
// them repaints the bar and the label over it.
TEST_F(Win32ToolkitTest, WritesThatChangeNothingRepaintNothing) {
  auto writesOf = [this](std::int32_t position, LPARAM colour, const Text& caption) {
    ControlWrites writes;
    writes.SetBarPosition(Control::CPU进度条, position);
    writes.SendMessageA(toolkit.GetNativeHandle(Control::CPU进度条), PBM_SETBARCOLOR, 1, colour);
    writes.SetCaption(Control::CPU透明标签, caption);
    return writes;
  };
  auto paintAll = [this] {
    RedrawWindow(toolkit.window(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  };
  auto needsPaint = [this](Control control) {
    return GetUpdateRect(toolkit.control(control), nullptr, FALSE) != FALSE;
  };
  // Written from the window's own thread, which does not pump while it
  // writes, so that what needs painting is still to be seen afterwards.
  HWND bar = toolkit.control(Control::CPU进度条);
  toolkit.Apply(writesOf(40, 0xFF, "40%"));
  paintAll();

  struct Case {
    const char* what;
    ControlWrites writes;
    bool repaints;
  } cases[] = {
      {"the same figures", writesOf(40, 0xFF, "40%"), false},
      {"a new position", writesOf(41, 0xFF, "40%"), true},
      {"a new colour", writesOf(41, 0xFF00, "40%"), true},
      {"a new caption", writesOf(41, 0xFF00, "41%"), true},
      {"the same figures again", writesOf(41, 0xFF00, "41%"), false},
  };
  for (const Case& c : cases) {
    toolkit.Apply(c.writes);
    EXPECT_EQ(needsPaint(Control::CPU透明标签), c.repaints) << c.what;
    paintAll();
  }
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 41);
  EXPECT_EQ(SendMessageW(bar, PBM_GETBARCOLOR, 0, 0), 0xFF00);
  EXPECT_EQ(TextOf(toolkit.control(Control::CPU透明标签)), L"41%");
}

TEST_F(Win32ToolkitTest, WritesAreCarriedOutInTheirOrder) {
  ControlWrites writes;
  writes.SetCaption(Control::流量标签, "1.00MB");
  writes.SetBarPosition(Control::内存进度条, 10);
  writes.SetCaption(Control::流量标签, "2.00MB");
  writes.SetBarPosition(Control::内存进度条, 20);
  ASSERT_TRUE(RunOnWorker([&] { toolkit.Apply(writes); }));
  EXPECT_EQ(TextOf(toolkit.control(Control::流量标签)), L"2.00MB");
  EXPECT_EQ(SendMessageW(toolkit.control(Control::内存进度条), PBM_GETPOS, 0, 0), 20);
}

TEST_F(Win32ToolkitTest, WritesAfterTheWindowIsGoneDoNothing) {
  HWND label = toolkit.control(Control::接收透明标签);
  DestroyWindow(toolkit.window());
  EXPECT_FALSE(IsWindow(label));
  ControlWrites writes;
  writes.SetCaption(Control::接收透明标签, "1.00KB");
  writes.SetBarPosition(Control::接收进度条, 5);
  writes.SendMessageA(toolkit.GetNativeHandle(Control::接收进度条), PBM_SETBARCOLOR, 1, 0xFF);
  EXPECT_TRUE(RunOnWorker([&] { toolkit.Apply(writes); }))
      << "a worker writing to a closed window must not hang";
}

TEST_F(Win32ToolkitTest, ControlMessagesGoOnlyToTheWindowsOwnControls) {
  HWND stranger =
      CreateWindowExW(0, L"STATIC", L"x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ControlWrites writes;
  writes.SendMessageA(reinterpret_cast<NativeHandle>(stranger), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("y"));
  toolkit.Apply(writes);
  EXPECT_EQ(TextOf(stranger), L"x");
  DestroyWindow(stranger);
}

// The label draws its text over the bar: after the bar moved and changed
// colour under it, the label's pixels hold both the bar's colour (around the
// letters) and the text's.
TEST_F(Win32ToolkitTest, TransparentLabelShowsTheBarAroundItsText) {
  constexpr COLORREF red = 0x000000FF;
  ControlWrites writes;
  writes.SetBarPosition(Control::CPU进度条, 100);
  writes.SendMessageA(toolkit.GetNativeHandle(Control::CPU进度条), PBM_SETBARCOLOR, 1, red);
  writes.SetCaption(Control::CPU透明标签, "88%");
  ASSERT_TRUE(RunOnWorker([&] { toolkit.Apply(writes); }));
  PumpUntil([] { return false; }, 300);
  HWND label = toolkit.control(Control::CPU透明标签);
  UpdateWindow(label);
  HDC dc = GetDC(label);
  RECT client;
  GetClientRect(label, &client);
  int redPixels = 0, darkPixels = 0, otherPixels = 0;
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x) {
      COLORREF pixel = GetPixel(dc, x, y);
      if (pixel == red)
        ++redPixels;
      else if (GetRValue(pixel) < 0x80 && GetGValue(pixel) < 0x80 && GetBValue(pixel) < 0x80)
        ++darkPixels;
      else
        ++otherPixels;
    }
  ReleaseDC(label, dc);
  int all = client.right * client.bottom;
  EXPECT_GT(redPixels, all / 2) << "red " << redPixels << ", text " << darkPixels << ", other "
                                << otherPixels;
  EXPECT_GT(darkPixels, 10) << "red " << redPixels << ", text " << darkPixels << ", other " << otherPixels;
}

}  // namespace

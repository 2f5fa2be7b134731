// The description of the program's only window: its settings and one row per
// control, in front-to-back order (where two controls overlap, the earlier
// row lies in front). The Windows layer creates the window from this table
// in a loop, and the tests check the live window against it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// The controls, named as the window description names them.
enum class Control : int {
  内存透明标签,
  内存进度条,
  CPU透明标签,
  标签3,
  分组框2,
  CPU进度条,
  标签4,
  流量标签,
  总流量标签,
  发送透明标签,
  发送进度条,
  接收透明标签,
  接收进度条,
  标签2,
  标签1,
  分组框1,
  时钟1,
};
inline constexpr int kControlCount = 17;

enum class ControlKind { kTransparentLabel, kLabel, kGroupBox, kProgressBar, kTimer };

struct ControlDescription {
  Control control;
  std::string_view name;  // UTF-8, for messages
  ControlKind kind;
  std::optional<Control> parent;  // none: the window itself
  // Pixels from the top-left corner of the parent's client area.
  int left, top, width, height;
  std::string_view caption;  // code page 936
  int rangeMinimum, rangeMaximum;
  std::uint32_t textColour;  // COLORREF, 0x00BBGGRR
  int intervalMs;            // timers only
};

struct WindowDescription {
  std::string_view title;
  int left, top;
  // The client area: the layout's extent (253 x 181) with the same 8-pixel
  // margin on the right and at the bottom as on the left.
  int clientWidth, clientHeight;
};

inline constexpr WindowDescription kMonitorWindow{"Lumivanev1.0", 50, 50, 261, 189};

inline constexpr std::uint32_t kViolet = 0x00FF0090;

// clang-format off
inline constexpr std::array<ControlDescription, kControlCount> kMonitorControls{{
  // control              name                 kind                           parent              left top  w    h   caption (code page 936)                                   range     colour  ms
  {Control::内存透明标签, "内存透明标签", ControlKind::kTransparentLabel, std::nullopt,       105, 150, 51,  14, "%",                                                      0, 0,     0,      0},
  {Control::内存进度条,   "内存进度条",   ControlKind::kProgressBar,      std::nullopt,       41,  149, 202, 16, "",                                                       0, 100,   0,      0},
  {Control::CPU透明标签,  "CPU透明标签",  ControlKind::kTransparentLabel, std::nullopt,       88,  127, 68,  11, "%",                                                      0, 0,     0,      0},
  {Control::标签3,        "标签3",        ControlKind::kLabel,            std::nullopt,       13,  148, 24,  16, "\xc4\xda\xb4\xe6" /* 内存 */,                            0, 0,     0,      0},
  {Control::分组框2,      "分组框2",      ControlKind::kGroupBox,         std::nullopt,       8,   104, 245, 77, "\xcf\xb5\xcd\xb3\xbc\xb4\xca\xb1\xd0\xc5\xcf\xa2" /* 系统即时信息 */, 0, 0, 0, 0},
  {Control::CPU进度条,    "CPU进度条",    ControlKind::kProgressBar,      Control::分组框2,   33,  21,  202, 16, "",                                                       0, 100,   0,      0},
  {Control::标签4,        "标签4",        ControlKind::kLabel,            Control::分组框2,   7,   21,  25,  17, "CPU",                                                    0, 0,     0,      0},
  {Control::流量标签,     "流量标签",     ControlKind::kLabel,            Control::分组框1,   54,  65,  182, 11, "",                                                       0, 0,     kViolet, 0},
  {Control::总流量标签,   "总流量标签",   ControlKind::kLabel,            Control::分组框1,   9,   63,  44,  16, "\xd7\xdc\xc1\xf7\xc1\xbf\xa3\xba" /* 总流量： */,            0, 0,     0,      0},
  {Control::发送透明标签, "发送透明标签", ControlKind::kTransparentLabel, std::nullopt,       106, 52,  51,  14, "KB",                                                     0, 0,     0,      0},
  {Control::发送进度条,   "发送进度条",   ControlKind::kProgressBar,      std::nullopt,       45,  51,  198, 16, "",                                                       0, 400,   0,      0},
  {Control::接收透明标签, "接收透明标签", ControlKind::kTransparentLabel, std::nullopt,       88,  29,  68,  11, "KB",                                                     0, 0,     0,      0},
  {Control::接收进度条,   "接收进度条",   ControlKind::kProgressBar,      Control::分组框1,   37,  17,  198, 16, "",                                                       0, 400,   0,      0},
  {Control::标签2,        "标签2",        ControlKind::kLabel,            std::nullopt,       18,  49,  24,  16, "\xb7\xa2\xcb\xcd" /* 发送 */,                            0, 0,     0,      0},
  {Control::标签1,        "标签1",        ControlKind::kLabel,            Control::分组框1,   9,   17,  24,  17, "\xbd\xd3\xca\xd5" /* 接收 */,                            0, 0,     0,      0},
  {Control::分组框1,      "分组框1",      ControlKind::kGroupBox,         std::nullopt,       8,   10,  245, 87, "\xcd\xf8\xbf\xa8\xbc\xb4\xca\xb1\xc1\xf7\xc1\xbf" /* 网卡即时流量 */, 0, 0, 0, 0},
  {Control::时钟1,        "时钟1",        ControlKind::kTimer,            std::nullopt,       0,   0,   0,   0,  "",                                                       0, 0,     0,      1000},
}};
// clang-format on

constexpr const ControlDescription& Describe(Control control) {
  return kMonitorControls[static_cast<int>(control)];
}

// A control's rectangle in the window's client area.
struct WindowRect {
  int left, top, width, height;
  constexpr bool Contains(const WindowRect& inner) const {
    return inner.left >= left && inner.top >= top && inner.left + inner.width <= left + width &&
           inner.top + inner.height <= top + height;
  }
};

constexpr WindowRect RectInWindow(Control control) {
  const ControlDescription& d = Describe(control);
  WindowRect rect{d.left, d.top, d.width, d.height};
  for (auto parent = d.parent; parent; parent = Describe(*parent).parent) {
    rect.left += Describe(*parent).left;
    rect.top += Describe(*parent).top;
  }
  return rect;
}

// The progress bar that a transparent label lies on, and the reverse.
constexpr std::optional<Control> BarUnder(Control label) {
  for (const ControlDescription& d : kMonitorControls)
    if (d.kind == ControlKind::kProgressBar && RectInWindow(d.control).Contains(RectInWindow(label)))
      return d.control;
  return std::nullopt;
}

constexpr std::optional<Control> LabelOver(Control bar) {
  for (const ControlDescription& d : kMonitorControls)
    if (d.kind == ControlKind::kTransparentLabel && BarUnder(d.control) == bar) return d.control;
  return std::nullopt;
}

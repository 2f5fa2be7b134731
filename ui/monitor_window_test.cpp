// The window description must read as the layout intends: these catch a
// mistyped row.
#include "ui/monitor_window.h"

#include <gtest/gtest.h>

namespace {

TEST(MonitorWindowDescription, RowsAreInControlOrder) {
  for (int i = 0; i < kControlCount; ++i)
    EXPECT_EQ(static_cast<int>(kMonitorControls[i].control), i) << kMonitorControls[i].name;
}

TEST(MonitorWindowDescription, EveryTransparentLabelLiesInFrontOfOneBar) {
  for (const ControlDescription& d : kMonitorControls) {
    if (d.kind != ControlKind::kTransparentLabel) continue;
    std::optional<Control> bar = BarUnder(d.control);
    ASSERT_TRUE(bar) << d.name << " lies on no bar";
    EXPECT_LT(static_cast<int>(d.control), static_cast<int>(*bar))
        << d.name << " must lie in front of its bar";
    EXPECT_EQ(LabelOver(*bar), d.control);
  }
  EXPECT_EQ(BarUnder(Control::接收透明标签), Control::接收进度条);
  EXPECT_EQ(BarUnder(Control::发送透明标签), Control::发送进度条);
  EXPECT_EQ(BarUnder(Control::CPU透明标签), Control::CPU进度条);
  EXPECT_EQ(BarUnder(Control::内存透明标签), Control::内存进度条);
}

TEST(MonitorWindowDescription, LayoutReadsAsIntended) {
  struct Case {
    Control control;
    WindowRect inWindow;
  };
  for (Case c : {Case{Control::接收进度条, {45, 27, 198, 16}}, Case{Control::CPU进度条, {41, 125, 202, 16}},
                 Case{Control::标签4, {15, 125, 25, 17}}, Case{Control::流量标签, {62, 75, 182, 11}},
                 Case{Control::总流量标签, {17, 73, 44, 16}}, Case{Control::标签1, {17, 27, 24, 17}}}) {
    WindowRect r = RectInWindow(c.control);
    EXPECT_TRUE(r.left == c.inWindow.left && r.top == c.inWindow.top && r.width == c.inWindow.width &&
                r.height == c.inWindow.height)
        << Describe(c.control).name << " at " << r.left << "," << r.top << " " << r.width << "x" << r.height;
  }
  // All four bars end at x 243, and the client area holds every control.
  for (Control bar : {Control::接收进度条, Control::发送进度条, Control::CPU进度条, Control::内存进度条})
    EXPECT_EQ(RectInWindow(bar).left + RectInWindow(bar).width, 243) << Describe(bar).name;
  WindowRect client{0, 0, kMonitorWindow.clientWidth, kMonitorWindow.clientHeight};
  for (const ControlDescription& d : kMonitorControls)
    if (d.kind != ControlKind::kTimer) {
      EXPECT_TRUE(client.Contains(RectInWindow(d.control))) << d.name;
    }
}

TEST(MonitorWindowDescription, ControlsInsideAGroupBoxFrameLieInFrontOfIt) {
  for (Control box : {Control::分组框1, Control::分组框2})
    for (const ControlDescription& d : kMonitorControls)
      if (d.kind != ControlKind::kTimer && !d.parent && d.control != box &&
          RectInWindow(box).Contains(RectInWindow(d.control))) {
        EXPECT_LT(static_cast<int>(d.control), static_cast<int>(box)) << d.name;
      }
}

}  // namespace

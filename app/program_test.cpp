#include "app/program.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/monitor_state.h"
#include "app/platform.h"
#include "tests/fakes.h"
#include "update/update_check.h"

namespace {

using testing::ElementsAre;

// The program over fakes: threads that run only when the test says so.
class ProgramTest : public testing::Test {
 protected:
  ProgramTest() {
    platform = {&toolkit, &threads, &ifTable, &figures, &update};
    monitorState = MonitorState();
    CreateInterfaceTable();
    ifTable.bytes = MakeIfTableBytes({{1, 1, 1}, {2, 1'000'000, 500'000}});
  }
  ~ProgramTest() override { platform = {}; }

  CallLog log;
  FakeToolkit toolkit{log};
  FakeThreads threads;
  FakeIfTable ifTable;
  FakeSystemFigures figures{log};
  NoUpdateServices update;
};

TEST_F(ProgramTest, CreatedHandlerStoresTheBarsThenStartsTheUpdateCheck) {
  monitorState.totalTrafficMb = 12;
  OnMonitorWindowCreated();
  EXPECT_THAT(log, ElementsAre("GetNativeHandle(发送进度条)", "GetNativeHandle(接收进度条)",
                               "GetNativeHandle(CPU进度条)", "GetNativeHandle(内存进度条)"));
  EXPECT_EQ(monitorState.sendBarHandle, FakeToolkit::HandleOf(Control::发送进度条));
  EXPECT_EQ(monitorState.receiveBarHandle, FakeToolkit::HandleOf(Control::接收进度条));
  EXPECT_EQ(monitorState.cpuBarHandle, FakeToolkit::HandleOf(Control::CPU进度条));
  EXPECT_EQ(monitorState.memoryBarHandle, FakeToolkit::HandleOf(Control::内存进度条));
  EXPECT_EQ(monitorState.totalTrafficMb, 0);
  ASSERT_EQ(threads.pending.size(), 1u);
  EXPECT_EQ(threads.pending.front(), static_cast<void (*)()>(CheckForUpdate));
  EXPECT_TRUE(monitorState.interfaceTable.empty());
}

TEST_F(ProgramTest, EachTickStartsOneRefreshAndReturns) {
  OnRefreshTimer();
  ASSERT_EQ(threads.pending.size(), 1u);
  EXPECT_EQ(threads.pending.front(), &RunRefresh);
  EXPECT_TRUE(ifTable.calls.empty()) << "the tick itself must not sample";
  threads.RunNext();
  EXPECT_EQ(monitorState.interfaceTable.size(), 2u);
  EXPECT_EQ(monitorState.lastReceivedOctets, 1'000'000);

  OnRefreshTimer();
  EXPECT_EQ(threads.pending.size(), 1u);
}

TEST_F(ProgramTest, ATickWhileARefreshRunsStartsNone) {
  OnRefreshTimer();
  OnRefreshTimer();
  OnRefreshTimer();
  EXPECT_EQ(threads.pending.size(), 1u);
  threads.RunNext();
  OnRefreshTimer();
  EXPECT_EQ(threads.pending.size(), 1u);
}

TEST_F(ProgramTest, AWorkerThatFailsToStartLosesOnlyItsTick) {
  threads.startSucceeds = false;
  OnRefreshTimer();
  EXPECT_TRUE(threads.pending.empty());
  threads.startSucceeds = true;
  OnRefreshTimer();
  EXPECT_EQ(threads.pending.size(), 1u);
}

TEST_F(ProgramTest, RefreshShowsRowTwo) {
  OnRefreshTimer();
  threads.RunNext();
  ifTable.bytes = MakeIfTableBytes({{1, 1, 1}, {2, 1'204'800, 602'400}});
  OnRefreshTimer();
  threads.RunNext();
  EXPECT_THAT(log, testing::Contains("SetCaption(接收透明标签, 200.00KB)"));
  EXPECT_THAT(log, testing::Contains("SetCaption(发送透明标签, 100.00KB)"));
  EXPECT_EQ(log.back(), "SetCaption(流量标签, 0.29MB)");
}

TEST_F(ProgramTest, ReleaseWithNoSnapshotReleasesTheEmptyTable) {
  ReleaseInterfaceTable();
  EXPECT_TRUE(monitorState.interfaceTable.empty());
  OnRefreshTimer();
  EXPECT_TRUE(threads.pending.empty()) << "no refresh starts once the program ends";
}

TEST_F(ProgramTest, ReleaseReleasesEveryRow) {
  OnRefreshTimer();
  threads.RunNext();
  ASSERT_EQ(monitorState.interfaceTable.size(), 2u);
  ReleaseInterfaceTable();
  EXPECT_TRUE(monitorState.interfaceTable.empty());
  EXPECT_EQ(monitorState.interfaceTable.capacity(), 0u);
}

TEST_F(ProgramTest, TheEndDuringARefreshLeavesTheTableToThatRefresh) {
  OnRefreshTimer();
  threads.RunNext();
  // The next refresh has started but not yet read the table when the
  // program ends.
  OnRefreshTimer();
  ReleaseInterfaceTable();
  EXPECT_EQ(monitorState.interfaceTable.size(), 2u) << "rows released under a running refresh";
  threads.RunNext();
  EXPECT_TRUE(monitorState.interfaceTable.empty()) << "the refresh releases the table as it finishes";
  OnRefreshTimer();
  EXPECT_TRUE(threads.pending.empty());
}

}  // namespace

#include "app/program.h"

#include <atomic>
#include <cstdlib>

#include "app/monitor_state.h"
#include "app/platform.h"
#include "app/threads.h"
#include "sampling/gauges.h"
#include "sampling/interface_snapshot.h"
#include "update/update_check.h"

MonitorState& monitorState = *new MonitorState();
Platform platform;

namespace {

// Who may use the interface table, the last counts and the total. A tick
// takes the gate from kIdle to kRefreshing and its refresh gives it back, so
// refreshes never overlap and the window's thread never waits for one: a tick
// that finds a refresh still running starts none. The end takes it to kEnded
// for good; if a refresh still runs then, that refresh releases the table as
// it finishes, so nothing ever reads released rows and the end waits for
// nobody.
enum class RefreshGate { kIdle, kRefreshing, kEnded };
std::atomic<RefreshGate> refreshGate{RefreshGate::kIdle};

void ReleaseTableNow() { InterfaceTable().swap(monitorState.interfaceTable); }

}  // namespace

void StartProgram() {
  CreateInterfaceTable();
  std::atexit(ReleaseInterfaceTable);
  if (platform.toolkit->ShowMonitorWindow({OnMonitorWindowCreated, OnRefreshTimer}))
    platform.toolkit->RunMessageLoop();
  // Workers still running end with the program; nothing waits for them.
  std::exit(0);
}

void CreateInterfaceTable() {
  monitorState.interfaceTable = InterfaceTable();
  refreshGate = RefreshGate::kIdle;
}

void ReleaseInterfaceTable() {
  if (refreshGate.exchange(RefreshGate::kEnded) == RefreshGate::kRefreshing) return;
  ReleaseTableNow();
}

void OnMonitorWindowCreated() {
  monitorState.sendBarHandle = platform.toolkit->GetNativeHandle(Control::发送进度条);
  monitorState.receiveBarHandle = platform.toolkit->GetNativeHandle(Control::接收进度条);
  monitorState.cpuBarHandle = platform.toolkit->GetNativeHandle(Control::CPU进度条);
  monitorState.memoryBarHandle = platform.toolkit->GetNativeHandle(Control::内存进度条);
  monitorState.totalTrafficMb = 0;
  StartWorker(CheckForUpdate);
}

void OnRefreshTimer() {
  RefreshGate idle = RefreshGate::kIdle;
  if (!refreshGate.compare_exchange_strong(idle, RefreshGate::kRefreshing)) return;
  if (!StartWorker(RunRefresh)) refreshGate = RefreshGate::kIdle;  // the next tick tries again
}

void RunRefresh() {
  TakeInterfaceSnapshot();
  RefreshGauges(MonitoredRow);
  RefreshGate refreshing = RefreshGate::kRefreshing;
  if (!refreshGate.compare_exchange_strong(refreshing, RefreshGate::kIdle)) {
    // The program ended while this refresh ran; the table is ours to release.
    ReleaseTableNow();
  }
}

bool StartWorker(void (*routine)()) { return platform.threads->StartThread(routine); }

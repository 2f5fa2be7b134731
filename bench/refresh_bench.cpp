// The cost of one refresh on the host: a snapshot of the interface table,
// then the gauge refresh, over the tests' fakes, for tables of 2, 16 and 64
// interfaces. Its floor, BM_FakesAlone, makes the same calls to the same
// fakes with fixed answers, so the difference is the program's own work.
//
// Run by bench/run.sh from a release build; not a test.
#include <benchmark/benchmark.h>

#include <cstring>

#include "app/monitor_state.h"
#include "sampling/gauges.h"
#include "sampling/interface_snapshot.h"
#include "tests/fakes.h"

namespace {

std::vector<FakeInterface> Interfaces(int count) {
  std::vector<FakeInterface> interfaces;
  for (int i = 0; i < count; ++i)
    interfaces.push_back({static_cast<std::uint32_t>(i + 1), 1000u * i, 500u * i});
  return interfaces;
}

// Row 2's counters move on by about a busy second's traffic every refresh.
void AdvanceRow2(FakeIfTable& table, std::uint32_t tick) {
  std::uint32_t in = tick * 51'234, out = tick * 12'345;
  std::memcpy(&table.bytes[4 + kIfRowSize + kIfRowInOctetsOffset], &in, 4);
  std::memcpy(&table.bytes[4 + kIfRowSize + kIfRowOutOctetsOffset], &out, 4);
}

struct Fakes {
  explicit Fakes(int interfaces) : toolkit(log), figures(log) {
    table.bytes = MakeIfTableBytes(Interfaces(interfaces));
    figures.cpuPercent = 37;
    figures.memoryTotal = 16'384;
    figures.memoryAvailable = 9'000;
  }
  // The fakes record every call; the records go after each refresh.
  void Forget() {
    log.clear();
    table.calls.clear();
  }
  CallLog log;
  FakeIfTable table;
  FakeToolkit toolkit;
  FakeSystemFigures figures;
};

void BM_Refresh(benchmark::State& state) {
  Fakes fakes(static_cast<int>(state.range(0)));
  MonitorState monitor;
  std::uint32_t tick = 0;
  for (auto _ : state) {
    AdvanceRow2(fakes.table, ++tick);
    TakeInterfaceSnapshot(fakes.table, monitor.interfaceTable);
    RefreshGauges(MonitoredRow, monitor, fakes.figures, fakes.toolkit);
    fakes.Forget();
  }
  benchmark::DoNotOptimize(monitor.totalTrafficMb);
}

// The same calls to the same fakes: the size query and the table query into
// a buffer kept from run to run, the three figures, and the window's thirteen
// updates with fixed texts.
void BM_FakesAlone(benchmark::State& state) {
  Fakes fakes(static_cast<int>(state.range(0)));
  std::vector<std::uint8_t> buffer(fakes.table.bytes.size());
  const Text caption = "50.03KB";
  std::uint32_t tick = 0;
  for (auto _ : state) {
    AdvanceRow2(fakes.table, ++tick);
    std::uint8_t probe[1] = {0};
    std::uint32_t size = 0;
    fakes.table.GetIfTable(probe, &size, false);
    fakes.table.GetIfTable(buffer.data(), &size, true);
    benchmark::DoNotOptimize(fakes.figures.GetCpuUsagePercent());
    benchmark::DoNotOptimize(fakes.figures.GetMemoryFigure(0));
    benchmark::DoNotOptimize(fakes.figures.GetMemoryFigure(1));
    ControlWrites writes;
    for (Control bar : {Control::接收进度条, Control::发送进度条, Control::CPU进度条, Control::内存进度条}) {
      writes.SetBarPosition(bar, 25);
      writes.SendMessageA(FakeToolkit::HandleOf(bar), kSetBarColourMessage, 1, kCpuBarColour);
    }
    for (Control label : {Control::接收透明标签, Control::发送透明标签, Control::CPU透明标签,
                          Control::内存透明标签, Control::流量标签})
      writes.SetCaption(label, caption);
    fakes.toolkit.Apply(writes);
    fakes.Forget();
  }
}

BENCHMARK(BM_Refresh)->Arg(2)->Arg(16)->Arg(64);
BENCHMARK(BM_FakesAlone)->Arg(2)->Arg(16)->Arg(64);

}  // namespace

BENCHMARK_MAIN();

// Real threads: thousands of ticks against refreshes of random length, and
// the end at a random moment. Run under ThreadSanitizer (and AddressSanitizer)
// it shows that refreshes never overlap and that nothing touches the table
// after its release.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "app/monitor_state.h"
#include "app/platform.h"
#include "app/program.h"
#include "tests/fakes.h"

namespace {

std::atomic<int> runningThreads{0};
std::atomic<int> refreshesInFlight{0};
std::atomic<int> mostRefreshesInFlight{0};

class RealThreads : public Threads {
 public:
  bool StartThread(void (*routine)()) override {
    ++runningThreads;
    std::thread([routine] {
      routine();
      --runningThreads;
    }).detach();
    return true;
  }
};

// An interface table whose query takes a random while, and notes how many
// refreshes are inside it at once.
class SlowIfTable : public IfTableApi {
 public:
  std::uint32_t GetIfTable(std::uint8_t* table, std::uint32_t* size, bool sorted) override {
    int inFlight = ++refreshesInFlight;
    int most = mostRefreshesInFlight;
    while (inFlight > most && !mostRefreshesInFlight.compare_exchange_weak(most, inFlight)) {
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delay_(random_)));
    std::uint32_t status = fake_.GetIfTable(table, size, sorted);
    --refreshesInFlight;
    return status;
  }
  FakeIfTable fake_;
  std::mt19937 random_{std::random_device{}()};
  std::uniform_int_distribution<int> delay_{0, 400};
};

TEST(ProgramStress, RefreshesNeverOverlapAndTheEndWaitsForNone) {
  CallLog log;
  FakeToolkit toolkit(log);
  RealThreads threads;
  SlowIfTable ifTable;
  ifTable.fake_.bytes = MakeIfTableBytes({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
  CallLog figuresLog;
  FakeSystemFigures figures(figuresLog);
  NoUpdateServices update;
  platform = {&toolkit, &threads, &ifTable, &figures, &update};
  monitorState = MonitorState();
  CreateInterfaceTable();

  std::mt19937 random{std::random_device{}()};
  const int ticks = 5'000;
  const int endAt = std::uniform_int_distribution<int>(ticks / 2, ticks - 1)(random);
  for (int tick = 0; tick < ticks; ++tick) {
    if (tick == endAt) ReleaseInterfaceTable();
    OnRefreshTimer();
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<int>(0, 200)(random)));
  }
  while (runningThreads > 0) std::this_thread::yield();

  EXPECT_EQ(mostRefreshesInFlight, 1);
  EXPECT_TRUE(monitorState.interfaceTable.empty()) << "the table is released once everything has ended";
  platform = {};
}

}  // namespace

#include "sampling/gauges.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/fakes.h"

namespace {

using testing::ElementsAre;

constexpr double kMb = 1024.0 * 1024.0;

GaugeInputs WorkedExample() {
  GaugeInputs in;
  in.row = OctetCounters{1'204'800, 602'400};
  in.lastReceivedOctets = 1'000'000;
  in.lastSentOctets = 500'000;
  in.totalTrafficMb = 0;
  in.cpuPercent = 37;
  in.memoryTotal = 4'194'304;
  in.memoryAvailable = 1'048'576;
  return in;
}

TEST(ComputeReadings, WorkedExample) {
  GaugeReadings r = ComputeReadings(WorkedExample());
  EXPECT_EQ(r.receivedDelta, 204'800);
  EXPECT_EQ(r.receiveText, "200.00");
  EXPECT_EQ(r.receiveBarPosition, 100);
  EXPECT_EQ(r.receiveCaption, "200.00KB");
  EXPECT_EQ(r.sentDelta, 102'400);
  EXPECT_EQ(r.sendCaption, "100.00KB");
  EXPECT_EQ(r.sendBarPosition, 50);
  EXPECT_EQ(r.cpuPercent, 37);
  EXPECT_EQ(r.cpuCaption, "37%");
  EXPECT_EQ(r.memoryFraction, 0.75f);
  EXPECT_EQ(r.memoryBarPosition, 75);
  EXPECT_EQ(r.memoryCaption, "75%");
  EXPECT_EQ(r.totalTrafficMb, 0.29296875);
  EXPECT_EQ(r.totalCaption, "0.29MB");
  EXPECT_EQ(r.lastReceivedOctets, 1'204'800);
  EXPECT_EQ(r.lastSentOctets, 602'400);
}

TEST(CounterDifference, IsTheForwardDistanceModulo2To32) {
  struct Case {
    std::uint32_t previous, current;
    std::int32_t difference;
  };
  for (Case c : {Case{1'000'000, 1'204'800, 204'800}, Case{0xFFFFFF00, 0x00000100, 512},
                 Case{0x7FFFFF00, 0x80000100, 512}, Case{5'000'000, 1'000, -4'999'000},
                 Case{0x00000010, 0x80000010, INT32_MIN}, Case{0xFFFFFFFF, 0xFFFFFFFF, 0}}) {
    EXPECT_EQ(CounterDifference(static_cast<std::int32_t>(c.current), static_cast<std::int32_t>(c.previous)),
              c.difference)
        << "previous " << c.previous << ", current " << c.current;
  }
}

// One traffic reading per case, through the receive gauge and the send gauge
// alike.
struct TrafficCase {
  const char* what;
  std::optional<std::int32_t> previous;
  std::int32_t current;
  const char* text;
  std::int32_t barPosition;
  double addedMb;
};

class TrafficReadingTest : public testing::TestWithParam<TrafficCase> {};

TEST_P(TrafficReadingTest, ShowsTheOctetsSinceThePreviousRefresh) {
  const TrafficCase& c = GetParam();
  for (bool receive : {true, false}) {
    GaugeInputs in;
    in.totalTrafficMb = 100;
    in.row = receive ? OctetCounters{c.current, 0} : OctetCounters{0, c.current};
    (receive ? in.lastReceivedOctets : in.lastSentOctets) = c.previous;
    (receive ? in.lastSentOctets : in.lastReceivedOctets) = 0;
    GaugeReadings r = ComputeReadings(in);
    SCOPED_TRACE(receive ? "receive" : "send");
    EXPECT_EQ(receive ? r.receiveCaption : r.sendCaption, std::string(c.text) + "KB");
    EXPECT_EQ(receive ? r.receiveBarPosition : r.sendBarPosition, c.barPosition);
    EXPECT_EQ(r.totalTrafficMb, 100 + c.addedMb);
    // The stored count always moves on to the current one.
    EXPECT_EQ(receive ? r.lastReceivedOctets : r.lastSentOctets, c.current);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Gauges, TrafficReadingTest,
    testing::Values(
        TrafficCase{"first refresh", std::nullopt, 123'456, "0.00", 0, 0},
        TrafficCase{"200 KB", 1'000'000, 1'204'800, "200.00", 100, 204'800 / kMb},
        TrafficCase{"counter wraps", static_cast<std::int32_t>(0xFFFFFF00), 0x100, "0.50", 0, 512 / kMb},
        TrafficCase{"passes the sign bit", 0x7FFFFF00, static_cast<std::int32_t>(0x80000100), "0.50", 0,
                    512 / kMb},
        TrafficCase{"3 KB", 0, 3'072, "3.00", 1, 3'072 / kMb},
        TrafficCase{"1.5 KB", 0, 1'536, "1.50", 0, 1'536 / kMb},
        // The bar follows the text: 1.999 KB shows as 2.00, so the bar is at 1.
        TrafficCase{"2047 octets", 0, 2'047, "2.00", 1, 2'047 / kMb},
        TrafficCase{"half an octet short of rounding", 0, 5, "0.00", 0, 5 / kMb},
        TrafficCase{"rounds half away from zero", 0, 128, "0.13", 0, 128 / kMb},
        TrafficCase{"full bar at 800 KB", 0, 819'200, "800.00", 400, 819'200 / kMb},
        TrafficCase{"above the bar's range", 0, 1'048'576, "1024.00", 512, 1.0},
        // A count of 0 is a count: it was seen, and all since it shows.
        TrafficCase{"from a counter of zero", 0, 5'000, "4.88", 2, 5'000 / kMb},
        // A counter that went back was reset (or the row holds another
        // interface): nothing is known of the traffic in between.
        TrafficCase{"counter went back", 5'000'000, 1'000, "0.00", 0, 0},
        TrafficCase{"2^31 octets or more", 0x10, static_cast<std::int32_t>(0x80000010), "0.00", 0, 0},
        TrafficCase{"largest forward step", 0, INT32_MAX, "2097152.00", 1'048'576, INT32_MAX / kMb}),
    [](const testing::TestParamInfo<TrafficCase>& info) {
      std::string name;
      for (const char* p = info.param.what; *p; ++p)
        if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
      return name;
    });

TEST(ComputeReadings, AMissingRowShowsNoTrafficAndForgetsTheCounts) {
  GaugeInputs in = WorkedExample();
  in.row.reset();
  in.totalTrafficMb = 5;
  GaugeReadings r = ComputeReadings(in);
  EXPECT_EQ(r.receiveCaption, "0.00KB");
  EXPECT_EQ(r.sendCaption, "0.00KB");
  EXPECT_EQ(r.receiveBarPosition, 0);
  EXPECT_EQ(r.sendBarPosition, 0);
  EXPECT_EQ(r.lastReceivedOctets, std::nullopt);
  EXPECT_EQ(r.lastSentOctets, std::nullopt);
  // The other gauges go on as usual.
  EXPECT_EQ(r.cpuCaption, "37%");
  EXPECT_EQ(r.memoryCaption, "75%");
  EXPECT_EQ(r.totalCaption, "5MB");
}

TEST(ComputeReadings, MemoryFractionIsSinglePrecision) {
  struct Case {
    std::int32_t total, available;
    std::int32_t barPosition;
    const char* caption;
  };
  // 1 - 995/1000 in single precision is 0.0049999999: 0%, where a double
  // would give 1%.
  for (Case c : {Case{4'194'304, 1'048'576, 75, "75%"}, Case{1'000, 995, 0, "0%"},
                 Case{16'384, 0, 100, "100%"}, Case{16'384, 16'384, 0, "0%"}, Case{1'000, 994, 1, "1%"}}) {
    GaugeInputs in = WorkedExample();
    in.memoryTotal = c.total;
    in.memoryAvailable = c.available;
    GaugeReadings r = ComputeReadings(in);
    EXPECT_EQ(r.memoryBarPosition, c.barPosition) << c.total << "/" << c.available;
    EXPECT_EQ(r.memoryCaption, c.caption) << c.total << "/" << c.available;
  }
}

TEST(ComputeReadings, NoTotalMemoryShowsNoNumber) {
  for (std::int32_t available : {0, 5}) {
    GaugeInputs in = WorkedExample();
    in.memoryTotal = 0;
    in.memoryAvailable = available;
    GaugeReadings r = ComputeReadings(in);
    EXPECT_EQ(r.memoryBarPosition, 0) << "available " << available;
    EXPECT_EQ(r.memoryCaption, "%") << "available " << available;
    EXPECT_EQ(r.receiveCaption, "200.00KB");
    EXPECT_EQ(r.cpuCaption, "37%");
    EXPECT_EQ(r.totalCaption, "0.29MB");
  }
}

TEST(ComputeReadings, CpuFigureGoesToTheBarUnchanged) {
  for (std::int32_t cpu : {0, 100, -5, 250}) {
    GaugeInputs in = WorkedExample();
    in.cpuPercent = cpu;
    GaugeReadings r = ComputeReadings(in);
    EXPECT_EQ(r.cpuPercent, cpu);
    EXPECT_EQ(r.cpuCaption, std::to_string(cpu) + "%");
  }
}

TEST(ComputeReadings, TheTotalLosesNoOctetsHoweverLarge) {
  // From 16,384 MB on, a single-precision total would drop 1,024 octets.
  for (double total : {16'384.0, 1'000'000.0, 4'000'000'000.0}) {
    GaugeInputs in;
    in.totalTrafficMb = total;
    in.row = OctetCounters{1'024, 1};
    in.lastReceivedOctets = 0;
    in.lastSentOctets = 0;
    GaugeReadings r = ComputeReadings(in);
    EXPECT_EQ((r.totalTrafficMb - total) * kMb, 1'025.0) << "from " << total << " MB";
  }
  // A day at 100 MB/s, a second at a time, ends exactly where it should.
  GaugeInputs in;
  in.lastReceivedOctets = 0;
  in.lastSentOctets = 0;
  std::int32_t counter = 0;
  const std::int32_t perSecond = 100 * 1024 * 1024 + 3;
  for (int second = 0; second < 86'400; ++second) {
    counter = static_cast<std::int32_t>(static_cast<std::uint32_t>(counter) + perSecond);
    in.row = OctetCounters{counter, 0};
    GaugeReadings r = ComputeReadings(in);
    in.totalTrafficMb = r.totalTrafficMb;
    in.lastReceivedOctets = r.lastReceivedOctets;
  }
  EXPECT_EQ(in.totalTrafficMb * kMb, 86'400.0 * perSecond);
  EXPECT_EQ(ComputeReadings(in).totalCaption, "8640000.25MB");
}

TEST(RefreshGauges, ReadsTheFiguresInOrderAndWritesTheWindowInOrder) {
  CallLog log;
  FakeToolkit toolkit(log);
  FakeSystemFigures figures(log);
  figures.cpuPercent = 37;
  figures.memoryTotal = 4'194'304;
  figures.memoryAvailable = 1'048'576;
  MonitorState state;
  state.receiveBarHandle = 0x11;
  state.sendBarHandle = 0x22;
  state.cpuBarHandle = 0x33;
  state.memoryBarHandle = 0x44;
  state.interfaceTable.resize(2);
  state.interfaceTable[1].dwInOctets = 1'204'800;
  state.interfaceTable[1].dwOutOctets = 602'400;
  state.lastReceivedOctets = 1'000'000;
  state.lastSentOctets = 500'000;

  RefreshGauges(MonitoredRow, state, figures, toolkit);

  EXPECT_THAT(log, ElementsAre("GetCpuUsagePercent()", "GetMemoryFigure(0)", "GetMemoryFigure(1)",
                               "SetBarPosition(接收进度条, 100)", "SendMessageA(0x11, 1033, 1, 0xff00ff)",
                               "SetCaption(接收透明标签, 200.00KB)", "SetBarPosition(发送进度条, 50)",
                               "SendMessageA(0x22, 1033, 1, 0xff8800)", "SetCaption(发送透明标签, 100.00KB)",
                               "SetBarPosition(CPU进度条, 37)", "SendMessageA(0x33, 1033, 1, 0xff)",
                               "SetCaption(CPU透明标签, 37%)", "SetBarPosition(内存进度条, 75)",
                               "SendMessageA(0x44, 1033, 1, 0x8000)", "SetCaption(内存透明标签, 75%)",
                               "SetCaption(流量标签, 0.29MB)"));
  EXPECT_EQ(toolkit.applyCalls, 1) << "the writes cross to the window's thread together";
  EXPECT_EQ(state.lastReceivedOctets, 1'204'800);
  EXPECT_EQ(state.lastSentOctets, 602'400);
  EXPECT_EQ(state.totalTrafficMb, 0.29296875);
}

TEST(RefreshGauges, ReadsNoRowOutsideTheTable) {
  for (std::size_t rows : {0, 1}) {
    CallLog log;
    FakeToolkit toolkit(log);
    FakeSystemFigures figures(log);
    MonitorState state;
    state.interfaceTable.resize(rows);
    state.lastReceivedOctets = 7;
    state.lastSentOctets = 7;
    RefreshGauges(MonitoredRow, state, figures, toolkit);
    EXPECT_EQ(state.lastReceivedOctets, std::nullopt);
    EXPECT_THAT(log, testing::Contains("SetCaption(接收透明标签, 0.00KB)"));
    EXPECT_EQ(log.size(), 16u) << "rows " << rows;
  }
}

TEST(RefreshGauges, AFailedSnapshotShowsNoTraffic) {
  // The row still holds the counts the previous refresh stored.
  CallLog log;
  FakeToolkit toolkit(log);
  FakeSystemFigures figures(log);
  MonitorState state;
  state.interfaceTable.resize(2);
  state.interfaceTable[1].dwInOctets = 5'000;
  state.interfaceTable[1].dwOutOctets = 6'000;
  RefreshGauges(MonitoredRow, state, figures, toolkit);
  RefreshGauges(MonitoredRow, state, figures, toolkit);
  EXPECT_THAT(log, testing::Contains("SetCaption(接收透明标签, 0.00KB)").Times(2));
  EXPECT_EQ(state.totalTrafficMb, 0);
}

}  // namespace

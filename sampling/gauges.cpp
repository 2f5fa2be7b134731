#include "sampling/gauges.h"

#include <cmath>

#include "app/platform.h"

namespace {

constexpr const char* kKilobytes = "KB";
constexpr const char* kMegabytes = "MB";
constexpr const char* kPercent = "%";

struct TrafficReading {
  std::int32_t delta;
  Text text;
  std::int32_t barPosition;
  Text caption;
};

// One traffic gauge. With no earlier count, or a count that went back (the
// counter was reset, or the row now holds another interface), nothing is
// known of the traffic in between: the reading is 0.
TrafficReading ReadTraffic(std::int32_t current, std::optional<std::int32_t> previous) {
  std::int32_t delta = previous ? CounterDifference(current, *previous) : 0;
  if (delta < 0) delta = 0;
  Text text = FormatFixed(delta / 1024.0, 2, false);
  // The bar follows the two-place value the text shows, halved: full at 800 KB.
  std::int32_t barPosition = ToInteger(ToNumber(text) / 2.0);
  return {delta, text, barPosition, JoinText({text, kKilobytes})};
}

}  // namespace

std::int32_t CounterDifference(std::int32_t current, std::int32_t previous) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(current) -
                                   static_cast<std::uint32_t>(previous));
}

GaugeReadings ComputeReadings(const GaugeInputs& in) {
  GaugeReadings out;

  // A missing row shows no traffic and forgets the counts, so the first
  // reading once the row is back is 0 again.
  TrafficReading receive =
      ReadTraffic(in.row ? in.row->received : 0, in.row ? in.lastReceivedOctets : std::nullopt);
  TrafficReading send = ReadTraffic(in.row ? in.row->sent : 0, in.row ? in.lastSentOctets : std::nullopt);
  out.receivedDelta = receive.delta;
  out.receiveText = receive.text;
  out.receiveBarPosition = receive.barPosition;
  out.receiveCaption = receive.caption;
  out.sentDelta = send.delta;
  out.sendText = send.text;
  out.sendBarPosition = send.barPosition;
  out.sendCaption = send.caption;
  if (in.row) {
    out.lastReceivedOctets = in.row->received;
    out.lastSentOctets = in.row->sent;
  }

  out.cpuPercent = in.cpuPercent;
  out.cpuCaption = JoinText({ToText(in.cpuPercent), kPercent});

  // The fraction is held in single precision: 1,000 and 995 give 0.0049999999,
  // which shows as 0%.
  out.memoryFraction =
      static_cast<float>(1.0 - static_cast<double>(in.memoryAvailable) / static_cast<double>(in.memoryTotal));
  double memoryPercent = RoundTo(static_cast<double>(out.memoryFraction) * 100.0, 0);
  if (std::isfinite(memoryPercent)) {
    out.memoryBarPosition = ToInteger(memoryPercent);
    out.memoryCaption = JoinText({ToText(memoryPercent), kPercent});
  } else {
    // No total memory figure to divide by: an empty bar and no number.
    out.memoryBarPosition = 0;
    out.memoryCaption = kPercent;
  }

  // Whole octets in megabytes are multiples of 2^-20, so the double total
  // stays exact: no refresh's traffic is ever lost to rounding.
  double increment = (receive.delta / 1024.0 + send.delta / 1024.0) / 1024.0;
  out.totalTrafficMb = in.totalTrafficMb + increment;
  out.totalCaption = JoinText({ToText(RoundTo(out.totalTrafficMb, 2)), kMegabytes});
  return out;
}

void ShowReadings(const GaugeReadings& r, const BarHandles& bars, Toolkit& toolkit) {
  ControlWrites writes;
  writes.SetBarPosition(Control::接收进度条, r.receiveBarPosition);
  writes.SendMessageA(bars.receive, kSetBarColourMessage, 1, kReceiveBarColour);
  writes.SetCaption(Control::接收透明标签, r.receiveCaption);
  writes.SetBarPosition(Control::发送进度条, r.sendBarPosition);
  writes.SendMessageA(bars.send, kSetBarColourMessage, 1, kSendBarColour);
  writes.SetCaption(Control::发送透明标签, r.sendCaption);
  writes.SetBarPosition(Control::CPU进度条, r.cpuPercent);
  writes.SendMessageA(bars.cpu, kSetBarColourMessage, 1, kCpuBarColour);
  writes.SetCaption(Control::CPU透明标签, r.cpuCaption);
  writes.SetBarPosition(Control::内存进度条, r.memoryBarPosition);
  writes.SendMessageA(bars.memory, kSetBarColourMessage, 1, kMemoryBarColour);
  writes.SetCaption(Control::内存透明标签, r.memoryCaption);
  writes.SetCaption(Control::流量标签, r.totalCaption);
  // One hand-over for all thirteen: each crossing to the window's thread
  // costs more than the write itself.
  toolkit.Apply(writes);
}

void RefreshGauges(std::int32_t rowNumber, MonitorState& state, SystemFigures& figures, Toolkit& toolkit) {
  GaugeInputs inputs;
  const InterfaceTable& table = state.interfaceTable;
  if (rowNumber >= 1 && static_cast<std::size_t>(rowNumber) <= table.size()) {
    const InterfaceRow& row = table[rowNumber - 1];
    inputs.row = OctetCounters{row.dwInOctets, row.dwOutOctets};
  }
  inputs.lastReceivedOctets = state.lastReceivedOctets;
  inputs.lastSentOctets = state.lastSentOctets;
  inputs.totalTrafficMb = state.totalTrafficMb;
  inputs.cpuPercent = figures.GetCpuUsagePercent();
  inputs.memoryTotal = figures.GetMemoryFigure(0);
  inputs.memoryAvailable = figures.GetMemoryFigure(1);

  GaugeReadings readings = ComputeReadings(inputs);
  state.lastReceivedOctets = readings.lastReceivedOctets;
  state.lastSentOctets = readings.lastSentOctets;
  state.totalTrafficMb = readings.totalTrafficMb;
  ShowReadings(readings,
               {state.receiveBarHandle, state.sendBarHandle, state.cpuBarHandle, state.memoryBarHandle},
               toolkit);
}

void RefreshGauges(std::int32_t rowNumber) {
  RefreshGauges(rowNumber, monitorState, *platform.figures, *platform.toolkit);
}

// The gauge refresh: from the monitored row's two octet counters and the CPU
// and memory figures, the texts, bar positions and colours the window shows.
#pragma once

#include <cstdint>
#include <optional>

#include "app/monitor_state.h"
#include "sampling/system_figures.h"
#include "ui/toolkit.h"
#include "values/value_ops.h"

inline constexpr std::uint32_t kSetBarColourMessage = 0x0409;   // PBM_SETBARCOLOR, WM_USER + 9
inline constexpr std::uint32_t kReceiveBarColour = 0x00FF00FF;  // magenta
inline constexpr std::uint32_t kSendBarColour = 0x00FF8800;     // blue
inline constexpr std::uint32_t kCpuBarColour = 0x000000FF;      // red
inline constexpr std::uint32_t kMemoryBarColour = 0x00008000;   // green

struct OctetCounters {
  std::int32_t received;
  std::int32_t sent;
};

// Everything one refresh's readings depend on.
struct GaugeInputs {
  std::optional<OctetCounters> row;  // none: the table has no such row
  std::optional<std::int32_t> lastReceivedOctets;
  std::optional<std::int32_t> lastSentOctets;
  double totalTrafficMb = 0;
  std::int32_t cpuPercent = 0;
  std::int32_t memoryTotal = 0;
  std::int32_t memoryAvailable = 0;
};

struct GaugeReadings {
  std::int32_t receivedDelta = 0;
  Text receiveText;
  std::int32_t receiveBarPosition = 0;
  Text receiveCaption;
  std::int32_t sentDelta = 0;
  Text sendText;
  std::int32_t sendBarPosition = 0;
  Text sendCaption;
  std::int32_t cpuPercent = 0;
  Text cpuCaption;
  float memoryFraction = 0;
  std::int32_t memoryBarPosition = 0;
  Text memoryCaption;
  Text totalCaption;
  // The state the next refresh starts from.
  std::optional<std::int32_t> lastReceivedOctets;
  std::optional<std::int32_t> lastSentOctets;
  double totalTrafficMb = 0;
};

// Octets counted from `previous` to `current` on a 32-bit counter that wraps:
// (current - previous) modulo 2^32 as a signed value.
std::int32_t CounterDifference(std::int32_t current, std::int32_t previous);

// The readings as a pure function of the inputs.
GaugeReadings ComputeReadings(const GaugeInputs& inputs);

// The bar handles the colour messages go to.
struct BarHandles {
  NativeHandle receive, send, cpu, memory;
};

// Writes the readings into the window: per bar its position, its colour and
// its caption, in the order receive, send, CPU, memory; then the total. The
// thirteen writes reach the window's thread in one hand-over.
void ShowReadings(const GaugeReadings& readings, const BarHandles& bars, Toolkit& toolkit);

// One gauge refresh for row `rowNumber` (from 1) of the table in `state`:
// reads the row, then the CPU figure and the two memory figures, in that
// order, updates `state` and shows the readings.
void RefreshGauges(std::int32_t rowNumber, MonitorState& state, SystemFigures& figures, Toolkit& toolkit);

// The refresh's step, over the program's state and bound platform.
void RefreshGauges(std::int32_t rowNumber);

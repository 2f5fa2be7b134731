// The program-wide state. It lives for the whole run; the window's thread
// sets the bar handles and the total once, before the first tick, and after
// that only the one refresh that may run at a time reads and writes it.
#pragma once

#include <cstdint>
#include <optional>

#include "sampling/interface_table.h"
#include "ui/toolkit.h"

struct MonitorState {
  // Borrowed: the bars belong to the window, which destroys them.
  NativeHandle sendBarHandle = 0;
  NativeHandle receiveBarHandle = 0;
  NativeHandle cpuBarHandle = 0;
  NativeHandle memoryBarHandle = 0;
  // Received plus sent megabytes since the window opened. A double holds it
  // exactly (a whole number of octets) up to 2^32 MB.
  double totalTrafficMb = 0;
  InterfaceTable interfaceTable;
  // The counters the previous refresh saw; none before the first one, or
  // when the monitored row was missing.
  std::optional<std::int32_t> lastReceivedOctets;
  std::optional<std::int32_t> lastSentOctets;
};

// Never destroyed: a refresh may still run while the program ends.
extern MonitorState& monitorState;

// The row of the interface table that the window shows, counted from 1.
inline constexpr std::int32_t MonitoredRow = 2;

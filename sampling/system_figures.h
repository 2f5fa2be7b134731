// CPU and memory figures of the machine: an interface so that it can be
// faked.
#pragma once

#include <cstdint>

class SystemFigures {
 public:
  virtual ~SystemFigures() = default;
  // The share of CPU time spent busy since the previous call, in percent.
  virtual std::int32_t GetCpuUsagePercent() = 0;
  // Selector 0: total physical memory; 1: physical memory available. Both in
  // one unit that fits 32 bits on any machine.
  virtual std::int32_t GetMemoryFigure(std::int32_t selector) = 0;
};

// The real threads, interface table and system figures on Win32.
#pragma once

#include <windows.h>

#include "app/threads.h"
#include "sampling/if_table_api.h"
#include "sampling/system_figures.h"

class Win32Threads final : public Threads {
 public:
  bool StartThread(void (*routine)()) override;
};

class Win32IfTable final : public IfTableApi {
 public:
  std::uint32_t GetIfTable(std::uint8_t* table, std::uint32_t* size, bool sorted) override;
};

class Win32SystemFigures final : public SystemFigures {
 public:
  std::int32_t GetCpuUsagePercent() override;
  std::int32_t GetMemoryFigure(std::int32_t selector) override;

 private:
  // The times of the previous call; zero before the first, which so measures
  // the time since boot.
  ULONGLONG lastIdle_ = 0, lastKernel_ = 0, lastUser_ = 0;
};

// Fakes of the platform seams that record what the program asks of them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/threads.h"
#include "sampling/if_table_api.h"
#include "sampling/interface_snapshot.h"
#include "sampling/system_figures.h"
#include "ui/toolkit.h"
#include "update/update_services.h"

// A log of calls, shared by several fakes so that their order shows.
using CallLog = std::vector<std::string>;

inline std::string Hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

class FakeToolkit : public Toolkit {
 public:
  explicit FakeToolkit(CallLog& log) : log_(log) {}

  bool ShowMonitorWindow(const MonitorWindowEvents& events) override {
    events_ = events;
    log_.push_back("ShowMonitorWindow");
    return true;
  }
  void RunMessageLoop() override { log_.push_back("RunMessageLoop"); }
  NativeHandle GetNativeHandle(Control control) override {
    log_.push_back("GetNativeHandle(" + std::string(Describe(control).name) + ")");
    return HandleOf(control);
  }
  // Records each write as the call it stands for.
  void Apply(const ControlWrites& writes) override {
    for (const ControlWrites::Write& w : writes.writes()) {
      switch (w.kind) {
        case ControlWrites::Write::Kind::kCaption:
          Record("SetCaption(" + std::string(Describe(w.control).name) + ", " + w.text + ")");
          break;
        case ControlWrites::Write::Kind::kBarPosition:
          Record("SetBarPosition(" + std::string(Describe(w.control).name) + ", " +
                 std::to_string(w.position) + ")");
          break;
        case ControlWrites::Write::Kind::kMessage:
          Record("SendMessageA(" + Hex(w.target) + ", " + std::to_string(w.message) + ", " +
                 std::to_string(w.wParam) + ", " + Hex(static_cast<std::uint64_t>(w.lParam)) + ")");
          break;
      }
    }
    ++applyCalls;
  }

  // Each control's fake native handle: 0x100 plus its row in the table.
  static NativeHandle HandleOf(Control control) { return 0x100 + static_cast<int>(control); }

  MonitorWindowEvents events_{};
  int applyCalls = 0;  // hand-overs to the window's thread

 private:
  void Record(std::string call) {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.push_back(std::move(call));
  }
  CallLog& log_;
  std::mutex mutex_;
};

// Keeps the routines it is asked to start; the test runs them when it likes.
class FakeThreads : public Threads {
 public:
  bool StartThread(void (*routine)()) override {
    if (!startSucceeds) return false;
    pending.push_back(routine);
    return true;
  }
  void RunNext() {
    auto routine = pending.front();
    pending.pop_front();
    routine();
  }
  bool startSucceeds = true;
  std::deque<void (*)()> pending;
};

class FakeSystemFigures : public SystemFigures {
 public:
  explicit FakeSystemFigures(CallLog& log) : log_(log) {}
  std::int32_t GetCpuUsagePercent() override {
    log_.push_back("GetCpuUsagePercent()");
    return cpuPercent;
  }
  std::int32_t GetMemoryFigure(std::int32_t selector) override {
    log_.push_back("GetMemoryFigure(" + std::to_string(selector) + ")");
    return selector == 0 ? memoryTotal : memoryAvailable;
  }
  std::int32_t cpuPercent = 0, memoryTotal = 100, memoryAvailable = 100;

 private:
  CallLog& log_;
};

// One interface as the operating system lists it.
struct FakeInterface {
  std::uint32_t index;
  std::uint32_t inOctets;
  std::uint32_t outOctets;
};

// The system's MIB_IFTABLE: a row count, then 860-byte rows in which every
// byte but the counters is filled with noise, as a real table fills names,
// addresses and the other counters.
inline std::vector<std::uint8_t> MakeIfTableBytes(const std::vector<FakeInterface>& interfaces) {
  std::vector<std::uint8_t> bytes(4 + interfaces.size() * kIfRowSize);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0xA5 ^ i);
  auto put = [&](std::size_t at, std::uint32_t value) { std::memcpy(&bytes[at], &value, 4); };
  put(0, static_cast<std::uint32_t>(interfaces.size()));
  for (std::size_t i = 0; i < interfaces.size(); ++i) {
    std::size_t row = 4 + i * kIfRowSize;
    put(row + 512, interfaces[i].index);  // dwIndex follows the 512-byte name
    put(row + kIfRowInOctetsOffset, interfaces[i].inOctets);
    put(row + kIfRowOutOctetsOffset, interfaces[i].outOctets);
  }
  return bytes;
}

// GetIfTable over a table the test sets, answering as the system does: the
// size query gives the bytes needed, the table query fills a buffer that
// large.
class FakeIfTable : public IfTableApi {
 public:
  std::uint32_t GetIfTable(std::uint8_t* table, std::uint32_t* size, bool sorted) override {
    calls.push_back({*size, sorted});
    if (beforeEachCall) beforeEachCall(static_cast<int>(calls.size()));
    if (!table || !size) return 87;  // ERROR_INVALID_PARAMETER
    std::uint32_t needed = sizeOverride ? *sizeOverride : static_cast<std::uint32_t>(bytes.size());
    if (*size < needed) {
      *size = needed;
      return 122;  // ERROR_INSUFFICIENT_BUFFER
    }
    if (tableStatus != 0) return tableStatus;
    std::memcpy(table, bytes.data(), std::min<std::size_t>(bytes.size(), *size));
    *size = needed;
    return 0;
  }

  struct Call {
    std::uint32_t statedSize;
    bool sorted;
  };
  std::vector<Call> calls;
  std::vector<std::uint8_t> bytes = MakeIfTableBytes({});
  std::optional<std::uint32_t> sizeOverride;
  std::uint32_t tableStatus = 0;
  std::function<void(int call)> beforeEachCall;
};

// An update server that never answers: the check ends without a word.
class NoUpdateServices : public UpdateServices {
 public:
  Bytes FetchUrl(const Text&) override { return {}; }
  void ShowMessageBox(const Text&, std::int32_t, const Text&) override {}
  void OpenWebAddress(const Text&) override {}
};

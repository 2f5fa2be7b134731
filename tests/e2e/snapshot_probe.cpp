// Takes one snapshot of the interface table through the real GetIfTable seam
// and the program's own snapshot code, and prints what the refresh would see:
//
//   rows=N
//   row1.in=OCTETS
//   row1.out=OCTETS
//   ...
//
// The counters are the system's unsigned 32-bit values. Exits 1 when the
// snapshot failed (the table stayed empty).
#include <cstdint>
#include <cstdio>

#include "sampling/interface_snapshot.h"
#include "win32/win32_platform.h"

int main() {
  Win32IfTable api;
  InterfaceTable table;
  TakeInterfaceSnapshot(api, table);
  std::printf("rows=%lu\n", static_cast<unsigned long>(table.size()));
  unsigned long row = 0;
  for (const InterfaceRow& r : table) {
    ++row;
    std::printf("row%lu.in=%lu\n", row, static_cast<unsigned long>(static_cast<std::uint32_t>(r.dwInOctets)));
    std::printf("row%lu.out=%lu\n", row,
                static_cast<unsigned long>(static_cast<std::uint32_t>(r.dwOutOctets)));
  }
  return table.empty() ? 1 : 0;
}

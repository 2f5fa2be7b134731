#include "sampling/interface_snapshot.h"

#include <new>

#include "app/monitor_state.h"
#include "app/platform.h"

namespace {

// Row i's counters (i from 1) out of the rows that follow the row count.
std::int32_t CounterAt(const Bytes& rows, std::int32_t row, std::int32_t offset) {
  std::int32_t position = (row - 1) * kIfRowSize + offset + 1;
  return ReadInt32(MidBytes(rows, position, 4));
}

}  // namespace

void TakeInterfaceSnapshot(IfTableApi& api, InterfaceTable& table) try {
  // Size query, with a real one-byte buffer of stated size 0.
  alignas(4) std::uint8_t probe[1] = {0};
  std::uint32_t querySize = 0;
  api.GetIfTable(probe, &querySize, false);
  auto size = static_cast<std::int32_t>(querySize);
  if (size <= 0 || size > kMaxIfTableBytes) return;

  Bytes buffer = BlankBytes(size);
  if (api.GetIfTable(buffer.data(), &querySize, true) != 0) return;
  // The counters lie in the bytes after the row count. Take them from the
  // buffer itself, whatever size the query reports back, so that nothing is
  // read past it.
  if (buffer.size() < 4) return;
  std::int32_t count = ReadInt32(LeftBytes(buffer, 4));
  Bytes rows = RightBytes(buffer, size - 4);
  buffer = Bytes();
  // A count that the bytes cannot hold is a table that failed.
  if (count < 0 || static_cast<std::int64_t>(count) * kIfRowSize > static_cast<std::int64_t>(rows.size()))
    return;

  InterfaceTable snapshot(count);
  for (std::int32_t i = 1; i <= count; ++i) {
    snapshot[i - 1].dwInOctets = CounterAt(rows, i, kIfRowInOctetsOffset);
    snapshot[i - 1].dwOutOctets = CounterAt(rows, i, kIfRowOutOctetsOffset);
  }
  table.swap(snapshot);  // the old rows are released with `snapshot`
} catch (const std::bad_alloc&) {
  // Out of memory: a failed snapshot; the table stays as it was.
}

void TakeInterfaceSnapshot() { TakeInterfaceSnapshot(*platform.ifTable, monitorState.interfaceTable); }

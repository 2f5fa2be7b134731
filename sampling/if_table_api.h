// The operating system's interface table query (iphlpapi's GetIfTable): an
// interface so that it can be faked.
//
// Only the refresh that holds the refresh gate (app/program.cpp) calls it and
// touches the table it fills, so a snapshot never races another snapshot or a
// gauge refresh.
#pragma once

#include <cstdint>

class IfTableApi {
 public:
  virtual ~IfTableApi() = default;
  // Writes a MIB_IFTABLE into `table`, which holds `*size` bytes, and sets
  // `*size` to the bytes the whole table needs. `sorted`: rows ascending by
  // interface index. Returns 0 on success.
  virtual std::uint32_t GetIfTable(std::uint8_t* table, std::uint32_t* size, bool sorted) = 0;
};

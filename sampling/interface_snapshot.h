// Reads the operating system's interface table into an InterfaceTable.
#pragma once

#include "sampling/if_table_api.h"
#include "sampling/interface_table.h"

// Layout of the system's MIB_IFTABLE: a 32-bit row count, then rows of
// MIB_IFROW, whose octet counters sit at fixed offsets.
inline constexpr int kIfRowSize = 860;
inline constexpr int kIfRowInOctetsOffset = 552;
inline constexpr int kIfRowOutOctetsOffset = 576;
// No interface table comes near this (some 19,000 interfaces): a size query
// beyond it is a failed query, not an allocation of gigabytes.
inline constexpr std::int32_t kMaxIfTableBytes = 16 << 20;

// Replaces `table` with the system's current table: one row per interface,
// holding its two octet counters. A failed query (or a table whose row count
// does not fit the bytes returned, or no memory) leaves `table` as it was.
void TakeInterfaceSnapshot(IfTableApi& api, InterfaceTable& table);

// The refresh's step: the snapshot of the bound platform into the program's
// interfaceTable.
void TakeInterfaceSnapshot();

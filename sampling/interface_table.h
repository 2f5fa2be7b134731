// The program's copy of the operating system's network interface table: one
// row per interface, in the order of the table sorted by interface index.
#pragma once

#include <cstdint>
#include <vector>

#include "values/value_ops.h"

// One interface. The fields mirror the operating system's MIB_IFROW one for
// one; only the two octet counters are ever filled in, and they hold the
// system's unsigned 32-bit counters bit for bit (0xFFFFFFFF reads as -1).
struct InterfaceRow {
  Text wszName;
  std::int32_t dwIndex = 0;
  std::int32_t dwType = 0;
  std::int32_t dwMtu = 0;
  std::int32_t dwSpeed = 0;
  std::int32_t dwPhysAddrLen = 0;
  Bytes bPhysAddr;
  std::int32_t dwAdminStatus = 0;
  std::int32_t dwOperStatus = 0;
  std::int32_t dwLastChange = 0;
  std::int32_t dwInOctets = 0;
  std::int32_t dwInUcastPkts = 0;
  std::int32_t dwInNUcastPkts = 0;
  std::int32_t dwInDiscards = 0;
  std::int32_t dwInErrors = 0;
  std::int32_t dwInUnknownProtos = 0;
  std::int32_t dwOutOctets = 0;
  std::int32_t dwOutUcastPkts = 0;
  std::int32_t dwOutNUcastPkts = 0;
  std::int32_t dwOutDiscards = 0;
  std::int32_t dwOutErrors = 0;
  std::int32_t dwOutQLen = 0;
  std::int32_t dwDescrLen = 0;
  Bytes bDescr;
};

// Row n (counted from 1) is element n - 1. The table owns its rows.
using InterfaceTable = std::vector<InterfaceRow>;

// Feeds arbitrary sizes, statuses and table bytes through the snapshot: it
// must never read outside the buffer, and a table it keeps must fit the
// bytes it was given.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "sampling/interface_snapshot.h"

namespace {

class FuzzedIfTable : public IfTableApi {
 public:
  FuzzedIfTable(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint32_t GetIfTable(std::uint8_t* table, std::uint32_t* size, bool) override {
    std::uint32_t reportedSize = Take32();
    std::uint32_t status = Take32() % 4 == 0 ? 0 : Take32();
    // Writes at most what the caller said its buffer holds.
    std::size_t count = std::min<std::size_t>(*size, size_);
    std::memcpy(table, data_, count);
    data_ += count;
    size_ -= count;
    *size = reportedSize;
    return status;
  }

 private:
  std::uint32_t Take32() {
    std::uint32_t value = 0;
    std::size_t count = std::min<std::size_t>(4, size_);
    std::memcpy(&value, data_, count);
    data_ += count;
    size_ -= count;
    return value % 0x20000 == 0 ? value : value % 0x20000;  // mostly sizes a table may have
  }
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedIfTable api(data, size);
  InterfaceTable table(1);
  TakeInterfaceSnapshot(api, table);
  for (const InterfaceRow& row : table)
    if (!row.wszName.empty() || !row.bPhysAddr.empty() || !row.bDescr.empty()) std::abort();
  return 0;
}

#include "sampling/interface_snapshot.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "tests/fakes.h"

namespace {

struct Counters {
  std::int32_t in, out;
  bool operator==(const Counters&) const = default;
};
void PrintTo(const Counters& c, std::ostream* os) { *os << "{" << c.in << ", " << c.out << "}"; }

std::vector<Counters> CountersOf(const InterfaceTable& table) {
  std::vector<Counters> counters;
  for (const InterfaceRow& row : table) counters.push_back({row.dwInOctets, row.dwOutOctets});
  return counters;
}

class SnapshotTest : public testing::Test {
 protected:
  // The table after a first successful snapshot of two interfaces.
  void TakeFirstSnapshot() {
    api.bytes = MakeIfTableBytes({{1, 100, 200}, {2, 300, 400}});
    TakeInterfaceSnapshot(api, table);
    ASSERT_THAT(CountersOf(table), testing::ElementsAre(Counters{100, 200}, Counters{300, 400}));
    api.calls.clear();
  }
  FakeIfTable api;
  InterfaceTable table;
};

TEST_F(SnapshotTest, AsksForTheSizeThenForTheSortedTable) {
  api.bytes = MakeIfTableBytes({{1, 10, 20}, {7, 30, 40}, {12, 50, 60}});
  TakeInterfaceSnapshot(api, table);
  ASSERT_EQ(api.calls.size(), 2u);
  EXPECT_EQ(api.calls[0].statedSize, 0u);
  EXPECT_FALSE(api.calls[0].sorted);
  EXPECT_EQ(api.calls[1].statedSize, 4u + 3 * 860);
  EXPECT_TRUE(api.calls[1].sorted);
  // Rows in the order the sorted table lists them: indexes 1, 7, 12.
  EXPECT_THAT(CountersOf(table), testing::ElementsAre(Counters{10, 20}, Counters{30, 40}, Counters{50, 60}));
}

TEST_F(SnapshotTest, CountersAreTheSystemsBitsReadAsSigned) {
  api.bytes = MakeIfTableBytes({{1, 0xFFFFFFFF, 0x80000000}, {2, 0x7FFFFFFF, 5}});
  TakeInterfaceSnapshot(api, table);
  EXPECT_THAT(CountersOf(table), testing::ElementsAre(Counters{-1, INT32_MIN}, Counters{INT32_MAX, 5}));
}

TEST_F(SnapshotTest, ReadsEachRowsCountersAtTheirByteOffsets) {
  // Every byte a distinct pattern: row i's counters must come from bytes
  // 556 + 860 (i - 1) and 580 + 860 (i - 1) of the buffer, nothing nearby.
  api.bytes.assign(4 + 3 * 860, 0);
  for (std::size_t i = 4; i < api.bytes.size(); ++i) api.bytes[i] = static_cast<std::uint8_t>(i * 7);
  std::uint32_t three = 3;
  std::memcpy(api.bytes.data(), &three, 4);
  TakeInterfaceSnapshot(api, table);
  ASSERT_EQ(table.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    std::int32_t in, out;
    std::memcpy(&in, &api.bytes[556 + 860 * i], 4);
    std::memcpy(&out, &api.bytes[580 + 860 * i], 4);
    EXPECT_EQ(table[i].dwInOctets, in) << "row " << i + 1;
    EXPECT_EQ(table[i].dwOutOctets, out) << "row " << i + 1;
  }
}

TEST_F(SnapshotTest, LeavesEveryOtherFieldEmptyThoughTheSystemFilledIt) {
  api.bytes = MakeIfTableBytes({{5, 1, 2}, {9, 3, 4}});
  TakeInterfaceSnapshot(api, table);
  ASSERT_EQ(table.size(), 2u);
  for (InterfaceRow row : table) {
    row.dwInOctets = row.dwOutOctets = 0;
    EXPECT_TRUE(row.wszName.empty());
    EXPECT_TRUE(row.bPhysAddr.empty());
    EXPECT_TRUE(row.bDescr.empty());
    for (std::int32_t field :
         {row.dwIndex, row.dwType, row.dwMtu, row.dwSpeed, row.dwPhysAddrLen, row.dwAdminStatus,
          row.dwOperStatus, row.dwLastChange, row.dwInUcastPkts, row.dwInNUcastPkts, row.dwInDiscards,
          row.dwInErrors, row.dwInUnknownProtos, row.dwOutUcastPkts, row.dwOutNUcastPkts, row.dwOutDiscards,
          row.dwOutErrors, row.dwOutQLen, row.dwDescrLen})
      EXPECT_EQ(field, 0);
  }
}

TEST_F(SnapshotTest, ATableOfNoRowsEmptiesTheTable) {
  TakeFirstSnapshot();
  api.bytes = MakeIfTableBytes({});
  TakeInterfaceSnapshot(api, table);
  EXPECT_TRUE(table.empty());
}

TEST_F(SnapshotTest, NewRowsReplaceTheOldWhole) {
  TakeFirstSnapshot();
  api.bytes = MakeIfTableBytes({{3, 7, 8}});
  TakeInterfaceSnapshot(api, table);
  EXPECT_THAT(CountersOf(table), testing::ElementsAre(Counters{7, 8}));
}

// Each of these is a failed snapshot: the table keeps the previous one.
struct FailedQuery {
  const char* name;
  std::function<void(FakeIfTable&)> arrange;
  int expectedCalls;
};

class FailedSnapshotTest : public SnapshotTest, public testing::WithParamInterface<FailedQuery> {};

TEST_P(FailedSnapshotTest, KeepsThePreviousTable) {
  TakeFirstSnapshot();
  api.bytes = MakeIfTableBytes({{1, 9, 9}, {2, 9, 9}, {3, 9, 9}});
  GetParam().arrange(api);
  TakeInterfaceSnapshot(api, table);
  EXPECT_EQ(static_cast<int>(api.calls.size()), GetParam().expectedCalls);
  EXPECT_THAT(CountersOf(table), testing::ElementsAre(Counters{100, 200}, Counters{300, 400}));
}

void SetRowCount(FakeIfTable& api, std::uint32_t count) { std::memcpy(api.bytes.data(), &count, 4); }

INSTANTIATE_TEST_SUITE_P(
    Snapshot, FailedSnapshotTest,
    testing::Values(
        FailedQuery{"SizeQueryOfZero", [](FakeIfTable& api) { api.sizeOverride = 0; }, 1},
        FailedQuery{"SizeQueryBeyondTheSignedRange", [](FakeIfTable& api) { api.sizeOverride = 0x80000000u; },
                    1},
        FailedQuery{"SizeQueryBeyondAnyRealTable",
                    [](FakeIfTable& api) { api.sizeOverride = kMaxIfTableBytes + 1; }, 1},
        FailedQuery{"TableQueryFails", [](FakeIfTable& api) { api.tableStatus = 31; }, 2},
        // An interface added between the two queries: the table no longer
        // fits the buffer the size query sized.
        FailedQuery{"TableGrowsBetweenTheQueries",
                    [](FakeIfTable& api) {
                      api.beforeEachCall = [&api](int call) {
                        if (call == 2)
                          api.bytes = MakeIfTableBytes({{1, 9, 9}, {2, 9, 9}, {3, 9, 9}, {4, 9, 9}});
                      };
                    },
                    2},
        FailedQuery{"NegativeRowCount", [](FakeIfTable& api) { SetRowCount(api, 0xFFFFFFFF); }, 2},
        FailedQuery{"MoreRowsThanTheBufferHolds", [](FakeIfTable& api) { SetRowCount(api, 4); }, 2},
        FailedQuery{"RowCountFarBeyondTheBuffer", [](FakeIfTable& api) { SetRowCount(api, 0x7FFFFFFF); }, 2},
        FailedQuery{"BufferShorterThanTheRowCount", [](FakeIfTable& api) { api.bytes.resize(3); }, 2}),
    [](const testing::TestParamInfo<FailedQuery>& info) { return info.param.name; });

TEST_F(SnapshotTest, TheNextSnapshotAfterAFailureStartsAgainWithASizeQuery) {
  TakeFirstSnapshot();
  api.tableStatus = 31;
  TakeInterfaceSnapshot(api, table);
  api.tableStatus = 0;
  api.calls.clear();
  api.bytes = MakeIfTableBytes({{1, 1, 1}});
  TakeInterfaceSnapshot(api, table);
  ASSERT_EQ(api.calls.size(), 2u);
  EXPECT_EQ(api.calls[0].statedSize, 0u);
  EXPECT_THAT(CountersOf(table), testing::ElementsAre(Counters{1, 1}));
}

}  // namespace

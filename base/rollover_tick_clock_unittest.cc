#include "base/rollover_tick_clock.h"

#include <cstddef>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

// A counter replaying |g_readings| one per call.
std::vector<uint32_t> g_readings;
size_t g_next_reading = 0;

uint32_t FakeCounter() {
  return g_readings[g_next_reading++];
}

std::vector<int64_t> ReadClock(const std::vector<uint32_t>& readings) {
  g_readings = readings;
  g_next_reading = 0;
  RolloverTickClock clock(&FakeCounter);
  std::vector<int64_t> results;
  for (size_t i = 0; i < readings.size(); ++i)
    results.push_back(clock.Now());
  return results;
}

constexpr int64_t kWrap = int64_t{1} << 32;

TEST(RolloverTickClockTest, WrapOfTheCounterKeepsTheClockGoingForward) {
  const std::vector<int64_t> results =
      ReadClock({0xFFFFFF00u, 0xFFFFFF80u, 0xFFFFFFFFu, 0x0u, 0x80u});
  const std::vector<int64_t> expected = {
      0xFFFFFF00LL * 1000, 0xFFFFFF80LL * 1000, 0xFFFFFFFFLL * 1000,
      kWrap * 1000, (kWrap + 0x80) * 1000};
  EXPECT_EQ(results, expected);
}

TEST(RolloverTickClockTest, EveryWrapAddsTwoToTheThirtySecond) {
  const std::vector<int64_t> results =
      ReadClock({0xFFFFFF00u, 0x10u, 0x10u, 0xFFFFFF00u, 0x20u});
  const std::vector<int64_t> expected = {
      0xFFFFFF00LL * 1000, (kWrap + 0x10) * 1000, (kWrap + 0x10) * 1000,
      (kWrap + 0xFFFFFF00LL) * 1000, (2 * kWrap + 0x20) * 1000};
  EXPECT_EQ(results, expected);
}

}  // namespace
}  // namespace base

#include "base/queued_task.h"

#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "base/bind.h"

namespace base {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

QueuedTask MakeRecord(int64_t run_time_us, int32_t sequence_num) {
  QueuedTask record(Location(), Closure(), TimeTicks(),
                    TimeTicks::FromInternalValue(run_time_us), true);
  record.sequence_num = sequence_num;
  return record;
}

TEST(QueuedTaskTest, EarlierRunTimeOrLowerSequenceComesFirst) {
  struct Case {
    const char* name;
    int64_t a_time;
    int32_t a_sequence;
    int64_t b_time;
    int32_t b_sequence;
    bool a_runs_first;
  };
  const Case cases[] = {
      {"earlier time wins over sequence", 100, 9, 200, 1, true},
      {"later time loses over sequence", 200, 1, 100, 9, false},
      {"equal time, lower sequence", 100, 1, 100, 2, true},
      {"equal time, higher sequence", 100, 2, 100, 1, false},
      {"equal time, across the wrap", 100, kMax, 100, kMin, true},
      {"equal time, after the wrap", 100, kMin, 100, kMax, false},
      {"equal time, near zero crossing", 100, -1, 100, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QueuedTask a = MakeRecord(c.a_time, c.a_sequence);
    const QueuedTask b = MakeRecord(c.b_time, c.b_sequence);
    // The heap's top is its greatest record: the one that runs first.
    EXPECT_EQ(c.a_runs_first, b < a);
    EXPECT_EQ(!c.a_runs_first, a < b);
  }
}

TEST(DelayedTaskQueueTest, PopsByRunTimeThenPostingOrderAcrossTheWrap) {
  // Posting order of the sequence numbers below: kMax - 1, kMax, kMin, kMin
  // + 1.
  DelayedTaskQueue queue;
  queue.Push(MakeRecord(500, kMin));
  queue.Push(MakeRecord(500, kMax));
  queue.Push(MakeRecord(900, kMax - 1));
  queue.Push(MakeRecord(500, kMin + 1));
  queue.Push(MakeRecord(500, kMax - 1));

  std::vector<int32_t> popped;
  std::vector<int64_t> times;
  while (!queue.empty()) {
    QueuedTask record = queue.Pop();
    popped.push_back(record.sequence_num);
    times.push_back(record.delayed_run_time.ToInternalValue());
  }
  EXPECT_EQ((std::vector<int32_t>{kMax - 1, kMax, kMin, kMin + 1, kMax - 1}),
            popped);
  EXPECT_EQ((std::vector<int64_t>{500, 500, 500, 500, 900}), times);
}

TEST(TaskQueueTest, PopsInPushOrderAndSwapHandsOverEverything) {
  TaskQueue incoming;
  TaskQueue work;
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    // Enough records to span many storage blocks once.
    const int count = round == 1 ? 20000 : 3;
    for (int i = 0; i < count; ++i)
      incoming.Push(MakeRecord(0, i));
    ASSERT_TRUE(work.empty());
    incoming.Swap(&work);
    EXPECT_TRUE(incoming.empty());
    for (int i = 0; i < count; ++i) {
      ASSERT_FALSE(work.empty());
      EXPECT_EQ(i, work.Pop().sequence_num);
    }
    EXPECT_TRUE(work.empty());
  }
}

TEST(TaskQueueTest, PopHandsOverTheTaskItself) {
  int runs = 0;
  struct Counter {
    static void Run(int* runs) { ++*runs; }
  };
  TaskQueue queue;
  queue.Push(QueuedTask(Location(), Bind(&Counter::Run, &runs), TimeTicks(),
                        TimeTicks(), true));
  QueuedTask record = queue.Pop();
  ASSERT_FALSE(record.task.is_null());
  record.task.Run();
  EXPECT_EQ(1, runs);
  EXPECT_TRUE(queue.empty());
}

}  // namespace
}  // namespace base

#include "ui/Timer.h"

#include <gtest/gtest.h>

#include "ui/Exceptions.h"

namespace {

// Records what the timer asked of the platform.
struct FakeBackend : ui::TimerBackend {
  int* starts;
  int* stops;
  unsigned* lastInterval;
  bool* refuse;
  std::function<void()>* tick;
  bool Start(unsigned ms, std::function<void()> t) override {
    ++*starts;
    *lastInterval = ms;
    *tick = std::move(t);
    return !*refuse;
  }
  void Stop() override { ++*stops; }
};

struct TimerFixture : ::testing::Test {
  int starts = 0, stops = 0;
  unsigned interval = 0;
  bool refuse = false;
  std::function<void()> tick;
  std::unique_ptr<ui::Timer> timer;
  void SetUp() override {
    auto b = std::make_unique<FakeBackend>();
    b->starts = &starts;
    b->stops = &stops;
    b->lastInterval = &interval;
    b->refuse = &refuse;
    b->tick = &tick;
    timer = std::make_unique<ui::Timer>(std::move(b));
    timer->OnTimer = [] {};
    timer->SetEnabled(false);
    starts = stops = 0;
  }
};

TEST_F(TimerFixture, EnablingTwiceOrSettingTheSameIntervalChangesNothing) {
  timer->SetInterval(10);
  EXPECT_EQ(starts, 0);
  timer->SetEnabled(true);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(interval, 10u);
  timer->SetEnabled(true);
  timer->SetInterval(10);
  EXPECT_EQ(starts, 1);  // neither restarted nor postponed
  timer->SetInterval(25);
  EXPECT_EQ(starts, 2);  // a new interval restarts it
  EXPECT_EQ(interval, 25u);
  timer->SetEnabled(false);
  EXPECT_EQ(starts, 2);
  EXPECT_GE(stops, 1);
}

TEST_F(TimerFixture, ZeroIntervalNeverRuns) {
  timer->SetInterval(0);
  timer->SetEnabled(true);
  EXPECT_EQ(starts, 0);
  EXPECT_TRUE(timer->Enabled());
}

TEST_F(TimerFixture, RefusedTimerCountsAsEnabledUntilTheIntervalChanges) {
  refuse = true;
  timer->SetInterval(10);
  try {
    timer->SetEnabled(true);
    FAIL() << "no error";
  } catch (const ui::OutOfResources& e) {
    EXPECT_STREQ(e.what(), "Not enough timers available");
  }
  EXPECT_TRUE(timer->Enabled());
  EXPECT_NO_THROW(timer->SetEnabled(true));  // nothing tried again
  EXPECT_EQ(starts, 1);
  refuse = false;
  timer->SetInterval(11);
  EXPECT_EQ(starts, 2);
}

}  // namespace

#include "ui/Timer.h"

#include <gtest/gtest.h>

#include "testkit/FakeTimer.h"
#include "ui/Exceptions.h"

namespace {

struct TimerFixture : ::testing::Test {
  testkit::TimerRecord record;
  int& starts = record.starts;
  int& stops = record.stops;
  unsigned& interval = record.interval;
  bool& refuse = record.refuse;
  std::unique_ptr<ui::Timer> timer;
  void SetUp() override {
    timer = std::make_unique<ui::Timer>(std::make_unique<testkit::RecordingTimerBackend>(record));
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

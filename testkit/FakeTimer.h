// A timer back-end for tests: records what the timer asked of the platform and hands the tick to
// the test, which runs it when it likes.
#pragma once
#include <functional>

#include "ui/Timer.h"

namespace testkit {

struct TimerRecord {
  int starts = 0, stops = 0;
  unsigned interval = 0;
  bool refuse = false;          // the platform refuses to start a timer
  std::function<void()> tick;  // while started
};

struct RecordingTimerBackend : ui::TimerBackend {
  TimerRecord& record;
  explicit RecordingTimerBackend(TimerRecord& r) : record(r) {}
  bool Start(unsigned intervalMsec, std::function<void()> tick) override {
    ++record.starts;
    record.interval = intervalMsec;
    record.tick = std::move(tick);
    return !record.refuse;
  }
  void Stop() override {
    ++record.stops;
    record.tick = nullptr;
  }
};

}  // namespace testkit

// A timer whose tick arrives through the owning thread's message loop. Like the framework timer
// the dialogs were designed around: enabling an enabled timer or setting the same interval again
// changes nothing; a new interval restarts a running timer; an interval of 0 never ticks.
// The platform part sits behind TimerBackend so the rules can be tested without a window.
#pragma once
#include <functional>
#include <memory>

namespace ui {

class TimerBackend {
 public:
  virtual ~TimerBackend() = default;
  // Starts (or restarts) periodic ticks; false when the platform refuses a timer.
  virtual bool Start(unsigned intervalMsec, std::function<void()> tick) = 0;
  virtual void Stop() = 0;
};

// A platform timer on a hidden message window of its own.
std::unique_ptr<TimerBackend> MakeWindowTimerBackend();

class Timer {
 public:
  explicit Timer(std::unique_ptr<TimerBackend> backend = MakeWindowTimerBackend());
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  bool Enabled() const { return enabled_; }
  unsigned Interval() const { return interval_; }  // read by the tests
  // Both throw ui::OutOfResources("Not enough timers available") when the platform refuses;
  // the new value is kept all the same.
  void SetEnabled(bool enabled);
  void SetInterval(unsigned msec);

  std::function<void()> OnTimer;

 private:
  void Update();
  std::unique_ptr<TimerBackend> backend_;
  bool enabled_ = true;
  unsigned interval_ = 1000;
};

}  // namespace ui

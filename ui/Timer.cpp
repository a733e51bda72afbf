#include "ui/Timer.h"

#include "ui/Exceptions.h"

namespace ui {

Timer::Timer(std::unique_ptr<TimerBackend> backend) : backend_(std::move(backend)) {}

Timer::~Timer() { backend_->Stop(); }

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Update();
}

void Timer::SetInterval(unsigned msec) {
  if (msec == interval_) return;
  interval_ = msec;
  Update();
}

void Timer::Update() {
  backend_->Stop();
  if (!enabled_ || interval_ == 0 || !OnTimer) return;
  if (!backend_->Start(interval_, [this] { if (OnTimer) OnTimer(); }))
    throw OutOfResources("Not enough timers available");
}

}  // namespace ui

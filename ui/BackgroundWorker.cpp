#include "ui/BackgroundWorker.h"

#include <windows.h>

#include "platform/DebugOutput.h"
#include "platform/Owners.h"
#include "ui/Exceptions.h"

namespace ui {
namespace {

// Enough for libjpeg and the area averaging; a small reservation leaves a 32-bit host its
// address space.
constexpr SIZE_T kStackBytes = 256 * 1024;

}  // namespace

struct BackgroundWorker::State {
  HWND notify;
  UINT message;
  Work work;
  std::function<void()> ended;
  std::atomic<bool> cancelled{false};
  // The job whose end is awaited: its number, or 0. An end that arrives for another (cancelled)
  // job is let go.
  WPARAM live = 0, last = 0;
  LARGE_INTEGER started{};  // the job's start, on the performance counter
  std::atomic<bool> quit{false};
  platform::KernelHandle wake{CreateEventA(nullptr, FALSE, FALSE, nullptr)};  // a job, or the end
  platform::KernelHandle idle{CreateEventA(nullptr, TRUE, TRUE, nullptr)};    // no work running
  platform::KernelHandle thread;

  // The job's work, on whichever thread runs it; the event and the message tell the owner.
  void RunJob(WPARAM number) {
    try {
      work(cancelled);
    } catch (...) {
      platform::WriteCurrentException("background work");
    }
    SetEvent(idle.get());
    PostMessageA(notify, message, number, 0);
  }

  static DWORD WINAPI ThreadStart(void* self) {
    auto* s = static_cast<State*>(self);
    // The owner writes the next job only while `idle` is set, and wakes this thread after.
    for (;;) {
      WaitForSingleObject(s->wake.get(), INFINITE);
      if (s->quit) return 0;
      s->RunJob(s->last);
    }
  }
};

BackgroundWorker::BackgroundWorker(HWND__* notify, unsigned message) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.notify = notify;
  s.message = message;
  if (!s.wake.get() || !s.idle.get()) throw OutOfResources("Error creating event");
  s.thread.reset(CreateThread(nullptr, kStackBytes, &State::ThreadStart, &s, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
}

BackgroundWorker::~BackgroundWorker() {
  Cancel();
  if (!state_->thread.valid()) return;
  state_->quit = true;
  SetEvent(state_->wake.get());
  WaitForSingleObject(state_->thread.get(), INFINITE);
}

void BackgroundWorker::Start(Work work, std::function<void()> ended) {
  Cancel();
  State& s = *state_;
  s.work = std::move(work);
  s.ended = std::move(ended);
  s.cancelled = false;
  s.live = s.last = s.last + 1;
  QueryPerformanceCounter(&s.started);
  ResetEvent(s.idle.get());
  if (s.thread.valid())
    SetEvent(s.wake.get());
  else
    s.RunJob(s.last);
}

void BackgroundWorker::Cancel() {
  State& s = *state_;
  s.live = 0;
  s.cancelled = true;
  WaitForSingleObject(s.idle.get(), INFINITE);
}

bool BackgroundWorker::WaitUntilRunFor(unsigned msec) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  const LONGLONG ran = (now.QuadPart - state_->started.QuadPart) * 1000 / frequency.QuadPart;
  const DWORD left = ran >= msec ? 0 : static_cast<DWORD>(msec - ran);
  return WaitForSingleObject(state_->idle.get(), left) == WAIT_OBJECT_0;
}

void BackgroundWorker::Ended(std::uintptr_t job) {
  State& s = *state_;
  if (job == 0 || job != s.live) return;
  s.live = 0;
  // `ended` may destroy the worker: nothing of it is touched after.
  const std::function<void()> ended = s.ended;
  if (ended) ended();
}

}  // namespace ui

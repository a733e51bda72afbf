// Work that runs on a thread of the library's own while the thread that started it goes on taking
// messages, painting and input; that thread hears of the end from its own message loop, through
// a window of its own. One thread serves every job of its owner, one job at a time: a dialog that
// changes its selection a thousand times starts one thread, not a thousand.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

struct HWND__;

namespace ui {

class BackgroundWorker {
 public:
  using Work = std::function<void(const std::atomic<bool>& cancelled)>;
  // Each job's end is posted to `notify` as `message`, the job's number in wParam; the window's
  // procedure hands the number to Ended. A window that is gone by then takes no end. Starts the
  // thread; where none can be started (a host short of address space), each job runs in Start.
  BackgroundWorker(HWND__* notify, unsigned message);
  // Cancels the job in flight, waits for it and ends the thread: no work outlives its worker.
  // Never destroy a worker under the loader lock (in DllMain).
  ~BackgroundWorker();
  BackgroundWorker(const BackgroundWorker&) = delete;
  BackgroundWorker& operator=(const BackgroundWorker&) = delete;

  // Cancels the job before, then starts `work` on the worker's thread. Once it has returned,
  // `ended` runs on this thread, from its message loop, unless the job is cancelled first. What
  // `work` throws is written to the debug output and goes no further: nothing unwinds through the
  // system's thread start.
  void Start(Work work, std::function<void()> ended);
  // Sets the cancel flag that the job's `work` reads and waits for it to return; its `ended`
  // never runs. Nothing to do when no job is in flight.
  void Cancel();
  // Waits for the job's work to return, at most until it has run that long; true once it has
  // returned (or when none runs).
  bool WaitUntilRunFor(unsigned msec);
  // The notified window's procedure, for `message`: runs the job's `ended`, unless the job has
  // been cancelled or followed by another since. `ended` may destroy the worker.
  void Ended(std::uintptr_t job);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace ui

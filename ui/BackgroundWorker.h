// Work that runs on a thread of the library's own while the thread that started it goes on taking
// messages, painting and input; that thread hears of the end from its own message loop.
#pragma once
#include <atomic>
#include <exception>
#include <functional>
#include <memory>

namespace ui {

class BackgroundJob {
 public:
  using Work = std::function<void(const std::atomic<bool>& cancelled)>;
  // Starts `work` on a thread of its own. Once it has returned, `ended` runs on this thread, from
  // its message loop, unless the job is gone first. When no thread can be started (a host short
  // of address space), `work` runs here and now, and `ended` follows from the loop all the same.
  // What `work` throws is kept for Rethrow: nothing unwinds through the system's thread start.
  BackgroundJob(Work work, std::function<void()> ended);
  // Sets the cancel flag that `work` reads and waits for its thread: no work outlives its job,
  // and `ended` never runs after it. Never destroy a job under the loader lock (in DllMain).
  ~BackgroundJob();
  BackgroundJob(const BackgroundJob&) = delete;
  BackgroundJob& operator=(const BackgroundJob&) = delete;

  // Waits at most that long for the work to return; true once it has.
  bool WaitFor(unsigned msec);
  // What the work threw, raised here on the job's own thread; nothing if it returned.
  void Rethrow();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace ui

#include "ui/BackgroundJob.h"

#include <windows.h>

#include "platform/Module.h"
#include "platform/Owners.h"
#include "ui/ErrorBox.h"
#include "ui/Exceptions.h"
#include "ui/Owners.h"
#include "ui/WindowClass.h"

namespace ui {
namespace {

constexpr char kJobClass[] = "PathmrBackgroundJob";
constexpr UINT kEnded = WM_APP + 1;
// Enough for libjpeg and the area averaging; a small reservation leaves a 32-bit host its
// address space.
constexpr SIZE_T kStackBytes = 256 * 1024;

}  // namespace

struct BackgroundJob::State {
  Work work;
  std::function<void()> ended;
  std::atomic<bool> cancelled{false};
  std::exception_ptr failure;
  Window window;  // message-only, of the starting thread: the end is posted here
  platform::KernelHandle thread;

  void Run() {
    try {
      work(cancelled);
    } catch (...) {
      failure = std::current_exception();
    }
    PostMessageA(window.get(), kEnded, 0, 0);
  }

  static DWORD WINAPI ThreadStart(void* self) {
    static_cast<State*>(self)->Run();
    return 0;
  }

  static LRESULT CALLBACK Proc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
      SetWindowLongPtrA(w, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<State*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (message == kEnded && self) {
      // `ended` may destroy the job, and this window with it: nothing of it is touched after.
      const std::function<void()> ended = self->ended;
      try {
        if (ended) ended();
      } catch (...) {
        ReportCurrentException(nullptr);
      }
      return 0;
    }
    return DefWindowProcA(w, message, wParam, lParam);
  }
};

BackgroundJob::BackgroundJob(Work work, std::function<void()> ended) : state_(std::make_unique<State>()) {
  state_->work = std::move(work);
  state_->ended = std::move(ended);
  EnsureWindowClass(kJobClass, &State::Proc, 0, 0, nullptr);
  state_->window.reset(
      CreateWindowExA(0, kJobClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, platform::Instance(), state_.get()));
  if (!state_->window.get()) throw OutOfResources("Error creating window");
  state_->thread.reset(CreateThread(nullptr, kStackBytes, &State::ThreadStart, state_.get(),
                                    STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  if (!state_->thread.valid()) state_->Run();
}

BackgroundJob::~BackgroundJob() {
  state_->cancelled = true;
  if (state_->thread.valid()) WaitForSingleObject(state_->thread.get(), INFINITE);
}

bool BackgroundJob::WaitFor(unsigned msec) {
  return !state_->thread.valid() || WaitForSingleObject(state_->thread.get(), msec) == WAIT_OBJECT_0;
}

void BackgroundJob::Rethrow() {
  if (state_->failure) std::rethrow_exception(state_->failure);
}

}  // namespace ui

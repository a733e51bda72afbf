// The library's lines for a debugger (those that begin "Pathmr: ", written with OutputDebugStringA
// in this process), as a debugger would show them; the test framework writes its failures there
// too, and those are left out. The call raises DBG_PRINTEXCEPTION_C (ExceptionInformation: the
// length with its terminator, then the text), which a vectored handler sees before anyone else;
// Wine 8 and Wine 10 raise it with or without a debugger attached, as Windows does.
#pragma once
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

namespace testkit {

// One at a time: from construction to destruction, every line from any thread of the process.
class DebugLines {
 public:
  DebugLines() : handler_(AddVectoredExceptionHandler(1, &Seen)) {
    std::lock_guard<std::mutex> lock(Mutex());
    Lines().clear();
  }
  ~DebugLines() { RemoveVectoredExceptionHandler(handler_); }
  DebugLines(const DebugLines&) = delete;
  DebugLines& operator=(const DebugLines&) = delete;

  bool Listening() const { return handler_ != nullptr; }

  // The library's lines seen since the last call (or since construction), in order; each as
  // written, newline included.
  std::vector<std::string> Take() {
    std::lock_guard<std::mutex> lock(Mutex());
    std::vector<std::string> taken;
    taken.swap(Lines());
    return taken;
  }

 private:
  static std::mutex& Mutex() {
    static std::mutex m;
    return m;
  }
  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }
  static LONG CALLBACK Seen(EXCEPTION_POINTERS* e) {
    const EXCEPTION_RECORD& r = *e->ExceptionRecord;
    if (r.ExceptionCode == DBG_PRINTEXCEPTION_C && r.NumberParameters >= 2 && r.ExceptionInformation[1] &&
        r.ExceptionInformation[0] > 0) {
      const std::string text(reinterpret_cast<const char*>(r.ExceptionInformation[1]),
                             static_cast<std::size_t>(r.ExceptionInformation[0] - 1));
      std::lock_guard<std::mutex> lock(Mutex());
      if (text.rfind("Pathmr: ", 0) == 0) Lines().push_back(text);
    }
    return EXCEPTION_CONTINUE_SEARCH;  // the system's own handling goes on: a debugger still sees it
  }

  void* handler_;
};

}  // namespace testkit

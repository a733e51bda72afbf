// The windows of a form's controls by handle, and the ids the controls get: kept by the form,
// filled by the controls as they make and lose their windows. The form's dispatch finds the control
// that a message names through it.
#pragma once
#include <map>

struct HWND__;

namespace ui {

class Control;

class ControlWindows {
 public:
  int NewId() { return nextId_++; }
  void Add(HWND__* window, Control* control) { windows_[window] = control; }
  void Remove(HWND__* window) { windows_.erase(window); }
  void Clear() { windows_.clear(); }
  Control* Find(HWND__* window) const {
    const auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : it->second;
  }
  // The first control, in handle order, for which the test holds; null when none does.
  template <class Test>
  Control* FindIf(Test test) const {
    for (const auto& entry : windows_)
      if (test(*entry.second)) return entry.second;
    return nullptr;
  }

 private:
  std::map<HWND__*, Control*> windows_;
  int nextId_ = 100;
};

}  // namespace ui

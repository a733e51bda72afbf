// Failures inside the library. Each carries the text the presenter sees in the error box.
#pragma once
#include <stdexcept>
#include <string>

namespace ui {

class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Ends the current operation without any message.
class Abort : public Exception {
 public:
  Abort() : Exception("Operation aborted") {}
};

// The platform refused a resource (a timer, a window, a font).
class OutOfResources : public Exception {
 public:
  using Exception::Exception;
};

// A list was asked for a row it does not have (-1 when nothing is selected).
class ListIndexError : public Exception {
 public:
  explicit ListIndexError(int index)
      : Exception("List index out of bounds (" + std::to_string(index) + ")") {}
};

}  // namespace ui

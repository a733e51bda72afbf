#include "platform/DebugOutput.h"

#include <windows.h>

#include <exception>

namespace platform {
namespace {

// Copies as much of `text` as fits before `end`; a line break would split the line in a viewer.
char* Append(char* out, const char* end, const char* text) noexcept {
  for (; text && *text && out < end; ++text) *out++ = (*text == '\r' || *text == '\n') ? ' ' : *text;
  return out;
}

}  // namespace

void WriteDebugLine(const char* place, const char* message) noexcept {
  char line[1024] = "";  // zeroed: the compiler cannot tell that only the written part is read
  const char* const end = line + sizeof line - 2;  // room for the newline and the terminator
  char* out = Append(line, end, "Pathmr: ");
  out = Append(out, end, place);
  out = Append(out, end, ": ");
  out = Append(out, end, message);
  *out++ = '\n';
  *out = '\0';
  OutputDebugStringA(line);
}

void WriteCurrentException(const char* place) noexcept {
  try {
    throw;  // the exception in flight, only to tell its kind: rethrowing copies nothing
  } catch (const std::exception& e) {
    WriteDebugLine(place, e.what());
  } catch (...) {
    WriteDebugLine(place, "an exception of no standard kind");
  }
}

}  // namespace platform

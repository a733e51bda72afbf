// Lines for a debugger's output window (or a debug-output viewer): the one place where the library
// tells why something failed that it keeps from its host, whose results stay as they were.
#pragma once

namespace platform {

// Writes "Pathmr: <place>: <message>" and a newline as one line (a longer text is cut short, a line
// break inside it becomes a space). Throws nothing and allocates nothing: fit for the loader lock.
void WriteDebugLine(const char* place, const char* message) noexcept;

// The same for the exception being handled (call it inside a catch block): its what(), or a fixed
// text for one of no standard kind.
void WriteCurrentException(const char* place) noexcept;

}  // namespace platform

// The library's own reference to itself while one of its dialogs runs.
#pragma once

namespace shared {

// A host handler that runs inside one of our modal loops (a menu command, a timer, the host's
// Export pumping messages) may free the library while the loop's frames are still on the stack;
// the call would then return into unmapped code. A hold is a reference of the library's own from
// before the first call into the host until the dialog has ended, so that such a free only
// unloads the library once the dialog's export has returned.
//
// The reference cannot be given back from inside the library: it may be the last one, and the
// library would be unmapped under the code that gave it back. So it is given back by a work item
// of the system thread pool, through FreeLibraryWhenCallbackReturns, once the export that held it
// has returned to the host: after LeaveExport, the host's thread takes a message posted to a
// window of the system's own class, which closes it. Where that cannot be set up, the reference is
// kept until the process ends.
class LibraryHold {
 public:
  LibraryHold();
  ~LibraryHold();
  LibraryHold(const LibraryHold&) = delete;
  LibraryHold& operator=(const LibraryHold&) = delete;

 private:
  bool held_ = false;
};

// Bracket every export that calls into the library: LeaveExport is the export's last statement,
// after every object of the library in that call has gone. The outermost one also gives back the
// runtime's record of the host's thread (shared/ThreadRecord.h).
void EnterExport();
void LeaveExport();

}  // namespace shared

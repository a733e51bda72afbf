// The static C++ runtime's record of the calling thread.
#pragma once

namespace shared {

// The static C++ runtime keeps values for each thread that has used it (an exception's record of
// that thread), which the thread's end would give back. The library may be unloaded on another
// thread than the host's (the system pool's, when the dialogs' own reference is the last), so no
// value is left on the host's thread between calls: this gives back the calling thread's (and a
// thread of the library's own gives back its own before it ends). Later use makes new ones. In the library it is library/RuntimeThreads.cpp's; the tests, which link the
// thread library itself, have shared/ThreadRecord.cpp's.
void GiveBackThreadRecord();

}  // namespace shared
